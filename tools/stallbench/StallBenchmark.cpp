// Usage: bench_stall [seconds...]. For each stall length (default 2 5 8 9.5
// 10.5 12) a take of 44100 Hz 16-bit stereo is written at the device's pace,
// ten seconds of ring as the window has, while one write to the file blocks
// for that long a second into the take. Prints what each lost and the
// longest stall that lost nothing.
#include "deAsyncWriter.h"

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {
constexpr uint32_t kRate = 44100;
constexpr int32_t kBlock = kRate / 8 * 4;

// A file whose first write after armed blocks for the stall.
class TStallingFile : public TFileStream {
 public:
  TStallingFile(const QString& name, double stall) : TFileStream(name, fmCreate), FStall(stall) {}
  int32_t Write(const void* buffer, int32_t count) override {
    if (FStall > 0 && Armed.exchange(false)) {
      std::this_thread::sleep_for(std::chrono::duration<double>(FStall));
    }
    return TFileStream::Write(buffer, count);
  }
  std::atomic<bool> Armed = false;

 private:
  double FStall;
};

int64_t LostBytes(const QString& name, double stall) {
  TStallingFile file(name, stall);
  auto riff = std::make_unique<TdeRIFFAudioWriter>(&file);
  riff->GetFormat()->SetPcm(kRate, 16, 2);
  TdeAsyncWriter writer(std::move(riff), int64_t{kRate} * 4 * 10);
  std::vector<uint8_t> block(kBlock, 0x55);
  const int blocks = static_cast<int>((stall + 2.5) * 8);
  auto next = std::chrono::steady_clock::now();
  for (int i = 0; i < blocks; ++i) {
    if (i == 8) file.Armed = true;  // read by the writer's thread after the queue hands the block over
    writer.Write(block.data(), kBlock);
    next += std::chrono::microseconds(125000);
    std::this_thread::sleep_until(next);
  }
  writer.Finish();
  return writer.DroppedBytes();
}
}  // namespace

int main(int argc, char** argv) {
  std::vector<double> stalls;
  for (int i = 1; i < argc; ++i) stalls.push_back(std::atof(argv[i]));
  if (stalls.empty()) stalls = {2, 5, 8, 9.5, 10.5, 12};
  QTemporaryDir dir;
  double longest = 0;
  for (double s : stalls) {
    const int64_t lost = LostBytes(dir.filePath(QStringLiteral("take.wav")), s);
    std::printf("stall %5.1f s: lost %.3f s\n", s, double(lost) / (kRate * 4));
    std::fflush(stdout);
    if (lost == 0 && s > longest) longest = s;
  }
  std::printf("longest stall survived: %.1f s\n", longest);
  return 0;
}
