// The ALSA backend when the sound system fails: its own reason reaches the
// message, and a device that stays suspended cannot hold up a close. The
// failures are injected by standing in for a few ALSA calls in this program;
// unless a test asks for a failure they pass straight through.
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <pthread.h>
#include <unistd.h>

#include <QStringList>
#include <atomic>
#include <string_view>

#include "AlsaFixture.h"
#include "ComponentSupport.h"
#include "EventLoopHelpers.h"
#include "deAudioIO.h"

namespace {

std::atomic<int> gReadError{0};       // snd_pcm_readi answers this while not 0
std::atomic<int> gStartError{0};      // snd_pcm_start likewise
std::atomic<bool> gSuspended{false};  // snd_pcm_resume answers -EAGAIN meanwhile
std::atomic<int> gResumeCalls{0};
// While set, the ring has overrun by the time a press reads it: the caller's
// thread finds -EPIPE, and the device's thread finds nothing to read.
std::atomic<bool> gOverrunAtPress{false};

bool OnCaptureThread() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return std::string_view(name) == "tamsel capture";
}

template <class F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

struct TInjected {
  ~TInjected() {
    gReadError = 0;
    gStartError = 0;
    gSuspended = false;
    gOverrunAtPress = false;
  }
};

}  // namespace

extern "C" {
snd_pcm_sframes_t snd_pcm_readi(snd_pcm_t* pcm, void* buffer, snd_pcm_uframes_t size) {
  static const auto real = Real<snd_pcm_sframes_t (*)(snd_pcm_t*, void*, snd_pcm_uframes_t)>("snd_pcm_readi");
  if (const int err = gReadError.load()) return err;
  return real(pcm, buffer, size);
}
snd_pcm_sframes_t snd_pcm_avail_update(snd_pcm_t* pcm) {
  static const auto real = Real<snd_pcm_sframes_t (*)(snd_pcm_t*)>("snd_pcm_avail_update");
  if (gOverrunAtPress) {
    if (!OnCaptureThread()) return -EPIPE;
    ::usleep(2000);  // the device's thread waits without spinning hard
    return 0;
  }
  return real(pcm);
}
int snd_pcm_start(snd_pcm_t* pcm) {
  static const auto real = Real<int (*)(snd_pcm_t*)>("snd_pcm_start");
  if (const int err = gStartError.load()) return err;
  return real(pcm);
}
int snd_pcm_resume(snd_pcm_t* pcm) {
  static const auto real = Real<int (*)(snd_pcm_t*)>("snd_pcm_resume");
  ++gResumeCalls;
  if (gSuspended) return -EAGAIN;
  return real(pcm);
}
}

namespace {

QStringList Lines(const QString& message) { return message.split(QStringLiteral("\r\n")); }

void SetCdFormat(TdeAudioIn& in) {
  in.Format()->SetPcm(44100, 16, 2);
  in.SetBufferSize(44100 / 8 * 4);
}

class AlsaFaults : public ::testing::Test {
 protected:
  // Opens in and lets it record two buffers.
  static void RecordALittle(TdeAudioIn& in, TRecordingObserver& observer) {
    SetCdFormat(in);
    in.Open();
    ASSERT_TRUE(ProcessEventsUntil([&] { return observer.Blocks.size() >= 2; }));
  }
  // Records a little, then the PCM reports itself suspended and does not resume.
  void RecordThenSuspend(TdeAudioIn& in, TRecordingObserver& observer) {
    RecordALittle(in, observer);
    gSuspended = true;
    gResumeCalls = 0;
    gReadError = -ESTRPIPE;
    ASSERT_TRUE(ProcessEventsUntil([&] { return gResumeCalls > 3; }));
  }
  TFilePcms Pcms{TestSignal(44100 * 60)};
  TInjected Injected;
};

TEST_F(AlsaFaults, openFailures_carryTheSoundSystemsReason_afterTheCodesText) {
  TdeAudioIn in;
  SetCdFormat(in);
  qputenv("TAMSEL_CAPTURE_DEVICE", "nosuchpcm");
  QString message;
  try {
    in.Open();
  } catch (const EACMAudioInError& e) {
    message = e.Message();
  }
  qputenv("TAMSEL_CAPTURE_DEVICE", "tamselcap");
  QStringList lines = Lines(message);
  ASSERT_EQ(lines.size(), 3) << message.toStdString();
  EXPECT_EQ(lines[0], "Error opening audio device for input.");
  EXPECT_EQ(lines[1], "Bad device ID.");
  EXPECT_TRUE(lines[2].startsWith("snd_pcm_open plug:'nosuchpcm': ")) << lines[2].toStdString();
  EXPECT_FALSE(in.Active());

  // A failure without a code of its own names the call that failed.
  gStartError = -EIO;
  message.clear();
  try {
    in.Open();
  } catch (const EACMAudioInError& e) {
    message = e.Message();
  }
  gStartError = 0;
  lines = Lines(message);
  ASSERT_EQ(lines.size(), 3) << message.toStdString();
  EXPECT_EQ(lines[0], "Error opening audio device for input.");
  EXPECT_EQ(lines[2], QString("snd_pcm_start: ") + snd_strerror(-EIO));
  EXPECT_FALSE(in.Active());

  // A later failure of another kind does not carry the old reason.
  in.Open();
  EXPECT_TRUE(in.Active());
  in.Close();
}

TEST_F(AlsaFaults, aDeviceThatFailsWhileRecording_reportsWhichCallFailedAndWhy) {
  TdeAudioIn in;
  TRecordingObserver observer(&in);
  TExceptionCapture shown;
  RecordALittle(in, observer);
  gReadError = -EIO;
  ASSERT_TRUE(ProcessEventsUntil([&] { return !in.Active(); }));
  Pump();
  ASSERT_EQ(shown.Messages.size(), 1);
  const QStringList lines = Lines(shown.Messages[0]);
  ASSERT_EQ(lines.size(), 3) << shown.Messages[0].toStdString();
  EXPECT_TRUE(lines[0].startsWith("The audio input device stopped working"));
  EXPECT_EQ(lines[2], QString("snd_pcm_readi: ") + snd_strerror(-EIO));
}

// A suspended PCM that never comes back must not block the close (which
// waits for the device's thread) and so the window.
TEST_F(AlsaFaults, closingADeviceThatStaysSuspended_returns) {
  TdeAudioIn in;
  TRecordingObserver observer(&in);
  RecordThenSuspend(in, observer);
  in.Close();  // hangs here when the resume wait ignores the close
  EXPECT_FALSE(in.Active());
}

// One that resumes after a while goes on recording.
TEST_F(AlsaFaults, aDeviceThatResumes_goesOnRecording) {
  TdeAudioIn in;
  TRecordingObserver observer(&in);
  TExceptionCapture shown;
  RecordThenSuspend(in, observer);
  gReadError = 0;
  gSuspended = false;
  const size_t before = observer.Blocks.size();
  EXPECT_TRUE(ProcessEventsUntil([&] { return observer.Blocks.size() >= before + 4; }));
  EXPECT_TRUE(in.Active());
  EXPECT_TRUE(shown.Messages.isEmpty());
  in.Close();
}

// An overrun found by a pause or a stop (the press reads the ring itself) is
// counted as one the device's thread finds.
TEST_F(AlsaFaults, anOverrunMetByAPauseOrByStop_isCountedAsLost) {
  TdeAudioIn in;
  TRecordingObserver observer(&in);
  TExceptionCapture shown;
  RecordALittle(in, observer);
  gOverrunAtPress = true;
  ProcessEventsUntil([] { return false; }, 100);  // the delivered buffers are queued again
  in.SetPaused(true);
  in.Drain();
  gOverrunAtPress = false;
  in.Close();
  EXPECT_TRUE(shown.Messages.isEmpty()) << shown.Messages.join(" | ").toStdString();
  EXPECT_EQ(2u, in.Overruns());
  // Each cost at least the ring (half a second).
  EXPECT_GE(in.LostFrames(), 2u * 44100 * 4 / 10);
}

}  // namespace
