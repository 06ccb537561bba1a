#include "ExportTestSupport.h"

#include "Streams.h"
#include "deAudioStreams.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace exporttest {

std::vector<int16_t> Tones(uint32_t rate, uint16_t channels, double seconds) {
  const auto frames = static_cast<size_t>(seconds * rate);
  std::vector<int16_t> s(frames * channels);
  uint32_t noise = 12345;
  for (size_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c) {
      noise = noise * 1103515245u + 12345u;
      const double t = double(i) / rate;
      const double v = 9000.0 * std::sin(2 * M_PI * (440.0 + 110.0 * c) * t) +
                       4000.0 * std::sin(2 * M_PI * (1250.0 - 250.0 * c) * t) + double((noise >> 16) % 256) - 128;
      s[i * channels + c] = static_cast<int16_t>(std::lround(v));
    }
  return s;
}

void WriteTake(const QString& name, const std::vector<int16_t>& pcm, uint32_t rate, uint16_t channels, uint16_t tag) {
  TdeWaveFormat in, out;
  in.SetPcm(rate, 16, channels);
  out.Assign(&in);
  if (tag != WAVE_FORMAT_PCM) {
    out.SetFormatTag(tag);
    RaiseACMError(acmFormatSuggest(
        nullptr, in.WaveFormat(), out.WaveFormat(), TdeWaveFormat::BufferSize,
        ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC));
  }
  TdeAudioConvertor chain(nullptr);
  chain.SetFormatIn(&in);
  chain.SetFormatOut(&out);
  chain.Open();
  TFileStream file(name, fmCreate);
  TdeRIFFAudioWriter writer(&file);
  writer.SetDurable(false);
  writer.SetFormat(&out);
  chain.SetOnAudioConverted(
      [&writer](TComponent*, const void* data, int32_t size, bool&) { writer.Write(data, size); });
  const size_t block = size_t(rate / 8) * channels;
  for (size_t at = 0; at < pcm.size(); at += block)
    chain.Convert(pcm.data() + at, static_cast<int32_t>(std::min(block, pcm.size() - at) * 2));
  chain.ConvertLast(nullptr, 0);
  writer.Finish();
}

std::vector<int16_t> PlayedPcm(const QString& take) {
  TFileStream file(take, fmOpenRead);
  TdeRIFFAudioReader reader(&file);
  TdeWaveFormat pcm;
  pcm.SuggestPCM(reader.GetFormat());
  TdeAudioConvertor chain(nullptr);
  chain.SetFormatIn(reader.GetFormat());
  chain.SetFormatOut(&pcm);
  chain.Open();
  QByteArray bytes;
  chain.SetOnAudioConverted([&bytes](TComponent*, const void* data, int32_t size, bool&) {
    bytes.append(static_cast<const char*>(data), size);
  });
  auto window = reader.OpenStream(0);
  QByteArray coded(static_cast<qsizetype>(window->Size()), Qt::Uninitialized);
  window->Read(coded.data(), static_cast<int32_t>(coded.size()));
  chain.ConvertLast(coded.constData(), static_cast<int32_t>(coded.size()));
  std::vector<int16_t> s(size_t(bytes.size()) / 2);
  std::memcpy(s.data(), bytes.constData(), s.size() * 2);
  return s;
}

void WriteLinearTake(const QString& name, const QByteArray& samples, const TdeWaveFormat& format) {
  TFileStream file(name, fmCreate);
  TdeRIFFAudioWriter writer(&file);
  writer.SetDurable(false);
  writer.SetFormat(const_cast<TdeWaveFormat*>(&format));
  writer.Write(samples.constData(), static_cast<int32_t>(samples.size()));
  writer.Finish();
}

QMap<QString, QString> Probe(const QString& file) {
  QByteArray out;
  RunProgram(
      QStringLiteral("ffprobe"),
      {"-v", "error", "-select_streams", "a:0", "-show_entries",
       "stream=codec_name,sample_rate,channels:stream_tags=title,date:format=format_name,bit_rate:format_tags=title,"
       "date",
       "-of", "default=noprint_wrappers=1", file},
      &out);
  QMap<QString, QString> entries;
  for (const QByteArray& line : out.split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) continue;
    QString key = QString::fromUtf8(line.left(eq));
    key.remove(QStringLiteral("TAG:"));
    entries[key.toLower()] = QString::fromUtf8(line.mid(eq + 1)).trimmed();
  }
  return entries;
}

double ProbedSeconds(const QString& file) {
  QByteArray out;
  RunProgram(QStringLiteral("ffprobe"),
             {"-v", "error", "-select_streams", "a:0", "-show_entries", "frame=nb_samples", "-of", "csv=p=0", file},
             &out);
  int64_t samples = 0;
  for (const QByteArray& line : out.split('\n')) samples += line.trimmed().toLongLong();
  const double rate = Probe(file).value(QStringLiteral("sample_rate")).toDouble();
  return rate > 0 ? double(samples) / rate : -1;
}

std::vector<int16_t> Decoded(const QString& file, uint32_t rate, uint16_t channels) {
  QByteArray out;
  RunProgram(
      QStringLiteral("ffmpeg"),
      {"-v", "error", "-i", file, "-f", "s16le", "-ar", QString::number(rate), "-ac", QString::number(channels), "-"},
      &out);
  std::vector<int16_t> s(size_t(out.size()) / 2);
  std::memcpy(s.data(), out.constData(), s.size() * 2);
  return s;
}

QByteArray DecodedRaw(const QString& file, const QString& format) {
  QByteArray out;
  RunProgram(QStringLiteral("ffmpeg"), {"-v", "error", "-i", file, "-f", format, "-"}, &out);
  return out;
}

namespace {
double CorrelationAt(const std::vector<int16_t>& a, const std::vector<int16_t>& b, uint16_t channels, int shift,
                     size_t step) {
  const auto framesA = static_cast<int64_t>(a.size() / channels);
  const auto framesB = static_cast<int64_t>(b.size() / channels);
  // The ends are left out: codecs fade in and pad out.
  const int64_t margin = framesA / 10;
  double ab = 0, aa = 0, bb = 0;
  for (int64_t i = margin; i < framesA - margin; i += int64_t(step)) {
    const int64_t j = i + shift;
    if (j < 0 || j >= framesB) continue;
    for (uint16_t c = 0; c < channels; ++c) {
      const double x = a[size_t(i) * channels + c], y = b[size_t(j) * channels + c];
      ab += x * y;
      aa += x * x;
      bb += y * y;
    }
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}
}  // namespace

double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, uint16_t channels, int maxShift) {
  int coarse = 0;
  double best = -2;
  for (int shift = -maxShift; shift <= maxShift; ++shift)
    if (const double v = CorrelationAt(a, b, channels, shift, 16); v > best) best = v, coarse = shift;
  best = -2;
  for (int shift = coarse - 16; shift <= coarse + 16; ++shift)
    best = std::max(best, CorrelationAt(a, b, channels, shift, 1));
  return best;
}

}  // namespace exporttest
