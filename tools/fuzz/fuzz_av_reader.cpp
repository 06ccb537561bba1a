// Bytes read as an audio file of any container libavformat knows, decoded by
// the reader and written on as the converter writes them: encoded as FLAC,
// Opus, Vorbis or MP3, or converted into a WAVE file, all in memory. A hostile
// header (sizes, rates, channel counts) or a damaged packet must end in a
// clean error, never a crash, an overrun or a hang.
// The input's size picks the way out, so every mutation that grows or shrinks
// a file also tries it on another one. Half the inputs go to the WAVE file:
// an encoder's set-up costs ten times the decoding of a small file, and what
// the encoders see of a hostile file is only its layout and its samples.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "AvFileReader.h"
#include "ACMErrors.h"
#include "SampleLayout.h"
#include "deACM.h"
#include "deAudioExport.h"
#include "deAudioStreams.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Past the first encoder frames and resampler slices more audio only repeats
// the same per-sample loops, which cost most of a run under the sanitizers:
// at 2^18 frames a core made 450 inputs a second, here 800, with the same
// coverage. A tiny file that decodes into hours is cut here too. An encoder
// has seen every path of its own by a few of its frames (at most 2048 samples
// each), and a slow one on six channels at a low rate spent 100 ms on the rest.
constexpr int64_t kMaxFrames = 1 << 15;
constexpr int64_t kMaxEncodedFrames = 1 << 12;

// The reader's audio in the blocks it hands out, as bytes of format, up to
// `most` frames (a claimed block can hold far more); the frames passed on.
template <typename Sink>
int64_t Pass(TAvFileReader& reader, const TdeWaveFormat& format, int64_t most, Sink sink) {
  const uint8_t* data = nullptr;
  int64_t frames = 0;
  while (frames < most) {
    const int64_t n = std::min<int64_t>(reader.Read(data), most - frames);
    if (n == 0) break;
    sink(data, static_cast<int32_t>(n * format.BlockAlign()));
    frames += n;
  }
  return frames;
}

// As the converter describes what it decodes.
void SetFormat(TdeWaveFormat& format, const TAvFileReader& reader) {
  const TAvPcmLayout& pcm = reader.Output();
  format.SetPcm(pcm.Rate, static_cast<uint16_t>(SampleBytes(pcm.Kind) * 8), pcm.Channels);
}

void Encode(TAvFileReader& reader, TdeExportType type) {
  TdeWaveFormat format;
  SetFormat(format, reader);
  TMemoryStream out;
  TdeExportSettings settings;
  settings.Type = type;
  settings.Title = QString::fromStdString(reader.Tag("title"));
  settings.Date = QString::fromStdString(reader.Tag("date"));
  TdeEncodedFileWriter writer(&out, settings, format);
  if (Pass(reader, format, kMaxEncodedFrames, [&writer](const uint8_t* data, int32_t size) { writer.Write(data, size); }) > 0)
    writer.Commit();
}

void ToWave(TAvFileReader& reader) {
  TdeWaveFormat format;
  SetFormat(format, reader);
  TdeAudioConvertor convertor(nullptr);
  convertor.SetFormatIn(&format);
  convertor.SetFormatOut(&format);
  convertor.Open();
  TMemoryStream out;
  TdeRIFFAudioWriter writer(&out);
  writer.SetDurable(false);
  writer.SetFormat(convertor.FormatOut());
  convertor.SetOnAudioConverted([&writer](TComponent*, const void* data, int32_t size, bool&) {
    writer.Write(data, size);
  });
  Pass(reader, format, kMaxFrames, [&convertor](const uint8_t* data, int32_t size) { convertor.Convert(data, size); });
  convertor.ConvertLast(nullptr, 0);
  convertor.Close();
  writer.Finish();
}

}  // namespace

// libvorbisenc 1.3.7 keeps 2848 bytes of every six-channel set-up after
// vorbis_info_clear (its own API alone shows it); that is not ours to fix.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_encode_setup_init\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream in;
  in.Write(data, static_cast<int32_t>(size));
  in.SetPosition(0);
  const size_t way = size % 8;
  try {
    // The converter mixes down to two channels for the WAVE convertor.
    TAvFileReader reader(&in, way >= 4 ? 2 : 0);
    if (way >= 4)
      ToWave(reader);
    else
      Encode(reader, static_cast<TdeExportType>(way));
  } catch (const EACMError&) {
    // A clean refusal is what a damaged file must give; any other exception
    // (a failed assertion among them) ends the run as a fault.
  }
  return 0;
}
