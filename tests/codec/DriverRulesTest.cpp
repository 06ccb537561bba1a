// What every driver promises about its formats and its streams: enumerated
// formats valid by their own rules, suggestions, whole-block consumption,
// damaged input, small output buffers and the real-time choice.
#include <gtest/gtest.h>

#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "AcmAvCodec.h"
#include "CodecTestSupport.h"
#include "deACM.h"

using namespace codectest;

namespace {

std::vector<TFormat> AllFormats() {
  std::vector<TFormat> all;
  for (const auto& nd : CodecDrivers())
    for (const auto& tag : nd.Driver->FormatTags())
      for (uint32_t i = 0; i < nd.Driver->FormatCount(tag.Tag); ++i) {
        TFormat f;
        EXPECT_TRUE(nd.Driver->EnumFormat(tag.Tag, i, f.Wfx()));
        all.push_back(f);
      }
  return all;
}

uint32_t SamplesPerBlock(const WAVEFORMATEX* w) {
  switch (w->wFormatTag) {
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW: return 1;
    case WAVE_FORMAT_MPEGLAYER3: return w->nSamplesPerSec >= 32000 ? 1152 : 576;
    default: return AvReadU16(w, 0);
  }
}

uint32_t ExpectedBlock(uint32_t rate) { return rate <= 11025 ? 256 : rate <= 22050 ? 512 : 1024; }

}  // namespace

TEST(CodecFormats, EveryEnumeratedFormatFollowsItsTagsRules) {
  const auto all = AllFormats();
  EXPECT_EQ(all.size(), 16u + 8u + 8u + 4u + 252u);
  for (const auto& f : all) {
    const WAVEFORMATEX* w = f.Wfx();
    SCOPED_TRACE(Describe(w));
    const uint32_t ch = w->nChannels, rate = w->nSamplesPerSec;
    ASSERT_TRUE(ch == 1 || ch == 2);
    switch (w->wFormatTag) {
      case WAVE_FORMAT_ALAW:
      case WAVE_FORMAT_MULAW:
        EXPECT_EQ(w->wBitsPerSample, 8);
        EXPECT_EQ(w->nBlockAlign, ch);
        EXPECT_EQ(w->nAvgBytesPerSec, rate * ch);
        EXPECT_EQ(w->cbSize, 0);
        break;
      case WAVE_FORMAT_IMA_ADPCM:
        EXPECT_EQ(w->wBitsPerSample, 4);
        EXPECT_EQ(w->cbSize, 2);
        EXPECT_EQ(w->nBlockAlign, ExpectedBlock(rate) * ch);
        EXPECT_EQ(SamplesPerBlock(w), (w->nBlockAlign - 4 * ch) * 8 / (4 * ch) + 1);
        EXPECT_EQ(w->nAvgBytesPerSec, rate * w->nBlockAlign / SamplesPerBlock(w));
        break;
      case WAVE_FORMAT_ADPCM: {
        EXPECT_EQ(w->wBitsPerSample, 4);
        EXPECT_EQ(w->cbSize, 32);
        EXPECT_EQ(w->nBlockAlign, ExpectedBlock(rate) * ch);
        EXPECT_EQ(SamplesPerBlock(w), (w->nBlockAlign - 7 * ch) * 8 / (4 * ch) + 2);
        EXPECT_EQ(w->nAvgBytesPerSec, rate * w->nBlockAlign / SamplesPerBlock(w));
        EXPECT_EQ(AvReadU16(w, 2), 7);
        const int16_t coef[14] = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};
        for (int i = 0; i < 14; ++i) EXPECT_EQ(int16_t(AvReadU16(w, 4 + 2 * i)), coef[i]);
        break;
      }
      case WAVE_FORMAT_GSM610:
        EXPECT_EQ(ch, 1u);
        EXPECT_EQ(w->nBlockAlign, 65);
        EXPECT_EQ(w->cbSize, 2);
        EXPECT_EQ(SamplesPerBlock(w), 320u);
        EXPECT_EQ(w->nAvgBytesPerSec, rate * 65 / 320);
        break;
      case WAVE_FORMAT_MPEGLAYER3: {
        EXPECT_EQ(w->nBlockAlign, 1);
        EXPECT_EQ(w->cbSize, 12);
        EXPECT_EQ(AvReadU16(w, 0), 1);  // MPEG
        EXPECT_EQ(AvReadU16(w, 8), 1);  // frames per block
        const uint32_t br = w->nAvgBytesPerSec * 8;
        EXPECT_EQ(AvReadU16(w, 6), SamplesPerBlock(w) / 8 * br / rate);  // nominal frame bytes
        const uint32_t lo = rate >= 32000 ? 32000 : 8000, hi = rate >= 32000 ? 320000 : 160000;
        EXPECT_TRUE(br >= lo && br <= hi) << br;
        break;
      }
      default: ADD_FAILURE() << "unexpected tag";
    }
    // The codec manager agrees: both directions open, and the suggestion is
    // 16-bit PCM at the same rate and channels.
    const TFormat pcm = Pcm(rate, 16, uint16_t(ch));
    EXPECT_TRUE(CanConvert(pcm.Wfx(), w, false));
    EXPECT_TRUE(CanConvert(w, pcm.Wfx(), true));
    TFormat suggested;
    suggested.Wfx()->wFormatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatSuggest(nullptr, w, suggested.Wfx(), WAVE_FORMAT_BUFFER_SIZE, ACM_FORMATSUGGESTF_WFORMATTAG),
              0u);
    EXPECT_EQ(std::memcmp(suggested.Buffer, pcm.Buffer, 18), 0);
    ACMFORMATDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwFormatTag = w->wFormatTag;
    details.pwfx = const_cast<WAVEFORMATEX*>(w);
    details.cbwfx = WAVE_FORMAT_BUFFER_SIZE;
    ASSERT_EQ(acmFormatDetails(nullptr, &details, ACM_FORMATDETAILSF_FORMAT), 0u);
    EXPECT_GT(std::strlen(details.szFormat), 10u);
  }
}

TEST(CodecFormats, SuggestsTheStandardFormatForPcmOfARate) {
  struct TCase {
    uint16_t Tag;
    uint32_t Rate;
    uint16_t Channels;
    bool Ok;
    uint16_t BlockAlign;
  } cases[] = {
      {WAVE_FORMAT_IMA_ADPCM, 11025, 2, true, 512}, {WAVE_FORMAT_IMA_ADPCM, 44100, 1, true, 1024},
      {WAVE_FORMAT_ADPCM, 22050, 1, true, 512},     {WAVE_FORMAT_GSM610, 8000, 1, true, 65},
      {WAVE_FORMAT_GSM610, 8000, 2, false, 0},      {WAVE_FORMAT_MULAW, 16000, 2, true, 2},
      {WAVE_FORMAT_MPEGLAYER3, 44100, 2, true, 1},  {WAVE_FORMAT_MPEGLAYER3, 37800, 2, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Tag) + " " + std::to_string(c.Rate));
    const TFormat pcm = Pcm(c.Rate, 16, c.Channels);
    TFormat dst;
    dst.Wfx()->wFormatTag = c.Tag;
    const MMRESULT r =
        acmFormatSuggest(nullptr, pcm.Wfx(), dst.Wfx(), WAVE_FORMAT_BUFFER_SIZE, ACM_FORMATSUGGESTF_WFORMATTAG);
    ASSERT_EQ(r == 0, c.Ok);
    if (!c.Ok) continue;
    EXPECT_EQ(dst.Wfx()->wFormatTag, c.Tag);
    EXPECT_EQ(dst.Wfx()->nSamplesPerSec, c.Rate);
    EXPECT_EQ(dst.Wfx()->nChannels, c.Channels);
    EXPECT_EQ(dst.Wfx()->nBlockAlign, c.BlockAlign);
    EXPECT_TRUE(CanConvert(pcm.Wfx(), dst.Wfx(), true));
  }
}

TEST(CodecFormats, RefusesFormatsThatContradictTheirTag) {
  auto broken = [](uint16_t tag, uint32_t index, auto change) {
    TFormat f;
    for (const auto& nd : CodecDrivers())
      if (nd.Driver->EnumFormat(tag, index, f.Wfx())) break;
    change(f.Wfx());
    const TFormat pcm =
        Pcm(f.Wfx()->nSamplesPerSec ? f.Wfx()->nSamplesPerSec : 8000, 16, f.Wfx()->nChannels == 2 ? 2 : 1);
    return !CanConvert(f.Wfx(), pcm.Wfx(), false) && !CanConvert(pcm.Wfx(), f.Wfx(), false);
  };
  EXPECT_TRUE(broken(WAVE_FORMAT_IMA_ADPCM, 0, [](WAVEFORMATEX* w) { AvWriteU16(w, 0, 504); }));
  EXPECT_TRUE(broken(WAVE_FORMAT_IMA_ADPCM, 0, [](WAVEFORMATEX* w) { w->nBlockAlign = 258; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_IMA_ADPCM, 0, [](WAVEFORMATEX* w) { w->cbSize = 0; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_ADPCM, 0, [](WAVEFORMATEX* w) { AvWriteU16(w, 4, 300); }));  // a predictor
  EXPECT_TRUE(broken(WAVE_FORMAT_ADPCM, 0, [](WAVEFORMATEX* w) { w->nBlockAlign = 7; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_GSM610, 0, [](WAVEFORMATEX* w) { w->nChannels = 2; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_GSM610, 0, [](WAVEFORMATEX* w) { w->nBlockAlign = 64; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_ALAW, 0, [](WAVEFORMATEX* w) { w->nBlockAlign = 2; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_MULAW, 0, [](WAVEFORMATEX* w) { w->nSamplesPerSec = 0; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_MPEGLAYER3, 0, [](WAVEFORMATEX* w) { w->nSamplesPerSec = 44000; }));
  EXPECT_TRUE(broken(WAVE_FORMAT_MPEGLAYER3, 0, [](WAVEFORMATEX* w) { w->nChannels = 0; }));
  // An MP3 file's format with a bit rate no encoder writes still decodes, but is never written.
  TFormat vbr;
  ASSERT_TRUE(AcmMp3Driver().EnumFormat(WAVE_FORMAT_MPEGLAYER3, 200, vbr.Wfx()));
  vbr.Wfx()->nAvgBytesPerSec = 17001;
  const TFormat pcm = Pcm(vbr.Wfx()->nSamplesPerSec, 16, vbr.Wfx()->nChannels);
  EXPECT_TRUE(CanConvert(vbr.Wfx(), pcm.Wfx(), false));
  EXPECT_FALSE(CanConvert(pcm.Wfx(), vbr.Wfx(), false));
}

TEST(CodecStreams, PartialBlocksWaitForTheRest) {
  for (const auto& f : AllFormats()) {
    const WAVEFORMATEX* w = f.Wfx();
    if (w->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && w->nAvgBytesPerSec != 16000) continue;
    SCOPED_TRACE(Describe(w));
    const TFormat pcm = Pcm(w->nSamplesPerSec, 16, w->nChannels);
    auto enc = OpenPair(pcm.Wfx(), w);
    ASSERT_TRUE(enc);
    const uint32_t pcmBlock = SamplesPerBlock(w) * pcm.Wfx()->nBlockAlign;
    const Bytes in = ToBytes(Sine(w->nSamplesPerSec, w->nChannels, 0.2, 440));
    uint8_t out[8192];
    uint32_t used = 1, produced = 1;
    if (pcmBlock > pcm.Wfx()->nBlockAlign) {
      // Less than a block: nothing taken, nothing made, no output announced.
      EXPECT_EQ(enc->DestinationSize(pcmBlock - 2), 0u);
      ASSERT_EQ(enc->Convert(in.data(), pcmBlock - 2, out, sizeof out, 0, used, produced), 0u);
      EXPECT_EQ(used, 0u);
      EXPECT_EQ(produced, 0u);
    }
    // A block and a half: one block taken.
    const uint32_t half = pcmBlock + pcmBlock / 2 / pcm.Wfx()->nBlockAlign * pcm.Wfx()->nBlockAlign;
    ASSERT_EQ(enc->Convert(in.data(), half, out, sizeof out, 0, used, produced), 0u);
    EXPECT_EQ(used, pcmBlock);
    if (w->wFormatTag != WAVE_FORMAT_MPEGLAYER3) {
      EXPECT_EQ(produced, w->nBlockAlign);
    }
    // Decoding: a partial coded block waits the same way.
    if (w->nBlockAlign > 1 && w->wFormatTag != WAVE_FORMAT_MPEGLAYER3) {
      auto dec = OpenPair(w, pcm.Wfx());
      ASSERT_TRUE(dec);
      Bytes coded(out, out + produced);
      uint8_t pcmOut[65536];
      EXPECT_EQ(dec->DestinationSize(w->nBlockAlign - 1), 0u);
      ASSERT_EQ(dec->Convert(coded.data(), w->nBlockAlign - 1, pcmOut, sizeof pcmOut, 0, used, produced), 0u);
      EXPECT_EQ(used, 0u);
      EXPECT_EQ(produced, 0u);
      ASSERT_EQ(dec->Convert(coded.data(), w->nBlockAlign, pcmOut, sizeof pcmOut, 0, used, produced), 0u);
      EXPECT_EQ(used, w->nBlockAlign);
      EXPECT_EQ(produced, pcmBlock);
    }
  }
}

TEST(CodecStreams, DamagedInputNeverBreaksTheStream) {
  std::mt19937 rng(11);
  for (const auto& f : AllFormats()) {
    const WAVEFORMATEX* w = f.Wfx();
    if (w->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && w->nAvgBytesPerSec != 16000) continue;
    SCOPED_TRACE(Describe(w));
    const TFormat pcm = Pcm(w->nSamplesPerSec, 16, w->nChannels);
    const auto sine = Sine(w->nSamplesPerSec, w->nChannels, 1.0, 440);
    auto enc = OpenPair(pcm.Wfx(), w);
    ASSERT_TRUE(enc);
    auto coded = Pump(*enc, ToBytes(sine), 4096, 1, true).Out;
    // Garbage over the second block (or a stretch of the stream).
    const size_t at = w->nBlockAlign > 1 ? w->nBlockAlign : coded.size() / 3;
    const size_t len = w->nBlockAlign > 1 ? w->nBlockAlign : 300;
    ASSERT_GT(coded.size(), at + len);
    for (size_t i = at; i < at + len; ++i) coded[i] = uint8_t(rng());
    auto dec = OpenPair(w, pcm.Wfx());
    ASSERT_TRUE(dec);
    const auto d = Pump(*dec, coded, 1000, 1, true);
    ASSERT_TRUE(d.Ok) << d.Failure;
    const auto got = ToSamples(d.Out);
    if (w->nBlockAlign > 1) {
      // Block codecs keep time: a damaged block still stands for its samples.
      EXPECT_EQ(got.size() / w->nChannels, coded.size() / w->nBlockAlign * SamplesPerBlock(w));
      // And the blocks after it decode as before: ADPCM recovers within a block,
      // GSM's long-term predictor within a few.
      const size_t from = (w->wFormatTag == WAVE_FORMAT_GSM610 ? 12 : 3) * SamplesPerBlock(w);
      if (w->wFormatTag != WAVE_FORMAT_ALAW && w->wFormatTag != WAVE_FORMAT_MULAW) {
        EXPECT_GT(SnrDb(sine, got, w->nChannels, 0, from), 6.0);
      }
    }
    // All-garbage input of many sizes: no failure beyond a result code.
    for (size_t n : {1u, 7u, 65u, 1000u, 5000u}) {
      Bytes junk(n);
      for (auto& b : junk) b = uint8_t(rng());
      auto fresh = OpenPair(w, pcm.Wfx());
      const auto r = Pump(*fresh, junk, 333, 1, true);
      EXPECT_TRUE(r.Ok) << r.Failure;
    }
  }
}

TEST(CodecStreams, ASmallOutputBufferTakesLessAndLosesNothing) {
  for (uint16_t tag : {WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_MPEGLAYER3}) {
    TFormat coded;
    for (const auto& nd : CodecDrivers())
      if (nd.Driver->EnumFormat(tag, tag == WAVE_FORMAT_MPEGLAYER3 ? 200 : 7, coded.Wfx())) break;
    SCOPED_TRACE(Describe(coded.Wfx()));
    const TFormat pcm = Pcm(coded.Wfx()->nSamplesPerSec, 16, coded.Wfx()->nChannels);
    const Bytes in = ToBytes(SpeechLike(pcm.Wfx()->nSamplesPerSec, pcm.Wfx()->nChannels, 0.5));
    auto ref = OpenPair(pcm.Wfx(), coded.Wfx());
    const Bytes expected = Pump(*ref, in, in.size(), 1).Out;
    // The same input with 100 bytes of room per call.
    auto enc = OpenPair(pcm.Wfx(), coded.Wfx());
    Bytes got, held = in;
    uint8_t out[100];
    for (int i = 0; i < 100000 && !(held.empty() && got.size() >= expected.size()); ++i) {
      uint32_t used = 0, produced = 0;
      ASSERT_EQ(enc->Convert(held.data(), uint32_t(held.size()), out, sizeof out, 0, used, produced), 0u);
      ASSERT_LE(produced, sizeof out);
      got.insert(got.end(), out, out + produced);
      held.erase(held.begin(), held.begin() + used);
      if (used == 0 && produced == 0) break;
    }
    EXPECT_EQ(got, expected);
  }
}

TEST(CodecStreams, ResetForgetsAndTheStreamGoesOn) {
  TFormat mp3;
  ASSERT_TRUE(AcmMp3Driver().EnumFormat(WAVE_FORMAT_MPEGLAYER3, 200, mp3.Wfx()));
  const TFormat pcm = Pcm(mp3.Wfx()->nSamplesPerSec, 16, mp3.Wfx()->nChannels);
  const Bytes in = ToBytes(Sine(pcm.Wfx()->nSamplesPerSec, pcm.Wfx()->nChannels, 0.5, 440));
  auto enc = OpenPair(pcm.Wfx(), mp3.Wfx());
  const Bytes first = Pump(*enc, in, 4096, 1, true).Out;
  enc->Reset();
  const Bytes second = Pump(*enc, in, 4096, 1, true).Out;
  EXPECT_EQ(first, second);  // a fresh start codes the same input the same way
}

TEST(CodecStreams, Mp3WithoutRealTimeCodesAtHigherQuality) {
  TFormat mp3;
  ASSERT_TRUE(AcmMp3Driver().EnumFormat(WAVE_FORMAT_MPEGLAYER3, 200, mp3.Wfx()));
  const TFormat pcm = Pcm(mp3.Wfx()->nSamplesPerSec, 16, mp3.Wfx()->nChannels);
  const Bytes in = ToBytes(SpeechLike(pcm.Wfx()->nSamplesPerSec, pcm.Wfx()->nChannels, 1.0));
  auto fast = OpenPair(pcm.Wfx(), mp3.Wfx(), true);
  auto best = OpenPair(pcm.Wfx(), mp3.Wfx(), false);
  ASSERT_TRUE(fast && best);
  const Bytes a = Pump(*fast, in, 4096, 1, true).Out, b = Pump(*best, in, 4096, 1, true).Out;
  EXPECT_NE(a, b);
  EXPECT_NEAR(double(a.size()), double(b.size()), a.size() * 0.05);
}

namespace {

// The IMA ADPCM formats on a codec of our choosing, optionally with a setup
// libavcodec refuses.
class TReplacedCodecDriver final : public TAvAdpcmDriver {
 public:
  TReplacedCodecDriver(const char* codec, bool refusedSetup)
      : TAvAdpcmDriver({WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", codec, 4, 1, 2}), FRefused(refusedSetup) {}
  const char* ShortName() const override { return "test"; }
  const char* LongName() const override { return "test"; }

 protected:
  TAvCodecSetup Setup(const TAvCodedFormat& coded, bool encode, bool realTime) const override {
    TAvCodecSetup s = TAvAdpcmDriver::Setup(coded, encode, realTime);
    if (FRefused) s.Configure = [](AVCodecContext* ctx) { ctx->sample_rate = 0; };
    return s;
  }

 private:
  bool FRefused;
};

}  // namespace

// The query must foresee the open: a codec libavcodec lacks is not offered,
// and an open libavcodec refuses is not reported as lack of memory.
TEST(DriverRules, aMissingCodecIsNotAccepted_andARefusedOpenIsNotCalledLackOfMemory) {
  const TFormat pcm = Pcm(22050, 16, 1);
  TFormat ima;
  ASSERT_TRUE(AcmImaAdpcmDriver().EnumFormat(WAVE_FORMAT_IMA_ADPCM, 4, ima.Wfx()));
  ASSERT_EQ(ima.Wfx()->nSamplesPerSec, 22050u);
  ASSERT_EQ(ima.Wfx()->nChannels, 1);
  ASSERT_TRUE(AcmImaAdpcmDriver().Accepts(pcm.Wfx(), ima.Wfx(), false));

  const TReplacedCodecDriver missing("no_such_codec", false);
  EXPECT_FALSE(missing.Accepts(pcm.Wfx(), ima.Wfx(), false));
  EXPECT_FALSE(missing.Accepts(ima.Wfx(), pcm.Wfx(), true));
  std::unique_ptr<IAcmStream> stream;
  EXPECT_EQ(missing.Open(pcm.Wfx(), ima.Wfx(), false, stream), ACMERR_NOTPOSSIBLE);
  EXPECT_FALSE(stream);

  const TReplacedCodecDriver present("adpcm_ima_wav", false);
  EXPECT_TRUE(present.Accepts(pcm.Wfx(), ima.Wfx(), false));
  EXPECT_EQ(present.Open(pcm.Wfx(), ima.Wfx(), false, stream), MMSYSERR_NOERROR);
  EXPECT_TRUE(stream);

  const TReplacedCodecDriver refusing("adpcm_ima_wav", true);
  stream.reset();
  EXPECT_EQ(refusing.Open(pcm.Wfx(), ima.Wfx(), false, stream), ACMERR_NOTPOSSIBLE);
  EXPECT_FALSE(stream);
}
