// IMA ADPCM: 4 bits per sample in blocks that start with a 4-byte header per
// channel; the 2 extra bytes hold the samples per block.
#include "AcmAvCodec.h"

namespace {

class TImaAdpcmDriver final : public TAvAdpcmDriver {
public:
  TImaAdpcmDriver() : TAvAdpcmDriver({WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", "adpcm_ima_wav", 4, 1, 2}) {}
  const char* ShortName() const override { return "IMA ADPCM"; }
  const char* LongName() const override { return "IMA ADPCM codec"; }
};

}  // namespace

const IAcmDriver& AcmImaAdpcmDriver() {
  static const TImaAdpcmDriver driver;
  return driver;
}
