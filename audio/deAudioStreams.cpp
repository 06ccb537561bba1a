#include "deAudioStreams.h"

#include "deAudioConsts.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {
constexpr const char* kUnit = "deAudioStreams";

void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

void WriteU32At(TStream& s, int64_t pos, uint32_t v) {
  uint8_t b[4];
  PutU32(b, v);
  s.Seek(pos, soBeginning);
  s.WriteBuffer(b, 4);
}

[[noreturn]] void InvalidFile() { throw EACMAudioReadError(QString::fromUtf8(SInvalidFileFormat)); }
}  // namespace

// ---- TdeAbstractAudioStream ----

TdeAbstractAudioStream::TdeAbstractAudioStream(TStream* stream) : FStream(stream) {
  Assert(stream != nullptr, kUnit, "Stream");
  FFormat = std::make_unique<TdeWaveFormat>();
}

TdeAbstractAudioStream::~TdeAbstractAudioStream() = default;

void TdeAbstractAudioStream::SetFormat(TdeWaveFormat* format) { FFormat->Assign(format); }

TdeWaveFormat* TdeAbstractAudioStream::GetFormat() { return FFormat.get(); }

// ---- TdeAbstractAudioWriter ----

TdeAbstractAudioWriter::TdeAbstractAudioWriter(TStream* stream)
    : TdeAbstractAudioStream(stream), FHeaderStart(stream ? stream->Position() : 0) {}

TdeAbstractAudioWriter::~TdeAbstractAudioWriter() = default;

void TdeAbstractAudioWriter::Write(const void* buffer, int32_t count) {
  if (count <= 0) return;
  // Whether the header is out, not whether bytes were counted: a block that
  // failed half-way must never be followed by a second header.
  const bool first = !FHeaderWritten;
  if (first) {
    WriteHeader();
    FHeaderWritten = true;
  }
  WriteData(buffer, count);
  FBytesWritten += count;
  if (first) AfterFirstWrite();
}

void TdeAbstractAudioWriter::Finish() {
  if (FFinished) return;
  FFinished = true;
  if (FHeaderWritten) WriteTrailer();
}

void TdeAbstractAudioWriter::FinishQuietly() noexcept {
  try {
    Finish();
  } catch (...) {
    // The sizes were patched as the file grew; the file stays valid up to there.
  }
}

// ---- TdeRIFFAudioWriter ----

TdeRIFFAudioWriter::TdeRIFFAudioWriter(TStream* stream) : TdeAbstractAudioWriter(stream) {}

TdeRIFFAudioWriter::~TdeRIFFAudioWriter() { FinishQuietly(); }

void TdeRIFFAudioWriter::WriteHeader() {
  if (FBroken) throw EACMAudioStreamError(FBrokenMessage);
  const WAVEFORMATEX* wf = FFormat->WaveFormat();
  Assert(wf->wFormatTag != 0, kUnit, "FormatTag");
  const uint32_t fmtSize = wf->wFormatTag == WAVE_FORMAT_PCM ? 16u : 18u + FFormat->ExtraSize();
  const uint32_t fmtPad = fmtSize & 1;

  // One write for the whole header: a failure leaves nothing half-made to undo.
  std::array<uint8_t, 12 + 8 + WAVE_FORMAT_BUFFER_SIZE + 1 + 8> h{};
  size_t n = 0;
  auto put = [&](const void* p, size_t len) {
    std::memcpy(h.data() + n, p, len);
    n += len;
  };
  auto putU32 = [&](uint32_t v) {
    PutU32(h.data() + n, v);
    n += 4;
  };
  put("RIFF", 4);
  const size_t riffSize = n;
  putU32(0);
  put("WAVE", 4);
  put("fmt ", 4);
  putU32(fmtSize);
  put(wf, fmtSize);
  n += fmtPad;  // zero pad byte
  FDataHeaderPos = FHeaderStart + static_cast<int64_t>(n);
  put("data", 4);
  putU32(0);
  // The sizes of an empty take from the start: whatever fails later, the file
  // is never one the reader refuses.
  PutU32(h.data() + riffSize, static_cast<uint32_t>(n - 8));

  FDataBytes = 0;
  FUnpatched = 0;
  FPatchInterval = std::max<int64_t>(FFormat->AvgBytesPerSec(), 1);
  FPatchedBytes = 0;
  if (FStream->Write(h.data(), static_cast<int32_t>(n)) != static_cast<int32_t>(n)) {
    FDataHeaderPos = 0;  // no header to patch
    FailWrite(FHeaderStart, WriteFailure());
  }
}

void TdeRIFFAudioWriter::WriteData(const void* buffer, int32_t count) {
  if (FBroken) throw EACMAudioStreamError(FBrokenMessage);
  const int64_t end = FDataHeaderPos + 8 + FDataBytes;
  const int64_t newData = FDataBytes + count;
  if (FDataHeaderPos + 8 + newData + (newData & 1) - FHeaderStart > MaxFileSize) {
    PatchSizes();
    throw EACMAudioStreamError(QString::fromUtf8(SAudioFileTooLarge));
  }
  if (FStream->Write(buffer, count) != count) FailWrite(end, WriteFailure());
  const bool first = FDataBytes == 0;
  FDataBytes = newData;
  FUnpatched += count;
  // After the first block, so that even a very short recording survives a crash.
  if (first || FUnpatched >= FPatchInterval) PatchOrFail();
}

void TdeRIFFAudioWriter::Checkpoint() {
  if (FBroken || FDataHeaderPos == 0 || FUnpatched == 0) return;
  PatchOrFail();
}

void TdeRIFFAudioWriter::PatchOrFail() {
  try {
    PatchSizes();
  } catch (const Exception& e) {
    // A failing sync or seek: the file goes back to what the sizes last claimed.
    FDataBytes = FPatchedBytes;
    FailWrite(FDataHeaderPos + 8 + FPatchedBytes,
              QString::fromUtf8(SAudioFilePatchError) + QLatin1Char('\n') + e.Message());
  }
}

void TdeRIFFAudioWriter::WriteTrailer() {
  if (FBroken) return;  // patched when the stream failed
  PatchSizes();
}

void TdeRIFFAudioWriter::PatchSizes() {
  const int64_t end = FDataHeaderPos + 8 + FDataBytes;
  auto* file = dynamic_cast<TFileStream*>(FStream);
  // The audio reaches the disk before the sizes that claim it.
  if (FDurable && file) file->Flush();
  int64_t pad = FDataBytes & 1;
  if (pad) {
    // Overwritten by the next block; keeps the chunk word aligned meanwhile.
    const uint8_t zero = 0;
    FStream->Seek(end, soBeginning);
    if (FStream->Write(&zero, 1) != 1) pad = 0;
  }
  WriteU32At(*FStream, FHeaderStart + 4, static_cast<uint32_t>(end + pad - FHeaderStart - 8));
  WriteU32At(*FStream, FDataHeaderPos + 4, static_cast<uint32_t>(FDataBytes));
  FPatchedBytes = FDataBytes;
  FStream->Seek(end, soBeginning);
  FUnpatched = 0;
}

QString TdeRIFFAudioWriter::WriteFailure() const {
  QString message = QString::fromUtf8(SAudioFileWriteError);
  if (auto* file = dynamic_cast<TFileStream*>(FStream); file && file->LastError() != 0)
    message += QLatin1Char('\n') + QString::fromLocal8Bit(std::strerror(file->LastError()));
  return message;
}

void TdeRIFFAudioWriter::FailWrite(int64_t validEnd, const QString& message) {
  FBroken = true;
  FBrokenMessage = message;
  try {
    // Drop the part of the block that made it, so the space it took is free again.
    FStream->SetSize(validEnd);
  } catch (const Exception&) {
    // A stream that cannot shrink keeps the tail beyond the stated sizes.
  }
  try {
    FStream->Seek(validEnd, soBeginning);
    if (FDataHeaderPos > 0) PatchSizes();
  } catch (const Exception&) {
    // The last patch still describes a valid file.
  }
  throw EACMAudioStreamError(message);
}

int64_t ReadingBlockSize(const TdeWaveFormat& format, int64_t remaining) {
  // A rate below 8 bytes a second would otherwise give empty blocks for ever.
  const int64_t block = std::max<int64_t>(format.AvgBytesPerSec() / 8, std::max<int64_t>(format.BlockAlign(), 1));
  remaining = std::max<int64_t>(remaining, 0);
  return remaining < 2 * block ? remaining : block;
}

// ---- TdeAbstractAudioReader ----

TdeAbstractAudioReader::TdeAbstractAudioReader(TStream* stream) : TdeAbstractAudioStream(stream) {}

TdeAbstractAudioReader::~TdeAbstractAudioReader() {
  for (auto it = FWindows.rbegin(); it != FWindows.rend(); ++it) (*it)->SetOnDestroy(nullptr);
}

TdeWaveFormat* TdeAbstractAudioReader::GetStreamFormat(int32_t) { return FFormat.get(); }

void TdeAbstractAudioReader::Last() {
  SeekStream(StreamCount() - 1);
  FEnd = true;
}

void TdeAbstractAudioReader::Next() {
  if (StreamCount() - 1 == FCurrentIndex)
    FEnd = true;
  else
    SeekStream(FCurrentIndex + 1);
}

std::unique_ptr<TdeSubStream> TdeAbstractAudioReader::OpenStream(int32_t index) {
  SeekStream(index);
  // Audio claimed past the end (a file cut short) is a damaged file, not a
  // programming error.
  const int64_t start = FStream->Position(), size = GetStreamSize(FCurrentIndex);
  if (start + size > FStream->Size()) InvalidFile();
  auto window = std::make_unique<TdeSubStream>(FStream, start, size);
  window->SetOnDestroy([this](TdeSubStream* w) { WindowDestroyed(w); });
  FWindows.push_back(window.get());
  return window;
}

void TdeAbstractAudioReader::WindowDestroyed(TdeSubStream* window) {
  FWindows.erase(std::remove(FWindows.begin(), FWindows.end(), window), FWindows.end());
}

// ---- TdeRIFFAudioReader ----

namespace {
// False when fewer than 8 bytes are left.
bool ReadChunkHeader(TStream& s, char (&id)[4], uint32_t& size) {
  uint8_t b[8] = {};
  if (s.Read(b, 8) != 8) return false;
  std::memcpy(id, b, 4);
  size = GetU32(b + 4);
  return true;
}

bool SameId(const char (&id)[4], const char* name) { return std::memcmp(id, name, 4) == 0; }

void UpperId(char (&id)[4]) {
  for (char& c : id)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}
}  // namespace

TdeRIFFAudioReader::TdeRIFFAudioReader(TStream* stream) : TdeAbstractAudioReader(stream) {
  char id[4];
  uint32_t size = 0;
  if (!ReadChunkHeader(*FStream, id, size) || !SameId(id, "RIFF") || size == 0) InvalidFile();
  char wave[4] = {};
  if (FStream->Read(wave, 4) != 4 || !SameId(wave, "WAVE")) InvalidFile();

  bool formatSeen = false, dataSeen = false;
  uint32_t factSamples = 0;  // samples per channel, from a "fact" chunk
  while (!(formatSeen && dataSeen) && FStream->Position() < FStream->Size()) {
    if (!ReadChunkHeader(*FStream, id, size)) break;
    UpperId(id);
    // Chunks are word aligned: an odd-sized one is followed by a pad byte.
    const int64_t padded = static_cast<int64_t>(size) + (size & 1);
    if (SameId(id, "FMT ")) {
      if (size > WAVE_FORMAT_BUFFER_SIZE) InvalidFile();
      FFormat->SetDefault();
      const int32_t got = std::max(FStream->Read(FFormat->WaveFormat(), static_cast<int32_t>(size)), 0);
      FStream->Seek(padded - got, soCurrent);
      formatSeen = true;
    } else if (SameId(id, "DATA")) {
      FDataStart = FStream->Position();
      FDataSize = size;
      FStream->Seek(padded, soCurrent);
      dataSeen = true;
    } else if (SameId(id, "FACT") && size >= 4) {
      uint8_t b[4] = {};
      if (FStream->Read(b, 4) == 4) factSamples = GetU32(b);
      FStream->Seek(padded - 4, soCurrent);
    } else {
      FStream->Seek(padded, soCurrent);
    }
  }
  if (!formatSeen || !dataSeen) InvalidFile();
  // ffmpeg writes MP3 with a data rate of 0; the data and its sample count give it.
  WAVEFORMATEX* fixed = FFormat->WaveFormat();
  if (fixed->nAvgBytesPerSec == 0 && fixed->wFormatTag != WAVE_FORMAT_PCM && factSamples > 0 && FDataSize > 0)
    fixed->nAvgBytesPerSec =
        uint32_t(std::clamp<uint64_t>(uint64_t(FDataSize) * fixed->nSamplesPerSec / factSamples, 1, UINT32_MAX));
  // Nothing can be played or converted without these; a zero rate or block
  // size would also stall every consumer that steps through the data by them.
  const WAVEFORMATEX* wf = FFormat->WaveFormat();
  if (wf->nChannels == 0 || wf->nSamplesPerSec == 0 || wf->nAvgBytesPerSec == 0 || wf->nBlockAlign == 0) InvalidFile();
}

int64_t TdeRIFFAudioReader::SeekStream(int32_t) { return FStream->Seek(FDataStart, soBeginning); }

int32_t TdeRIFFAudioReader::ReadStream(int32_t, void* buffer, int32_t count) {
  SeekStream(0);
  const auto n = static_cast<int32_t>(std::clamp<int64_t>(count, 0, FDataSize));
  return FStream->Read(buffer, n);
}
