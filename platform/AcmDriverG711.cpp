// CCITT G.711 A-law and u-law: one byte per sample and channel, to and from
// 16-bit or 8-bit PCM at the same rate and channels.
#include "AcmAvCodec.h"

namespace {

constexpr TAcmFormatTagInfo Tags[] = {
    {WAVE_FORMAT_ALAW, "CCITT A-Law", sizeof(WAVEFORMATEX)},
    {WAVE_FORMAT_MULAW, "CCITT u-Law", sizeof(WAVEFORMATEX)},
};

bool OurTag(uint16_t tag) { return tag == WAVE_FORMAT_ALAW || tag == WAVE_FORMAT_MULAW; }

class TG711Driver final : public TAvCodecDriver {
 public:
  const char* ShortName() const override { return "G.711"; }
  const char* LongName() const override { return "CCITT G.711 A-Law and u-Law codec"; }
  const char* Licensing() const override { return AvLibavcodecLicence; }
  const char* Features() const override {
    return "A-law and u-law, 8 bits per sample, mono and stereo at 8 to 192 kHz, to and from 8- and 16-bit PCM.";
  }
  std::span<const TAcmFormatTagInfo> FormatTags() const override { return Tags; }
  uint32_t FormatCount(uint16_t tag) const override { return OurTag(tag) ? std::size(AvBlockCodecRates) * 2 : 0; }
  bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const override {
    if (index >= FormatCount(tag)) return false;
    return MakeCoded(tag, AvBlockCodecRates[index / 2], uint16_t(index % 2 + 1), wfx);
  }

 protected:
  bool ParseCoded(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const override {
    const uint16_t ch = wfx->nChannels;
    if (!OurTag(wfx->wFormatTag) || ch < 1 || ch > ACM_MAX_CHANNELS) return false;
    if (wfx->nSamplesPerSec < ACM_MIN_RATE || wfx->nSamplesPerSec > ACM_MAX_RATE) return false;
    if (wfx->wBitsPerSample != 8 || wfx->nBlockAlign != ch || wfx->nAvgBytesPerSec != wfx->nSamplesPerSec * ch)
      return false;
    out = {wfx->wFormatTag, wfx->nSamplesPerSec, ch, 8, ch, 0, 0};
    return true;
  }
  bool MakeCoded(uint16_t tag, uint32_t rate, uint16_t channels, WAVEFORMATEX* wfx) const override {
    if (!OurTag(tag) || channels < 1 || channels > ACM_MAX_CHANNELS || rate < ACM_MIN_RATE || rate > ACM_MAX_RATE)
      return false;
    AvMakeCodedHeader(wfx, tag, rate, channels, rate * channels, channels, 8, 0);
    return true;
  }
  bool PcmBits(uint16_t bits) const override { return bits == 8 || bits == 16; }
  TAvCodecSetup Setup(const TAvCodedFormat& coded, bool, bool) const override {
    TAvCodecSetup s;
    s.Codec = coded.Tag == WAVE_FORMAT_ALAW ? "pcm_alaw" : "pcm_mulaw";
    s.BlockAlign = coded.Channels;
    return s;
  }
};

}  // namespace

const IAcmDriver& AcmG711Driver() {
  static const TG711Driver driver;
  return driver;
}
