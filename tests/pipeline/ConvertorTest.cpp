// The conversion step and the convertor: accumulation, fixed buffers, chain
// planning, delivery, re-planning on a new producer format.
#include <gtest/gtest.h>

#include <algorithm>

#include <QMetaProperty>
#include <cstring>

#include "LinkTestSupport.h"
#include "deACM.h"
#include "deAudioConsts.h"

namespace {

template <class E, class F>
QString MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return QStringLiteral("<no exception>");
}

struct TCollected {
  int Calls = 0;
  std::vector<uint8_t> Bytes;
  const void* LastData = nullptr;
  bool LastAbort = false;
};

void Collect(TdeAudioConvertor& c, TCollected& into) {
  c.SetOnAudioConverted([&into](TComponent*, const void* data, int32_t size, bool& abort) {
    ++into.Calls;
    into.LastData = data;
    into.LastAbort = abort;
    const auto* p = static_cast<const uint8_t*>(data);
    into.Bytes.insert(into.Bytes.end(), p, p + size);
  });
}

QStringList Steps(const TdeAudioConvertor& c) {
  QStringList lines;
  c.GetConversionSteps(&lines);
  return lines;
}

QStringList Descriptions(std::initializer_list<const TdeWaveFormat*> formats) {
  QStringList lines;
  for (auto* f : formats) lines << f->Description();
  return lines;
}

}  // namespace

// ---- The conversion step ----

TEST(MiniConvertor, StateChecks) {
  auto in = Pcm(11025, 16, 2);
  TMiniConvertor step(*in, *in);
  const uint8_t byte = 0;
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { step.Convert(&byte, 1, true, ACM_STREAMCONVERTF_BLOCKALIGN); }),
            QString(SConversionNotActive));
  step.Open(false);
  EXPECT_TRUE(step.Active());
  EXPECT_EQ(MessageOf<EACMError>([&] { step.Open(false); }), QString(SConversionActive));
  step.Close();
  EXPECT_FALSE(step.Active());
  step.Open(true);  // may be opened again after closing
  EXPECT_TRUE(step.Active());
}

TEST(MiniConvertor, UnconvertiblePairFailsToOpenWithTheCodecManagersText) {
  auto in = Pcm(11025, 16, 2);
  TdeWaveFormat bogus;
  bogus.SetFormatTag(0x7777);
  TMiniConvertor step(*in, bogus);
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { step.Open(false); }),
            QString("The requested operation cannot be performed."));
  EXPECT_FALSE(step.Active());
}

TEST(MiniConvertor, HoldsPartialBlocksAndConvertsWholeOnes) {
  auto in = Pcm(11025, 16, 2);  // 4-byte frames
  auto out = Pcm(11025, 8, 2);
  TMiniConvertor step(*in, *out);
  step.Open(false);
  // Frames of (0x4000, -0x4000): 8-bit 0xC0, 0x40.
  const uint8_t frame[4] = {0x00, 0x40, 0x00, 0xC0};
  EXPECT_EQ(step.Convert(frame, 3, true, ACM_STREAMCONVERTF_BLOCKALIGN), 0);  // not a whole frame yet
  EXPECT_FALSE(step.IsPrepared());
  EXPECT_EQ(step.Convert(frame + 3, 1, true, ACM_STREAMCONVERTF_BLOCKALIGN), 2);
  EXPECT_TRUE(step.IsPrepared());
  EXPECT_EQ(step.OutputBuffer()[0], 0xC0);
  EXPECT_EQ(step.OutputBuffer()[1], 0x40);
  // A frame and a half: one comes out, the half stays for the next call.
  const uint8_t more[6] = {0x00, 0x40, 0x00, 0xC0, 0x00, 0x40};
  EXPECT_EQ(step.Convert(more, 6, false, ACM_STREAMCONVERTF_BLOCKALIGN), 2);
  EXPECT_EQ(step.Convert(nullptr, 0, false, ACM_STREAMCONVERTF_BLOCKALIGN), 0);
  const uint8_t rest[2] = {0x00, 0xC0};
  EXPECT_EQ(step.Convert(rest, 2, false, ACM_STREAMCONVERTF_BLOCKALIGN), 2);
  EXPECT_EQ(step.OutputBuffer()[0], 0xC0);
  EXPECT_EQ(step.OutputBuffer()[1], 0x40);
}

TEST(MiniConvertor, BuffersAreFixedByTheFirstProductiveBlock) {
  auto in = Pcm(11025, 16, 2);  // 44100 bytes a second
  auto out = Pcm(11025, 16, 1);
  TMiniConvertor step(*in, *out);
  step.Open(false);
  std::vector<uint8_t> block(20000, 0);
  ASSERT_GT(step.Convert(block.data(), 20000, true, ACM_STREAMCONVERTF_BLOCKALIGN), 0);  // fixes 3 x 20000 input
  const uint8_t* output = step.OutputBuffer();
  // Held input never exceeds that; a larger call is refused whole and the step goes on.
  std::vector<uint8_t> big(60001, 0);
  EXPECT_EQ(MessageOf<EACMConversionError>(
                [&] { step.Convert(big.data(), int32_t(big.size()), true, ACM_STREAMCONVERTF_BLOCKALIGN); }),
            QString(SConversionBufferOverflow));
  EXPECT_TRUE(step.Active());
  EXPECT_EQ(step.Convert(big.data(), 60000, true, ACM_STREAMCONVERTF_BLOCKALIGN), 30000);
  EXPECT_EQ(step.OutputBuffer(), output);  // converted in place, no new buffer
  step.Close();
  EXPECT_EQ(step.OutputBuffer(), nullptr);
}

TEST(MiniConvertor, ShortFirstBlockStillLeavesRoomForASecond) {
  // A step behind a resampler first sees a short block; ordinary blocks must still fit.
  auto in = Pcm(11025, 16, 2);
  TMiniConvertor step(*in, *Pcm(11025, 8, 2));
  step.Open(false);
  std::vector<uint8_t> block(44100, 0);
  ASSERT_EQ(step.Convert(block.data(), 400, true, ACM_STREAMCONVERTF_BLOCKALIGN), 200);
  EXPECT_EQ(step.Convert(block.data(), 44100, true, ACM_STREAMCONVERTF_BLOCKALIGN), 22050);
  EXPECT_THROW(step.Convert(block.data(), 44101, true, ACM_STREAMCONVERTF_BLOCKALIGN), EACMConversionError);
}

TEST(ConvertorChain, StepBehindAResamplerTakesOrdinaryBlocks) {
  // Resampling up, then a second convertor: its first block is short (the filter's delay).
  for (uint32_t rate : {8000u, 11025u, 22050u})
    for (int div : {8, 32}) {
      TQComponent form(nullptr);
      auto* up = new TdeAudioConvertor(&form);
      auto* after = new TdeAudioConvertor(&form);
      up->SetFormatIn(Pcm(rate, 16, 1).get());
      up->SetFormatOut(Pcm(48000, 16, 1).get());
      after->SetFormatOut(Pcm(48000, 8, 2).get());
      after->SetAudioSource(up);
      up->Open();
      const auto block = PcmSine(*up->FormatIn(), 440, rate / div);
      for (int i = 0; i < 20; ++i)
        ASSERT_NO_THROW(up->Convert(block.data(), int32_t(block.size()))) << rate << " Hz, 1/" << div << " s";
    }
}

TEST(MiniConvertor, RejectsNegativeSizes) {
  auto in = Pcm(11025, 16, 2);
  TMiniConvertor step(*in, *in);
  step.Open(false);
  const uint8_t byte = 0;
  EXPECT_THROW(step.Convert(&byte, -1, true, ACM_STREAMCONVERTF_BLOCKALIGN), EAssertionFailed);
}

// ---- The convertor ----

class ConvertorTest : public ::testing::Test {
 protected:
  TQComponent Form{nullptr};
  TdeAudioConvertor* Conv = new TdeAudioConvertor(&Form);
};

TEST_F(ConvertorTest, DefaultsAndPublishedProperties) {
  TdeWaveFormat standard;
  EXPECT_TRUE(Conv->FormatIn()->IsEqual(&standard));
  EXPECT_TRUE(Conv->FormatOut()->IsEqual(&standard));
  EXPECT_FALSE(Conv->Active());
  EXPECT_FALSE(Conv->RequestRealTime());
  EXPECT_TRUE(Conv->Set8087FPUFlag());
  const QMetaObject* meta = Conv->metaObject();
  for (const char* name : {"AudioSource", "FormatIn", "FormatOut", "RequestRealTime", "Set8087FPUFlag"})
    EXPECT_GE(meta->indexOfProperty(name), 0) << name;
  // Formats are copied in, never shared.
  auto f = Pcm(44100, 16, 1);
  Conv->SetFormatIn(f.get());
  EXPECT_NE(Conv->FormatIn(), f.get());
  EXPECT_TRUE(Conv->FormatIn()->IsEqual(f.get()));
  // The convertor is a producer and a consumer.
  EXPECT_NE(Conv->GetInterface<IdeAudioSubject>(), nullptr);
  EXPECT_NE(Conv->GetInterface<IdeAudioObserver>(), nullptr);
  EXPECT_EQ(&Conv->GetInterface<IdeAudioSubject>()->GetFormat(), Conv->FormatOut());
}

TEST_F(ConvertorTest, StateChecks) {
  const uint8_t byte = 0;
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { Conv->Convert(&byte, 1); }), QString(SConversionNotActive));
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { Conv->Close(); }), QString(SConversionNotActive));
  QStringList lines;
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { Conv->GetConversionSteps(&lines); }), QString(SConversionNotActive));
  Conv->Open();
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { Conv->Open(); }), QString(SConversionActive));
  EXPECT_EQ(MessageOf<EACMConversionError>([&] { Conv->SetRequestRealTime(true); }), QString(SConversionActive));
  EXPECT_THROW(Conv->GetConversionSteps(nullptr), EAssertionFailed);
  Conv->SetActive(true);  // no change
  Conv->SetActive(false);
  EXPECT_FALSE(Conv->Active());
  Conv->SetRequestRealTime(true);
  EXPECT_TRUE(Conv->RequestRealTime());
}

TEST_F(ConvertorTest, DirectPairIsOneStep) {
  Conv->SetFormatIn(Pcm(11025, 8, 2).get());
  Conv->SetFormatOut(Pcm(22050, 16, 2).get());
  Conv->Open();
  EXPECT_EQ(Steps(*Conv), Descriptions({Conv->FormatIn(), Conv->FormatOut()}));
  EXPECT_FALSE(Steps(*Conv).at(0).isEmpty());

  TCollected got;
  Collect(*Conv, got);
  const auto block = PcmSine(*Conv->FormatIn(), 440, 11025);
  Conv->Convert(block.data(), int32_t(block.size()));
  Conv->Convert(block.data(), int32_t(block.size()));
  EXPECT_GE(got.Calls, 1);
  EXPECT_EQ(got.LastData, Conv->OutputData());
  // Two seconds in: about two seconds out (the resampler may hold a little back).
  EXPECT_NEAR(double(got.Bytes.size()), 2.0 * BytesPerSecond(*Conv->FormatOut()),
              0.05 * BytesPerSecond(*Conv->FormatOut()));
  Conv->Close();
  EXPECT_EQ(Conv->OutputData(), nullptr);
  EXPECT_EQ(Conv->FormatCount(), 0);
}

TEST_F(ConvertorTest, BlockBelowOneFrameDeliversNothingUntilCompleted) {
  Conv->SetFormatIn(Pcm(11025, 16, 2).get());
  Conv->SetFormatOut(Pcm(11025, 16, 1).get());
  Conv->Open();
  TCollected got;
  Collect(*Conv, got);
  const uint8_t frame[4] = {0x10, 0x00, 0x30, 0x00};
  Conv->Convert(frame, 3);
  EXPECT_EQ(got.Calls, 0);
  EXPECT_EQ(Conv->OutputData(), nullptr);
  EXPECT_EQ(Conv->OutputSize(), 0);
  Conv->Convert(frame + 3, 1);
  EXPECT_EQ(got.Calls, 1);
  EXPECT_EQ(Conv->OutputSize(), 2);
}

TEST_F(ConvertorTest, ObserversGetTheOutputBeforeTheEventAndAbortIsOnlyReported) {
  Conv->SetFormatIn(Pcm(11025, 16, 2).get());
  Conv->SetFormatOut(Pcm(11025, 8, 2).get());
  auto* next = new TdeAudioConvertor(&Form);  // a second convertor as observer
  next->SetFormatOut(Pcm(11025, 16, 1).get());
  next->SetAudioSource(Conv);
  std::vector<std::string> order;
  next->SetOnAudioConverted([&](TComponent*, const void*, int32_t, bool&) { order.push_back("observer"); });
  bool sawAbort = false;
  Conv->SetOnAudioConverted([&](TComponent* sender, const void*, int32_t, bool& abort) {
    EXPECT_EQ(sender, Conv);
    order.push_back("event");
    sawAbort = abort;
    abort = true;
  });
  Conv->Open();
  const auto block = PcmSine(*Conv->FormatIn(), 440, 1000);
  Conv->Convert(block.data(), int32_t(block.size()));
  EXPECT_EQ(order, (std::vector<std::string>{"observer", "event"}));
  EXPECT_FALSE(sawAbort);
  // The observer opened itself on the first block, in its producer's format.
  EXPECT_TRUE(next->Active());
  EXPECT_TRUE(next->FormatIn()->IsEqual(Conv->FormatOut()));
  Conv->Convert(block.data(), int32_t(block.size()));
  EXPECT_TRUE(sawAbort);  // handed back, never read by the convertor
  EXPECT_EQ(order.size(), 4u);
}

TEST_F(ConvertorTest, NewProducerFormatReplansTheChain) {
  auto* source = new TSource(&Form);
  source->Format.Assign(Pcm(11025, 8, 1).get());
  Conv->SetFormatOut(Pcm(22050, 16, 2).get());
  Conv->SetAudioSource(source);
  TCollected got;
  Collect(*Conv, got);

  source->Deliver(PcmSine(source->Format, 440, 11025));
  ASSERT_TRUE(Conv->Active());
  EXPECT_EQ(Steps(*Conv), Descriptions({&source->Format, Conv->FormatOut()}));
  const int firstCalls = got.Calls;
  EXPECT_GE(firstCalls, 1);

  source->Format.Assign(Pcm(44100, 16, 2).get());
  source->Deliver(PcmSine(source->Format, 440, 44100));
  EXPECT_TRUE(Conv->FormatIn()->IsEqual(&source->Format));
  EXPECT_EQ(Steps(*Conv), Descriptions({&source->Format, Conv->FormatOut()}));
  EXPECT_GT(got.Calls, firstCalls);
  // Same format again: the chain stays (the output buffer is not replaced).
  const void* before = Conv->OutputData();
  source->Deliver(PcmSine(source->Format, 440, 44100));
  EXPECT_EQ(Conv->OutputData(), before);

  // Destroying the source unlinks the convertor; destroying the convertor unlinks its observers.
  delete source;
  EXPECT_EQ(Conv->AudioSource(), nullptr);
}

TEST_F(ConvertorTest, UnplannableChainLeavesTheConvertorInactive) {
  TdeWaveFormat bogus;
  bogus.SetFormatTag(0x7777);
  Conv->SetFormatIn(&bogus);
  EXPECT_THROW(Conv->Open(), EACMConversionError);
  EXPECT_FALSE(Conv->Active());
  // A source in that format fails the same way for each block, and recovers once the format is good.
  auto* source = new TSource(&Form);
  source->Format.Assign(&bogus);
  Conv->SetAudioSource(source);
  EXPECT_THROW(source->Deliver(std::vector<uint8_t>(16)), EACMConversionError);
  source->Format.Assign(Pcm(8000, 16, 1).get());
  source->Deliver(std::vector<uint8_t>(16));
  EXPECT_TRUE(Conv->Active());
}

// ---- Chains through codecs (need the compressed-codec drivers) ----

class CodecChainTest : public ConvertorTest {
 protected:
  std::unique_ptr<TdeWaveFormat> Need(uint16_t tag, uint32_t rate, uint16_t channels) {
    auto f = Enumerated(tag, rate, channels);
    return f;
  }
};

TEST_F(CodecChainTest, CodecToPcmGoesThroughTheSuggestedPcm) {
  auto alaw = Need(WAVE_FORMAT_ALAW, 8000, 1);
  if (!alaw) GTEST_FAIL() << "no A-law codec installed";
  Conv->SetFormatIn(alaw.get());
  Conv->SetFormatOut(Pcm(44100, 16, 2).get());
  Conv->Open();
  ASSERT_EQ(Conv->FormatCount(), 3);
  EXPECT_EQ(Conv->Formats(1).FormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(Steps(*Conv), Descriptions({alaw.get(), &Conv->Formats(1), Conv->FormatOut()}));
  TCollected got;
  Collect(*Conv, got);
  std::vector<uint8_t> second(8000, 0xD5);  // A-law silence
  for (int i = 0; i < 4; ++i) Conv->Convert(second.data(), int32_t(second.size()));
  // Four seconds in; the resampler may still hold its filter's delay back.
  EXPECT_LE(got.Bytes.size(), 4u * 44100 * 4);
  EXPECT_GE(got.Bytes.size(), 3.8 * 44100 * 4);
}

TEST_F(CodecChainTest, CodecToCodecUsesFourFormats) {
  auto alaw = Need(WAVE_FORMAT_ALAW, 8000, 1);
  auto ima = Need(WAVE_FORMAT_IMA_ADPCM, 22050, 2);
  if (!alaw || !ima) GTEST_FAIL() << "no A-law or IMA ADPCM codec installed";
  Conv->SetFormatIn(alaw.get());
  Conv->SetFormatOut(ima.get());
  Conv->Open();
  ASSERT_EQ(Conv->FormatCount(), 4);
  EXPECT_EQ(Steps(*Conv), Descriptions({alaw.get(), &Conv->Formats(1), &Conv->Formats(2), ima.get()}));
  TCollected got;
  Collect(*Conv, got);
  std::vector<uint8_t> second(8000, 0xD5);
  for (int i = 0; i < 3; ++i) Conv->Convert(second.data(), int32_t(second.size()));
  EXPECT_GT(got.Calls, 0);
  EXPECT_EQ(got.Bytes.size() % ima->BlockAlign(), 0u);  // whole ADPCM blocks only
}

TEST_F(CodecChainTest, BlockSmallerThanOneCodecBlockWaitsForTheRest) {
  auto ima = Need(WAVE_FORMAT_IMA_ADPCM, 22050, 2);
  if (!ima) GTEST_FAIL() << "no IMA ADPCM codec installed";
  Conv->SetFormatIn(ima.get());
  Conv->SetFormatOut(Pcm(22050, 16, 2).get());
  Conv->Open();
  TCollected got;
  Collect(*Conv, got);
  std::vector<uint8_t> block(ima->BlockAlign(), 0);
  Conv->Convert(block.data(), int32_t(block.size()) - 1);
  EXPECT_EQ(got.Calls, 0);
  Conv->Convert(block.data() + block.size() - 1, 1);
  EXPECT_EQ(got.Calls, 1);
}

// Every installed codec runs in real time, so the request shows in how the
// codec runs: the MP3 encoder takes its highest quality only when real time
// is not asked for, and then writes other frames from the same sound.
TEST_F(CodecChainTest, RealTimeRequestReachesTheCodecsOpen) {
  auto mp3 = Enumerated(WAVE_FORMAT_MPEGLAYER3, 44100, 2);
  ASSERT_TRUE(mp3) << "the MP3 codec is part of the program";
  auto pcm = Pcm(44100, 16, 2);
  EXPECT_TRUE(CanConvert(pcm.get(), mp3.get(), true));
  EXPECT_TRUE(CanConvert(pcm.get(), mp3.get(), false));
  const auto sound = PcmSine(*pcm, 440, 44100);
  auto encode = [&](bool realTime) {
    TCollected out;
    Conv->SetFormatIn(pcm.get());
    Conv->SetFormatOut(mp3.get());
    Conv->SetRequestRealTime(realTime);
    Collect(*Conv, out);
    Conv->Open();
    for (size_t at = 0; at < sound.size(); at += 4410 * 4)
      Conv->Convert(sound.data() + at, int32_t(std::min<size_t>(4410 * 4, sound.size() - at)));
    Conv->Close();
    return out.Bytes;
  };
  const std::vector<uint8_t> fast = encode(true), best = encode(false);
  ASSERT_GT(fast.size(), 1000u);
  ASSERT_GT(best.size(), 1000u);
  EXPECT_NE(fast, best);
  EXPECT_EQ(fast, encode(true));  // the same choice gives the same frames
}
