#include "FormatSpec.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstring>

namespace {
struct TagNameEntry {
  uint16_t Tag;
  const char* Name;
};
// First name of each tag is the one shown; the others are accepted too.
constexpr TagNameEntry kTags[] = {
    {WAVE_FORMAT_PCM, "pcm"},          {WAVE_FORMAT_ADPCM, "ms-adpcm"},      {WAVE_FORMAT_ADPCM, "adpcm"},
    {WAVE_FORMAT_IEEE_FLOAT, "float"}, {WAVE_FORMAT_ALAW, "alaw"},           {WAVE_FORMAT_ALAW, "a-law"},
    {WAVE_FORMAT_MULAW, "mulaw"},      {WAVE_FORMAT_MULAW, "mu-law"},        {WAVE_FORMAT_MULAW, "u-law"},
    {WAVE_FORMAT_MULAW, "ulaw"},       {WAVE_FORMAT_IMA_ADPCM, "ima-adpcm"}, {WAVE_FORMAT_IMA_ADPCM, "ima"},
    {WAVE_FORMAT_GSM610, "gsm610"},    {WAVE_FORMAT_GSM610, "gsm"},          {WAVE_FORMAT_MPEGLAYER3, "mp3"},
};

[[noreturn]] void Bad(const QString& text) { throw EConvertError(text); }

bool Fits(const TFormatSpec& fmt, const WAVEFORMATEX& w) {
  if (w.wFormatTag != fmt.Tag) return false;
  if (fmt.Rate && w.nSamplesPerSec != *fmt.Rate) return false;
  if (fmt.Channels && w.nChannels != *fmt.Channels) return false;
  if (fmt.Bits && w.wBitsPerSample != *fmt.Bits) return false;
  // Bit rates are named in whole kilobits: 128k is 16000 bytes a second.
  if (fmt.BitRate && (w.nAvgBytesPerSec * 8 + 500) / 1000 != (*fmt.BitRate + 500) / 1000) return false;
  return true;
}

struct TEnumState {
  std::vector<std::unique_ptr<TListedFormat>>* List;
  QString Driver;
};

bool FormatCallback(HACMDRIVERID, ACMFORMATDETAILS* details, uintptr_t instance, uint32_t) {
  auto* state = reinterpret_cast<TEnumState*>(instance);
  auto entry = std::make_unique<TListedFormat>();
  entry->Driver = state->Driver;
  std::memcpy(entry->Format.WaveFormat(), details->pwfx, std::min<uint32_t>(details->cbwfx, TdeWaveFormat::BufferSize));
  state->List->push_back(std::move(entry));
  return true;
}

bool DriverCallback(HACMDRIVERID id, uintptr_t instance, uint32_t) {
  auto* list = reinterpret_cast<std::vector<std::unique_ptr<TListedFormat>>*>(instance);
  ACMDRIVERDETAILS dd{};
  dd.cbStruct = sizeof dd;
  TEnumState state{list, QString()};
  if (acmDriverDetails(id, &dd, 0) == MMSYSERR_NOERROR) state.Driver = QString::fromUtf8(dd.szShortName);
  HACMDRIVER driver = nullptr;
  if (acmDriverOpen(&driver, id, 0) != MMSYSERR_NOERROR) return true;
  TdeWaveFormat scratch;
  ACMFORMATDETAILS fd{};
  fd.cbStruct = sizeof fd;
  fd.pwfx = scratch.WaveFormat();
  fd.cbwfx = TdeWaveFormat::BufferSize;
  fd.dwFormatTag = WAVE_FORMAT_UNKNOWN;
  acmFormatEnum(driver, &fd, FormatCallback, reinterpret_cast<uintptr_t>(&state), 0);
  acmDriverClose(driver, 0);
  return true;
}
}  // namespace

TFormatSpec ParseFormatSpec(const QString& text) {
  const QStringList parts = text.trimmed().toLower().split(QLatin1Char(':'));
  TFormatSpec fmt;
  const QString& tag = parts.first();
  bool known = false;
  for (const auto& e : kTags)
    if (tag == QLatin1String(e.Name)) {
      fmt.Tag = e.Tag;
      known = true;
    }
  if (!known) {
    bool ok = false;
    const uint value = tag.toUInt(&ok, 0);
    if (!ok || value == 0 || value > 0xFFFF)
      Bad(QStringLiteral("Unknown format \"%1\" (see --list-formats).").arg(tag));
    fmt.Tag = static_cast<uint16_t>(value);
  }
  static const QRegularExpression kBitRate(QStringLiteral("^(\\d+)k(bps)?$"));
  static const QRegularExpression kChannels(QStringLiteral("^(\\d+)ch$"));
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QString& p = parts[i];
    bool ok = false;
    const uint n = p.toUInt(&ok);
    if (p == QLatin1String("mono")) {
      fmt.Channels = 1;
    } else if (p == QLatin1String("stereo")) {
      fmt.Channels = 2;
    } else if (auto m = kChannels.match(p); m.hasMatch() && m.captured(1).toUInt() > 0) {
      fmt.Channels = static_cast<uint16_t>(m.captured(1).toUInt());
    } else if (auto kbits = kBitRate.match(p); kbits.hasMatch()) {
      fmt.BitRate = kbits.captured(1).toUInt() * 1000;
    } else if (ok && n >= 1000) {
      fmt.Rate = n;
    } else if (ok && n > 0 && n <= 64) {
      fmt.Bits = static_cast<uint16_t>(n);
    } else {
      Bad(QStringLiteral("Cannot read \"%1\" in the format \"%2\": give a rate (22050), bits (16), mono, stereo, "
                         "a channel count (6ch) or a bit rate (128k).")
              .arg(p, text));
    }
  }
  return fmt;
}

QString TagName(uint16_t tag) {
  for (const auto& e : kTags)
    if (e.Tag == tag) return QString::fromLatin1(e.Name);
  return QStringLiteral("0x%1").arg(tag, 4, 16, QLatin1Char('0'));
}

QString SpecOf(const TdeWaveFormat& f) {
  QString s = TagName(f.FormatTag()) + QLatin1Char(':') + QString::number(f.SamplesPerSec());
  if (f.BitsPerSample() != 0) s += QLatin1Char(':') + QString::number(f.BitsPerSample());
  s += f.Channels() == 1   ? QStringLiteral(":mono")
       : f.Channels() == 2 ? QStringLiteral(":stereo")
                           : QStringLiteral(":%1ch").arg(f.Channels());
  if (f.FormatTag() == WAVE_FORMAT_MPEGLAYER3) s += QStringLiteral(":%1k").arg((f.AvgBytesPerSec() * 8 + 500) / 1000);
  return s;
}

std::vector<std::unique_ptr<TListedFormat>> ListFormats() {
  std::vector<std::unique_ptr<TListedFormat>> list;
  acmDriverEnum(DriverCallback, reinterpret_cast<uintptr_t>(&list), 0);
  return list;
}

void SelectFormat(const TFormatSpec& fmt, const TdeWaveFormat& source, TdeWaveFormat& result) {
  if (fmt.Tag == WAVE_FORMAT_PCM || fmt.Tag == WAVE_FORMAT_IEEE_FLOAT) {
    // Linear formats exist at any rate, size and channel count.
    const bool sourceLinear = source.FormatTag() == WAVE_FORMAT_PCM || source.FormatTag() == WAVE_FORMAT_IEEE_FLOAT;
    WAVEFORMATEX* w = result.WaveFormat();
    result.SetDefault();
    w->wFormatTag = fmt.Tag;
    w->nSamplesPerSec = fmt.Rate.value_or(source.SamplesPerSec());
    w->nChannels = fmt.Channels.value_or(source.Channels());
    w->wBitsPerSample = fmt.Bits.value_or(fmt.Tag == WAVE_FORMAT_IEEE_FLOAT                 ? 32
                                          : sourceLinear && source.BitsPerSample() % 8 == 0 ? source.BitsPerSample()
                                                                                            : 16);
    w->nBlockAlign = static_cast<uint16_t>(w->nChannels * (w->wBitsPerSample / 8));
    w->nAvgBytesPerSec = w->nSamplesPerSec * w->nBlockAlign;
    if (w->nBlockAlign == 0 || w->wBitsPerSample % 8 != 0)
      Bad(QStringLiteral("Bits per sample must be 8, 16, 24 or 32."));
    return;
  }
  const auto formats = ListFormats();
  TFormatSpec near = fmt;
  near.Rate = fmt.Rate.value_or(source.SamplesPerSec());
  near.Channels = fmt.Channels.value_or(source.Channels());
  const TFormatSpec* tries[] = {&near, &fmt};
  for (const TFormatSpec* s : tries)
    for (const auto& f : formats)
      if (Fits(*s, *f->Format.WaveFormat())) {
        result.Assign(&f->Format);
        return;
      }
  Bad(QStringLiteral("No installed codec offers the format \"%1\" (see --list-formats).").arg(TagName(fmt.Tag)));
}

std::optional<TdeExportSettings> ParseExportSpec(const QString& text) {
  const QStringList parts = text.trimmed().toLower().split(QLatin1Char(':'));
  const QString& name = parts.first();
  TdeExportSettings settings;
  if (name == QLatin1String("vorbis"))
    settings.Type = TdeExportType::Vorbis;
  else if (const auto type = ExportTypeOf(name))
    settings.Type = *type;
  else
    return std::nullopt;
  // The highest quality number each type takes (FLAC: its level); Opus has none.
  const int top = settings.Type == TdeExportType::Flac     ? 12
                  : settings.Type == TdeExportType::Vorbis ? 10
                  : settings.Type == TdeExportType::Mp3    ? 9
                                                           : -1;
  static const QRegularExpression kBitRate(QStringLiteral("^(\\d+)k(bps)?$"));
  static const QRegularExpression kQuality(QStringLiteral("^[qvl]?(\\d+)$"));
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QString& p = parts[i];
    if (auto kbits = kBitRate.match(p); kbits.hasMatch() && settings.Type != TdeExportType::Flac) {
      settings.BitRate = kbits.captured(1).toUInt() * 1000;
      if (settings.BitRate < 6000 || settings.BitRate > 512000)
        Bad(QStringLiteral("The bit rate \"%1\" is outside 6k to 512k.").arg(p));
    } else if (auto q = kQuality.match(p); q.hasMatch() && top >= 0) {
      settings.Quality = q.captured(1).toInt();
      if (settings.Quality > top)
        Bad(QStringLiteral("The quality \"%1\" of %2 is outside 0 to %3.").arg(p, name).arg(top));
    } else {
      Bad(QStringLiteral("Cannot read \"%1\" in the format \"%2\": %3 takes %4.")
              .arg(p, text, name,
                   settings.Type == TdeExportType::Flac   ? QStringLiteral("a level (flac:8)")
                   : settings.Type == TdeExportType::Opus ? QStringLiteral("a bit rate (opus:96k)")
                   : settings.Type == TdeExportType::Mp3
                       ? QStringLiteral("a VBR level (mp3:v0) or a bit rate (mp3:192k)")
                       : QStringLiteral("a quality (vorbis:q6) or a bit rate (vorbis:160k)")));
    }
  }
  return settings;
}
