// IMA ADPCM: 4 bits per sample in blocks that start with a 4-byte header per
// channel; the 2 extra bytes hold the samples per block.
#include "AcmAvCodec.h"

namespace {

class TImaAdpcmDriver final : public TAvAdpcmDriver {
 public:
  TImaAdpcmDriver() : TAvAdpcmDriver({WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", "adpcm_ima_wav", 4, 1, 2}) {}
  const char* ShortName() const override { return "IMA ADPCM"; }
  const char* LongName() const override { return "IMA ADPCM codec"; }
  const char* Licensing() const override { return AvLibavcodecLicence; }
  const char* Features() const override {
    return "4 bits per sample, mono and stereo at 8 to 192 kHz, blocks of 256 bytes per channel up to 11.025 kHz, "
           "512 up to 22.05 kHz, 1024 above; reads any block size of up to 8192 bytes.";
  }
};

}  // namespace

const IAcmDriver& AcmImaAdpcmDriver() {
  static const TImaAdpcmDriver driver;
  return driver;
}
