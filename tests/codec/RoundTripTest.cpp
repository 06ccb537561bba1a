// Every enumerated format of every driver: encode a signal, decode it again and
// compare with the source.
#include <gtest/gtest.h>

#include <cmath>

#include "AcmAvCodec.h"
#include "CodecTestSupport.h"

using namespace codectest;

namespace {

struct TTrip {
  std::vector<int16_t> Decoded;
  bool Ok = false;
};

// PCM 16 -> coded -> PCM 16 through the drivers, in pieces of an eighth of a second.
TTrip RoundTrip(const WAVEFORMATEX* coded, const std::vector<int16_t>& signal, bool end = true) {
  TTrip t;
  const TFormat pcm = Pcm(coded->nSamplesPerSec, 16, coded->nChannels);
  auto enc = OpenPair(pcm.Wfx(), coded);
  auto dec = OpenPair(coded, pcm.Wfx());
  EXPECT_TRUE(enc && dec) << Describe(coded);
  if (!enc || !dec) return t;
  const size_t piece = std::max<size_t>(pcm.Wfx()->nAvgBytesPerSec / 8 / 2 * 2, 2);
  auto e = Pump(*enc, ToBytes(signal), piece, 1, end);
  EXPECT_TRUE(e.Ok) << Describe(coded) << ": " << e.Failure;
  auto d = Pump(*dec, e.Out, std::max<size_t>(coded->nAvgBytesPerSec / 8, 1), 1, end);
  EXPECT_TRUE(d.Ok) << Describe(coded) << ": " << d.Failure;
  t.Decoded = ToSamples(d.Out);
  t.Ok = e.Ok && d.Ok;
  return t;
}

std::vector<TFormat> Formats(const IAcmDriver& d) {
  std::vector<TFormat> all;
  for (const auto& tag : d.FormatTags())
    for (uint32_t i = 0; i < d.FormatCount(tag.Tag); ++i) {
      TFormat f;
      EXPECT_TRUE(d.EnumFormat(tag.Tag, i, f.Wfx()));
      all.push_back(f);
    }
  return all;
}

}  // namespace

// Thresholds sit a few dB under what each codec gives, so a broken block
// layout, channel order or predictor shows while the codec's own noise passes.
struct TLimits {
  double Sine, Speech;
};

TLimits LimitsFor(uint16_t tag) {
  switch (tag) {
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW: return {30, 30};
    case WAVE_FORMAT_IMA_ADPCM: return {16, 6};
    case WAVE_FORMAT_ADPCM: return {15, 7};
    case WAVE_FORMAT_GSM610: return {16, 8};
    default: return {0, 0};
  }
}

TEST(CodecRoundTrip, EveryWaveformFormatKeepsTheSignal) {
  for (const auto& nd : CodecDrivers()) {
    for (const auto& f : Formats(*nd.Driver)) {
      const auto* w = f.Wfx();
      if (w->wFormatTag == WAVE_FORMAT_MPEGLAYER3) continue;
      SCOPED_TRACE(Describe(w));
      const TLimits lim = LimitsFor(w->wFormatTag);
      const double tone = std::min(1000.0, w->nSamplesPerSec / 8.0);
      const auto sine = Sine(w->nSamplesPerSec, w->nChannels, 0.5, tone);
      const auto speech = SpeechLike(w->nSamplesPerSec, w->nChannels, 0.5);
      const auto a = RoundTrip(w, sine), b = RoundTrip(w, speech);
      ASSERT_TRUE(a.Ok && b.Ok);
      // Whole blocks come back: the end of the stream pads the last partial block with silence.
      const size_t n = sine.size() / w->nChannels;
      std::string text;
      const size_t block = w->wFormatTag == WAVE_FORMAT_ALAW || w->wFormatTag == WAVE_FORMAT_MULAW
                               ? 1
                               : (w->wFormatTag == WAVE_FORMAT_GSM610 ? 320 : AvReadU16(w, 0));
      EXPECT_EQ(a.Decoded.size() / w->nChannels, (n + block - 1) / block * block);
      EXPECT_GT(SnrDb(sine, a.Decoded, w->nChannels), lim.Sine);
      EXPECT_GT(SnrDb(speech, b.Decoded, w->nChannels), lim.Speech);
    }
  }
}

TEST(CodecRoundTrip, EveryMp3FormatKeepsTheTones) {
  for (const auto& f : Formats(AcmMp3Driver())) {
    const auto* w = f.Wfx();
    SCOPED_TRACE(Describe(w));
    const double tone = std::min(1000.0, w->nSamplesPerSec / 8.0);
    const auto sine = Sine(w->nSamplesPerSec, w->nChannels, 0.5, tone);
    const auto a = RoundTrip(w, sine);
    ASSERT_TRUE(a.Ok);
    const size_t n = sine.size() / w->nChannels;
    // Flushed at the end, everything comes back, behind the codec's delay.
    EXPECT_GE(a.Decoded.size() / w->nChannels, n);
    EXPECT_LT(a.Decoded.size() / w->nChannels, n + 3 * 1152);
    // 8 kbit/s for two channels is too little for LAME to keep a tone at all.
    if (w->nAvgBytesPerSec * 8 / w->nChannels < 16000) continue;
    for (uint16_t c = 0; c < w->nChannels; ++c) {
      const double freq = c == 0 ? tone : tone * 1.5;
      const double snr = ToneSnrDb(a.Decoded, w->nChannels, c, w->nSamplesPerSec, freq, n / 2, n / 2);
      EXPECT_GT(snr, 20.0) << "channel " << c;
    }
    EXPECT_NEAR(ToneDb(a.Decoded, w->nChannels, w->nSamplesPerSec, tone, n / 2, n / 2), -6.0, 1.5);
  }
}

TEST(CodecRoundTrip, Mp3KeepsItsBitRate) {
  // Two seconds at a few rates: the coded size is what the format promises.
  for (uint32_t index : {0u, 20u, 100u, 150u, 200u, 251u}) {
    TFormat f;
    ASSERT_TRUE(AcmMp3Driver().EnumFormat(WAVE_FORMAT_MPEGLAYER3, index, f.Wfx()));
    const auto* w = f.Wfx();
    SCOPED_TRACE(Describe(w));
    const TFormat pcm = Pcm(w->nSamplesPerSec, 16, w->nChannels);
    auto enc = OpenPair(pcm.Wfx(), w);
    ASSERT_TRUE(enc);
    const auto e = Pump(*enc, ToBytes(SpeechLike(w->nSamplesPerSec, w->nChannels, 2.0)), 4096, 1);
    ASSERT_TRUE(e.Ok) << e.Failure;
    const double expected = 2.0 * w->nAvgBytesPerSec;
    EXPECT_NEAR(double(e.Out.size()), expected, expected * 0.15);
  }
}

TEST(CodecRoundTrip, G711AlsoCodesEightBitPcm) {
  for (uint16_t tag : {WAVE_FORMAT_ALAW, WAVE_FORMAT_MULAW}) {
    TFormat coded;
    ASSERT_TRUE(AcmG711Driver().EnumFormat(tag, 1, coded.Wfx()));  // 8 kHz stereo
    const TFormat pcm8 = Pcm(8000, 8, 2);
    auto enc = OpenPair(pcm8.Wfx(), coded.Wfx());
    auto dec = OpenPair(coded.Wfx(), pcm8.Wfx());
    ASSERT_TRUE(enc && dec);
    const auto sine = Sine(8000, 2, 0.25, 700);
    const Bytes in = ToU8(sine);
    const auto e = Pump(*enc, in, 1000, 2);
    const auto d = Pump(*dec, e.Out, 333, 1);
    ASSERT_TRUE(e.Ok && d.Ok);
    ASSERT_EQ(d.Out.size(), in.size());
    // Back as 8-bit PCM, within the 8-bit step.
    int worst = 0;
    for (size_t i = 0; i < in.size(); ++i) worst = std::max(worst, std::abs(int(in[i]) - int(d.Out[i])));
    EXPECT_LE(worst, 2);
  }
}
