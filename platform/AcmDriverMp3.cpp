// MPEG Layer-3: constant bit rates at the rates MPEG-1, MPEG-2 and MPEG-2.5
// define, mono and stereo. The 12 extra bytes are the layer-3 fields: ID,
// padding flags, nominal block size, frames per block, codec delay.
// Encoding is LAME's (through libavcodec); decoding libavcodec's own, with its
// parser finding the frames, so any byte count is taken (nBlockAlign is 1).
//
// Real time: with real time required LAME runs at its standard quality; without
// it, at its highest (quality 0), which costs several times the work per frame.
#include <algorithm>

#include "AcmAvCodec.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

constexpr uint16_t ExtraBytes = 12;
constexpr uint16_t IdMpeg = 1;
constexpr uint32_t PaddingIso = 0;  // LAME pads frames the ISO way to hold the bit rate
constexpr uint16_t CodecDelay = 1393;
constexpr TAcmFormatTagInfo Tags[] = {{WAVE_FORMAT_MPEGLAYER3, "MPEG Layer-3", sizeof(WAVEFORMATEX) + ExtraBytes}};

constexpr uint32_t Rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr uint32_t Mpeg1Rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr uint32_t Mpeg2Rates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
static_assert(std::size(Mpeg1Rates) == std::size(Mpeg2Rates));
constexpr uint32_t RateCount = std::size(Mpeg1Rates);

bool IsMpeg1(uint32_t rate) { return rate >= 32000; }
bool KnownRate(uint32_t rate) { return std::find(std::begin(Rates), std::end(Rates), rate) != std::end(Rates); }
const uint32_t* BitRates(uint32_t rate) { return IsMpeg1(rate) ? Mpeg1Rates : Mpeg2Rates; }
bool LegalBitRate(uint32_t rate, uint32_t kbits) {
  const uint32_t* b = BitRates(rate);
  return std::find(b, b + RateCount, kbits) != b + RateCount;
}
uint32_t FrameSamples(uint32_t rate) { return IsMpeg1(rate) ? 1152 : 576; }
// Frame bytes without the padding byte.
uint32_t FrameBytes(uint32_t rate, uint32_t bitRate) { return FrameSamples(rate) / 8 * bitRate / rate; }

class TMp3Driver final : public TAvCodecDriver {
 public:
  const char* ShortName() const override { return "MPEG Layer-3"; }
  const char* LongName() const override { return "MPEG Layer-3 codec"; }
  const char* Licensing() const override {
    return "Encoding by LAME (LGPL-2.0-or-later) through libavcodec; decoding by libavcodec (FFmpeg, GPL-2.0-or-later "
           "as built).";
  }
  const char* Features() const override {
    return "Constant bit rates of 32 to 320 kbit/s at 32, 44.1 and 48 kHz and of 8 to 160 kbit/s at 8 to 24 kHz, "
           "mono and stereo. Reads constant and variable bit rates. LAME's highest quality when real time is not "
           "required.";
  }
  std::span<const TAcmFormatTagInfo> FormatTags() const override { return Tags; }
  uint32_t FormatCount(uint16_t tag) const override {
    return tag == WAVE_FORMAT_MPEGLAYER3 ? std::size(Rates) * 2 * RateCount : 0;
  }
  bool EnumFormat(uint16_t tag, uint32_t index, WAVEFORMATEX* wfx) const override {
    if (index >= FormatCount(tag)) return false;
    const uint32_t rate = Rates[index / (2 * RateCount)];
    const uint16_t channels = uint16_t(index / RateCount % 2 + 1);
    Make(rate, channels, BitRates(rate)[index % RateCount] * 1000, wfx);
    return true;
  }

 protected:
  bool ParseCoded(const WAVEFORMATEX* wfx, TAvCodedFormat& out) const override {
    const uint32_t rate = wfx->nSamplesPerSec, ch = wfx->nChannels;
    if (wfx->wFormatTag != WAVE_FORMAT_MPEGLAYER3 || ch < 1 || ch > 2 || !KnownRate(rate)) return false;
    if (wfx->nBlockAlign == 0) return false;
    // Files carry various block sizes and flags, and variable bit rates; all decode.
    // Written formats have the enumerated shape.
    const uint32_t kbits = uint32_t(uint64_t(wfx->nAvgBytesPerSec) * 8 / 1000);
    out = {WAVE_FORMAT_MPEGLAYER3, rate, uint16_t(ch), 0, wfx->nBlockAlign, FrameSamples(rate), kbits * 1000};
    out.CanEncode = wfx->nBlockAlign == 1 && wfx->nAvgBytesPerSec % 125 == 0 && LegalBitRate(rate, kbits) &&
                    wfx->cbSize >= ExtraBytes && AvReadU16(wfx, 0) == IdMpeg;
    return true;
  }
  bool MakeCoded(uint16_t tag, uint32_t rate, uint16_t channels, WAVEFORMATEX* wfx) const override {
    if (tag != WAVE_FORMAT_MPEGLAYER3 || channels < 1 || channels > 2 || !KnownRate(rate)) return false;
    // The common choices: 128 kbit/s stereo and 64 kbit/s mono at the MPEG-1 rates, half that below.
    const uint32_t kbits = (IsMpeg1(rate) ? 64 : 32) * channels;
    Make(rate, channels, kbits * 1000, wfx);
    return true;
  }
  TAvCodecSetup Setup(const TAvCodedFormat& coded, bool encode, bool realTime) const override {
    TAvCodecSetup s;
    if (encode) {
      s.Codec = "libmp3lame";
      s.BitRate = coded.BitRate;
      s.FrameSamples = FrameSamples(coded.Rate);
      s.BlockAlign = FrameBytes(coded.Rate, coded.BitRate) + 1;
      s.MaxPacketBytes = s.BlockAlign;
      s.HeldPackets = 12;  // LAME's look-ahead and reservoir keep a few frames back
      if (!realTime) s.Configure = [](AVCodecContext* ctx) { ctx->compression_level = 0; };
    } else {
      s.Codec = "mp3float";  // faster than the fixed-point decoder here
      s.Parse = true;
      s.BlockAlign = 1;
      // The densest frames at this rate (lowest bit rate of any layer).
      s.MaxSamplesPerByte = double(coded.Rate) / (IsMpeg1(coded.Rate) ? 4000 : 1000);
      s.MaxFrameSamples = 1152;
    }
    return s;
  }

 private:
  static void Make(uint32_t rate, uint16_t channels, uint32_t bitRate, WAVEFORMATEX* wfx) {
    AvMakeCodedHeader(wfx, WAVE_FORMAT_MPEGLAYER3, rate, channels, bitRate / 8, 1, 0, ExtraBytes);
    AvWriteU16(wfx, 0, IdMpeg);
    AvWriteU16(wfx, 2, uint16_t(PaddingIso));
    AvWriteU16(wfx, 4, uint16_t(PaddingIso >> 16));
    AvWriteU16(wfx, 6, uint16_t(FrameBytes(rate, bitRate)));
    AvWriteU16(wfx, 8, 1);
    AvWriteU16(wfx, 10, CodecDelay);
  }
};

}  // namespace

const IAcmDriver& AcmMp3Driver() {
  static const TMp3Driver driver;
  return driver;
}
