// The device components on the sound server's own protocol, on PulseAudio and
// on PipeWire's server, each private with a null sink and paced in real time.
// A server that does not start fails the test with its log.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <memory>

#include "AlsaFixture.h"
#include "ComponentSupport.h"
#include "EventLoopHelpers.h"
#include "WaveDevice.h"
#include "WavePulse.h"
#include "deAudioIO.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrame = 4;
constexpr uint32_t kEighth = kRate / 8 * kFrame;

QByteArray Tone(double seconds, double hz) {
  const auto frames = static_cast<qsizetype>(seconds * kRate);
  QByteArray out(frames * kFrame, Qt::Uninitialized);
  for (qsizetype i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * hz * double(i) / kRate)));
    for (int c = 0; c < 2; ++c) {
      out[i * 4 + c * 2] = static_cast<char>(v & 0xFF);
      out[i * 4 + c * 2 + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
  }
  return out;
}

// A dated signal: frame i holds i, low half left, high half right.
QByteArray Counter(uint32_t frames) {
  QByteArray out(static_cast<qsizetype>(frames) * 4, Qt::Uninitialized);
  for (uint32_t i = 0; i < frames; ++i)
    for (int b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<char>((i >> (8 * b)) & 0xFF);
  return out;
}

uint32_t CounterAt(const uint8_t* f) {
  return uint32_t{f[0]} | uint32_t{f[1]} << 8 | uint32_t{f[2]} << 16 | uint32_t{f[3]} << 24;
}

// The stretches of a take in which the counter goes up by one, at least minFrames long.
// LastCount - FirstCount may exceed Last - First where the player fell behind.
struct TRun {
  size_t First, Last;
  uint32_t FirstCount, LastCount;
};
std::vector<TRun> CounterRuns(const std::vector<uint8_t>& take, size_t minFrames) {
  std::vector<TRun> runs;
  const size_t frames = take.size() / 4;
  auto count = [&](size_t i) { return CounterAt(&take[i * 4]); };
  size_t start = 0;
  for (size_t i = 0; i <= frames; ++i) {
    if (i > start && i < frames && count(i) == count(i - 1) + 1) continue;
    if (i > start && i - start >= minFrames) {
      // A jump with no frame between is the player's (late for the sink), not the take's.
      if (!runs.empty() && runs.back().Last + 1 == start)
        runs.back().Last = i - 1, runs.back().LastCount = count(i - 1);
      else
        runs.push_back({start, i - 1, count(start), count(i - 1)});
    }
    // Silence (a server's first moments) belongs to no run.
    start = i < frames && count(i) == 0 ? i + 1 : i;
  }
  return runs;
}

// Zero crossings per second of the left channel over the last half second.
double LastCrossingsPerSecond(const std::vector<uint8_t>& pcm) {
  const size_t n = kRate / 2;
  if (pcm.size() < n * kFrame) return 0;
  const uint8_t* p = pcm.data() + pcm.size() - n * kFrame;
  size_t crossings = 0;
  for (size_t i = 1; i < n; ++i) {
    const auto a = static_cast<int16_t>(p[(i - 1) * 4] | (p[(i - 1) * 4 + 1] << 8));
    const auto b = static_cast<int16_t>(p[i * 4] | (p[i * 4 + 1] << 8));
    crossings += (a < 0) != (b < 0);
  }
  return double(crossings) * 2;
}

std::vector<uint8_t> Joined(const TRecordingObserver& o) {
  std::vector<uint8_t> all;
  for (const auto& b : o.Blocks) all.insert(all.end(), b.begin(), b.end());
  return all;
}

double Seconds(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e9; }

void Wait(int ms) {
  QElapsedTimer t;
  t.start();
  ProcessEventsUntil([&] { return t.elapsed() >= ms; }, ms + 5000);
}

bool Listed(const std::vector<TWaveDeviceInfo>& list, const std::string& name) {
  return std::any_of(list.begin(), list.end(), [&](const TWaveDeviceInfo& d) { return d.Name == name; });
}

class SoundServer : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    Server = Start();
    if (!Server->Running()) GTEST_FAIL() << GetParam() << " did not start: " << Server->Why().toStdString();
    ListenToMonitor();
  }
  // The null sink runs in real time only while someone listens to its
  // monitor; the first listener waits a second for it to wake.
  void ListenToMonitor() {
    QProcess::startDetached("parecord", {"--raw", "--latency-msec=20", "--device=vnull.monitor", "/dev/null"}, QString(),
                            &FPlayers.emplace_back());
  }
  std::unique_ptr<TSoundServer> Start() const {
    if (std::string(GetParam()) == "PipeWire") return std::make_unique<TPipeWireServer>();
    return std::make_unique<TPulseServer>();
  }
  QString Write(const QString& name, const QByteArray& data) {
    const QString path = Dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(data);
    return path;
  }
  // A second output with a tone of its own, beside the null sink.
  void PlayInto(const QString& sink, const QString& file) {
    QProcess::startDetached("pacat",
                            {"--playback", "--device=" + sink, "--format=s16le", "--rate=44100", "--channels=2",
                             "--latency-msec=20", file},
                            QString(), &FPlayers.emplace_back());
  }
  void TearDown() override {
    for (qint64 pid : FPlayers)
      if (pid > 0) ::kill(static_cast<pid_t>(pid), SIGTERM);
    qunsetenv("TAMSEL_CAPTURE_DEVICE");
  }
  static void OpenIn(TdeAudioIn& in, const QString& device = QString()) {
    in.Format()->SetPcm(kRate, 16, 2);
    in.SetBufferSize(kEighth);
    in.SetDeviceName(device);
    in.Open();
  }
  // The index of our record stream.
  QString OurSourceOutput() const {
    QByteArray out;
    Server->Pactl({"list", "source-outputs"}, &out);
    QString index;
    for (const QByteArray& line : out.split('\n')) {
      if (line.startsWith("Source Output #")) index = QString::fromLatin1(line.mid(15).trimmed());
      if (line.contains("application.id = \"org.tamsel.Recorder\"")) return index;
    }
    return QString();
  }
  std::string SourceOutputs() const {
    QByteArray out;
    Server->Pactl({"list", "source-outputs"}, &out);
    return out.toStdString();
  }

  std::unique_ptr<TSoundServer> Server;
  QTemporaryDir Dir;
  std::vector<qint64> FPlayers;
};

TEST_P(SoundServer, listsFollowTheServer_aMonitorChosenByNameRecordsThatOutput_andTheMixerKnowsUs) {
  ASSERT_TRUE(Server->LoadNullSink("second"));
  Server->PlayIntoSink(Write("low.raw", Tone(20, 440)));
  PlayInto("second", Write("high.raw", Tone(20, 1000)));

  std::vector<TWaveDeviceInfo> inputs = WaveDeviceList(TWaveDirection::Input);
  const auto separator = std::find(inputs.begin(), inputs.end(), TWaveDeviceInfo{});
  ASSERT_NE(separator, inputs.end());
  EXPECT_EQ("default", inputs.front().Name);
  EXPECT_EQ(kDefaultMonitor, std::next(separator)->Name) << "what the computer plays comes first after the line";
  for (auto it = separator; it != inputs.end(); ++it) {
    if (!it->Name.empty() && it->Name != kDefaultMonitor) {
      EXPECT_NE(std::string::npos, it->Name.find(".monitor")) << it->Name;
    }
  }
  EXPECT_TRUE(Listed({separator, inputs.end()}, "second.monitor"));
  const std::vector<TWaveDeviceInfo> outputs = WaveDeviceList(TWaveDirection::Output);
  EXPECT_TRUE(Listed(outputs, "second") && Listed(outputs, "vnull") && !Listed(outputs, ""));

  // A source plugged in while the program runs is listed at once, by its description, and goes when it goes.
  QString module;
  ASSERT_TRUE(Server->LoadNullSource("usbmic", "USB-Mikrofon", module));
  inputs = WaveDeviceList(TWaveDirection::Input);
  const auto mic = std::find_if(inputs.begin(), inputs.end(), [](const TWaveDeviceInfo& d) { return d.Name == "usbmic"; });
  ASSERT_NE(mic, inputs.end());
  EXPECT_LT(mic, std::find(inputs.begin(), inputs.end(), TWaveDeviceInfo{}));
  EXPECT_EQ("USB-Mikrofon", mic->Description);
  ASSERT_EQ(0, Server->Pactl({"unload-module", module}));
  EXPECT_FALSE(Listed(WaveDeviceList(TWaveDirection::Input), "usbmic"));

  // The chosen monitor is the one recorded; the environment's choice goes first.
  Wait(300);
  TdeAudioIn in;
  TRecordingObserver taken(&in);
  OpenIn(in, "second.monitor");
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 8; }));
  const std::string outputsDuringTake = SourceOutputs();
  in.Close();
  // Wide bounds: they tell the two tones apart, and a player that runs dry on a
  // loaded machine leaves silence in the sink that is no fault of ours.
  EXPECT_NEAR(2000, LastCrossingsPerSecond(Joined(taken)), 400) << "the 1 kHz tone of the second output";
  for (const char* property :
       {"application.name = \"Tamsel录音机\"", "application.id = \"org.tamsel.Recorder\"",
        "application.icon_name = \"tamsel\"", "media.role = \"production\"", "media.name = \"录音\""})
    EXPECT_NE(std::string::npos, outputsDuringTake.find(property)) << property << " in\n" << outputsDuringTake;

  qputenv("TAMSEL_CAPTURE_DEVICE", kDefaultMonitor);
  taken.Blocks.clear();
  OpenIn(in, "second.monitor");
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 8; }));
  in.Close();
  EXPECT_NEAR(880, LastCrossingsPerSecond(Joined(taken)), 250) << "the default output's 440 Hz tone";
}

// What the program lists is what a user copies into the environment: the
// listed monitor, named there, is recorded in place of the device chosen.
TEST_P(SoundServer, theProgramListsTheServersDevices_andTheMonitorNamedInTheEnvironmentIsRecorded) {
  QString module;
  ASSERT_TRUE(Server->LoadNullSource("tapemic", "磁带话筒", module));
  QByteArray sources;
  Server->Pactl({"list", "sources"}, &sources);
  const qsizetype at = sources.indexOf("Name: vnull.monitor");
  ASSERT_GE(at, 0) << sources.toStdString();
  const qsizetype from = sources.indexOf("Description: ", at) + 13;
  const QString monitorDescription = QString::fromUtf8(sources.mid(from, sources.indexOf('\n', from) - from));

  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("LC_ALL", "zh_CN.UTF-8");
  program.setProcessEnvironment(env);
  program.start(TAMSEL_PROGRAM, {"--list-devices"});
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(0, program.exitCode());
  const QString listing = QString::fromUtf8(program.readAllStandardOutput());
  const qsizetype outputs = listing.indexOf("输出设备");
  ASSERT_GT(outputs, 0) << listing.toStdString();
  const QString inputs = listing.left(outputs);
  const qsizetype separator = inputs.indexOf("  ----\n");
  const qsizetype mic = inputs.indexOf("  磁带话筒\n      tapemic\n");
  const qsizetype played = inputs.indexOf(QString("  电脑播放的声音\n      ") + kDefaultMonitor + "\n");
  const qsizetype monitor = inputs.indexOf("  " + monitorDescription + "\n      vnull.monitor\n");
  EXPECT_TRUE(mic > 0 && mic < separator && separator < played && played < monitor) << listing.toStdString();

  Server->PlayIntoSink(Write("tone.raw", Tone(20, 440)));
  Wait(300);
  qputenv("TAMSEL_CAPTURE_DEVICE", "vnull.monitor");
  TdeAudioIn in;
  TRecordingObserver taken(&in);
  OpenIn(in, "tapemic");
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 8; }));
  in.Close();
  EXPECT_NEAR(880, LastCrossingsPerSecond(Joined(taken)), 250) << "the sink's 440 Hz tone, not the chosen silence";
}

// The counter played into the sink dates every frame of a take; a press's
// moment on that scale follows from when blocks arrive against the newest
// frame they hold.
TEST_P(SoundServer, theTakeStartsAsEarlyAsParecords_andPauseResumeAndStopCutAtThePresses) {
  Server->PlayIntoSink(Write("counter.raw", Counter(30 * kRate)));
  QElapsedTimer clock;
  clock.start();
  // A second stream of ours on the monitor dates the signal as it arrives,
  // and shows when the sink plays it in real time.
  double latency = 1e9;  // counter time to arrival, at its smallest
  uint32_t newest = 0;
  TdeAudioIn probe;
  TRecordingObserver seen(&probe);
  seen.OnBlock = [&] {
    const std::vector<uint8_t>& b = seen.Blocks.back();
    if (b.size() < 4) return;
    newest = CounterAt(&b[b.size() - 4]);
    latency = std::min(latency, Seconds(clock) - newest / double(kRate));
    seen.Blocks.clear();
  };
  OpenIn(probe);
  ASSERT_TRUE(ProcessEventsUntil([&] { return newest > kRate; }, 10000)) << "the signal does not play";
  TdeAudioIn in;
  TRecordingObserver taken(&in);
  const double startedAt = Seconds(clock);
  OpenIn(in);
  Wait(1500);
  const double pausedAt = Seconds(clock);
  in.SetPaused(true);
  Wait(700);
  const double resumedAt = Seconds(clock);
  in.SetPaused(false);
  Wait(1000);
  const double stoppedAt = Seconds(clock);
  in.Drain();
  in.Close();

  // parecord, started the same way, for comparison.
  const QString peerFile = Dir.filePath("parecord.raw");
  const double peerStartedAt = Seconds(clock);
  QProcess parecord;
  parecord.start("parecord", {"--raw", "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=20",
                              "--device=vnull.monitor", peerFile});
  ASSERT_TRUE(parecord.waitForStarted());
  Wait(1200);
  parecord.terminate();
  parecord.waitForFinished();
  probe.Close();
  QFile peer(peerFile);
  ASSERT_TRUE(peer.open(QIODevice::ReadOnly));
  const QByteArray peerBytes = peer.readAll();
  const std::vector<TRun> peerRuns =
      CounterRuns(std::vector<uint8_t>(peerBytes.begin(), peerBytes.end()), kRate / 10);
  ASSERT_FALSE(peerRuns.empty()) << "parecord recorded no signal";

  const std::vector<uint8_t> take = Joined(taken);
  const std::vector<TRun> runs = CounterRuns(take, kRate / 10);
  ASSERT_EQ(2u, runs.size()) << "one stretch before the pause and one after it";
  const size_t fade = size_t{kRate} * TdeCustomAudioIn::FadeMillis / 1000;
  const size_t between = runs[1].First - runs[0].Last - 1;
  EXPECT_LE(between, 2 * fade + 2);
  auto at = [&](double count) { return count / kRate + latency; };
  // When the sound at each take's first frame was played.
  const double lag = at(double(runs[0].FirstCount) - double(runs[0].First)) - startedAt;
  const double peerLag = at(double(peerRuns[0].FirstCount) - double(peerRuns[0].First)) - peerStartedAt;
  const double cut = at(runs[0].LastCount + 1);
  const double resume = at(runs[1].FirstCount - double(between - std::min(fade, between)));
  const double end = at(runs[1].LastCount + 1);
  std::printf("%s: start lag %+.1f ms (parecord %+.1f ms), pause %+.1f ms, resume %+.1f ms, stop %+.1f ms\n",
              GetParam(), lag * 1000, peerLag * 1000, (cut - pausedAt) * 1000, (resume - resumedAt) * 1000,
              (end - stoppedAt) * 1000);
  EXPECT_LE(lag, peerLag + 0.020);
  EXPECT_NEAR(pausedAt, cut, 0.020);
  EXPECT_NEAR(resumedAt, resume, 0.020);
  EXPECT_NEAR(stoppedAt, end, 0.020);
}

TEST_P(SoundServer, aDeviceThatGoesMovesTheTakeToTheDefault_andAStreamTheServerEndsStopsWithOneMessage) {
  Server->PlayIntoSink(Write("tone.raw", Tone(20, 440)));
  QString module;
  ASSERT_TRUE(Server->LoadNullSource("usbmic", "USB-Mikrofon", module));
  TExceptionCapture shown;
  TdeAudioIn in;
  TRecordingObserver taken(&in);
  OpenIn(in, "usbmic");
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 4; }));
  ASSERT_EQ(0, Server->Pactl({"unload-module", module}));
  const size_t before = taken.Blocks.size();
  EXPECT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= before + 8; }, 5000));
  EXPECT_TRUE(in.Active());
  in.Close();
  EXPECT_TRUE(shown.Messages.isEmpty()) << shown.Messages.join(" | ").toStdString();
  EXPECT_TRUE(in.Rerouted());
  EXPECT_EQ("vnull.monitor", in.RerouteTo().toStdString());
  EXPECT_GE(in.RerouteFrame(), 3 * uint64_t{kRate} / 8);
  EXPECT_NEAR(880, LastCrossingsPerSecond(Joined(taken)), 250) << "the take went on from the default";

  taken.Blocks.clear();
  OpenIn(in);
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 2; }));
  EXPECT_FALSE(in.Rerouted());
  const QString ours = OurSourceOutput();
  ASSERT_FALSE(ours.isEmpty()) << SourceOutputs();
  ASSERT_TRUE(Server->KillSourceOutput(ours.toUInt()));
  EXPECT_TRUE(ProcessEventsUntil([&] { return !in.Active(); }, 5000));
  Wait(300);
  ASSERT_EQ(1, shown.Messages.size());
  EXPECT_TRUE(shown.Messages[0].startsWith("The audio input device stopped working")) << shown.Messages[0].toStdString();
  shown.Messages.clear();
}

TEST_P(SoundServer, aKilledServerEndsTheTakeOnce_andTheNextTakeFindsTheNewServer) {
  TExceptionCapture shown;
  TdeAudioIn in;
  TRecordingObserver taken(&in);
  Server->PlayIntoSink(Write("tone.raw", Tone(20, 440)));
  OpenIn(in);
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 3; }));
  Server->Kill();
  EXPECT_TRUE(ProcessEventsUntil([&] { return !in.Active(); }, 10000));
  Wait(300);
  ASSERT_EQ(1, shown.Messages.size());
  EXPECT_TRUE(shown.Messages[0].startsWith("The audio input device stopped working")) << shown.Messages[0].toStdString();
  shown.Messages.clear();

  Server = Start();
  ASSERT_TRUE(Server->Running()) << Server->Why().toStdString();
  ListenToMonitor();
  Server->PlayIntoSink(Write("tone2.raw", Tone(20, 1000)));
  Wait(300);
  taken.Blocks.clear();
  OpenIn(in);
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 8; }));
  in.Close();
  EXPECT_NEAR(2000, LastCrossingsPerSecond(Joined(taken)), 100);
}

// The window's thread stalls while the server goes on: a stall within the
// device's reserve loses nothing; a longer one is counted, not hidden.
TEST_P(SoundServer, aStallWithinTheReserveLosesNothing_andALongerOneIsCountedAsLoss) {
  Server->PlayIntoSink(Write("counter.raw", Counter(40 * kRate)));
  Wait(500);
  TdeAudioIn in;
  TRecordingObserver taken(&in);
  // Frames of the signal missing from the take: what the device lost, and
  // the few the player was late with.
  auto missing = [&] {
    const std::vector<TRun> runs = CounterRuns(Joined(taken), 1);
    if (runs.size() != 1) return -1.0;
    return double(runs[0].LastCount - runs[0].FirstCount - (runs[0].Last - runs[0].First)) / kRate;
  };
  OpenIn(in);
  ASSERT_TRUE(ProcessEventsUntil([&] { return taken.Blocks.size() >= 2; }));
  QThread::msleep(3000);
  Wait(1000);
  const double missingAfterShortStall = missing();
  EXPECT_GE(missingAfterShortStall, 0) << "the take is one stretch of the signal";
  EXPECT_LT(missingAfterShortStall, 0.05);
  QThread::msleep(7500);
  Wait(500);
  in.Drain();
  in.Close();
  EXPECT_EQ(1u, in.Overruns());
  const double lost = double(in.LostFrames()) / kRate;
  EXPECT_NEAR(missing() - missingAfterShortStall, lost, 0.05) << "the counted loss is the gap in the take";
  EXPECT_GT(lost, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Servers, SoundServer, ::testing::Values("PulseAudio", "PipeWire"),
                         [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.param); });

}  // namespace
