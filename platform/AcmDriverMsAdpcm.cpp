// Microsoft ADPCM: 4 bits per sample in blocks with a 7-byte header per
// channel; the 32 extra bytes hold the samples per block and the seven
// predictor coefficient pairs every writer uses.
#include <algorithm>

#include "AcmAvCodec.h"

namespace {

constexpr int16_t Coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
constexpr uint16_t ExtraBytes = 4 + sizeof Coefficients;  // 32

class TMsAdpcmDriver final : public TAvAdpcmDriver {
 public:
  TMsAdpcmDriver() : TAvAdpcmDriver({WAVE_FORMAT_ADPCM, "Microsoft ADPCM", "adpcm_ms", 7, 2, ExtraBytes}) {}
  const char* ShortName() const override { return "MS ADPCM"; }
  const char* LongName() const override { return "Microsoft ADPCM codec"; }
  const char* Licensing() const override { return AvLibavcodecLicence; }
  const char* Features() const override {
    return "4 bits per sample with the seven standard predictors, mono and stereo at 8 to 192 kHz, blocks of 256 "
           "bytes per channel up to 11.025 kHz, 512 up to 22.05 kHz, 1024 above; reads any block size of up to 8192 "
           "bytes.";
  }

 protected:
  bool CheckExtra(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const override {
    // The decoder knows only the standard predictors; a file with others would decode wrongly.
    const uint16_t count = AvReadU16(wfx, 2);
    if (count < 7 || 4u + 4u * count > std::min<uint32_t>(wfx->cbSize, WAVE_FORMAT_MAX_EXTRA)) return false;
    for (uint32_t i = 0; i < 7; ++i)
      if (int16_t(AvReadU16(wfx, 4 + 4 * i)) != Coefficients[i][0] ||
          int16_t(AvReadU16(wfx, 6 + 4 * i)) != Coefficients[i][1])
        return false;
    out.CanEncode = count == 7;
    return true;
  }
  void WriteExtra(WAVEFORMATEX* wfx) const override {
    AvWriteU16(wfx, 2, 7);
    for (uint32_t i = 0; i < 7; ++i) {
      AvWriteU16(wfx, 4 + 4 * i, uint16_t(Coefficients[i][0]));
      AvWriteU16(wfx, 6 + 4 * i, uint16_t(Coefficients[i][1]));
    }
  }
};

}  // namespace

const IAcmDriver& AcmMsAdpcmDriver() {
  static const TMsAdpcmDriver driver;
  return driver;
}
