#include <gtest/gtest.h>

#include <QTimer>
#include <limits>

#include "DisplayTestSupport.h"
#include "deAudioConsts.h"

namespace {

// Records what the control source hands on.
class TRecordingObserver : public IdeAudioObserver {
 public:
  void Update(IdeAudioSubject* sender, const void*, int32_t size) override {
    ++Blocks;
    Size = size;
    Rate = sender->GetFormat().SamplesPerSec();
    Channels = sender->GetFormat().Channels();
    Bits = sender->GetFormat().BitsPerSample();
  }
  int Blocks = 0;
  int32_t Size = -1;
  uint32_t Rate = 0;
  uint16_t Channels = 0, Bits = 0;
};

class ControlSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { Source.SetAudioSource(&Producer); }
  TTestProducer Producer;
  TdeAudioControlSource Source{nullptr};
};

TEST_F(ControlSourceTest, SplitsWholeFramesOfAPcmBlock) {
  Producer.DeliverFrames(Frames(
      4, [](int i) { return 1000 * i - 32768; }, [](int i) { return 32767 - i; }));
  ASSERT_EQ(Source.SampleCount(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Source.LeftData()[i], 1000 * i - 32768);
    EXPECT_EQ(Source.RightData()[i], 32767 - i);
  }
  const int16_t six[3] = {-7, 9, 11};  // one frame and half of the next
  Producer.Deliver(six, 6);
  ASSERT_EQ(Source.SampleCount(), 1);
  EXPECT_EQ(Source.LeftData()[0], -7);
  EXPECT_EQ(Source.RightData()[0], 9);
}

TEST_F(ControlSourceTest, ArraysGrowOnlyAndKeepTheirPlaceForSmallerBlocks) {
  Producer.DeliverFrames(Frames(600, Constant(1), Constant(2)));
  const int16_t* left = Source.LeftData();
  Producer.DeliverFrames(Frames(100, Constant(3), Constant(4)));
  EXPECT_EQ(Source.SampleCount(), 100);
  EXPECT_EQ(Source.LeftData(), left) << "no allocation for a smaller block";
  EXPECT_EQ(Source.LeftData()[99], 3);
  Producer.DeliverFrames(Frames(6000, Constant(5), Constant(6)));
  EXPECT_EQ(Source.SampleCount(), 6000);
  EXPECT_EQ(Source.RightData()[5999], 6);
}

TEST_F(ControlSourceTest, AnySourceFormatBecomesStereoAt48000AndObserversSeeIt) {
  TRecordingObserver observer;
  Source.GetInterface<IdeAudioSubject>()->Attach(&observer);
  const TdeWaveFormat& before = Source.GetInterface<IdeAudioSubject>()->GetFormat();
  EXPECT_EQ(before.SamplesPerSec(), 11025u);
  EXPECT_EQ(before.BitsPerSample(), 16);
  EXPECT_EQ(before.Channels(), 2);
  EXPECT_EQ(before.AvgBytesPerSec(), 44100u);

  Producer.SetPcm(11025, 8, 1);
  std::vector<uint8_t> block(1378);  // an eighth of a second
  for (size_t i = 0; i < block.size(); ++i) block[i] = i % 2 ? 0xF0 : 0x10;
  Producer.Deliver(block.data(), static_cast<int32_t>(block.size()));

  const int32_t frames = Source.SampleCount();
  EXPECT_NEAR(frames, 1378 * 48000 / 11025, 64);
  for (int32_t i = 0; i < frames; ++i) ASSERT_EQ(Source.LeftData()[i], Source.RightData()[i]) << "mono on both sides";
  EXPECT_EQ(observer.Blocks, 1);
  EXPECT_EQ(observer.Size, frames * 4);
  EXPECT_EQ(observer.Rate, 48000u);
  EXPECT_EQ(observer.Channels, 2);
  EXPECT_EQ(observer.Bits, 16);
  Source.GetInterface<IdeAudioSubject>()->Detach(&observer);
}

TEST_F(ControlSourceTest, AWholeEighthOfASecondShowsWhateverTheRate) {
  // A resampler holds part of its output back; an unflushed block at 8000 Hz gave nothing at all.
  for (uint32_t rate : {8000u, 11025u, 22050u, 44100u}) {
    Producer.SetPcm(rate, 16, 2);
    Producer.DeliverFrames(Frames(static_cast<int>(rate / 8), Constant(8000), Constant(-8000)));
    EXPECT_NEAR(Source.SampleCount(), 6000, 2) << rate;
    EXPECT_NEAR(Source.LeftData()[3000], 8000, 8) << rate;
    EXPECT_NEAR(Source.RightData()[3000], -8000, 8) << rate;
  }
}

TEST_F(ControlSourceTest, EachBlockIsConvertedOnItsOwn) {
  Producer.SetPcm(22050, 16, 2);
  const auto block = Frames(
      2756, [](int i) { return (i * 97) % 20000 - 10000; }, [](int i) { return i % 300; });
  Producer.DeliverFrames(block);
  const std::vector<int16_t> first(Source.LeftData(), Source.LeftData() + Source.SampleCount());
  Producer.DeliverFrames(block);
  const std::vector<int16_t> second(Source.LeftData(), Source.LeftData() + Source.SampleCount());
  ASSERT_EQ(first.size(), second.size());
  EXPECT_NEAR(static_cast<double>(first.size()), 2756 * 48000 / 22050, 2) << "the whole block, resampler delay flushed";
  // The resampler's rounding noise differs by a unit; a carried tail would differ by thousands.
  for (size_t i = 0; i < first.size(); ++i) ASSERT_NEAR(first[i], second[i], 2) << "frame " << i;

  Producer.SetPcm(48000, 16, 1);  // the source changes format between blocks
  Producer.DeliverFrames(Frames(50, Constant(123), Constant(-123)));
  ASSERT_EQ(Source.SampleCount(), 100);
  EXPECT_EQ(Source.LeftData()[0], 123);
  EXPECT_EQ(Source.RightData()[0], 123);
  EXPECT_EQ(Source.LeftData()[1], -123);
}

TEST_F(ControlSourceTest, AFailedConversionKeepsThePreviousBlock) {
  Producer.DeliverFrames(Frames(10, Constant(77), Constant(-77)));
  Producer.Format.SetFormatTag(0x7777);  // nobody converts this
  EXPECT_THROW(Producer.DeliverFrames(Frames(10, Constant(1), Constant(1))), EACMError);
  ASSERT_EQ(Source.SampleCount(), 10);
  EXPECT_EQ(Source.LeftData()[9], 77);

  bool called = false;
  Producer.Subject->OnObserverError = [&](IdeAudioSubject*, IdeAudioObserver*, Exception&, bool& raise) {
    called = true;
    raise = false;
  };
  EXPECT_NO_THROW(Producer.DeliverFrames(Frames(10, Constant(1), Constant(1))));
  EXPECT_TRUE(called);
  Producer.SetPcm(48000, 16, 2);
  Producer.DeliverFrames(Frames(3, Constant(5), Constant(6)));
  EXPECT_EQ(Source.SampleCount(), 3) << "the next good block is taken again";
}

// Fails the next growth of its arrays.
class TStarvedControlSource : public TLoadedControlSource {
 public:
  using TLoadedControlSource::TLoadedControlSource;
  int FailAfter = -1;  // allocations left before one fails; -1 never
 protected:
  std::unique_ptr<int16_t[]> NewSampleArray(int32_t count) override {
    if (FailAfter == 0) throw EOutOfMemory(QStringLiteral("Out of memory."));
    if (FailAfter > 0) --FailAfter;
    return TdeAudioControlSource::NewSampleArray(count);
  }
};

TEST(ControlSourceMemory, FailedGrowthLeavesNoArraysAndNothingToPaint) {
  TStarvedControlSource source(nullptr);
  TdeOscilloscope scope(nullptr);
  scope.SetAudioControlSource(&source);
  scope.SetColor(clWhite);
  scope.resize(60, 30);
  source.Load(Frames(10, Constant(100), Constant(100)));

  for (int failAfter : {0, 1}) {  // the left array fails, or the right one after the left succeeded
    source.FailAfter = failAfter;
    EXPECT_THROW(source.Load(Frames(20, Constant(9), Constant(9))), EOutOfMemory);
    EXPECT_EQ(source.SampleCount(), 0);
    EXPECT_EQ(source.LeftData(), nullptr);
    EXPECT_EQ(source.RightData(), nullptr);
    EXPECT_EQ(CountColour(Render(scope), 0xFFFFFFFF), 60 * 30) << "only the background";

    source.FailAfter = -1;
    source.Load(Frames(5, Constant(9), Constant(-9)));  // smaller than before: must allocate anew
    ASSERT_EQ(source.SampleCount(), 5);
    EXPECT_EQ(source.RightData()[4], -9);
  }
}

TEST_F(ControlSourceTest, DataChangedAfterTheObservers) {
  std::vector<std::string> order;
  TRecordingObserver observer;
  Source.GetInterface<IdeAudioSubject>()->Attach(&observer);
  Source.SetOnDataChanged([&](TComponent* sender) {
    EXPECT_EQ(sender, &Source);
    EXPECT_EQ(observer.Blocks, 1) << "observers first";
    order.push_back("changed");
  });
  Producer.DeliverFrames(Frames(4, Constant(0), Constant(0)));
  EXPECT_EQ(order.size(), 1u);
  Source.GetInterface<IdeAudioSubject>()->Detach(&observer);
}

TEST_F(ControlSourceTest, LinksAreCheckedAndFollowTheSource) {
  EXPECT_EQ(Source.AudioSource(), &Producer);
  try {
    Source.SetAudioSource(&Source);
    FAIL();
  } catch (const EACMError& e) {
    EXPECT_EQ(e.Message(), QString::fromLatin1(SComponentCannotObserveItself));
  }
  TQComponent plain(nullptr);
  EXPECT_THROW(Source.SetAudioSource(&plain), EACMError);
  EXPECT_EQ(Source.AudioSource(), &Producer) << "link unchanged";
  {
    TTestProducer other;
    Source.SetAudioSource(&other);
    other.DeliverFrames(Frames(2, Constant(1), Constant(1)));
    EXPECT_EQ(Source.SampleCount(), 2);
  }
  EXPECT_EQ(Source.AudioSource(), nullptr);
  EXPECT_EQ(Source.SampleCount(), 2) << "the last block stays";
  EXPECT_NE(Source.GetInterface<IdeAudioObserver>(), nullptr);
}

}  // namespace

// Uncompressed sources of every sample width reach the display by their top
// bits, and a slower rate is filled in between its frames, not repeated.
TEST_F(ControlSourceTest, LinearSamplesOfEveryWidthAreStretchedBetweenFrames) {
  Producer.SetPcm(8000, 8, 1);
  const std::vector<uint8_t> ramp = {0, 64, 128, 192, 255};
  Producer.Deliver(ramp.data(), static_cast<int32_t>(ramp.size()));
  ASSERT_EQ(Source.SampleCount(), 30) << "five frames at 8000 Hz last thirty at 48000 Hz";
  EXPECT_EQ(Source.LeftData()[0], -32768);
  EXPECT_EQ(Source.LeftData()[6], -16384) << "frame 1 falls on frame 6";
  EXPECT_EQ(Source.LeftData()[3], -24576) << "half way between frames 0 and 1";
  EXPECT_EQ(Source.LeftData()[12], 0);
  EXPECT_EQ(Source.LeftData()[29], 32512) << "the last frame holds to the end";
  for (int i = 0; i < 30; ++i) ASSERT_EQ(Source.LeftData()[i], Source.RightData()[i]);

  Producer.SetPcm(48000, 24, 2);
  const std::vector<uint8_t> wide = {0x00, 0x34, 0x12, 0xFF, 0xFF, 0x80};  // 0x123400, -0x7F0001
  Producer.Deliver(wide.data(), static_cast<int32_t>(wide.size()));
  ASSERT_EQ(Source.SampleCount(), 1);
  EXPECT_EQ(Source.LeftData()[0], 0x1234);
  EXPECT_EQ(Source.RightData()[0], -32513);

  Producer.Format.SetDefault();
  Producer.Format.SetFormatTag(3);  // IEEE float
  Producer.Format.SetChannels(2);
  Producer.Format.SetSamplesPerSec(48000);
  Producer.Format.SetBitsPerSample(32);
  Producer.Format.SetBlockAlign(8);
  Producer.Format.SetAvgBytesPerSec(48000 * 8);
  const std::vector<float> floats = {0.5f, -2.0f, std::numeric_limits<float>::quiet_NaN(), 1.0f};
  Producer.Deliver(floats.data(), static_cast<int32_t>(floats.size() * sizeof(float)));
  ASSERT_EQ(Source.SampleCount(), 2);
  EXPECT_EQ(Source.LeftData()[0], 16384);
  EXPECT_EQ(Source.RightData()[0], -32768) << "clamped";
  EXPECT_EQ(Source.LeftData()[1], 0) << "not a number shows as silence";
  EXPECT_EQ(Source.RightData()[1], 32767);
}
