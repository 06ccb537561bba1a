// GSM 6.10 in the two-frame packing of WAVE files: 65-byte blocks of 320
// samples, mono; the 2 extra bytes hold the samples per block. Encoding is
// libgsm's (through libavcodec), decoding libavcodec's own.
#include "AcmAvCodec.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

constexpr uint16_t ExtraBytes = 2;
constexpr uint16_t BlockBytes = 65;
constexpr uint16_t BlockSamples = 320;
constexpr TAcmFormatTagInfo Tags[] = {{WAVE_FORMAT_GSM610, "GSM 6.10", sizeof(WAVEFORMATEX) + ExtraBytes}};

class TGsm610Driver final : public TAvCodecDriver {
 public:
  const char* ShortName() const override { return "GSM 6.10"; }
  const char* LongName() const override { return "GSM 6.10 audio codec"; }
  const char* Licensing() const override {
    return "Encoding by libgsm (TU Berlin licence, permissive); decoding by libavcodec (FFmpeg, GPL-2.0-or-later as "
           "built).";
  }
  const char* Features() const override {
    return "13 kbit/s at 8 kHz: 65-byte blocks of 320 samples, mono; also at 11.025, 22.05 and 44.1 kHz.";
  }
  std::span<const TAcmFormatTagInfo> FormatTags() const override { return Tags; }
  uint32_t FormatCount(uint16_t tag) const override {
    return tag == WAVE_FORMAT_GSM610 ? std::size(AvBlockCodecRates) : 0;
  }
  bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const override {
    if (index >= FormatCount(tag)) return false;
    return MakeCoded(tag, AvBlockCodecRates[index], 1, wfx);
  }

 protected:
  bool ParseCoded(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const override {
    if (wfx->wFormatTag != WAVE_FORMAT_GSM610 || wfx->nChannels != 1 || wfx->nBlockAlign != BlockBytes) return false;
    if (wfx->nSamplesPerSec < ACM_MIN_RATE || wfx->nSamplesPerSec > ACM_MAX_RATE) return false;
    if (wfx->cbSize < ExtraBytes || AvReadU16(wfx, 0) != BlockSamples) return false;
    out = {WAVE_FORMAT_GSM610, wfx->nSamplesPerSec, 1, 0, BlockBytes, BlockSamples, 0};
    return true;
  }
  bool MakeCoded(uint16_t tag, uint32_t rate, uint16_t channels, WAVEFORMATEX* wfx) const override {
    if (tag != WAVE_FORMAT_GSM610 || channels != 1 || rate < ACM_MIN_RATE || rate > ACM_MAX_RATE) return false;
    AvMakeCodedHeader(wfx, tag, rate, 1, rate * BlockBytes / BlockSamples, BlockBytes, 0, ExtraBytes);
    AvWriteU16(wfx, 0, BlockSamples);
    return true;
  }
  TAvCodecSetup Setup(const TAvCodedFormat&, bool encode, bool) const override {
    TAvCodecSetup s;
    s.Codec = encode ? "libgsm_ms" : "gsm_ms";
    s.BlockAlign = BlockBytes;
    s.FrameSamples = BlockSamples;
    // libgsm is specified for 8000 Hz but codes any rate; it refuses others unless told.
    if (encode) s.Configure = [](AVCodecContext* ctx) { ctx->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL; };
    return s;
  }
};

}  // namespace

const IAcmDriver& AcmGsm610Driver() {
  static const TGsm610Driver driver;
  return driver;
}
