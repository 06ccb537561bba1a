#include "AlsaFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <pulse/pulseaudio.h>

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
  // These are ALSA's devices, even where a desktop's sound server answers.
  qputenv("TAMSEL_AUDIO", "alsa");
}

TFilePcms::~TFilePcms() {
  qunsetenv("ALSA_CONFIG_PATH");
  qunsetenv("TAMSEL_CAPTURE_DEVICE");
  qunsetenv("TAMSEL_PLAYBACK_DEVICE");
  qunsetenv("TAMSEL_AUDIO");
}

std::vector<uint8_t> TFilePcms::Played() const {
  const QByteArray data = ReadFile(FDir.path() + "/out.raw");
  return std::vector<uint8_t>(data.begin(), data.end());
}

TSoundServer::TSoundServer() {
  QFile::setPermissions(FRuntime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TSoundServer::~TSoundServer() {
  if (FPlayer > 0) ::kill(static_cast<pid_t>(FPlayer), SIGTERM);
  Forget();
}

bool TSoundServer::Answers() {
  const QString runtime = FRuntime.path();
  qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
  qputenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").toLocal8Bit());
  for (int i = 0; i < 200 && !FRunning; ++i) {
    FRunning = Pactl({"info"}) == 0;
    if (!FRunning) QThread::msleep(50);
  }
  if (!FRunning) return false;
  qputenv("PULSE_SINK", "vnull");
  qputenv("PULSE_SOURCE", "vnull.monitor");
  return true;
}

void TSoundServer::Forget() {
  qunsetenv("PULSE_SERVER");
  qunsetenv("PULSE_SINK");
  qunsetenv("PULSE_SOURCE");
}

int TSoundServer::Pactl(const QStringList& args, QByteArray* out) const {
  QProcess pactl;
  pactl.start("pactl", args);
  if (!pactl.waitForFinished(5000)) {
    pactl.kill();
    pactl.waitForFinished();
    return -1;
  }
  if (out) *out = pactl.readAllStandardOutput();
  return pactl.exitStatus() == QProcess::NormalExit ? pactl.exitCode() : -1;
}

bool TSoundServer::KillSourceOutput(uint32_t index) const {
  pa_mainloop* loop = pa_mainloop_new();
  pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "tamsel test");
  struct TResult {
    bool Done = false;
    bool Killed = false;
  } result;
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    pa_operation* op = nullptr;
    for (int i = 0; i < 2000 && !result.Done; ++i) {
      pa_mainloop_iterate(loop, 0, nullptr);
      const pa_context_state_t state = pa_context_get_state(context);
      if (!PA_CONTEXT_IS_GOOD(state)) break;
      if (state == PA_CONTEXT_READY && !op) {
        op = pa_context_kill_source_output(
            context, index,
            [](pa_context*, int success, void* r) {
              static_cast<TResult*>(r)->Killed = success != 0;
              static_cast<TResult*>(r)->Done = true;
            },
            &result);
        if (!op) break;
      }
      if (!result.Done) QThread::msleep(2);
    }
    if (op) pa_operation_unref(op);
  }
  pa_context_disconnect(context);
  pa_context_unref(context);
  pa_mainloop_free(loop);
  return result.Killed;
}

bool TSoundServer::LoadNullSink(const QString& name) {
  return Pactl({"load-module", "module-null-sink", "sink_name=" + name, "rate=44100", "channels=2"}) == 0;
}

bool TPipeWireServer::LoadNullSink(const QString& name) {
  return Pactl({"load-module", "module-null-sink", "sink_name=" + name, "rate=44100", "channels=2", "object.linger=1",
                "media.class=Audio/Sink"}) == 0;
}

bool TSoundServer::LoadNullSource(const QString& name, const QString& description, QString& module) {
  QByteArray out;
  const int rc = Pactl({"load-module", "module-null-source", "source_name=" + name, "description=" + description}, &out);
  module = QString::fromLatin1(out.trimmed());
  return rc == 0;
}

bool TPipeWireServer::LoadNullSource(const QString& name, const QString& description, QString& module) {
  QByteArray out;
  const int rc = Pactl({"load-module", "module-null-sink", "sink_name=" + name, "media.class=Audio/Source/Virtual",
                        "sink_properties=device.description=" + description},
                       &out);
  module = QString::fromLatin1(out.trimmed());
  return rc == 0;
}

void TSoundServer::PlayIntoSink(const QString& rawFile, int latencyMs) {
  if (FPlayer > 0) ::kill(static_cast<pid_t>(FPlayer), SIGTERM);
  QProcess::startDetached("pacat",
                          {"--playback", "--device=vnull", "--format=s16le", "--rate=44100", "--channels=2",
                           QString("--latency-msec=%1").arg(latencyMs), rawFile},
                          QString(), &FPlayer);
}

TPulseServer::TPulseServer() {
  if (QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
    FWhy = "pulseaudio is not installed";
    return;
  }
  const QString runtime = FRuntime.path();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", runtime);
  env.insert("HOME", runtime);
  QProcess server;
  server.setProcessEnvironment(env);
  // The rescue module moves the streams of a device that goes to the default, as on a desktop.
  server.start("pulseaudio", {"--daemonize=yes", "--exit-idle-time=-1", "-n", "--use-pid-file=yes",
                              "--load=module-native-protocol-unix auth-anonymous=1",
                              "--load=module-null-sink sink_name=vnull rate=44100 channels=2",
                              "--load=module-rescue-streams"});
  if (!server.waitForFinished(15000) || server.exitCode() != 0) {
    FWhy = "pulseaudio did not start: " + QString::fromLocal8Bit(server.readAllStandardError()).trimmed();
    return;
  }
  if (!Answers()) FWhy = "the sound server does not answer";
}

TPulseServer::~TPulseServer() { Kill(); }

void TPulseServer::Kill() {
  const QByteArray pid = ReadFile(FRuntime.path() + "/pulse/pid").trimmed();
  if (pid.toInt() > 0) ::kill(pid.toInt(), SIGKILL);
  FRunning = false;
}

TPipeWireServer::TPipeWireServer() {
  for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse", "dbus-run-session", "setsid"})
    if (QStandardPaths::findExecutable(program).isEmpty()) {
      FWhy = QString("%1 is not installed").arg(program);
      return;
    }
  const QString runtime = FRuntime.path();
  QProcess launcher;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", runtime);
  env.insert("HOME", runtime);
  env.remove("PULSE_SERVER");
  // The graph runs at the tests' rate, so a dated signal arrives unresampled.
  env.insert("XDG_CONFIG_HOME", runtime + "/config");
  QDir().mkpath(runtime + "/config/pipewire/pipewire.conf.d");
  WriteFile(runtime + "/config/pipewire/pipewire.conf.d/rate.conf",
            "context.properties = { default.clock.rate = 44100 default.clock.allowed-rates = [ 44100 ] }\n");
  launcher.setProcessEnvironment(env);
  launcher.setProgram("setsid");
  // Each daemon logs to its own file, which a failure quotes.
  launcher.setArguments({"dbus-run-session", "--", "sh", "-c",
                         "pipewire >pipewire.log 2>&1 & sleep 0.3; wireplumber >wireplumber.log 2>&1 & "
                         "sleep 0.3; pipewire-pulse >pipewire-pulse.log 2>&1 & wait"});
  launcher.setWorkingDirectory(runtime);
  if (!launcher.startDetached(&FGroup)) {
    FWhy = "the session bus for PipeWire did not start";
    return;
  }
  const bool answered = Answers() && LoadNullSink("vnull");
  // WirePlumber makes the new sink the default once it has seen it.
  for (int i = 0; answered && i < 100; ++i) {
    QByteArray out;
    if (Pactl({"get-default-sink"}, &out) == 0 && out.trimmed() == "vnull") break;
    Pactl({"set-default-sink", "vnull"});
    QThread::msleep(50);
  }
  if (!answered) {
    FRunning = false;
    FWhy = "PipeWire's sound server does not answer";
    for (const char* log : {"pipewire.log", "wireplumber.log", "pipewire-pulse.log"})
      FWhy += QString("\n--- %1:\n").arg(log) + QString::fromLocal8Bit(ReadFile(runtime + "/" + log).right(2000));
  }
}

TPipeWireServer::~TPipeWireServer() { Kill(); }

void TPipeWireServer::Kill() {
  if (FGroup > 0) ::kill(-static_cast<pid_t>(FGroup), SIGKILL);
  FGroup = 0;
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
