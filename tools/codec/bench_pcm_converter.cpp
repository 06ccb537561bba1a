// Throughput of the PCM converter as a real-time factor: seconds of audio
// converted per CPU second, in blocks of an eighth of a second as recording
// delivers them. Compare with tools/codec/bench-vs-ffmpeg.sh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "AcmDriver.h"

namespace {

struct TFormat {
  alignas(8) uint8_t Bytes[WAVE_FORMAT_BUFFER_SIZE] = {};
  TFormat(uint32_t rate, uint16_t bits, uint16_t channels) {
    AcmMakeLinear(reinterpret_cast<WAVEFORMATEX*>(Bytes), WAVE_FORMAT_PCM, rate, bits, channels);
  }
  const WAVEFORMATEX* Wfx() const { return reinterpret_cast<const WAVEFORMATEX*>(Bytes); }
};

void Convert(benchmark::State& state, uint32_t outRate, uint16_t outBits) {
  const TFormat in(44100, 16, 2), out(outRate, outBits, 1);
  const uint32_t block = 44100 / 8 * 4;
  constexpr int kBlocks = 80;  // ten seconds
  std::vector<uint8_t> audio(size_t(block) * kBlocks);
  for (size_t i = 0; i < audio.size() / 2; ++i) {
    const int16_t v = int16_t(12000 * std::sin(2 * M_PI * 997 * double(i / 2) / 44100));
    std::memcpy(&audio[2 * i], &v, 2);
  }
  HACMSTREAM has;
  if (acmStreamOpen(&has, nullptr, in.Wfx(), out.Wfx(), nullptr, 0, 0, 0)) {
    state.SkipWithError("open failed");
    return;
  }
  std::vector<uint8_t> src(3 * block);
  uint32_t outCap = 0;
  acmStreamSize(has, uint32_t(src.size()), &outCap, ACM_STREAMSIZEF_SOURCE);
  std::vector<uint8_t> dst(outCap);
  ACMSTREAMHEADER h = {};
  h.cbStruct = sizeof h;
  h.pbSrc = src.data();
  h.cbSrcLength = uint32_t(src.size());
  h.pbDst = dst.data();
  h.cbDstLength = outCap;
  acmStreamPrepareHeader(has, &h, 0);
  uint32_t fill = 0;
  uint64_t produced = 0;
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) {
      std::memcpy(src.data() + fill, audio.data() + size_t(b) * block, block);
      fill += block;
      h.cbSrcLength = fill;
      acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN);
      std::memmove(src.data(), src.data() + h.cbSrcLengthUsed, fill - h.cbSrcLengthUsed);
      fill -= h.cbSrcLengthUsed;
      produced += h.cbDstLengthUsed;
    }
    benchmark::DoNotOptimize(dst.data());
  }
  h.cbSrcLength = uint32_t(src.size());
  acmStreamUnprepareHeader(has, &h, 0);
  acmStreamClose(has, 0);
  // Seconds of audio per CPU second.
  state.counters["realtime_factor"] =
      benchmark::Counter(double(state.iterations()) * kBlocks / 8.0, benchmark::Counter::kIsRate);
  state.counters["out_bytes"] = double(produced);
}

void To22050Mono16(benchmark::State& state) { Convert(state, 22050, 16); }
void To8000Mono8(benchmark::State& state) { Convert(state, 8000, 8); }

}  // namespace

BENCHMARK(To22050Mono16)->Unit(benchmark::kMillisecond);
BENCHMARK(To8000Mono8)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
