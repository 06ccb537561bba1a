// tamsel-convert [options] IN OUT
// Converts audio files the way the recorder plays, records and saves: a WAVE
// file's audio goes through the convertor in eighth-of-a-second blocks and
// comes out as a new WAVE file, or is saved as FLAC, Opus, Vorbis or MP3 as
// the recorder's Save does it. Other audio files are decoded first.
#include "AvFileReader.h"
#include "FormatSpec.h"
#include "deACM.h"
#include "deAudioExport.h"
#include "deAudioStreams.h"
#include "deTakeCut.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {
void Print(FILE* to, const QString& line) {
  const QByteArray utf8 = line.toUtf8();
  std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), to);
  std::fputc('\n', to);
}

// A bar on the terminal; nothing when standard error is not one.
class TProgress {
 public:
  explicit TProgress(int64_t total) : FTotal(total), FShown(isatty(STDERR_FILENO) && total > 0) {}
  void Show(int64_t done) {
    if (!FShown) return;
    const int percent = static_cast<int>(done * 100 / FTotal);
    if (percent == FLast) return;
    FLast = percent;
    char bar[41];
    const int filled = percent * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
    bar[40] = 0;
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    std::fflush(stderr);
  }
  void Done() {
    if (FShown && FLast >= 0) std::fputc('\n', stderr);
  }

 private:
  int64_t FTotal;
  bool FShown;
  int FLast = -1;
};

// In floating point: a length from a header times the frame size can pass 2^63.
QString Length(double bytes, const TdeWaveFormat& f) {
  if (f.AvgBytesPerSec() == 0) return QStringLiteral("?");
  const double seconds = bytes / f.AvgBytesPerSec();
  return QStringLiteral("%1 s").arg(seconds, 0, 'f', 3);
}

bool IsWaveFile(const QString& name);
int InfoDecoded(const QString& name);

int Info(const QString& name) {
  if (!IsWaveFile(name)) return InfoDecoded(name);
  TFileStream in(name, fmOpenRead);
  TdeRIFFAudioReader reader(&in);
  const TdeWaveFormat& f = *reader.GetFormat();
  Print(stdout, QStringLiteral("File:        %1").arg(name));
  Print(stdout, QStringLiteral("Format:      %1").arg(f.Description()));
  Print(stdout, QStringLiteral("Format code: %1").arg(SpecOf(f)));
  Print(stdout, QStringLiteral("Tag:         0x%1").arg(f.FormatTag(), 4, 16, QLatin1Char('0')));
  Print(stdout, QStringLiteral("Rate:        %1 Hz").arg(f.SamplesPerSec()));
  Print(stdout, QStringLiteral("Bits:        %1").arg(f.BitsPerSample()));
  Print(stdout, QStringLiteral("Channels:    %1").arg(f.Channels()));
  Print(stdout, QStringLiteral("Block align: %1").arg(f.BlockAlign()));
  Print(stdout, QStringLiteral("Bytes/s:     %1").arg(f.AvgBytesPerSec()));
  Print(stdout, QStringLiteral("Data bytes:  %1").arg(reader.GetStreamSize(0)));
  Print(stdout, QStringLiteral("Length:      %1").arg(Length(static_cast<double>(reader.GetStreamSize(0)), f)));
  return 0;
}

int ListAll() {
  for (const auto& entry : ListFormats())
    Print(stdout, QStringLiteral("%1\t%2\t%3").arg(SpecOf(entry->Format), entry->Driver, entry->Format.Description()));
  return 0;
}

// A WAVE file (RIFF, or RF64 and BW64 for large ones) goes to our reader;
// everything else to libavformat.
bool IsWaveFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return true;  // our reader says why it cannot be opened
  const QByteArray head = f.read(12);
  if (head.size() < 12) return true;
  const QByteArray id = head.left(4);
  return (id == "RIFF" || id == "RF64" || id == "BW64") && head.mid(8, 4) == "WAVE";
}

// Input is read ahead in large pieces, the next one while the last is
// converted: a conversion reads it once, front to back.
TFileStream* Buffered(TFileStream& in) {
  in.SetReadBuffer(256 * 1024);
  in.SetBackgroundIo(true);
  return &in;
}

// Where the audio comes from, block by block.
class TSource {
 public:
  virtual ~TSource() = default;
  virtual TdeWaveFormat& Format() = 0;
  // The next block; false once the audio is used up.
  virtual bool Next(const void*& data, int32_t& size) = 0;
  virtual int64_t Done() = 0;
  virtual int64_t Total() = 0;
};

// A WAVE file's audio as it is, in the blocks playback reads.
class TWaveSource : public TSource {
 public:
  explicit TWaveSource(const QString& name)
      : FIn(name, fmOpenRead), FReader(Buffered(FIn)), FWindow(FReader.OpenStream(0)) {}
  TdeWaveFormat& Format() override { return *FReader.GetFormat(); }
  bool Next(const void*& data, int32_t& size) override {
    const int64_t n = ReadingBlockSize(Format(), FWindow->Size() - FWindow->Position());
    if (n <= 0) return false;
    if (FBuffer.size() < size_t(n)) FBuffer.resize(size_t(n));
    size = std::max(FWindow->Read(FBuffer.data(), static_cast<int32_t>(n)), 0);
    data = FBuffer.data();
    return size > 0;
  }
  int64_t Done() override { return FWindow->Position(); }
  int64_t Total() override { return FWindow->Size(); }

 private:
  TFileStream FIn;
  TdeRIFFAudioReader FReader;
  std::unique_ptr<TdeSubStream> FWindow;
  std::vector<char> FBuffer;
};

// Any other audio file, decoded to PCM by libavformat and libavcodec.
class TDecodedSource : public TSource {
 public:
  TDecodedSource(const QString& name, uint16_t maxChannels)
      : FIn(name, fmOpenRead), FReader(Buffered(FIn), maxChannels) {
    const TAvPcmLayout& pcm = FReader.Output();
    FFormat.SetPcm(pcm.Rate, static_cast<uint16_t>(SampleBytes(pcm.Kind) * 8), pcm.Channels);
  }
  TdeWaveFormat& Format() override { return FFormat; }
  bool Next(const void*& data, int32_t& size) override {
    const uint8_t* frames = nullptr;
    const uint32_t n = FReader.Read(frames);
    data = frames;
    size = static_cast<int32_t>(n * FFormat.BlockAlign());
    return n > 0;
  }
  int64_t Done() override { return FReader.Position(); }
  int64_t Total() override { return FReader.Size(); }
  const TAvFileReader& Reader() const { return FReader; }

 private:
  TFileStream FIn;
  TAvFileReader FReader;
  TdeWaveFormat FFormat;
};

int InfoDecoded(const QString& name) {
  TDecodedSource source(name, 0);
  const TAvFileReader& r = source.Reader();
  const TdeWaveFormat& f = source.Format();
  Print(stdout, QStringLiteral("File:        %1").arg(name));
  Print(stdout, QStringLiteral("Container:   %1").arg(QString::fromStdString(r.ContainerName())));
  Print(stdout, QStringLiteral("Codec:       %1").arg(QString::fromStdString(r.CodecName())));
  Print(stdout, QStringLiteral("Decodes to:  %1").arg(f.Description()));
  Print(stdout, QStringLiteral("Rate:        %1 Hz").arg(f.SamplesPerSec()));
  Print(stdout, QStringLiteral("Channels:    %1").arg(f.Channels()));
  const int64_t frames = r.Frames();
  Print(stdout, QStringLiteral("Length:      %1")
                    .arg(frames < 0 ? QStringLiteral("?") : Length(static_cast<double>(frames) * f.BlockAlign(), f)));
  for (const char* tag : {"title", "date"})
    if (const std::string v = r.Tag(tag); !v.empty())
      Print(
          stdout,
          QStringLiteral("%1 %2").arg(QString::fromLatin1(tag) + QLatin1Char(':'), -12).arg(QString::fromStdString(v)));
  return 0;
}

// Into a WAVE file, through the convertor as the recorder converts.
int ConvertToWave(TSource& source, const QString& outName, const QString& formatText, bool quiet, bool realTime) {
  TdeWaveFormat target;
  if (formatText.isEmpty())
    target.Assign(&source.Format());
  else
    SelectFormat(ParseFormatSpec(formatText), source.Format(), target);

  TdeAudioConvertor convertor(nullptr);
  convertor.SetFormatIn(&source.Format());
  convertor.SetFormatOut(&target);
  convertor.SetRequestRealTime(realTime);
  convertor.Open();
  if (!quiet) {
    QStringList steps;
    convertor.GetConversionSteps(&steps);
    for (const QString& s : steps) Print(stdout, s);
    std::fflush(stdout);
  }

  // A failed conversion leaves no half file behind, but a device or pipe
  // named as the output is not ours to delete.
  const QFileInfo outInfo(outName);
  const bool removeOnFailure = !outInfo.exists() || outInfo.isFile();
  auto out = std::make_unique<TFileStream>(outName, fmCreate);
  // Nobody plays this file while it grows: the audio and its size patches go
  // out in large writes, while the next audio is converted.
  out->SetWriteBuffer(1 << 20);
  out->SetBackgroundIo(true);
  try {
    TdeRIFFAudioWriter writer(out.get());
    // A conversion can be run again; the sizes are still patched as it goes.
    writer.SetDurable(false);
    writer.SetFormat(convertor.FormatOut());
    convertor.SetOnAudioConverted(
        [&writer](TComponent*, const void* data, int32_t size, bool&) { writer.Write(data, size); });
    TProgress progress(source.Total());
    const void* data = nullptr;
    int32_t size = 0;
    while (source.Next(data, size)) {
      convertor.Convert(data, size);
      progress.Show(source.Done());
    }
    // The end flushes the chain, so the output lasts as long as the input.
    convertor.ConvertLast(nullptr, 0);
    progress.Done();
    convertor.Close();
    writer.Finish();
    out->PushHeld();
  } catch (...) {
    out.reset();
    if (removeOnFailure) QFile::remove(outName);
    throw;
  }
  return 0;
}

// Into FLAC, Opus, Vorbis or MP3: a WAVE file the way the recorder saves a copy.
int ConvertToType(const QString& inName, const QString& outName, TdeExportSettings settings, bool quiet) {
  settings.Title = QFileInfo(outName).completeBaseName();
  if (!quiet) {
    Print(stdout, ExportTypeName(settings.Type) + QStringLiteral(": ") + QFileInfo(outName).fileName());
    std::fflush(stdout);
  }
  if (IsWaveFile(inName)) {
    settings.Date = QFileInfo(inName).lastModified().toString(Qt::ISODate);
    std::unique_ptr<TProgress> progress;
    ExportAudioFile(inName, outName, settings, [&progress](int64_t done, int64_t total) {
      if (!progress) progress = std::make_unique<TProgress>(total);
      progress->Show(done);
      return true;
    });
    if (progress) progress->Done();
    return 0;
  }
  TDecodedSource source(inName, 0);
  // The file's own tags go with it.
  if (const std::string title = source.Reader().Tag("title"); !title.empty())
    settings.Title = QString::fromStdString(title);
  settings.Date = QString::fromStdString(source.Reader().Tag("date"));
  TdeEncodedFileWriter writer(outName, settings, source.Format());
  TProgress progress(source.Total());
  const void* data = nullptr;
  int32_t size = 0;
  while (source.Next(data, size)) {
    writer.Write(data, size);
    progress.Show(source.Done());
  }
  writer.Commit();
  progress.Done();
  return 0;
}

// One file under both names, also through a link: writing OUT would empty IN
// before it is read.
bool SameFile(const QString& a, const QString& b) {
  struct stat x = {}, y = {};
  return ::stat(QFile::encodeName(a).constData(), &x) == 0 && ::stat(QFile::encodeName(b).constData(), &y) == 0 &&
         x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

int Convert(const QString& inName, const QString& outName, const QString& formatText, bool quiet, bool realTime) {
  // A named type wins; without one the output's extension chooses. "mp3"
  // into a .wav is the WAVE encoding, into anything else an MP3 file.
  const bool waveOut = QFileInfo(outName).suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0;
  std::optional<TdeExportSettings> type;
  if (!formatText.isEmpty()) {
    if (!waveOut) type = ParseExportSpec(formatText);
  } else if (const auto byName = ExportTypeOf(QFileInfo(outName).suffix())) {
    type = TdeExportSettings{};
    type->Type = *byName;
  }
  if (type) return ConvertToType(inName, outName, *type, quiet);
  if (IsWaveFile(inName)) {
    TWaveSource source(inName);
    return ConvertToWave(source, outName, formatText, quiet, realTime);
  }
  // The codec manager takes one or two channels.
  TDecodedSource source(inName, 2);
  return ConvertToWave(source, outName, formatText, quiet, realTime);
}
// "START,END" in seconds; either may be left out (from the start, to the end).
std::pair<double, double> ParseTrim(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  auto seconds = [&](int i, double open) {
    const QString part = parts.value(i).trimmed();
    if (part.isEmpty()) return open;
    bool ok = false;
    const double v = part.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0)
      throw EConvertError(QStringLiteral("--trim takes START,END in seconds, not \"%1\".").arg(text));
    return v;
  };
  const std::pair<double, double> range{seconds(0, 0), seconds(1, INFINITY)};
  if (parts.size() != 2 || range.second <= range.first)
    throw EConvertError(QStringLiteral("--trim takes START,END in seconds with END after START, not \"%1\".").arg(text));
  return range;
}

// Keeps IN's audio from START to END as the recorder's cut does: its own
// blocks copied as they are, the bounds on the nearest block boundaries.
// Written beside OUT and renamed over it: a failure leaves OUT as it was.
void TrimWave(const QString& inName, const QString& outName, std::pair<double, double> range) {
  if (!IsWaveFile(inName)) throw EConvertError(QStringLiteral("--trim cuts WAVE files only."));
  TFileStream in(inName, fmOpenRead);
  TdeRIFFAudioReader reader(&in);
  const std::unique_ptr<TdeSubStream> data = reader.OpenStream(0);
  TdeWaveFormat format;
  format.Assign(reader.GetFormat());
  const double rate = format.SamplesPerSec();
  const auto frame = [rate](double seconds) {
    return seconds * rate >= 9e18 ? INT64_MAX : static_cast<int64_t>(std::llround(seconds * rate));
  };
  const TdeCutRange cut = PlanCut(format, *data, frame(range.first), frame(range.second));
  const QString temp = QFileInfo(outName).absoluteDir().filePath(
      QStringLiteral(".%1.trim").arg(QFileInfo(outName).fileName()));
  try {
    TFileStream out(temp, fmCreate);
    TProgress progress(cut.Bytes);
    WriteCut(format, in, reader.DataStart(), cut, out, [&progress](int64_t done, int64_t) {
      progress.Show(done);
      return true;
    });
    progress.Done();
  } catch (...) {
    QFile::remove(temp);
    throw;
  }
  if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(outName).constData()) != 0) {
    const int error = errno;
    QFile::remove(temp);
    throw EWriteError(QStringLiteral("Cannot write to \"%1\". %2").arg(outName, QString::fromLocal8Bit(std::strerror(error))));
  }
}

int Trim(const QString& inName, const QString& outName, const QString& trimText, const QString& formatText,
         bool quiet, bool realTime) {
  const std::pair<double, double> range = ParseTrim(trimText);
  if (formatText.isEmpty()) {
    TrimWave(inName, outName, range);
    return 0;
  }
  // The kept part is converted as a whole file would be.
  const QTemporaryDir dir;
  if (!dir.isValid()) throw EWriteError(QStringLiteral("Cannot make a temporary folder. %1").arg(dir.errorString()));
  const QString kept = dir.filePath(QFileInfo(outName).completeBaseName() + QStringLiteral(".wav"));
  TrimWave(inName, kept, range);
  return Convert(kept, outName, formatText, quiet, realTime);
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tamsel-convert"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Converts audio files with the recorder's codecs: WAVE files into other WAVE encodings, and into\n"
      "the types a copy is saved in (FLAC, Opus, Vorbis, MP3); any file FFmpeg reads into a WAVE file.\n"
      "WAVE encodings are named tag:rate:bits:channels[:bitrate], any part but the tag may be left out:\n"
      "  pcm:22050:16:mono   ima-adpcm:22050:mono   gsm610:8000   mp3:44100:stereo:128k\n"
      "Types follow OUT's extension (.flac .opus .ogg .mp3) or are named with their settings:\n"
      "  flac (level 5)  flac:8   opus (64k mono, 96k stereo)  opus:128k   vorbis (q5)  vorbis:q7\n"
      "  mp3 (VBR V2)  mp3:v0  mp3:192k      (mp3 into a .wav OUT is the WAVE encoding)"));
  parser.addHelpOption();
  QCommandLineOption format(
      {QStringLiteral("f"), QStringLiteral("format")},
      QStringLiteral("Target format or type (default: by OUT's extension, else the input's own)."),
      QStringLiteral("fmt"));
  QCommandLineOption list(QStringLiteral("list-formats"), QStringLiteral("List every format of every codec."));
  QCommandLineOption info(QStringLiteral("info"), QStringLiteral("Show the file's format and length."),
                          QStringLiteral("file"));
  QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                           QStringLiteral("Do not print the conversion steps."));
  QCommandLineOption realTime({QStringLiteral("r"), QStringLiteral("real-time")},
                              QStringLiteral("Use only codec settings that keep up in real time, as a recording "
                                             "does (MP3 then codes at LAME's standard quality, not its highest)."));
  QCommandLineOption trim(QStringLiteral("trim"),
                          QStringLiteral("Keep only START to END (seconds; either may be left out) of a WAVE IN, cut "
                                         "as the recorder cuts: in IN's own encoding, its blocks copied as they are, "
                                         "the bounds on the nearest block. With --format the kept part is converted."),
                          QStringLiteral("START,END"));
  parser.addOptions({format, list, info, quiet, realTime, trim});
  parser.addPositionalArgument(QStringLiteral("IN"),
                               QStringLiteral("File to read: WAVE, or any audio file FFmpeg reads."));
  parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("File to write (replaced)."));
  parser.process(app);

  try {
    if (parser.isSet(list)) return ListAll();
    if (parser.isSet(info)) return Info(parser.value(info));
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
      Print(stderr, QStringLiteral("tamsel-convert: give IN and OUT (see --help)."));
      return 2;
    }
    if (SameFile(args[0], args[1])) {
      Print(stderr,
            QStringLiteral("tamsel-convert: IN and OUT are the same file (%1); give OUT another name.").arg(args[1]));
      return 2;
    }
    if (parser.isSet(trim))
      return Trim(args[0], args[1], parser.value(trim), parser.value(format), parser.isSet(quiet),
                  parser.isSet(realTime));
    return Convert(args[0], args[1], parser.value(format), parser.isSet(quiet), parser.isSet(realTime));
  } catch (const Exception& e) {
    Print(stderr, QStringLiteral("tamsel-convert: ") + e.Message());
    return 1;
  } catch (const std::exception& e) {
    Print(stderr, QStringLiteral("tamsel-convert: ") + QString::fromLocal8Bit(e.what()));
    return 1;
  }
}
