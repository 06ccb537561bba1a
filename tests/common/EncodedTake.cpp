#include "EncodedTake.h"

#include <cmath>
#include <cstring>

#include "PeerProgram.h"
#include "Streams.h"
#include "deACM.h"
#include "deAudioStreams.h"

const std::vector<TTakeEncoding>& TakeEncodings() {
  static const std::vector<TTakeEncoding> encodings = {
      {"PCM", WAVE_FORMAT_PCM, 22050, 2, 1},
      {"IEEE float", WAVE_FORMAT_IEEE_FLOAT, 22050, 1, 1},
      {"A-law", WAVE_FORMAT_ALAW, 8000, 1, 1},
      {"u-law", WAVE_FORMAT_MULAW, 11025, 2, 1},
      {"IMA ADPCM", WAVE_FORMAT_IMA_ADPCM, 22050, 2, 1017},
      {"MS ADPCM", WAVE_FORMAT_ADPCM, 11025, 1, 500},
      {"GSM 6.10", WAVE_FORMAT_GSM610, 8000, 1, 320},
      {"MP3 44.1 kHz", WAVE_FORMAT_MPEGLAYER3, 44100, 2, 1152},
      {"MP3 22.05 kHz", WAVE_FORMAT_MPEGLAYER3, 22050, 1, 576},
      {"MP3 8 kHz", WAVE_FORMAT_MPEGLAYER3, 8000, 1, 576},
  };
  return encodings;
}

std::vector<int16_t> BurstSignal(int frames, int channels, uint32_t rate) {
  std::vector<int16_t> s(size_t(frames) * channels);
  uint32_t noise = 99;
  for (int i = 0; i < frames; ++i) {
    const bool loud = (int64_t(i) * 5 / rate) % 2 == 1;
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1103515245u + 12345u;
      const double tone = 3000.0 * std::sin(2 * M_PI * (300.0 + 150.0 * c) * i / rate);
      const double v = tone + (loud ? double(int((noise >> 16) % 40000) - 20000) : 0.0);
      s[size_t(i) * channels + c] = int16_t(std::lround(v));
    }
  }
  return s;
}

std::string EncodeTake(const TTakeEncoding& encoding, double seconds, TdeWaveFormat& format) {
  const uint32_t rate = encoding.Rate;
  const uint16_t tag = encoding.Tag;
  const std::vector<int16_t> pcm = BurstSignal(int(rate * seconds), encoding.Channels, rate);
  TdeWaveFormat source;
  source.SetPcm(rate, 16, encoding.Channels);
  format.Assign(&source);
  const std::string raw(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
  if (tag == WAVE_FORMAT_PCM) return raw;
  format.SetFormatTag(tag);
  if (acmFormatSuggest(nullptr, source.WaveFormat(), format.WaveFormat(), TdeWaveFormat::BufferSize,
                       ACM_FORMATSUGGESTF_WFORMATTAG) != 0)
    return {};
  TMiniConvertor step(source, format);
  step.Open(false);
  const int32_t n = step.Convert(raw.data(), int32_t(raw.size()), false, ACM_STREAMCONVERTF_END);
  return std::string(reinterpret_cast<const char*>(step.OutputBuffer()), size_t(n));
}

void WriteTakeFile(const QString& name, TdeWaveFormat& format, const std::string& data) {
  TFileStream f(name, fmCreate);
  TdeRIFFAudioWriter w(&f);
  w.GetFormat()->Assign(&format);
  w.Write(data.data(), int32_t(data.size()));
  w.Finish();
}

std::vector<int16_t> FfmpegDecode(const QString& name) {
  QByteArray raw;
  if (RunProgram("ffmpeg", {"-v", "error", "-i", name, "-f", "s16le", "-acodec", "pcm_s16le", "-"}, &raw) != 0)
    return {};
  std::vector<int16_t> s(size_t(raw.size()) / 2);
  std::memcpy(s.data(), raw.data(), s.size() * 2);
  return s;
}
