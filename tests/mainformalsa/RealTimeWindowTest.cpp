// The whole window on the real device layer: ALSA's default device in front
// of a private sound server with a null sink, paced in real time. A known
// tone is played into the sink while the window records; the take is read
// back by ffmpeg and compared with it; playback is heard on the sink's
// monitor. Fails, with the reason, where no sound server can be started.
// The disk stalls by standing in for fdatasync in this program; unless a test
// arms a stall it passes straight through.
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "AlsaFixture.h"
#include "ComponentSupport.h"
#include "Description.h"
#include "DiskStall.h"
#include "EventLoopHelpers.h"
#include "MainForm.h"
#include "SUIButton.h"
#include "StoredWindow.h"
#include "Streams.h"
#include "TakeAudio.h"
#include "deAudioIO.h"
#include "deAudioStreams.h"

namespace {

// While set, the sound server has handed over nothing since the device's
// thread last read (it sends in large fragments): a press on the window's
// thread finds nothing there, though the audio is on its way.
std::atomic<bool> gPressFindsNothing{false};

}  // namespace

extern "C" snd_pcm_sframes_t snd_pcm_avail_update(snd_pcm_t* pcm) {
  static const auto real =
      reinterpret_cast<snd_pcm_sframes_t (*)(snd_pcm_t*)>(dlsym(RTLD_NEXT, "snd_pcm_avail_update"));
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  if (gPressFindsNothing && std::strcmp(name, "tamsel capture") != 0) return 0;
  return real(pcm);
}

namespace {

constexpr double kToneHz = 440;

// Raw 16-bit stereo at rate: a sine of hz for seconds.
QByteArray Tone(double seconds, double hz, uint32_t rate = 44100) {
  const auto frames = static_cast<qsizetype>(seconds * rate);
  QByteArray out(frames * 4, Qt::Uninitialized);
  for (qsizetype i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * hz * double(i) / rate)));
    for (int c = 0; c < 2; ++c) {
      out[i * 4 + c * 2] = static_cast<char>(v & 0xFF);
      out[i * 4 + c * 2 + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
  }
  return out;
}

// Mono 16-bit samples: how many of the 1/8-second pieces carry the tone
// (loud enough, and crossing zero at twice its frequency).
int PiecesWithTone(const std::vector<int16_t>& mono, uint32_t rate, double hz) {
  const size_t piece = rate / 8;
  int found = 0;
  for (size_t at = 0; at + piece <= mono.size(); at += piece) {
    size_t crossings = 0;
    double sum = 0;
    for (size_t i = at; i < at + piece; ++i) {
      if (i > at && (mono[i - 1] < 0) != (mono[i] < 0)) ++crossings;
      sum += double(mono[i]) * mono[i];
    }
    const double perSecond = double(crossings) * 8;
    if (std::sqrt(sum / double(piece)) > 2000 && std::abs(perSecond - 2 * hz) < 0.1 * 2 * hz) ++found;
  }
  return found;
}

// The file's audio as ffmpeg reads it: mono 16-bit at the file's own rate.
bool DecodeWithFfmpeg(const QString& file, uint32_t rate, std::vector<int16_t>& mono, QString& why) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-v", "error", "-i", file, "-f", "s16le", "-ac", "1", "-ar", QString::number(rate), "-"});
  if (!ffmpeg.waitForFinished(30000) || ffmpeg.exitCode() != 0) {
    why = QString::fromLocal8Bit(ffmpeg.readAllStandardError());
    return false;
  }
  const QByteArray raw = ffmpeg.readAllStandardOutput();
  mono.resize(static_cast<size_t>(raw.size() / 2));
  std::memcpy(mono.data(), raw.constData(), mono.size() * 2);
  return true;
}

std::vector<int16_t> LeftChannel(const std::vector<std::vector<uint8_t>>& blocks) {
  std::vector<int16_t> mono;
  for (const auto& b : blocks)
    for (size_t i = 0; i + 4 <= b.size(); i += 4) mono.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)));
  return mono;
}

// A dated signal, 44100 Hz 16-bit stereo: frame i holds i itself, its low
// half on the left and its high half on the right, so every stretch of a
// take says when it was played.
QByteArray Counter(uint32_t frames) {
  QByteArray out(static_cast<qsizetype>(frames) * 4, Qt::Uninitialized);
  for (uint32_t i = 0; i < frames; ++i) {
    out[i * 4] = static_cast<char>(i & 0xFF);
    out[i * 4 + 1] = static_cast<char>((i >> 8) & 0xFF);
    out[i * 4 + 2] = static_cast<char>((i >> 16) & 0xFF);
    out[i * 4 + 3] = static_cast<char>((i >> 24) & 0xFF);
  }
  return out;
}

uint32_t CounterAt(const uint8_t* frame) {
  return uint32_t{frame[0]} | uint32_t{frame[1]} << 8 | uint32_t{frame[2]} << 16 | uint32_t{frame[3]} << 24;
}

// The runs of a take in which the counter goes up by one, at least minFrames long.
struct TRun {
  size_t First;  // frame of the take
  size_t Last;
  uint32_t FirstCount;
  uint32_t LastCount;
};
std::vector<TRun> CounterRuns(const QByteArray& take, size_t minFrames) {
  std::vector<TRun> runs;
  const auto* p = reinterpret_cast<const uint8_t*>(take.constData());
  const size_t frames = static_cast<size_t>(take.size()) / 4;
  size_t start = 0;
  for (size_t i = 1; i <= frames; ++i) {
    if (i < frames && CounterAt(p + i * 4) == CounterAt(p + (i - 1) * 4) + 1) continue;
    if (i - start >= minFrames) runs.push_back({start, i - 1, CounterAt(p + start * 4), CounterAt(p + (i - 1) * 4)});
    start = i;
  }
  return runs;
}

constexpr double kCounterRate = 44100;

// Dates the counter against a clock: each block a capture of the sink's
// monitor is handed, on its arrival, against the newest frame it holds. The
// smallest difference is the way from the sink to the window, so frame i was
// at the sink at i / kCounterRate + Latency on this clock.
struct TSinkClock {
  TSinkClock() { Clock.start(); }
  double Now() const { return double(Clock.nsecsElapsed()) / 1e9; }
  void Offer(const std::vector<uint8_t>& block) {
    if (Running && block.size() >= 4)
      Latency = std::min(Latency, Now() - CounterAt(block.data() + block.size() - 4) / kCounterRate);
  }
  // Dates the blocks input records from now on.
  void Watch(TComponent* input) {
    Seen = std::make_unique<TRecordingObserver>(input);
    Seen->OnBlock = [this] {
      Offer(Seen->Blocks.back());
      Seen->Blocks.clear();
      LastArrival = Now();
      ++Arrivals;
    };
  }
  QElapsedTimer Clock;
  std::unique_ptr<TRecordingObserver> Seen;
  double Latency = 1e9;
  bool Running = true;  // blocks handed over by a press say nothing of the way
  double LastArrival = 0;
  int Arrivals = 0;
};

class RealTimeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Server.Running()) GTEST_FAIL() << "no sound server for the real-time tests: " << Server.Why().toStdString();
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) GTEST_FAIL() << "ffmpeg is not installed";
    Form = CreateStoredWindow();
  }
  void TearDown() override {
    if (Form && Form->State() != TForm1::Stopped) Form->suitempbtnStopClick(Form->btnStop);
    Form.reset();
    QFile::remove(WorkingFileName());
  }
  static void Press(TsuiButton* button) {
    button->Click();
    Pump();
  }
  static void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    ProcessEventsUntil([&] { return t.elapsed() >= ms; }, ms + 5000);
  }
  // The tone played into the sink for seconds, once it has started.
  bool PlayToneIntoSink(double seconds) {
    const QString tone = Dir.filePath("tone.raw");
    QFile f(tone);
    if (!f.open(QIODevice::WriteOnly) || f.write(Tone(seconds, kToneHz)) < 0) return false;
    f.close();
    Server.PlayIntoSink(tone);
    Wait(500);
    return true;
  }
  // The counter played into the sink, the window set to record it as it is;
  // a second of the sink's monitor starts dating it on clock.
  void PlayCounterIntoSink(uint32_t seconds, TSinkClock& clock) {
    const QString signal = Dir.filePath("counter.raw");
    QFile f(signal);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Counter(seconds * 44100));
    f.close();
    Form->RecordConvert->FormatOut()->SetPcm(44100, 16, 2);  // the take holds the device's own samples
    Server.PlayIntoSink(signal);
    // On a busy machine the player takes a second or two to start, and an
    // idle sink's monitor hands out far less than real time: nothing is timed
    // before the monitor carries the counter.
    TMonitor monitor;
    bool playing = false;
    monitor.Observer.OnBlock = [&] {
      const std::vector<uint8_t>& b = monitor.Observer.Blocks.back();
      playing = playing || (b.size() >= 4 && CounterAt(b.data() + b.size() - 4) > 0);
      if (playing) clock.Offer(b);
      monitor.Observer.Blocks.clear();
    };
    ASSERT_TRUE(ProcessEventsUntil([&] { return playing; }, 15000));
    Wait(1000);
  }
  // A take of the stored format: the tone, seconds long.
  void WriteToneTake(double seconds) {
    const QByteArray tone = Tone(seconds, kToneHz, 11025);
    QByteArray take(tone.size() / 2, Qt::Uninitialized);  // 8-bit stereo from 16-bit stereo
    for (qsizetype i = 0; i < take.size(); ++i)
      take[i] = static_cast<char>((static_cast<int16_t>((tone[2 * i] & 0xFF) | (tone[2 * i + 1] << 8)) >> 8) + 128);
    TFileStream stream(WorkingFileName(), fmCreate);
    TdeRIFFAudioWriter writer(&stream);
    writer.GetFormat()->Assign(Form->RecordConvert->FormatOut());
    writer.Write(take.constData(), static_cast<int32_t>(take.size()));
    writer.Finish();
    Form->FormCreate(Form.get());
  }
  // Records what the null sink plays, 44100 Hz 16-bit stereo.
  struct TMonitor {
    TMonitor() : Observer(&In) {
      In.Format()->SetPcm(44100, 16, 2);
      In.SetBufferSize(44100 / 8 * 4);
      In.Open();
    }
    TdeAudioIn In;
    TRecordingObserver Observer;
  };

  TPulseServer Server;
  QTemporaryDir Dir;
  std::unique_ptr<TForm1> Form;
};

TEST_F(RealTimeWindow, aTakeRunsFromTheRecordPressToTheStopPress_andFfmpegReadsIt) {
  // A player that runs dry on a starved machine leaves silence in the sink,
  // and the counter no longer dates the take: such a take is made again.
  QByteArray take;
  std::unique_ptr<TSinkClock> clock;
  double recordAt = 0, recordedAt = 0, stopAt = 0;
  for (int attempt = 1;; ++attempt) {
    clock = std::make_unique<TSinkClock>();
    PlayCounterIntoSink(8, *clock);
    clock->Watch(Form->deAudioIn);
    TExceptionCapture errors;
    recordAt = clock->Now();
    Form->btnRecord->Click();
    recordedAt = clock->Now();  // the device has started
    Pump();
    ASSERT_EQ(TForm1::Recording, Form->State());
    Wait(2000);
    // Stop comes 60 ms after the device's thread last read, and finds nothing
    // handed over itself: all it keeps of those 60 ms it waits for.
    const int arrivals = clock->Arrivals;
    ASSERT_TRUE(ProcessEventsUntil([&] { return clock->Arrivals > arrivals; }, 1000));
    ProcessEventsUntil([&] { return clock->Now() >= clock->LastArrival + 0.060; }, 1000);
    clock->Running = false;
    gPressFindsNothing = true;
    stopAt = clock->Now();
    Press(Form->btnStop);
    gPressFindsNothing = false;
    ASSERT_EQ(TForm1::Stopped, Form->State());
    EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(" | ").toStdString();
    EXPECT_FALSE(Form->deAudioIn->Active());
    take = TakeAudio(WorkingFileName());
    // The counter is 0 only before the take: a frame of zeros is the sink's silence.
    bool silence = false;
    for (qsizetype i = 0; i + 4 <= take.size() && !silence; i += 4)
      silence = CounterAt(reinterpret_cast<const uint8_t*>(take.constData()) + i) == 0;
    if (!silence) break;
    ASSERT_LT(attempt, 3) << "the player ran dry in every take";
    std::printf("the player ran dry in take %d: made again\n", attempt);
  }

  const std::vector<TRun> runs = CounterRuns(take, 1);
  ASSERT_EQ(1u, runs.size()) << "one unbroken stretch of the signal";
  EXPECT_EQ(0u, runs[0].First);
  EXPECT_EQ(size_t(take.size() / 4) - 1, runs[0].Last);
  const double first = runs[0].FirstCount / kCounterRate + clock->Latency;
  const double end = (runs[0].LastCount + 1) / kCounterRate + clock->Latency;
  std::printf(
      "Record press to first sample %+.1f ms (the press took %.1f ms), Stop press to end %+.1f ms (counter dated to "
      "%.1f ms)\n",
      (first - recordAt) * 1000, (recordedAt - recordAt) * 1000, (end - stopAt) * 1000, clock->Latency * 1000);
  // Nothing from before the press; the start within 50 ms of it, or, where a
  // starved machine takes longer over the press itself, soon after the device started.
  EXPECT_GT(first, recordAt - 0.010);
  EXPECT_LT(first, std::max(recordAt + 0.050, recordedAt + 0.030)) << "the press took " << recordedAt - recordAt;
  EXPECT_NEAR(stopAt, end, 0.020);

  // ffmpeg reads the take as the format the window chose.
  std::vector<int16_t> mono;
  QString why;
  ASSERT_TRUE(DecodeWithFfmpeg(WorkingFileName(), 44100, mono, why)) << why.toStdString();
  EXPECT_EQ(size_t(take.size() / 4), mono.size());
}

TEST_F(RealTimeWindow, stopPressedDuringASixSecondFreezeKeepsTheTakeUpToThePress) {
  ASSERT_TRUE(PlayToneIntoSink(14));
  TExceptionCapture errors;
  QElapsedTimer presses;
  presses.start();
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  // The server takes its time to start the stream: the take begins with the first block.
  ASSERT_TRUE(ProcessEventsUntil([] { return QFileInfo(WorkingFileName()).size() > 44; }, 10000));
  const double firstBlockAt = double(presses.elapsed()) / 1000;
  Wait(1000);
  // The window's thread is held for six seconds, and Stop is its first act after.
  ::usleep(6000000);
  const double pressedAt = double(presses.elapsed()) / 1000;
  Press(Form->btnStop);
  ASSERT_EQ(TForm1::Stopped, Form->State());
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(" | ").toStdString();

  std::vector<int16_t> mono;
  QString why;
  ASSERT_TRUE(DecodeWithFfmpeg(WorkingFileName(), 11025, mono, why)) << why.toStdString();
  // From the first block (an eighth of a second long) to the press, and the tone throughout.
  const double seconds = double(mono.size()) / 11025;
  EXPECT_GT(seconds, pressedAt - firstBlockAt) << "pressed at " << pressedAt << ", first block at " << firstBlockAt;
  EXPECT_LT(seconds, pressedAt + 0.2);
  EXPECT_GE(PiecesWithTone(mono, 11025, kToneHz) / 8.0, seconds - 0.35);
}

TEST_F(RealTimeWindow, playbackSendsTheWholeTakeToTheSink_andEndsByItself) {
  WriteToneTake(2);
  TMonitor monitor;
  Wait(1000);  // the monitor's stream connects before anything plays
  TExceptionCapture errors;
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->State() == TForm1::Stopped; }, 15000));
  Wait(500);
  monitor.In.Close();
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(" | ").toStdString();
  EXPECT_EQ(Form->pbPlayback->Max(), Form->pbPlayback->Position());
  const int pieces = PiecesWithTone(LeftChannel(monitor.Observer.Blocks), 44100, kToneHz);
  // The monitor's own start and the end of the take (the last block) may be
  // missed; what is heard is never more than the take.
  EXPECT_GE(pieces / 8.0, 1.25);
  EXPECT_LE(pieces / 8.0, 2.25);
}

TEST_F(RealTimeWindow, pauseHoldsPlayback_andResumeGoesOnToTheEnd) {
  WriteToneTake(2);
  TMonitor monitor;
  Wait(1000);
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  Wait(700);
  Press(Form->btnPlay);
  ASSERT_TRUE(Form->deAudioOut->Paused());
  Wait(300);  // what was on its way before the pause still reports
  const int held = Form->pbPlayback->Position();
  const QString status = Form->sbStatus->Panel(0)->Text();
  Wait(1000);
  EXPECT_EQ(held, Form->pbPlayback->Position());
  EXPECT_EQ(TForm1::Playing, Form->State());
  EXPECT_LT(held, Form->pbPlayback->Max());
  Press(Form->btnPlay);
  EXPECT_FALSE(Form->deAudioOut->Paused());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->State() == TForm1::Stopped; }, 15000));
  Wait(300);
  monitor.In.Close();
  EXPECT_TRUE(status.startsWith(QStringLiteral("正在播放 "))) << status.toStdString();
  // Nothing was played twice across the pause.
  const int pieces = PiecesWithTone(LeftChannel(monitor.Observer.Blocks), 44100, kToneHz);
  EXPECT_GE(pieces / 8.0, 1.25);
  EXPECT_LE(pieces / 8.0, 2.25);
}

TEST_F(RealTimeWindow, stopWhilePlayingEndsTheSound_andTheWindowRecordsAgain) {
  WriteToneTake(4);
  TMonitor monitor;
  Wait(1000);
  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  Wait(1500);
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_FALSE(Form->deAudioOut->Active());
  EXPECT_EQ(0, Form->pbPlayback->Position());
  Wait(800);
  monitor.In.Close();
  const int pieces = PiecesWithTone(LeftChannel(monitor.Observer.Blocks), 44100, kToneHz);
  EXPECT_GE(pieces, 2);
  EXPECT_LT(pieces / 8.0, 2.5);

  TExceptionCapture errors;
  Press(Form->btnRecord);
  EXPECT_EQ(TForm1::Recording, Form->State());
  Wait(500);
  Press(Form->btnStop);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(" | ").toStdString();
}

TEST_F(RealTimeWindow, pauseAndResumeCutTheTakeAtThePresses) {
  constexpr double kRate = kCounterRate;
  TSinkClock clock;
  PlayCounterIntoSink(12, clock);
  clock.Watch(Form->deAudioIn);
  TExceptionCapture errors;
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  Wait(1500);
  clock.Running = false;
  const double pausedAt = clock.Now();
  Form->PauseRecordingClick();
  ASSERT_TRUE(Form->RecordingPaused());
  Wait(700);
  const double resumedAt = clock.Now();
  Form->PauseRecordingClick();
  ASSERT_FALSE(Form->RecordingPaused());
  Wait(1000);
  Press(Form->btnStop);
  ASSERT_EQ(TForm1::Stopped, Form->State());
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(" | ").toStdString();

  const QByteArray take = TakeAudio(WorkingFileName());
  const std::vector<TRun> runs = CounterRuns(take, 4410);
  ASSERT_EQ(2u, runs.size()) << "one stretch before the pause and one after it";
  // Between them lie the two fades: the one after the cut, and the one the
  // resumed stretch starts with.
  const size_t between = runs[1].First - runs[0].Last - 1;
  const size_t fade = size_t(kRate) * TdeCustomAudioIn::FadeMillis / 1000;
  EXPECT_LE(between, 2 * fade + 2);
  const size_t fadeOut = std::min(fade, between);
  const double cut = (runs[0].LastCount + 1) / kRate + clock.Latency;
  const double resume = (runs[1].FirstCount - (between - fadeOut)) / kRate + clock.Latency;
  std::printf("press to cut %+.1f ms, press to resume %+.1f ms (counter dated to %.1f ms)\n", (cut - pausedAt) * 1000,
              (resume - resumedAt) * 1000, clock.Latency * 1000);
  EXPECT_NEAR(pausedAt, cut, 0.020);
  EXPECT_NEAR(resumedAt, resume, 0.020);
}

TEST_F(RealTimeWindow, aThreeSecondDiskStallInATakeLosesNoSample) {
  constexpr double kRate = kCounterRate;
  TSinkClock clock;
  PlayCounterIntoSink(16, clock);
  TExceptionCapture errors;
  QElapsedTimer presses;
  presses.start();
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  ASSERT_TRUE(ProcessEventsUntil([] { return QFileInfo(WorkingFileName()).size() > 80; }, 10000));
  const double firstBlockAt = double(presses.elapsed()) / 1000;
  ArmSyncStall(std::chrono::seconds(3));
  Wait(6000);
  const double pressedAt = double(presses.elapsed()) / 1000;
  Press(Form->btnStop);
  ASSERT_EQ(TForm1::Stopped, Form->State());
  DisarmSyncStall();
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(" | ").toStdString();
  EXPECT_EQ(1, StalledSyncs()) << "the disk stalled once";
  EXPECT_FALSE(StalledOnArmingThread()) << "the window waited on the disk";

  // One unbroken run of the counter, from the first block to the press.
  const QByteArray take = TakeAudio(WorkingFileName());
  const std::vector<TRun> runs = CounterRuns(take, 1);
  ASSERT_FALSE(runs.empty());
  const TRun& longest = *std::max_element(
      runs.begin(), runs.end(), [](const TRun& a, const TRun& b) { return a.Last - a.First < b.Last - b.First; });
  const double frames = double(take.size() / 4);
  EXPECT_EQ(0u, longest.First) << runs.size() << " runs";
  EXPECT_EQ(size_t(frames) - 1, longest.Last) << runs.size() << " runs";
  EXPECT_GT(frames / kRate, pressedAt - firstBlockAt)
      << "pressed at " << pressedAt << ", first block at " << firstBlockAt;
  EXPECT_LT(frames / kRate, pressedAt + 0.2);
}

}  // namespace
