// tamsel-devicecpu [seconds]
// Records and then plays 44100 Hz 16-bit stereo PCM with 1/8-second buffers
// on the default device (or the ones TAMSEL_CAPTURE_DEVICE /
// TAMSEL_PLAYBACK_DEVICE name) and prints the CPU time this process spent,
// per minute of audio and as a share of one core; then runs arecord and aplay
// on the same devices for the same time and prints theirs. Run it where the
// default device is real time (a sound server), not on a file plugin.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "deAudioIO.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kEighth = kRate / 8 * 4;

double CpuSeconds(const rusage& u) {
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double SelfCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return CpuSeconds(u);
}

void Report(const char* what, double cpu, double wall) {
  std::printf("%-22s %6.3f s CPU in %6.2f s: %5.2f%% of one core, %6.3f s CPU per minute of audio\n", what, cpu, wall,
              100 * cpu / wall, cpu * 60 / wall);
}

// Runs the event loop (blocking between events) until done() or the time is up.
void RunLoop(double seconds, const std::function<bool()>& done = {}) {
  QEventLoop loop;
  QElapsedTimer t;
  t.start();
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (t.elapsed() >= seconds * 1000 || (done && done())) loop.quit();
  });
  check.start(250);
  loop.exec();
}

void Record(double seconds) {
  TdeAudioIn in;
  in.Format()->SetPcm(kRate, 16, 2);
  in.SetBufferSize(kEighth);
  size_t bytes = 0;
  in.SetOnAudioRecorded([&](TComponent*, const void*, int32_t size) { bytes += size_t(size); });
  QElapsedTimer wall;
  const double cpu0 = SelfCpu();
  wall.start();
  in.Open();
  RunLoop(seconds);
  in.Close();
  Report("tamsel record", SelfCpu() - cpu0, double(wall.elapsed()) / 1000);
  std::printf("%-22s %zu bytes recorded\n", "", bytes);
}

void Play(double seconds) {
  std::vector<char> block(kEighth);
  for (uint32_t i = 0; i < kEighth / 4; ++i) {
    const auto v = int16_t(8000 * std::sin(2 * M_PI * 440 * i / kRate));
    std::memcpy(&block[i * 4], &v, 2);
    std::memcpy(&block[i * 4 + 2], &v, 2);
  }
  TdeAudioOut out;
  out.Format()->SetPcm(kRate, 16, 2);
  out.SetBufferCount(4);
  const size_t total = size_t(seconds * 8);
  size_t written = 0;
  bool finished = false;
  auto push = [&] {
    if (written < total) {
      out.Write(block.data(), int32_t(block.size()));
      ++written;
    }
  };
  // As the recorder does: one block in per block played, stop when nothing is left.
  out.SetOnAudioPlayed([&](TComponent*, const void*, int32_t) {
    push();
    if (written == total && out.QueuedBuffers() == 0) finished = true;
  });
  QElapsedTimer wall;
  const double cpu0 = SelfCpu();
  wall.start();
  out.Open();
  for (int i = 0; i < 5; ++i) push();
  RunLoop(seconds * 3, [&] { return finished; });
  out.Close();
  Report("tamsel play", SelfCpu() - cpu0, double(wall.elapsed()) / 1000);
}

// Runs a command and returns its CPU time (children's rusage).
double ChildCpu(std::vector<std::string> args, double& wallSeconds) {
  QElapsedTimer wall;
  wall.start();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage u{};
  wait4(pid, &status, 0, &u);
  wallSeconds = double(wall.elapsed()) / 1000;
  return CpuSeconds(u);
}

std::string Device(const char* env) {
  const char* d = std::getenv(env);
  return d && *d ? d : "default";
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
  const std::string secs = std::to_string(int(seconds));
  Record(seconds);
  Play(seconds);
  double wall = 0;
  double cpu = ChildCpu({"arecord", "-q", "-D", Device("TAMSEL_CAPTURE_DEVICE"), "-f", "S16_LE", "-r", "44100", "-c",
                         "2", "-d", secs, "-t", "raw", "/dev/null"},
                        wall);
  Report("arecord", cpu, wall);
  const std::string raw = "/tmp/tamsel-devicecpu.raw";
  cpu = ChildCpu({"sh", "-c", "head -c " + std::to_string(size_t(seconds) * kRate * 4) + " /dev/zero > " + raw}, wall);
  cpu = ChildCpu({"aplay", "-q", "-D", Device("TAMSEL_PLAYBACK_DEVICE"), "-f", "S16_LE", "-r", "44100", "-c", "2", "-t",
                  "raw", raw},
                 wall);
  Report("aplay", cpu, wall);
  unlink(raw.c_str());
  return 0;
}
