// Per-block cost of the control source (conversion to 48000 Hz 16-bit stereo
// and the split) and of the clipping cue's peak measure for eighth-second
// blocks in the recorder's formats, what
// closing and reopening the conversion chain alone costs, and one paint of the
// recorder's 465 x 114 oscilloscope with 200 points.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <memory>
#include <vector>

#include "deACM.h"
#include "deAudioControls.h"

namespace {

struct TPcm {
  uint32_t Rate;
  uint16_t Bits;
  uint16_t Channels;
};
// The input formats the recorder asks for, and 48000 itself (no resampling).
constexpr TPcm kFormats[] = {{8000, 8, 1},   {11025, 8, 2},  {22050, 16, 1},
                             {22050, 16, 2}, {44100, 16, 2}, {48000, 16, 2}};

void SetPcm(TdeWaveFormat& f, const TPcm& p) {
  f.SetDefault();
  f.SetSamplesPerSec(p.Rate);
  f.SetBitsPerSample(p.Bits);
  f.SetChannels(p.Channels);
  f.SetBlockAlign(static_cast<uint16_t>(p.Bits / 8 * p.Channels));
  f.SetAvgBytesPerSec(p.Rate * f.BlockAlign());
}

class TProducer : public TQComponent {
 public:
  TProducer() : TQComponent(nullptr) { Subject = std::make_unique<TdeAudioSubject>(this, &Format); }
  ~TProducer() override { Subject.reset(); }
  void* QueryInterface(const TGUID& iid) override {
    if (void* role = QueryAudioRole(iid, Subject.get(), nullptr)) return role;
    return TQComponent::QueryInterface(iid);
  }
  TdeWaveFormat Format;
  std::unique_ptr<TdeAudioSubject> Subject;
};

// An eighth of a second of a 440 Hz sine in format p.
std::vector<uint8_t> SineBlock(const TPcm& p) {
  const uint32_t frames = p.Rate / 8;
  std::vector<uint8_t> block(frames * p.Channels * (p.Bits / 8));
  size_t at = 0;
  for (uint32_t i = 0; i < frames; ++i) {
    const double s = std::sin(2 * M_PI * 440.0 * i / p.Rate) * 0.8;
    for (int c = 0; c < p.Channels; ++c) {
      if (p.Bits == 8) {
        block[at++] = static_cast<uint8_t>(128 + std::lround(s * 127));
      } else {
        const auto v = static_cast<int16_t>(std::lround(s * 32767));
        block[at++] = static_cast<uint8_t>(v & 0xFF);
        block[at++] = static_cast<uint8_t>((v >> 8) & 0xFF);
      }
    }
  }
  return block;
}

std::string Label(const TPcm& p) {
  return std::to_string(p.Rate) + " Hz " + std::to_string(p.Bits) + "-bit " + (p.Channels == 2 ? "stereo" : "mono");
}

void BM_ControlSourceBlock(benchmark::State& state) {
  const TPcm& p = kFormats[state.range(0)];
  TProducer producer;
  SetPcm(producer.Format, p);
  TdeAudioControlSource source(nullptr);
  source.SetAudioSource(&producer);
  const std::vector<uint8_t> block = SineBlock(p);
  for (auto _ : state) {
    producer.Subject->Notify(producer.Subject.get(), block.data(), static_cast<int32_t>(block.size()));
    benchmark::DoNotOptimize(source.LeftData());
  }
  state.SetLabel(Label(p));
}
BENCHMARK(BM_ControlSourceBlock)->DenseRange(0, std::size(kFormats) - 1)->Unit(benchmark::kMicrosecond);

void SetFormats(TdeAudioConvertor& convertor, const TPcm& p) {
  SetPcm(*convertor.FormatIn(), p);
  SetPcm(*convertor.FormatOut(), {48000, 16, 2});
}

// Closing and reopening the chain alone, as every block did when the chain was
// planned anew each time.
void BM_ConvertorReopen(benchmark::State& state) {
  const TPcm& p = kFormats[state.range(0)];
  TdeAudioConvertor convertor(nullptr);
  SetFormats(convertor, p);
  const std::vector<uint8_t> block = SineBlock(p);
  for (auto _ : state) {
    convertor.SetActive(false);
    convertor.SetActive(true);
    // A step fixes its buffers on the first block it converts; that is part of a reopen.
    convertor.ConvertAlone(block.data(), static_cast<int32_t>(block.size()));
  }
  state.SetLabel(Label(p));
}
BENCHMARK(BM_ConvertorReopen)->DenseRange(0, std::size(kFormats) - 1)->Unit(benchmark::kMicrosecond);

// The chain kept open, each block still on its own (state reset, output flushed).
void BM_ConvertorKeptOpen(benchmark::State& state) {
  const TPcm& p = kFormats[state.range(0)];
  TdeAudioConvertor convertor(nullptr);
  SetFormats(convertor, p);
  convertor.Open();
  const std::vector<uint8_t> block = SineBlock(p);
  for (auto _ : state) convertor.ConvertAlone(block.data(), static_cast<int32_t>(block.size()));
  state.SetLabel(Label(p));
}
BENCHMARK(BM_ConvertorKeptOpen)->DenseRange(0, std::size(kFormats) - 1)->Unit(benchmark::kMicrosecond);

// The clipping cue's peak measure of one recorded block, next to the control
// source's cost for the same block above.
void BM_PeakMeterBlock(benchmark::State& state) {
  const TPcm& p = kFormats[state.range(0)];
  TdeWaveFormat format;
  SetPcm(format, p);
  const std::vector<uint8_t> block = SineBlock(p);
  for (auto _ : state) benchmark::DoNotOptimize(MeasurePeak(format, block.data(), static_cast<uint32_t>(block.size())));
  state.SetLabel(Label(p));
}
BENCHMARK(BM_PeakMeterBlock)->DenseRange(0, std::size(kFormats) - 1)->Unit(benchmark::kMicrosecond);

void BM_OscilloscopePaint(benchmark::State& state) {
  TProducer producer;
  SetPcm(producer.Format, {48000, 16, 2});
  TdeAudioControlSource source(nullptr);
  source.SetAudioSource(&producer);
  TdeOscilloscope scope(nullptr);
  scope.SetAudioControlSource(&source);
  scope.resize(465, 114);
  scope.SetNumberOfPoints(200);
  scope.SetColor(clBlack);
  scope.PenLeft()->SetColor(clLime);
  scope.PenRight()->SetColor(clYellow);
  const std::vector<uint8_t> block = SineBlock({48000, 16, 2});
  producer.Subject->Notify(producer.Subject.get(), block.data(), static_cast<int32_t>(block.size()));
  QImage image(scope.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    scope.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OscilloscopePaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
