// IEEE float to and from PCM, and float to float at another rate or channel
// count. The chooser offers 32-bit float; 64-bit float, which editors write,
// is read and written too.
#include "AcmDriver.h"
#include "AcmLinear.h"

namespace {

constexpr uint32_t kCount = std::size(AcmCommonRates) * ACM_MAX_CHANNELS;

constexpr TAcmFormatTagInfo kTags[] = {
    {WAVE_FORMAT_IEEE_FLOAT, "IEEE Float", sizeof(WAVEFORMATEX)},
};

bool IsPlain(const WAVEFORMATEX* wfx, uint16_t tag, TAcmLinearFormat& f) {
  return wfx->wFormatTag == tag && AcmParseLinear(wfx, f);
}

class TFloatDriver final : public IAcmDriver {
 public:
  const char* ShortName() const override { return "IEEE Float"; }
  const char* LongName() const override { return "IEEE float converter"; }
  uint32_t Support() const override { return ACMDRIVERDETAILS_SUPPORTF_CONVERTER | ACMDRIVERDETAILS_SUPPORTF_CODEC; }
  std::span<const TAcmFormatTagInfo> FormatTags() const override { return kTags; }

  uint32_t FormatCount(uint16_t tag) const override { return tag == WAVE_FORMAT_IEEE_FLOAT ? kCount : 0; }

  bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const override {
    if (tag != WAVE_FORMAT_IEEE_FLOAT || index >= kCount) return false;
    AcmMakeLinear(wfx, WAVE_FORMAT_IEEE_FLOAT, AcmCommonRates[index / ACM_MAX_CHANNELS], 32,
                  uint16_t(index % ACM_MAX_CHANNELS + 1));
    return true;
  }

  bool Describe(const WAVEFORMATEX* wfx, std::string& text) const override {
    TAcmLinearFormat f;
    if (!IsPlain(wfx, WAVE_FORMAT_IEEE_FLOAT, f)) return false;
    text = AcmFormatText(f.Rate, wfx->wBitsPerSample, f.Channels);
    return true;
  }

  bool Accepts(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool) const override {
    TAcmLinearFormat s, d;
    if (IsPlain(src, WAVE_FORMAT_IEEE_FLOAT, s))
      return IsPlain(dst, WAVE_FORMAT_PCM, d) || IsPlain(dst, WAVE_FORMAT_IEEE_FLOAT, d);
    return IsPlain(src, WAVE_FORMAT_PCM, s) && IsPlain(dst, WAVE_FORMAT_IEEE_FLOAT, d);
  }

  bool Suggest(const WAVEFORMATEX* src, WAVEFORMATEX* dst, uint32_t flags) const override {
    TAcmLinearFormat s;
    const bool tagFixed = flags & ACM_FORMATSUGGESTF_WFORMATTAG;
    if (IsPlain(src, WAVE_FORMAT_IEEE_FLOAT, s)) {
      const bool toFloat = tagFixed && dst->wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
      return AcmSuggestLinear(s, dst, flags, WAVE_FORMAT_PCM, toFloat ? 32 : 16);
    }
    if (IsPlain(src, WAVE_FORMAT_PCM, s) && tagFixed && dst->wFormatTag == WAVE_FORMAT_IEEE_FLOAT)
      return AcmSuggestLinear(s, dst, flags, WAVE_FORMAT_IEEE_FLOAT, 32);
    return false;
  }

  MMRESULT Open(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool,
                std::unique_ptr<IAcmStream>& stream) const override {
    stream = AcmOpenLinearStream(src, dst);
    return stream ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
  }
};

}  // namespace

const IAcmDriver& AcmFloatDriver() {
  static const TFloatDriver driver;
  return driver;
}
