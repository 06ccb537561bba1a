// The wave-out component against the scripted device layer: pre-buffering,
// the queued-buffer count, limits, pause and the delivery guards.
#include <gtest/gtest.h>

#include "ComponentSupport.h"
#include "EventLoopHelpers.h"
#include "WaveScripted.h"
#include "deAudioIO.h"

namespace {

using Calls = std::vector<std::string>;

class AudioOut : public ::testing::Test {
 protected:
  void WriteBlocks(int count, int32_t size = 100) {
    std::vector<uint8_t> block(static_cast<size_t>(size));
    for (int i = 0; i < count; ++i) {
      for (size_t j = 0; j < block.size(); ++j) block[j] = static_cast<uint8_t>(Written + j);
      ++Written;
      Out.Write(block.data(), size);
    }
  }
  int Written = 0;
  TScriptedWave Wave;
  TdeAudioOut Out;
};

TEST_F(AudioOut, newComponent_hasTheDocumentedState) {
  EXPECT_EQ(Out.BufferCount(), 0);
  EXPECT_EQ(Out.MaximumBuffers(), 0u);
  EXPECT_FALSE(Out.Paused());
  EXPECT_EQ(Out.DeviceID(), 255);
  EXPECT_EQ(Out.GetInterface<IdeAudioSubject>(), Out.Subject());
  EXPECT_EQ(Out.GetInterface<IdeAudioObserver>(), Out.Observer());
}

TEST_F(AudioOut, bufferCountFour_holdsFourBlocks_andTheFifthSendsAllFiveInArrivalOrder) {
  Out.SetBufferCount(4);
  Out.Open();
  Wave.ClearCalls();
  WriteBlocks(4);
  EXPECT_EQ(Wave.Count("waveOutWrite"), 0u);
  EXPECT_EQ(Wave.Count("waveOutPrepareHeader"), 4u);
  EXPECT_EQ(Out.QueuedBuffers(), 0u);
  WriteBlocks(1);
  EXPECT_EQ(Wave.Count("waveOutWrite"), 5u);
  EXPECT_EQ(Out.QueuedBuffers(), 5u);
  // Played in arrival order: the first block written comes back first.
  std::vector<uint8_t> firstBytes;
  Out.SetOnAudioPlayed([&](TComponent*, const void* data, int32_t size) {
    EXPECT_EQ(size, 100);
    firstBytes.push_back(*static_cast<const uint8_t*>(data));
  });
  Pump();  // the open notice
  EXPECT_EQ(Out.QueuedBuffers(), 4u);
  while (Wave.Complete()) Pump();
  EXPECT_EQ(firstBytes, (std::vector<uint8_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Out.QueuedBuffers(), 0u);
  // The countdown is set only at opening.
  Wave.ClearCalls();
  WriteBlocks(1);
  EXPECT_EQ(Wave.Count("waveOutWrite"), 1u);
}

TEST_F(AudioOut, fewerBlocksThanTheCount_areNeverHeard_andCloseDiscardsThem) {
  Out.SetBufferCount(4);
  int played = 0;
  Out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) { ++played; });
  Out.Open();
  WriteBlocks(3);
  Wave.ClearCalls();
  Out.Close();
  EXPECT_EQ(Wave.Calls(), (Calls{"waveOutReset", "waveOutUnprepareHeader", "waveOutUnprepareHeader",
                                 "waveOutUnprepareHeader", "waveOutClose"}));
  Pump();
  EXPECT_EQ(played, 0);
  EXPECT_EQ(Out.Pool().AllocationCount(), 0u);
}

TEST_F(AudioOut, maximumBuffers_dropsBlocksBeyondTheLimit_butNotWhilePreBuffering) {
  Out.SetMaximumBuffers(2);
  Out.Open();
  WriteBlocks(3);
  EXPECT_EQ(Wave.Count("waveOutWrite"), 2u);
  EXPECT_EQ(Out.QueuedBuffers(), 2u);
  Out.Close();

  Out.SetBufferCount(3);
  Out.Open();
  Wave.ClearCalls();
  WriteBlocks(4);
  EXPECT_EQ(Wave.Count("waveOutWrite"), 4u);
  try {
    Out.SetMaximumBuffers(5);
    FAIL();
  } catch (const EACMAudioIOError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this action while active.");
  }
  EXPECT_EQ(Out.MaximumBuffers(), 2u);
  Out.Close();
}

TEST_F(AudioOut, emptyBlocksAndClosedWrites_followTheRules) {
  Out.Open();
  Wave.ClearCalls();
  Out.Write("x", 0);
  EXPECT_TRUE(Wave.Calls().empty());
  Out.Close();
  try {
    Out.Write("x", 1);
    FAIL();
  } catch (const EACMAudioIOError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this action while not active.");
  }
  // Blocks from the source while closed are dropped quietly.
  TQComponent owner(nullptr);
  TdeAudioSubject source(&owner, Out.Format());
  Out.Observer()->Update(&source, "abc", 3);
  EXPECT_EQ(Wave.Count("waveOutWrite"), 0u);
}

TEST_F(AudioOut, paused_isIgnoredWhileClosed_andEveryWriteCallsTheDevice) {
  Out.SetPaused(true);
  EXPECT_FALSE(Out.Paused());
  EXPECT_TRUE(Wave.Calls().empty());
  Out.Open();
  Out.SetPaused(true);
  Out.SetPaused(true);
  EXPECT_EQ(Wave.Count("waveOutPause"), 2u);
  EXPECT_TRUE(Out.Paused());
  EXPECT_TRUE(Wave.Paused());
  Out.SetPaused(false);
  EXPECT_EQ(Wave.Count("waveOutRestart"), 1u);
  EXPECT_FALSE(Wave.Paused());
  Out.SetPaused(true);
  Out.Close();
  EXPECT_FALSE(Out.Paused());
}

TEST_F(AudioOut, aPlayedBuffer_goesToObserversBeforeTheEvent_withItsFullLength) {
  TRecordingObserver observer(&Out);
  std::vector<std::string> order;
  observer.OnBlock = [&] { order.push_back("observer"); };
  Out.SetOnAudioPlayed([&](TComponent* sender, const void*, int32_t size) {
    EXPECT_EQ(sender, &Out);
    EXPECT_EQ(size, 300);
    order.push_back("event");
  });
  Out.Open();
  WriteBlocks(1, 300);
  ASSERT_TRUE(Wave.Complete());
  Pump();
  EXPECT_EQ(order, (Calls{"observer", "event"}));
  ASSERT_EQ(observer.Blocks.size(), 1u);
  EXPECT_EQ(observer.Blocks[0].size(), 300u);
  Out.Close();
}

TEST_F(AudioOut, theRecordersEndOfPlaybackTest_seesZeroQueuedForTheLastBuffer) {
  Out.SetBufferCount(4);
  std::vector<uint32_t> queuedSeen;
  Out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) {
    queuedSeen.push_back(Out.QueuedBuffers());
    if (Out.QueuedBuffers() == 0) Out.Close();  // as the recorder does
  });
  Out.Open();
  WriteBlocks(5);
  Pump();
  while (Wave.Complete()) Pump();
  EXPECT_EQ(queuedSeen, (std::vector<uint32_t>{4, 3, 2, 1, 0}));
  EXPECT_FALSE(Out.Active());
}

TEST_F(AudioOut, closingInsideOnAudioPlayed_endsCleanly_andLaterObserversKeepTheBlock) {
  TRecordingObserver observer(&Out);
  Out.SetOnAudioPlayed([&](TComponent*, const void* data, int32_t size) {
    Out.Close();
    // The pool is gone, the block being delivered is not.
    EXPECT_EQ(static_cast<const uint8_t*>(data)[size - 1], static_cast<uint8_t>(size - 1));
  });
  Out.Open();
  WriteBlocks(3, 64);
  ASSERT_TRUE(Wave.Complete());
  Pump();
  EXPECT_FALSE(Out.Active());
  EXPECT_EQ(observer.Blocks.size(), 1u);
  EXPECT_EQ(Out.Pool().AllocationCount(), 0u);
}

TEST_F(AudioOut, afterOpen_queuedBuffersStartsAtZero_andNoticesOfAnEarlierOpeningAreIgnored) {
  int played = 0;
  Out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) { ++played; });
  Out.Open();
  WriteBlocks(3);
  Out.Close();  // three done notices and the close notice are still to come
  Out.Open();
  EXPECT_EQ(Out.QueuedBuffers(), 0u);
  WriteBlocks(2);
  Pump();
  EXPECT_EQ(played, 0);
  EXPECT_EQ(Out.QueuedBuffers(), 1u);  // two written, minus this opening's open notice
  ASSERT_TRUE(Wave.Complete());
  Pump();
  EXPECT_EQ(played, 1);
  Out.Close();
}

TEST_F(AudioOut, anExceptionFromOnAudioPlayed_stillReleasesTheHeader_andTheBlockCounts) {
  Out.SetOnAudioPlayed([](TComponent*, const void*, int32_t) { throw EACMError("handler failed"); });
  Out.Open();
  WriteBlocks(2);
  Pump();
  ASSERT_TRUE(Wave.Complete());
  Wave.ClearCalls();
  {
    TExceptionCapture shown;
    Pump();
    EXPECT_EQ(shown.Messages, QStringList{"handler failed"});
  }
  EXPECT_EQ(Wave.Calls(), Calls{"waveOutUnprepareHeader"});
  EXPECT_EQ(Out.QueuedBuffers(), 0u);
  Out.Close();
}

TEST_F(AudioOut, anObserverThatThrows_stillLetsEachBlockCountAndReachOnAudioPlayed_soPlaybackEnds) {
  TRecordingObserver display(&Out);
  display.OnBlock = [] { throw EACMError("display failed"); };
  std::vector<uint32_t> queuedSeen;
  Out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) {
    queuedSeen.push_back(Out.QueuedBuffers());
    if (Out.QueuedBuffers() == 0) Out.Close();  // as the recorder ends playback
  });
  Out.Open();
  WriteBlocks(3);
  Pump();
  TExceptionCapture shown;
  while (Wave.Complete()) Pump();
  EXPECT_EQ(queuedSeen, (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_FALSE(Out.Active()) << "playback ended at its last block";
  EXPECT_EQ(display.Blocks.size(), 3u);
  EXPECT_EQ(shown.Messages, (QStringList{"display failed", "display failed", "display failed"}));
}

TEST_F(AudioOut, platformFailures_raiseTheOutputKindWithTheContext) {
  Wave.FailNext("waveOutOpen", WAVERR_BADFORMAT);
  try {
    Out.Open();
    FAIL();
  } catch (const EACMAudioOutError& e) {
    EXPECT_EQ(e.Message(),
              "Error opening audio device for output.\r\nThe selected audio format is not supported on this machine.");
  }
  Out.Open();
  Wave.FailNext("waveOutPause", MMSYSERR_NOTSUPPORTED);
  EXPECT_THROW(Out.SetPaused(true), EACMAudioOutError);
  EXPECT_FALSE(Out.Paused());
  Wave.FailNext("waveOutPrepareHeader", MMSYSERR_NOMEM);
  EXPECT_THROW(WriteBlocks(1), EACMAudioOutError);
  Out.Close();  // the unprepared header is released at close
  EXPECT_EQ(Out.Pool().AllocationCount(), 0u);
}

TEST_F(AudioOut, aVanishedDevice_closesTheComponentAndReportsOnce) {
  Out.Open();
  WriteBlocks(2);
  Pump();
  Wave.Fail(MMSYSERR_NOTENABLED);
  TExceptionCapture shown;
  Pump();
  ASSERT_EQ(shown.Messages.size(), 1);
  EXPECT_TRUE(shown.Messages[0].startsWith("The audio output device stopped working"));
  EXPECT_FALSE(Out.Active());
}

TEST_F(AudioOut, steadyPlayback_allocatesNothingOnceTheFirstBlocksAreRecycled) {
  Out.SetBufferCount(4);
  Out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) { WriteBlocks(1, 2756); });
  Out.Open();
  WriteBlocks(5, 2756);
  Pump();
  ASSERT_TRUE(Wave.Complete());
  Pump();
  const size_t allocations = Out.Pool().AllocationCount();
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(Wave.Complete());
    Pump();
  }
  EXPECT_EQ(Out.Pool().AllocationCount(), allocations);
  Out.Close();
}

}  // namespace
