#include "AlsaFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>

namespace {

void WriteFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(data);
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TFilePcms::TFilePcms(const std::vector<uint8_t>& infile) {
  const QString dir = FDir.path();
  WriteFile(dir + "/in.raw",
            QByteArray(reinterpret_cast<const char*>(infile.data()), static_cast<qsizetype>(infile.size())));
  const QString conf =
      QStringLiteral(
          "<confdir:alsa.conf>\n"
          "pcm.tamselcapraw { type file slave.pcm \"null\" file \"/dev/null\" infile \"%1/in.raw\" format \"raw\" }\n"
          "pcm.tamselcap { type plug slave { pcm \"tamselcapraw\" format S16_LE rate 44100 channels 2 } }\n"
          "pcm.tamselplay { type file slave.pcm \"null\" file \"%1/out.raw\" format \"raw\" }\n")
          .arg(dir);
  WriteFile(dir + "/asound.conf", conf.toUtf8());
  qputenv("ALSA_CONFIG_PATH", (dir + "/asound.conf").toLocal8Bit());
  qputenv("TAMSEL_CAPTURE_DEVICE", "tamselcap");
  qputenv("TAMSEL_PLAYBACK_DEVICE", "tamselplay");
}

TFilePcms::~TFilePcms() {
  qunsetenv("ALSA_CONFIG_PATH");
  qunsetenv("TAMSEL_CAPTURE_DEVICE");
  qunsetenv("TAMSEL_PLAYBACK_DEVICE");
}

std::vector<uint8_t> TFilePcms::Played() const {
  const QByteArray data = ReadFile(FDir.path() + "/out.raw");
  return std::vector<uint8_t>(data.begin(), data.end());
}

TPulseServer::TPulseServer() {
  if (QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
    FWhy = "pulseaudio is not installed";
    return;
  }
  const QString runtime = FRuntime.path();
  QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", runtime);
  env.insert("HOME", runtime);
  QProcess server;
  server.setProcessEnvironment(env);
  server.start("pulseaudio", {"--daemonize=yes", "--exit-idle-time=-1", "-n", "--use-pid-file=yes",
                              "--load=module-native-protocol-unix auth-anonymous=1",
                              "--load=module-null-sink sink_name=vnull rate=44100 channels=2"});
  if (!server.waitForFinished(15000) || server.exitCode() != 0) {
    FWhy = "pulseaudio did not start: " + QString::fromLocal8Bit(server.readAllStandardError()).trimmed();
    return;
  }
  qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
  qputenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").toLocal8Bit());
  qputenv("PULSE_SINK", "vnull");
  qputenv("PULSE_SOURCE", "vnull.monitor");
  for (int i = 0; i < 100 && !FRunning; ++i) {
    QProcess info;
    info.start("pactl", {"info"});
    FRunning = info.waitForFinished(5000) && info.exitCode() == 0;
    if (!FRunning) QThread::msleep(50);
  }
  if (!FRunning) FWhy = "the sound server does not answer";
}

TPulseServer::~TPulseServer() {
  if (FPlayer > 0) ::kill(static_cast<pid_t>(FPlayer), SIGTERM);
  Kill();
  qunsetenv("PULSE_SERVER");
  qunsetenv("PULSE_SINK");
  qunsetenv("PULSE_SOURCE");
}

void TPulseServer::PlayIntoSink(const QString& rawFile) {
  if (FPlayer > 0) ::kill(static_cast<pid_t>(FPlayer), SIGTERM);
  QProcess::startDetached(
      "pacat",
      {"--playback", "--device=vnull", "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=50", rawFile},
      QString(), &FPlayer);
}

void TPulseServer::Kill() {
  const QByteArray pid = ReadFile(FRuntime.path() + "/pulse/pid").trimmed();
  if (pid.toInt() > 0) ::kill(pid.toInt(), SIGKILL);
  FRunning = false;
}

TNoticeLog::TNoticeLog()
    : Channel([this](TMessage& m) {
        Messages.push_back(m);
        if (OnMessage) OnMessage(m);
      }) {}

size_t TNoticeLog::Count(uint32_t msg) const {
  size_t n = 0;
  for (const TMessage& m : Messages) n += m.Msg == msg;
  return n;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return done();
}

std::vector<uint8_t> TestSignal(size_t frames, uint32_t seed) {
  std::vector<uint8_t> out(frames * 4);
  uint32_t x = seed * 2654435761u + 12345;
  for (size_t i = 0; i < out.size(); ++i) {
    x = x * 1664525u + 1013904223u;
    out[i] = static_cast<uint8_t>(x >> 24);
  }
  return out;
}
