// What a seek costs. Index: building the block index of an hour of 128 kbit/s
// MP3 from a file in the page cache (done once, at a playback's first seek);
// "index_bytes" is the memory it keeps. Seek: the decode work of one seek in
// each encoding, as the window does it without the device: the convertor
// restarts, the decode starts at the entry's DecodeOffset, the warm-up is
// dropped and five eighth-of-a-second blocks come out.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <algorithm>

#include "EncodedTake.h"
#include "Streams.h"
#include "deACM.h"
#include "deAudioStreams.h"
#include "deTakeBlocks.h"

namespace {

void IndexHourOfMp3(benchmark::State& state) {
  const TTakeEncoding mp3 = *std::find_if(TakeEncodings().begin(), TakeEncodings().end(),
                                          [](const TTakeEncoding& e) { return e.Tag == WAVE_FORMAT_MPEGLAYER3; });
  TdeWaveFormat format;
  const std::string tenSeconds = EncodeTake(mp3, 10, format);
  QTemporaryDir dir;
  const QString name = dir.filePath("hour.mp3data");
  {
    TFileStream out(name, fmCreate);
    for (int i = 0; i < 360; ++i) out.WriteBuffer(tenSeconds.data(), int32_t(tenSeconds.size()));
  }
  TFileStream data(name, fmOpenRead);
  int64_t frames = 0;
  for (auto _ : state) {
    const TdeTakeBlocks blocks(format, data);
    frames = blocks.Blocks();
    benchmark::DoNotOptimize(frames);
  }
  state.counters["mp3_frames"] = double(frames);
  state.counters["index_bytes"] = double(frames * 8);
  state.counters["data_MB"] = double(data.Size()) / 1e6;
}
BENCHMARK(IndexHourOfMp3)->Unit(benchmark::kMillisecond)->Iterations(5);

void Seek(benchmark::State& state) {
  const TTakeEncoding& e = TakeEncodings()[size_t(state.range(0))];
  state.SetLabel(e.Name);
  TdeWaveFormat format;
  const std::string data = EncodeTake(e, 20, format);
  TMemoryStream stream;
  stream.WriteBuffer(data.data(), int32_t(data.size()));
  const TdeTakeBlocks blocks(format, stream);
  TdeWaveFormat pcm;
  pcm.SuggestPCM(&format);
  TdeAudioConvertor conv(nullptr);
  conv.SetFormatIn(&format);
  conv.SetFormatOut(&pcm);
  int64_t heard = 0;
  conv.SetOnAudioConverted([&heard](TComponent*, const void*, int32_t n, bool&) { heard += n; });
  conv.Open();
  const int64_t block = ReadingBlockSize(format, int64_t(data.size()));
  int64_t place = 0;
  for (auto _ : state) {
    // Places spread over the take, each a new entry.
    place = (place + blocks.Frames() / 7 + 1) % blocks.Frames();
    const TdeTakeBlocks::TEntry at = blocks.BlockAt(place);
    conv.Restart(at.DecodeSkip);
    int64_t offset = at.DecodeOffset;
    heard = 0;
    for (int i = 0; i < 5 + 1 && offset < int64_t(data.size()); ++i) {
      const int64_t n = std::min<int64_t>(block, int64_t(data.size()) - offset);
      conv.Convert(data.data() + offset, int32_t(n));
      offset += n;
    }
    benchmark::DoNotOptimize(heard);
  }
}
BENCHMARK(Seek)->DenseRange(0, int(TakeEncodings().size()) - 1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
