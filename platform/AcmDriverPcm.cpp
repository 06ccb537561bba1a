// PCM to PCM at any rate, sample size and channel count we support, and
// WAVE_FORMAT_EXTENSIBLE sources (PCM or float samples) to plain PCM.
#include "AcmDriver.h"
#include "AcmLinear.h"

namespace {

constexpr uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000};
constexpr uint16_t kBits[] = {8, 16, 24, 32};
constexpr uint32_t kCount = std::size(kRates) * std::size(kBits) * ACM_MAX_CHANNELS;

constexpr TAcmFormatTagInfo kTags[] = {
    {WAVE_FORMAT_PCM, "PCM", sizeof(WAVEFORMATEX)},
    {WAVE_FORMAT_EXTENSIBLE, "Extensible", sizeof(WAVEFORMATEXTENSIBLE)},
};

// Any linear layout but plain float, which is the float driver's.
bool IsSource(const WAVEFORMATEX* wfx, TAcmLinearFormat& f) {
  return AcmParseLinear(wfx, f) && wfx->wFormatTag != WAVE_FORMAT_IEEE_FLOAT;
}

class TPcmDriver final : public IAcmDriver {
 public:
  const char* ShortName() const override { return "PCM"; }
  const char* LongName() const override { return "PCM converter"; }
  uint32_t Support() const override { return ACMDRIVERDETAILS_SUPPORTF_CONVERTER | ACMDRIVERDETAILS_SUPPORTF_CODEC; }
  std::span<const TAcmFormatTagInfo> FormatTags() const override { return kTags; }

  uint32_t FormatCount(uint16_t tag) const override { return tag == WAVE_FORMAT_PCM ? kCount : 0; }

  bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const override {
    if (tag != WAVE_FORMAT_PCM || index >= kCount) return false;
    const uint16_t channels = uint16_t(index % ACM_MAX_CHANNELS + 1);
    index /= ACM_MAX_CHANNELS;
    const uint16_t bits = kBits[index % std::size(kBits)];
    AcmMakeLinear(wfx, WAVE_FORMAT_PCM, kRates[index / std::size(kBits)], bits, channels);
    return true;
  }

  bool Describe(const WAVEFORMATEX* wfx, std::string& text) const override {
    TAcmLinearFormat f;
    if (!IsSource(wfx, f)) return false;
    text = AcmFormatText(f.Rate, wfx->wBitsPerSample, f.Channels);
    return true;
  }

  bool Accepts(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool) const override {
    TAcmLinearFormat s, d;
    return IsSource(src, s) && dst->wFormatTag == WAVE_FORMAT_PCM && AcmParseLinear(dst, d);
  }

  bool Suggest(const WAVEFORMATEX* src, WAVEFORMATEX* dst, uint32_t flags) const override {
    TAcmLinearFormat s;
    if (!IsSource(src, s)) return false;
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && dst->wFormatTag != WAVE_FORMAT_PCM) return false;
    const bool isFloat = s.Kind == TAcmSampleKind::F32 || s.Kind == TAcmSampleKind::F64;
    const uint16_t bits = isFloat ? 16 : src->wBitsPerSample;
    return AcmSuggestLinear(s, dst, flags, WAVE_FORMAT_PCM, bits);
  }

  MMRESULT Open(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool,
                std::unique_ptr<IAcmStream>& stream) const override {
    stream = AcmOpenLinearStream(src, dst);
    return stream ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
  }
};

}  // namespace

const IAcmDriver& AcmPcmDriver() {
  static const TPcmDriver driver;
  return driver;
}
