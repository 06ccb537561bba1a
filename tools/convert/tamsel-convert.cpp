// tamsel-convert [options] IN.wav OUT.wav
// Converts a WAVE file the way the recorder plays and records: the file's
// audio goes through the convertor in eighth-of-a-second blocks and what
// comes out is written as a new WAVE file.
#include "FormatSpec.h"
#include "deACM.h"
#include "deAudioStreams.h"

#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>
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

QString Length(int64_t bytes, const TdeWaveFormat& f) {
  if (f.AvgBytesPerSec() == 0) return QStringLiteral("?");
  const double seconds = static_cast<double>(bytes) / f.AvgBytesPerSec();
  return QStringLiteral("%1 s").arg(seconds, 0, 'f', 3);
}

int Info(const QString& name) {
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
  Print(stdout, QStringLiteral("Length:      %1").arg(Length(reader.GetStreamSize(0), f)));
  return 0;
}

int ListAll() {
  for (const auto& entry : ListFormats())
    Print(stdout, QStringLiteral("%1\t%2\t%3").arg(SpecOf(entry->Format), entry->Driver, entry->Format.Description()));
  return 0;
}

int Convert(const QString& inName, const QString& outName, const QString& formatText, bool quiet, bool realTime) {
  TFileStream in(inName, fmOpenRead);
  in.SetReadBuffer(256 * 1024);
  TdeRIFFAudioReader reader(&in);
  TdeWaveFormat target;
  if (formatText.isEmpty())
    target.Assign(reader.GetFormat());
  else
    SelectFormat(ParseFormatSpec(formatText), *reader.GetFormat(), target);

  TdeAudioConvertor convertor(nullptr);
  convertor.SetFormatIn(reader.GetFormat());
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
  // out in large writes.
  out->SetWriteBuffer(1 << 20);
  try {
    TdeRIFFAudioWriter writer(out.get());
    // A conversion can be run again; the sizes are still patched as it goes.
    writer.SetDurable(false);
    writer.SetFormat(convertor.FormatOut());
    convertor.SetOnAudioConverted(
        [&writer](TComponent*, const void* data, int32_t size, bool&) { writer.Write(data, size); });

    auto window = reader.OpenStream(0);
    const int64_t total = window->Size();
    std::vector<char> buffer(1);
    TProgress progress(total);
    // As playback does: the tail of less than two blocks goes out as one block,
    // and the last block flushes the chain so the output lasts as long as the input.
    for (;;) {
      const int64_t n = ReadingBlockSize(*reader.GetFormat(), total - window->Position());
      if (buffer.size() < size_t(n)) buffer.resize(size_t(n));
      const int32_t got = n > 0 ? std::max(window->Read(buffer.data(), static_cast<int32_t>(n)), 0) : 0;
      if (got < n || window->Position() >= total) {
        convertor.ConvertLast(buffer.data(), got);
        break;
      }
      convertor.Convert(buffer.data(), got);
      progress.Show(window->Position());
    }
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
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tamsel-convert"));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Converts a WAVE file into another audio format with the recorder's codecs.\n"
                     "Formats are named tag:rate:bits:channels[:bitrate], any part but the tag may be left out, e.g.\n"
                     "  pcm:22050:16:mono   ima-adpcm:22050:mono   gsm610:8000   mp3:44100:stereo:128k"));
  parser.addHelpOption();
  QCommandLineOption format({QStringLiteral("f"), QStringLiteral("format")},
                            QStringLiteral("Target format (default: the input's own)."), QStringLiteral("fmt"));
  QCommandLineOption list(QStringLiteral("list-formats"), QStringLiteral("List every format of every codec."));
  QCommandLineOption info(QStringLiteral("info"), QStringLiteral("Show the file's format and length."),
                          QStringLiteral("file"));
  QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                           QStringLiteral("Do not print the conversion steps."));
  QCommandLineOption realTime({QStringLiteral("r"), QStringLiteral("real-time")},
                              QStringLiteral("Use only codec settings that keep up in real time, as a recording "
                                             "does (MP3 then codes at LAME's standard quality, not its highest)."));
  parser.addOptions({format, list, info, quiet, realTime});
  parser.addPositionalArgument(QStringLiteral("IN.wav"), QStringLiteral("File to read."));
  parser.addPositionalArgument(QStringLiteral("OUT.wav"), QStringLiteral("File to write (replaced)."));
  parser.process(app);

  try {
    if (parser.isSet(list)) return ListAll();
    if (parser.isSet(info)) return Info(parser.value(info));
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
      Print(stderr, QStringLiteral("tamsel-convert: give IN.wav and OUT.wav (see --help)."));
      return 2;
    }
    return Convert(args[0], args[1], parser.value(format), parser.isSet(quiet), parser.isSet(realTime));
  } catch (const Exception& e) {
    Print(stderr, QStringLiteral("tamsel-convert: ") + e.Message());
    return 1;
  } catch (const std::exception& e) {
    Print(stderr, QStringLiteral("tamsel-convert: ") + QString::fromLocal8Bit(e.what()));
    return 1;
  }
}
