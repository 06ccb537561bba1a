#include "deAudioExport.h"

#include "AcmDriver.h"
#include "AvFileWriter.h"
#include "deAudioConsts.h"
#include "deAudioStreams.h"
#include "deCommon.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kUnit = "deAudioExport";

// A file being saved, as the stream the encoder writes and seeks.
class TSaveFileStream : public TStream {
 public:
  explicit TSaveFileStream(QSaveFile& file) : FFile(file) {}
  int32_t Read(void* buffer, int32_t count) override {
    const qint64 n = FFile.read(static_cast<char*>(buffer), count);
    return n < 0 ? 0 : static_cast<int32_t>(n);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    const qint64 n = FFile.write(static_cast<const char*>(buffer), count);
    return n < 0 ? 0 : static_cast<int32_t>(n);
  }
  int64_t Seek(int64_t offset, int origin) override {
    const int64_t base = origin == soCurrent ? FFile.pos() : origin == soEnd ? FFile.size() : 0;
    if (base + offset < 0 || !FFile.seek(base + offset)) return -1;
    return FFile.pos();
  }
  int64_t Size() override { return FFile.size(); }

 private:
  QSaveFile& FFile;
};

// Linear PCM as the encoders take it: any channel count and rate (the
// writer mixes down and resamples what a type cannot carry), with the block
// size and data rate the layout makes.
bool ExportLinear(const WAVEFORMATEX* wfx, TAcmLinearFormat& out) {
  const TAcmLinearFormat f = SampleLayout(wfx);
  if (f.Kind == TAcmSampleKind::None || f.Channels == 0 || f.Rate == 0) return false;
  if (wfx->nBlockAlign != f.BlockAlign || wfx->nAvgBytesPerSec != uint64_t(f.Rate) * f.BlockAlign) return false;
  out = f;
  return true;
}

TAvFileType AvType(TdeExportType type) {
  switch (type) {
    case TdeExportType::Flac: return TAvFileType::Flac;
    case TdeExportType::Opus: return TAvFileType::Opus;
    case TdeExportType::Vorbis: return TAvFileType::Vorbis;
    case TdeExportType::Mp3: return TAvFileType::Mp3;
  }
  return TAvFileType::Flac;
}

}  // namespace

QString ExportExtension(TdeExportType type) {
  switch (type) {
    case TdeExportType::Flac: return QStringLiteral("flac");
    case TdeExportType::Opus: return QStringLiteral("opus");
    case TdeExportType::Vorbis: return QStringLiteral("ogg");
    case TdeExportType::Mp3: return QStringLiteral("mp3");
  }
  return {};
}

std::optional<TdeExportType> ExportTypeOf(const QString& extension) {
  const QString e = extension.toLower();
  for (TdeExportType t : {TdeExportType::Flac, TdeExportType::Opus, TdeExportType::Vorbis, TdeExportType::Mp3})
    if (e == ExportExtension(t)) return t;
  if (e == QLatin1String("oga")) return TdeExportType::Vorbis;
  return std::nullopt;
}

QString ExportTypeName(TdeExportType type) {
  switch (type) {
    case TdeExportType::Flac: return QStringLiteral("FLAC");
    case TdeExportType::Opus: return QStringLiteral("Opus");
    case TdeExportType::Vorbis: return QStringLiteral("Vorbis");
    case TdeExportType::Mp3: return QStringLiteral("MP3");
  }
  return {};
}

// ---- TdeEncodedFileWriter ----

struct TdeEncodedFileWriter::TState {
  std::optional<QSaveFile> File;  // none when the caller gave the stream
  std::optional<TSaveFileStream> FileStream;
  TStream* Out = nullptr;
  std::unique_ptr<TAvFileWriter> Writer;
  uint32_t FrameBytes = 0;
  std::vector<uint8_t> Carry;  // a partial sample frame from the last block
  size_t CarryFill = 0;
  int64_t Frames = 0;  // handed to the encoder

  // A failure of the encoder; one the stream caused gets the file's own reason.
  [[noreturn]] void Raise(const EACMAudioStreamError& e) {
    if (Writer && Writer->StreamFailed() && File)
      throw EACMAudioStreamError(e.Message() + DetailLine(File->errorString().toStdString()));
    throw EACMAudioStreamError(e.Message());
  }
};

TdeEncodedFileWriter::TdeEncodedFileWriter(const QString& target, const TdeExportSettings& settings,
                                           const TdeWaveFormat& pcm)
    : F(std::make_unique<TState>()) {
  F->File.emplace(QFileInfo(target).absoluteFilePath());
  F->FileStream.emplace(*F->File);
  F->Out = &*F->FileStream;
  Open(settings, pcm, target);
}

TdeEncodedFileWriter::TdeEncodedFileWriter(TStream* out, const TdeExportSettings& settings, const TdeWaveFormat& pcm)
    : F(std::make_unique<TState>()) {
  Assert(out != nullptr, kUnit, "Stream");
  F->Out = out;
  Open(settings, pcm, {});
}

void TdeEncodedFileWriter::Open(const TdeExportSettings& settings, const TdeWaveFormat& pcm, const QString& target) {
  TAcmLinearFormat linear;
  if (!ExportLinear(pcm.WaveFormat(), linear))
    throw EACMAudioStreamError(QString::fromUtf8(SExportNotLinear).arg(ExportTypeName(settings.Type)));
  if (F->File && !F->File->open(QIODevice::WriteOnly))
    throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(QDir::toNativeSeparators(target), F->File->errorString()));
  TAvFileSettings av;
  av.Type = AvType(settings.Type);
  av.BitRate = settings.BitRate;
  av.Quality = settings.Quality;
  av.Title = settings.Title.toStdString();
  av.Date = settings.Date.toStdString();
  F->FrameBytes = linear.BlockAlign;
  F->Carry.resize(F->FrameBytes);
  try {
    F->Writer = std::make_unique<TAvFileWriter>(F->Out, av, TAvPcmLayout{linear.Kind, linear.Channels, linear.Rate});
  } catch (const EACMAudioStreamError& e) {
    F->Raise(e);
  }
}

TdeEncodedFileWriter::~TdeEncodedFileWriter() {
  // The encoder goes first: it must not write into a file already discarded.
  F->Writer.reset();
  if (F->File) F->File->cancelWriting();
}

void TdeEncodedFileWriter::Write(const void* data, int32_t size) {
  Assert(size >= 0 && (data || size == 0), kUnit, "AudioData");
  const auto* p = static_cast<const uint8_t*>(data);
  auto left = static_cast<size_t>(size);
  try {
    if (F->CarryFill > 0) {
      const size_t take = std::min(left, F->FrameBytes - F->CarryFill);
      std::memcpy(F->Carry.data() + F->CarryFill, p, take);
      F->CarryFill += take;
      p += take;
      left -= take;
      if (F->CarryFill < F->FrameBytes) return;
      F->Writer->Write(F->Carry.data(), 1);
      F->CarryFill = 0;
      ++F->Frames;
    }
    const size_t frames = left / F->FrameBytes;
    if (frames > 0) F->Writer->Write(p, static_cast<uint32_t>(frames));
    F->Frames += static_cast<int64_t>(frames);
    F->CarryFill = left - frames * F->FrameBytes;
    if (F->CarryFill > 0) std::memcpy(F->Carry.data(), p + frames * F->FrameBytes, F->CarryFill);
  } catch (const EACMAudioStreamError& e) {
    F->Raise(e);
  }
}

void TdeEncodedFileWriter::Commit() {
  // Players refuse a file without a single frame; a take without audio is no copy.
  if (F->Frames == 0) throw EACMAudioStreamError(QString::fromUtf8(SExportNoAudio));
  try {
    F->Writer->Finish();
  } catch (const EACMAudioStreamError& e) {
    F->Raise(e);
  }
  if (F->File && !F->File->commit())
    throw EACMAudioStreamError(QString::fromUtf8(SExportWriteError) + DetailLine(F->File->errorString().toStdString()));
}

uint32_t TdeEncodedFileWriter::Rate() const { return F->Writer->Rate(); }

uint16_t TdeEncodedFileWriter::Channels() const { return F->Writer->Channels(); }

// ---- The copy of a take ----

bool ExportAudioFile(const QString& source, const QString& target, const TdeExportSettings& settings,
                     const TdeExportProgress& progress) {
  TFileStream in(source, fmOpenRead);
  TdeRIFFAudioReader reader(&in);
  const TdeWaveFormat& take = *reader.GetFormat();
  // Linear takes go to the encoder as they are; the others are decoded into
  // the PCM format the codec manager proposes, as for playback.
  TdeWaveFormat pcm;
  std::unique_ptr<TdeAudioConvertor> decoder;
  TAcmLinearFormat linear;
  if (ExportLinear(take.WaveFormat(), linear)) {
    pcm.Assign(const_cast<TdeWaveFormat*>(&take));
  } else {
    pcm.SuggestPCM(&take);
    decoder = std::make_unique<TdeAudioConvertor>(nullptr);
    decoder->SetFormatIn(const_cast<TdeWaveFormat*>(&take));
    decoder->SetFormatOut(&pcm);
    decoder->Open();
  }
  TdeEncodedFileWriter out(target, settings, pcm);
  if (decoder)
    decoder->SetOnAudioConverted([&out](TComponent*, const void* data, int32_t size, bool&) { out.Write(data, size); });

  const auto window = reader.OpenStream(0);
  const int64_t total = window->Size();
  std::vector<char> buffer;
  for (;;) {
    const int64_t n = ReadingBlockSize(take, total - window->Position());
    if (buffer.size() < size_t(n)) buffer.resize(size_t(n));
    const int32_t got = n > 0 ? std::max(window->Read(buffer.data(), static_cast<int32_t>(n)), 0) : 0;
    // The header was checked against the file: a short read is a file cut or
    // failing under us, and a copy of part of it is no copy.
    if (got < n) throw EACMAudioReadError(QString::fromUtf8(SAudioFileReadShort));
    const bool last = window->Position() >= total;
    if (!decoder)
      out.Write(buffer.data(), got);
    else if (last)
      decoder->ConvertLast(buffer.data(), got);
    else
      decoder->Convert(buffer.data(), got);
    if (last) break;
    if (progress && !progress(window->Position(), total)) return false;
  }
  if (decoder) decoder->Close();
  out.Commit();
  if (progress) progress(total, total);
  return true;
}
