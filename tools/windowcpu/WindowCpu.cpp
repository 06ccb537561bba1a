// tamsel-windowcpu [seconds]
// Starts the recorder's window as the program does, records for the given
// time (10 s by default) with its live display, plays the take back for as
// long, and prints the CPU the whole process spent in each, and each of its
// threads (the scheduler's count, after a settling second), its resident
// memory while recording and the time from the process's start to its
// painted window.
// Then runs arecord, parecord and aplay in the recorder's input format on the
// same device for the same time and prints theirs. Run it
// through window-cpu.sh, which gives it a display and a paced sound server.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Application.h"
#include "MainForm.h"
#include "SUIButton.h"
#include "deAudioIO.h"

namespace {

// A "Vm..." line of /proc/self/status, in MB.
double StatusMb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::strlen(key) + 1)) / 1024.0;
  return -1;
}

// Seconds since this process started.
double SinceStart() {
  std::ifstream stat("/proc/self/stat"), uptime("/proc/uptime");
  std::string line;
  std::getline(stat, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  double up = 0;
  uptime >> up;
  return up - std::stod(field) / double(sysconf(_SC_CLK_TCK));
}

void Report(const char* what, double cpu, double wall) {
  std::printf("%-26s %6.3f s CPU in %5.2f s: %5.2f%% of one core\n", what, cpu, wall, 100 * cpu / wall);
  std::fflush(stdout);
}

// Runs the event loop for the given time.
void Wait(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// CPU a task (a thread) has run, in seconds, from the scheduler's own
// nanosecond count; -1 when it cannot be read.
double TaskCpu(const std::string& task) {
  std::ifstream in("/proc/" + task + "/schedstat");
  double ns = -1;
  if (!(in >> ns)) return -1;
  return ns / 1e9;
}

// CPU of each live thread of a process by its id, with its name: finer than
// the clock ticks of /proc/PID/stat, of which a second at a hundredth of a
// core is one. A thread that ends in between is not counted; none does while
// a take runs.
struct TThreadCpu {
  std::string Name;
  double Cpu = 0;
};
std::map<std::string, TThreadCpu> ThreadCpus(const std::string& pid) {
  std::map<std::string, TThreadCpu> threads;
  for (const QString& id :
       QDir(QString::fromStdString("/proc/" + pid + "/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const std::string task = pid + "/task/" + id.toStdString();
    std::ifstream comm("/proc/" + task + "/comm");
    TThreadCpu t;
    std::getline(comm, t.Name);
    t.Cpu = TaskCpu(task);
    if (t.Cpu >= 0) threads[id.toStdString()] = t;
  }
  return threads;
}

// Their sum, in seconds; -1 when no thread could be read.
double TotalCpu(const std::map<std::string, TThreadCpu>& threads) {
  double sum = 0;
  for (const auto& [id, t] : threads) sum += t.Cpu;
  return threads.empty() ? -1 : sum;
}

// Paints a second, by the painted widget's class, and the window's repaints
// (each one a flush to the display): what a block costs beyond its own drawing.
class TPaintTally : public QObject {
 public:
  std::map<std::string, int> Paints;
  int Flushes = 0;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint && object->isWidgetType()) ++Paints[object->metaObject()->className()];
    if (event->type() == QEvent::UpdateRequest) ++Flushes;
    return false;
  }
};

// CPU of this process over seconds of the event loop, and of each thread that
// spent any (the sound server's client library runs a thread of its own).
void MeasureSelf(const char* what, double seconds) {
  QElapsedTimer wall;
  TPaintTally tally;
  QCoreApplication::instance()->installEventFilter(&tally);
  const auto threadsBefore = ThreadCpus("self");
  wall.start();
  Wait(seconds);
  const auto threadsAfter = ThreadCpus("self");
  const double elapsed = double(wall.nsecsElapsed()) / 1e9;
  Report(what, TotalCpu(threadsAfter) - TotalCpu(threadsBefore), elapsed);
  for (const auto& [id, t] : threadsAfter) {
    const auto was = threadsBefore.find(id);
    const double spent = t.Cpu - (was == threadsBefore.end() ? 0 : was->second.Cpu);
    if (spent >= 0.0005) std::printf("  thread %-17s %6.3f s: %5.2f%%\n", t.Name.c_str(), spent, 100 * spent / elapsed);
  }
  QCoreApplication::instance()->removeEventFilter(&tally);
  std::printf("  window repaints %.1f a second; paints a second:", tally.Flushes / elapsed);
  for (const auto& [name, count] : tally.Paints) std::printf(" %s %.1f", name.c_str(), count / elapsed);
  std::printf("\n");
}

// Runs a command for a settling second and then seconds more, and reports
// the CPU it spent in those seconds.
void MeasureChild(const char* what, const std::vector<std::string>& command, double seconds) {
  const pid_t pid = fork();
  if (pid < 0) return std::perror("fork");
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Its complaint about being stopped is no finding; a failed start shows as "did not run".
    if (FILE* quiet = std::freopen("/dev/null", "w", stderr)) (void)quiet;
    execvp(argv[0], argv.data());
    _exit(127);
  }
  const std::string id = std::to_string(pid);
  usleep(1000000);
  QElapsedTimer wall;
  const double before = TotalCpu(ThreadCpus(id));
  wall.start();
  usleep(useconds_t(seconds * 1e6));
  const double after = TotalCpu(ThreadCpus(id));
  const double elapsed = double(wall.nsecsElapsed()) / 1e9;
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  if (before < 0 || after < 0)
    std::printf("%-26s did not run\n", what);
  else
    Report(what, after - before, elapsed);
}

// Watches the window's first paint.
class TFirstPaint : public QObject {
 public:
  double At = -1;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && At < 0) At = SinceStart();
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
  // The take and the settings go to a scratch folder, never the user's own.
  QTemporaryDir scratch;
  if (!scratch.isValid()) return 1;
  qputenv("XDG_DATA_HOME", scratch.filePath(QStringLiteral("data")).toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());
  Q_INIT_RESOURCE(tamsel);
  TApplication app(argc, argv);
  app.Initialize();
  app.SetTitle(QString::fromUtf8("Tamsel录音机"));
  TForm1* form = nullptr;
  try {
    app.CreateForm(form, QStringLiteral(":/Form1.json"));
  } catch (...) {
    app.HandleException();
    return 1;
  }
  TFirstPaint firstPaint;
  form->installEventFilter(&firstPaint);
  form->show();
  QElapsedTimer patience;
  patience.start();
  while (firstPaint.At < 0 && patience.elapsed() < 10000) Wait(0.005);
  std::printf("start-up to painted window  %6.3f s\n", firstPaint.At);
  Wait(1);
  MeasureSelf("idle window", seconds);

  form->btnRecord->Click();
  Wait(1);
  if (!form->btnStop->isEnabled()) {
    std::fprintf(stderr, "recording did not start\n");
    return 1;
  }
  MeasureSelf("recording, live display", seconds);
  std::printf("resident while recording   %6.1f MB (peak %.1f MB)\n", StatusMb("VmRSS:"), StatusMb("VmHWM:"));
  const TdeWaveFormat& in = *form->deAudioIn->Format();
  const uint32_t rate = in.SamplesPerSec();
  const uint16_t bits = in.BitsPerSample(), channels = in.Channels();
  form->btnStop->Click();
  Wait(0.5);

  // The take lasts a second longer than the measured recording.
  form->btnPlay->Click();
  Wait(0.5);
  MeasureSelf("playing, live display", seconds);
  form->btnStop->Click();
  Wait(0.5);
  form->close();

  const std::string format = bits == 8 ? "U8" : bits == 16 ? "S16_LE" : "S32_LE";
  const std::string r = std::to_string(rate), c = std::to_string(channels);
  std::printf("arecord and aplay: %s, %s Hz, %s channels\n", format.c_str(), r.c_str(), c.c_str());
  MeasureChild("arecord", {"arecord", "-q", "-D", "default", "-f", format, "-r", r, "-c", c, "-t", "raw", "/dev/null"},
               seconds);
  const std::string paFormat = bits == 8 ? "u8" : bits == 16 ? "s16le" : "s32le";
  MeasureChild("parecord", {"parecord", "--raw", "--format=" + paFormat, "--rate=" + r, "--channels=" + c, "/dev/null"},
               seconds);
  MeasureChild("aplay", {"aplay", "-q", "-D", "default", "-f", format, "-r", r, "-c", c, "-t", "raw", "/dev/zero"},
               seconds);
  return 0;
}
