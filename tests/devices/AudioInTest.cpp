// The wave-in component against the scripted device layer: call order, the
// buffer ring, state rules, and the delivery guards.
#include <gtest/gtest.h>

#include "ComponentSupport.h"
#include "EventLoopHelpers.h"
#include "PcmFormat.h"
#include "WaveScripted.h"
#include "deAudioIO.h"

namespace {

using Calls = std::vector<std::string>;

void SetPcm(TdeWaveFormat* f, uint16_t bits, uint16_t channels, uint32_t rate = 11025) {
  SetPcmFormat(*f, rate, bits, channels);
}

class AudioIn : public ::testing::Test {
 protected:
  TScriptedWave Wave;
  TdeAudioIn In;
};

TEST_F(AudioIn, newComponent_hasTheDocumentedState) {
  EXPECT_FALSE(In.Active());
  EXPECT_TRUE(In.AutoOpen());
  EXPECT_TRUE(In.AutoAdjustBufferSize());
  EXPECT_EQ(In.BufferCount(), 4);
  EXPECT_EQ(In.BufferSize(), 22050u);
  EXPECT_EQ(In.DeviceID(), 255);
  EXPECT_EQ(In.GetInterface<IdeAudioSubject>(), In.Subject());
}

TEST_F(AudioIn, open_opensTheDefaultDeviceQueuesBufferCountBuffersAndStarts) {
  In.SetBufferSize(1000);
  In.Open();
  Calls expected = {"waveInOpen"};
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), {"waveInPrepareHeader", "waveInAddBuffer"});
  expected.push_back("waveInStart");
  EXPECT_EQ(Wave.Calls(), expected);
  EXPECT_EQ(Wave.LastDeviceID(), WAVE_MAPPER);
  EXPECT_EQ(Wave.QueuedCount(), 4u);
  EXPECT_TRUE(Wave.Started());
  EXPECT_TRUE(In.Active());
}

TEST_F(AudioIn, bufferCount_belowTwoIsRefused_andKeepsTheOldCount) {
  try {
    In.SetBufferCount(1);
    FAIL();
  } catch (const EACMAudioIOError& e) {
    EXPECT_EQ(e.Message(), "Invalid input buffer size.");
  }
  EXPECT_EQ(In.BufferCount(), 4);
  In.SetBufferCount(2);
  EXPECT_EQ(In.BufferCount(), 2);
}

TEST_F(AudioIn, open_cutsTheBufferSizeToWholeFrames_orRefusesWithoutAutoAdjust) {
  struct Case {
    uint16_t bits, channels;
    bool adjust;
    uint32_t size, expected;  // 0: refused
  } cases[] = {{16, 1, true, 22051, 22050}, {16, 2, true, 22051, 22048},  {8, 1, true, 22051, 22051},
               {16, 1, false, 22051, 0},    {16, 2, false, 22050, 22050}, {0, 1, true, 22051, 22051},
               {16, 2, true, 3, 0}};
  for (const Case& c : cases) {
    SetPcm(In.Format(), c.bits, c.channels);
    if (c.bits == 0) In.Format()->SetFormatTag(WAVE_FORMAT_GSM610);
    In.SetAutoAdjustBufferSize(c.adjust);
    In.SetBufferSize(c.size);
    Wave.ClearCalls();
    if (c.expected == 0) {
      EXPECT_THROW(In.Open(), EACMAudioInError) << c.bits << "/" << c.channels;
      EXPECT_EQ(Wave.Count("waveInOpen"), 0u);
      EXPECT_FALSE(In.Active());
      continue;
    }
    if (c.bits == 0) {
      // A compressed format goes to the mapper as device 0; the scripted layer has no codec for GSM.
      EXPECT_THROW(In.Open(), EACMAudioInError);
      continue;
    }
    In.Open();
    EXPECT_EQ(In.BufferSize(), c.expected);
    In.Close();
  }
}

TEST_F(AudioIn, eachFilledBuffer_goesToObserversThenTheEvent_andIsQueuedAgain) {
  In.SetBufferSize(100);
  TRecordingObserver observer(&In);
  std::vector<std::string> order;
  observer.OnBlock = [&] { order.push_back("observer"); };
  int32_t eventSize = -1;
  In.SetOnAudioRecorded([&](TComponent* sender, const void*, int32_t size) {
    EXPECT_EQ(sender, &In);
    eventSize = size;
    order.push_back("event");
  });
  In.Open();
  Wave.ClearCalls();
  const char data[] = "0123456789";
  ASSERT_TRUE(Wave.Complete(data, 10));
  Pump();
  ASSERT_EQ(observer.Blocks.size(), 1u);
  EXPECT_EQ(observer.Blocks[0], std::vector<uint8_t>(data, data + 10));
  EXPECT_EQ(eventSize, 10);
  EXPECT_EQ(order, (Calls{"observer", "event"}));
  EXPECT_EQ(Wave.Calls(), (Calls{"waveInUnprepareHeader", "waveInPrepareHeader", "waveInAddBuffer"}));
  EXPECT_EQ(Wave.QueuedCount(), 4u);

  // The ring circulates in a fixed order, with no allocation once open.
  const size_t allocations = In.Pool().AllocationCount();
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(Wave.Complete());
    Pump();
  }
  EXPECT_EQ(observer.Blocks.size(), 21u);
  EXPECT_EQ(In.Pool().AllocationCount(), allocations);
}

TEST_F(AudioIn, close_resetsReleasesAndCloses_andLateNoticesDeliverNothing) {
  In.SetBufferSize(100);
  TRecordingObserver observer(&In);
  int afterClose = 0;
  In.SetAfterClose([&](TComponent*) { ++afterClose; });
  In.Open();
  Wave.ClearCalls();
  In.Close();
  Calls expected = {"waveInReset"};
  for (int i = 0; i < 4; ++i) expected.push_back("waveInUnprepareHeader");
  expected.push_back("waveInClose");
  EXPECT_EQ(Wave.Calls(), expected);
  EXPECT_EQ(In.Pool().AllocationCount(), 0u);
  Pump();  // the four reset buffers arrive now
  EXPECT_TRUE(observer.Blocks.empty());
  EXPECT_EQ(afterClose, 1);
}

TEST_F(AudioIn, aHandlerThatClosesTheComponent_stopsTheRing_andLaterObserversStillReadTheBlock) {
  In.SetBufferSize(64);
  TRecordingObserver closer(&In);
  TRecordingObserver later(&In);
  closer.OnBlock = [&] { In.Close(); };
  In.Open();
  std::vector<uint8_t> data(64);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(Wave.Complete(data.data(), 64));
  Wave.ClearCalls();
  Pump();
  EXPECT_FALSE(In.Active());
  ASSERT_EQ(later.Blocks.size(), 1u);
  EXPECT_EQ(later.Blocks[0], data);  // the pool was freed, the delivered block was not
  EXPECT_EQ(Wave.Count("waveInAddBuffer"), 0u);
  EXPECT_EQ(In.Pool().AllocationCount(), 0u);
}

TEST_F(AudioIn, reopenedInsideAHandler_ignoresTheNoticesOfTheEarlierOpening) {
  In.SetBufferSize(64);
  TRecordingObserver observer(&In);
  bool reopen = true;
  observer.OnBlock = [&] {
    if (!reopen) return;
    reopen = false;
    In.Close();  // its reset returns three more buffers, delivered after this
    In.Open();
  };
  In.Open();
  ASSERT_TRUE(Wave.Complete());
  Pump();
  EXPECT_TRUE(In.Active());
  EXPECT_EQ(observer.Blocks.size(), 1u);
  EXPECT_EQ(Wave.QueuedCount(), 4u);
  ASSERT_TRUE(Wave.Complete());
  Pump();
  EXPECT_EQ(observer.Blocks.size(), 2u);
  EXPECT_EQ(Wave.QueuedCount(), 4u);
}

TEST_F(AudioIn, anObserverFailure_propagates_andTheRingHasOneBufferFewerUntilClose) {
  In.SetBufferSize(64);
  TRecordingObserver observer(&In);
  observer.OnBlock = [] { throw EACMError("observer failed"); };
  In.Open();
  ASSERT_TRUE(Wave.Complete());
  Wave.ClearCalls();
  {
    TExceptionCapture shown;
    Pump();
    EXPECT_EQ(shown.Messages, QStringList{"observer failed"});
  }
  EXPECT_EQ(Wave.Calls(), Calls{"waveInUnprepareHeader"});
  EXPECT_EQ(Wave.QueuedCount(), 3u);
  Wave.ClearCalls();
  In.Close();
  EXPECT_EQ(Wave.Count("waveInUnprepareHeader"), 4u);
}

TEST_F(AudioIn, whenFailedDeliveriesEmptyTheRing_theComponentClosesWithOneErrorSayingSo) {
  In.SetBufferSize(64);
  TRecordingObserver observer(&In);
  observer.OnBlock = [] { throw EACMError("observer failed"); };
  int closed = 0;
  In.SetAfterClose([&](TComponent*) { ++closed; });
  In.Open();
  TExceptionCapture shown;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(Wave.Complete());
    Pump();
    EXPECT_EQ(In.Active(), i < 3) << "after failure " << i + 1;
  }
  ASSERT_EQ(shown.Messages.size(), 4);
  EXPECT_EQ(shown.Messages[2], "observer failed");
  EXPECT_TRUE(shown.Messages[3].startsWith("The recorded audio could not be processed, so the recording was stopped"))
      << shown.Messages[3].toStdString();
  EXPECT_TRUE(shown.Messages[3].endsWith("\nobserver failed"));
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(Wave.Device(), nullptr);
}

TEST_F(AudioIn, aVanishedDevice_closesTheComponent_andRaisesOnceInTheLibrarysWords) {
  In.SetBufferSize(64);
  TRecordingObserver observer(&In);
  In.Open();
  ASSERT_TRUE(Wave.Complete());
  Wave.Fail(MMSYSERR_NOTENABLED);
  TExceptionCapture shown;
  Pump();
  ASSERT_EQ(shown.Messages.size(), 1);
  EXPECT_TRUE(shown.Messages[0].startsWith("The audio input device stopped working"))
      << shown.Messages[0].toStdString();
  EXPECT_TRUE(shown.Messages[0].endsWith("\r\nDriver not enabled."));
  EXPECT_FALSE(In.Active());
  EXPECT_EQ(observer.Blocks.size(), 1u);  // delivered before the error
}

TEST_F(AudioIn, platformFailures_raiseTheContextMessageAndTheCodeText) {
  Wave.FailNext("waveInOpen", MMSYSERR_BADDEVICEID);
  try {
    In.Open();
    FAIL();
  } catch (const EACMAudioInError& e) {
    EXPECT_EQ(e.Message(), "Error opening audio device for input.\r\nBad device ID.");
  }
  EXPECT_FALSE(In.Active());
  Wave.FailNext("waveInAddBuffer", MMSYSERR_NOMEM);
  EXPECT_THROW(In.Open(), EACMAudioInError);
  EXPECT_FALSE(In.Active());
  EXPECT_EQ(Wave.Device(), nullptr);  // closed again behind the failed open
  In.Open();
  Wave.FailNext("waveInClose", MMSYSERR_HANDLEBUSY);
  EXPECT_THROW(In.Close(), EACMAudioInError);
  EXPECT_TRUE(In.Active());
  In.Close();
  EXPECT_FALSE(In.Active());
}

TEST_F(AudioIn, bufferSize_cannotChangeWhileActive) {
  In.Open();
  try {
    In.SetBufferSize(100);
    FAIL();
  } catch (const EACMAudioIOError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this action while active.");
  }
  EXPECT_EQ(In.BufferSize(), 22050u);
  In.SetBufferCount(3);  // allowed, used at the next open
  In.Close();
}

TEST_F(AudioIn, destroyingAnActiveComponent_runsTheWholeCloseSequence) {
  std::vector<std::string> events;
  {
    TdeAudioIn in;
    in.SetBeforeClose([&](TComponent*) { events.push_back("before"); });
    in.SetAfterClose([&](TComponent*) { events.push_back("after"); });
    in.Open();
  }
  EXPECT_EQ(events, (Calls{"before", "after"}));
  EXPECT_EQ(Wave.Count("waveInClose"), 1u);
}

TEST_F(AudioIn, setActive_toTheCurrentState_doesNothing_andLoadedOpensOnlyWithAutoOpenOutsideDesign) {
  int events = 0;
  In.SetBeforeOpen([&](TComponent*) { ++events; });
  In.SetBeforeClose([&](TComponent*) { ++events; });
  In.SetActive(false);
  EXPECT_EQ(events, 0);
  In.SetDesigning(true);
  In.Loaded();
  EXPECT_FALSE(In.Active());
  In.SetDesigning(false);
  In.SetAutoOpen(false);
  In.Loaded();
  EXPECT_FALSE(In.Active());
  In.SetAutoOpen(true);
  In.Loaded();
  EXPECT_TRUE(In.Active());
  In.SetActive(true);
  EXPECT_EQ(events, 1);
  In.Close();
}

TEST_F(AudioIn, aBeforeOpenFailure_stopsBeforeTheDeviceIsTouched) {
  In.SetBeforeOpen([](TComponent*) { throw EACMError("no"); });
  EXPECT_THROW(In.Open(), EACMError);
  EXPECT_EQ(Wave.Count("waveInOpen"), 0u);
  EXPECT_FALSE(In.Active());
}

}  // namespace
