// Real-time factor of conversion chains: "rtf" is seconds of input audio
// converted per second of wall time. Each chain is followed by its steps run
// one by one, so a chain can be compared with the sum of its parts
// (1/rtf(chain) against the sum of 1/rtf(step)).
#include <benchmark/benchmark.h>

#include <QString>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

#include "LinkTestSupport.h"
#include "deACM.h"

namespace {

using TFormat = std::shared_ptr<TdeWaveFormat>;

TFormat Copy(const TdeWaveFormat& source) {
  auto f = std::make_shared<TdeWaveFormat>();
  f->Assign(const_cast<TdeWaveFormat*>(&source));
  return f;
}

// Ten seconds of music-like signal in format, made by converting a 16-bit PCM mix.
std::vector<uint8_t> Signal(const TdeWaveFormat& format) {
  const TFormat pcmFormat = Pcm(format.SamplesPerSec(), 16, format.Channels());
  const TdeWaveFormat& pcm = *pcmFormat;
  const uint32_t frames = pcm.SamplesPerSec() * 10;
  std::vector<uint8_t> raw(size_t(frames) * pcm.BlockAlign());
  auto* s = reinterpret_cast<int16_t*>(raw.data());
  for (uint32_t i = 0; i < frames; ++i)
    for (int c = 0; c < pcm.Channels(); ++c) {
      const double t = double(i) / pcm.SamplesPerSec();
      *s++ = int16_t(8000 * std::sin(2 * std::numbers::pi * 440 * t) +
                     3000 * std::sin(2 * std::numbers::pi * 3150 * t + c));
    }
  if (pcm.IsEqual(&format)) return raw;
  std::vector<uint8_t> out;
  TdeAudioConvertor conv(nullptr);
  conv.SetFormatIn(const_cast<TdeWaveFormat*>(&pcm));
  conv.SetFormatOut(const_cast<TdeWaveFormat*>(&format));
  conv.SetOnAudioConverted([&out](TComponent*, const void* d, int32_t n, bool&) {
    out.insert(out.end(), static_cast<const uint8_t*>(d), static_cast<const uint8_t*>(d) + n);
  });
  conv.Open();
  const size_t block = pcm.AvgBytesPerSec() / 8 / pcm.BlockAlign() * pcm.BlockAlign();
  for (size_t at = 0; at + block <= raw.size(); at += block) conv.Convert(raw.data() + at, int32_t(block));
  return out;
}

// Pushes the signal in eighth-of-a-second blocks (whole source blocks), round and round.
void RunConversion(benchmark::State& state, const TdeWaveFormat& in, const TdeWaveFormat& out) {
  TdeAudioConvertor conv(nullptr);
  conv.SetFormatIn(const_cast<TdeWaveFormat*>(&in));
  conv.SetFormatOut(const_cast<TdeWaveFormat*>(&out));
  try {
    conv.Open();
  } catch (const Exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  const std::vector<uint8_t> signal = Signal(in);
  const uint32_t align = std::max<uint32_t>(1, in.BlockAlign());
  const size_t block = std::max<size_t>(align, in.AvgBytesPerSec() / 8 / align * align);
  if (signal.size() < block) {
    state.SkipWithError("no test signal");
    return;
  }
  int64_t produced = 0;
  conv.SetOnAudioConverted([&produced](TComponent*, const void*, int32_t n, bool&) { produced += n; });
  size_t at = 0;
  for (auto _ : state) {
    if (at + block > signal.size()) at = 0;
    conv.Convert(signal.data() + at, int32_t(block));
    at += block;
  }
  benchmark::DoNotOptimize(produced);
  state.counters["rtf"] =
      benchmark::Counter(double(block) / in.AvgBytesPerSec(), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["steps"] = conv.FormatCount() - 1;
}

std::string Label(const TdeWaveFormat& f) { return f.Description().toStdString(); }

// Registers the chain in -> out and, when it has more than one step, each of its steps.
void RegisterChain(const char* name, const TFormat& in, const TFormat& out) {
  if (!in || !out) return;
  std::vector<TFormat> chain;
  try {
    TdeAudioConvertor planner(nullptr);
    planner.SetFormatIn(in.get());
    planner.SetFormatOut(out.get());
    planner.Open();
    for (int i = 0; i < planner.FormatCount(); ++i) chain.push_back(Copy(planner.Formats(i)));
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return;
  }
  std::string title = std::string(name) + " [";
  for (size_t i = 0; i < chain.size(); ++i) title += (i ? " > " : "") + Label(*chain[i]);
  title += "]";
  benchmark::RegisterBenchmark(title.c_str(), [in, out](benchmark::State& s) {
    RunConversion(s, *in, *out);
  })->Unit(benchmark::kMicrosecond);
  if (chain.size() > 2)
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
      const std::string step = std::string(name) + "/step" + std::to_string(i + 1);
      benchmark::RegisterBenchmark(step.c_str(), [a = chain[i], b = chain[i + 1]](benchmark::State& s) {
        RunConversion(s, *a, *b);
      })->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
  const TFormat cd = Pcm(44100, 16, 2);
  RegisterChain("chain2/resample", cd, Pcm(22050, 16, 1));
  RegisterChain("chain2/bits", Pcm(11025, 8, 2), Pcm(11025, 16, 2));
  const TFormat alaw = Enumerated(WAVE_FORMAT_ALAW, 8000, 1), ima = Enumerated(WAVE_FORMAT_IMA_ADPCM, 22050, 2);
  const TFormat gsm = Enumerated(WAVE_FORMAT_GSM610, 8000, 1), mp3 = Enumerated(WAVE_FORMAT_MPEGLAYER3, 44100, 2);
  RegisterChain("chain3/alaw-to-cd", alaw, cd);
  RegisterChain("chain3/cd-to-ima", cd, ima);
  RegisterChain("chain3/mp3-to-8k", mp3, Pcm(8000, 8, 1));
  RegisterChain("chain4/alaw-to-ima", alaw, ima);
  RegisterChain("chain4/mp3-to-gsm", mp3, gsm);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
