#include "AcmAvCodec.h"

#include <cstring>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

uint16_t AvReadU16(const WAVEFORMATEX* wfx, uint32_t extraOffset) {
  const auto* p = reinterpret_cast<const uint8_t*>(wfx) + sizeof(WAVEFORMATEX) + extraOffset;
  return uint16_t(p[0] | (p[1] << 8));
}

void AvWriteU16(WAVEFORMATEX* wfx, uint32_t extraOffset, uint16_t value) {
  auto* p = reinterpret_cast<uint8_t*>(wfx) + sizeof(WAVEFORMATEX) + extraOffset;
  p[0] = uint8_t(value);
  p[1] = uint8_t(value >> 8);
}

uint32_t AvAdpcmBlockPerChannel(uint32_t rate) {
  if (rate <= 11025) return 256;
  if (rate <= 22050) return 512;
  return 1024;
}

void AvMakeCodedHeader(WAVEFORMATEX* wfx, uint16_t tag, uint32_t rate, uint16_t channels, uint32_t avgBytes,
                       uint16_t blockAlign, uint16_t bits, uint16_t extra) {
  wfx->wFormatTag = tag;
  wfx->nChannels = channels;
  wfx->nSamplesPerSec = rate;
  wfx->nAvgBytesPerSec = avgBytes;
  wfx->nBlockAlign = blockAlign;
  wfx->wBitsPerSample = bits;
  wfx->cbSize = extra;
  std::memset(reinterpret_cast<uint8_t*>(wfx) + sizeof(WAVEFORMATEX), 0, extra);
}

bool TAvCodecDriver::ParsePcm(const WAVEFORMATEX* wfx, TAcmLinearFormat& out) const {
  // Plain PCM only: the PCM driver turns every other layout into it.
  return wfx->wFormatTag == WAVE_FORMAT_PCM && AcmParseLinear(wfx, out) && PcmBits(wfx->wBitsPerSample);
}

bool TAvCodecDriver::Describe(const WAVEFORMATEX* wfx, std::string& text) const {
  TAvCodedFormat f;
  if (!ParseCoded(wfx, f)) return false;
  std::string suffix;
  if (f.BitRate) suffix = ", " + std::to_string(f.BitRate / 1000) + " kBit/s";
  text = AcmFormatText(f.Rate, f.Bits, f.Channels, suffix.c_str());
  return true;
}

bool TAvCodecDriver::Accepts(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime) const {
  TAcmLinearFormat pcm;
  TAvCodedFormat coded;
  bool encode;
  if (ParsePcm(src, pcm) && ParseCoded(dst, coded))
    encode = true;
  else if (ParseCoded(src, coded) && ParsePcm(dst, pcm))
    encode = false;
  else
    return false;
  if (encode && !coded.CanEncode) return false;
  if (pcm.Rate != coded.Rate || pcm.Channels != coded.Channels) return false;
  if (realTime && !RealTime(coded, encode)) return false;
  // A libavcodec built without this codec cannot open the stream.
  return AvFindCodec(Setup(coded, encode, realTime).Codec, encode) != nullptr;
}

bool TAvCodecDriver::Suggest(const WAVEFORMATEX* src, WAVEFORMATEX* dst, uint32_t flags) const {
  TAvCodedFormat coded;
  TAcmLinearFormat pcm;
  uint32_t rate;
  uint16_t channels;
  const bool decode = ParseCoded(src, coded);
  if (decode) {
    rate = coded.Rate;
    channels = coded.Channels;
  } else if (src->wFormatTag == WAVE_FORMAT_PCM && AcmParseLinear(src, pcm)) {
    rate = pcm.Rate;
    channels = pcm.Channels;
  } else {
    return false;
  }
  // Rate and channels stay as they are: the PCM driver changes those.
  if ((flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && dst->nSamplesPerSec != rate) return false;
  if ((flags & ACM_FORMATSUGGESTF_NCHANNELS) && dst->nChannels != channels) return false;
  if (decode) {
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && dst->wFormatTag != WAVE_FORMAT_PCM) return false;
    const uint16_t bits = (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) ? dst->wBitsPerSample : 16;
    if (!PcmBits(bits)) return false;
    AcmMakeLinear(dst, WAVE_FORMAT_PCM, rate, bits, channels);
    return true;
  }
  // PCM source: only when the caller names one of our tags.
  if (!(flags & ACM_FORMATSUGGESTF_WFORMATTAG) || !PcmBits(src->wBitsPerSample)) return false;
  WAVEFORMATEX head = *dst;
  if (!MakeCoded(head.wFormatTag, rate, channels, dst)) return false;
  if ((flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) && dst->wBitsPerSample != head.wBitsPerSample) {
    *dst = head;
    return false;
  }
  return true;
}

MMRESULT TAvCodecDriver::Open(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime,
                              std::unique_ptr<IAcmStream>& stream) const {
  TAvCodedFormat coded;
  const WAVEFORMATEX* pcm;
  const bool encode = ParseCoded(dst, coded);
  if (encode && !coded.CanEncode) return ACMERR_NOTPOSSIBLE;
  if (encode)
    pcm = src;
  else if (ParseCoded(src, coded))
    pcm = dst;
  else
    return ACMERR_NOTPOSSIBLE;
  TAvCodecSetup setup = Setup(coded, encode, realTime);
  setup.Encode = encode;
  setup.Rate = coded.Rate;
  setup.Channels = coded.Channels;
  setup.PcmBits = pcm->wBitsPerSample;
  return AvCodecOpenStream(setup, stream);
}

// ---- ADPCM base ----

namespace {
constexpr uint32_t AdpcmMaxBlock = 8192;  // libavcodec's encoders go no higher
}

TAvAdpcmDriver::TAvAdpcmDriver(const TAvAdpcmLayout& layout)
    : Layout(layout), TagInfo{layout.Tag, layout.TagName, uint32_t(sizeof(WAVEFORMATEX) + layout.ExtraBytes)} {}

uint32_t TAvAdpcmDriver::FormatCount(uint16_t tag) const {
  return tag == Layout.Tag ? std::size(AvBlockCodecRates) * 2 : 0;
}

bool TAvAdpcmDriver::EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const {
  if (index >= FormatCount(tag)) return false;
  return MakeCoded(tag, AvBlockCodecRates[index / 2], uint16_t(index % 2 + 1), wfx);
}

uint32_t TAvAdpcmDriver::SamplesPerBlock(uint32_t blockAlign, uint32_t channels) const {
  return (blockAlign - Layout.HeaderPerChannel * channels) * 2 / channels + Layout.HeaderSamples;
}

bool TAvAdpcmDriver::ParseCoded(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const {
  const uint32_t ch = wfx->nChannels, align = wfx->nBlockAlign;
  if (wfx->wFormatTag != Layout.Tag || ch < 1 || ch > ACM_MAX_CHANNELS) return false;
  if (wfx->nSamplesPerSec < ACM_MIN_RATE || wfx->nSamplesPerSec > ACM_MAX_RATE || wfx->wBitsPerSample != 4)
    return false;
  if (align <= Layout.HeaderPerChannel * ch || align > AdpcmMaxBlock || wfx->cbSize < Layout.ExtraBytes) return false;
  // IMA codes come in 4-byte words per channel.
  if (Layout.HeaderPerChannel == 4 && align % (4 * ch) != 0) return false;
  const uint32_t spb = SamplesPerBlock(align, ch);
  if (AvReadU16(wfx, 0) != spb) return false;
  out = {Layout.Tag, wfx->nSamplesPerSec, uint16_t(ch), 4, align, spb, 0};
  return CheckExtra(wfx, out);
}

bool TAvAdpcmDriver::MakeCoded(uint16_t tag, uint32_t rate, uint16_t channels, WAVEFORMATEX* wfx) const {
  if (tag != Layout.Tag || channels < 1 || channels > ACM_MAX_CHANNELS || rate < ACM_MIN_RATE || rate > ACM_MAX_RATE)
    return false;
  const uint32_t align = AvAdpcmBlockPerChannel(rate) * channels;
  const uint32_t spb = SamplesPerBlock(align, channels);
  AvMakeCodedHeader(wfx, tag, rate, channels, uint32_t(uint64_t(rate) * align / spb), uint16_t(align), 4,
                    Layout.ExtraBytes);
  AvWriteU16(wfx, 0, uint16_t(spb));
  WriteExtra(wfx);
  return true;
}

TAvCodecSetup TAvAdpcmDriver::Setup(const TAvCodedFormat& coded, bool encode, bool) const {
  TAvCodecSetup s;
  s.Codec = Layout.Codec;
  s.BlockAlign = coded.BlockAlign;
  s.FrameSamples = coded.FrameSamples;
  const int64_t align = coded.BlockAlign;
  s.Configure = [align, encode](AVCodecContext* ctx) {
    if (encode)
      av_opt_set_int(ctx->priv_data, "block_size", align, 0);
    else
      ctx->bits_per_coded_sample = 4;
  };
  return s;
}
