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

void PutU64(uint8_t* p, uint64_t v) {
  PutU32(p, static_cast<uint32_t>(v));
  PutU32(p + 4, static_cast<uint32_t>(v >> 32));
}

uint64_t GetU64(const uint8_t* p) { return GetU32(p) | (static_cast<uint64_t>(GetU32(p + 4)) << 32); }

// The "ds64" chunk's payload: RIFF size, data size, sample count (64 bits
// each) and the length of a table of further sizes, which we leave empty.
constexpr uint32_t kDs64Size = 28;
// The reserved chunk starts right after "WAVE".
constexpr int64_t kDs64Offset = 12;

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
  std::array<uint8_t, 12 + 8 + kDs64Size + 8 + WAVE_FORMAT_BUFFER_SIZE + 1 + 8> h{};
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
  // Room for the 64-bit sizes, should the take outgrow the 32-bit ones; every
  // reader skips it until then.
  put("JUNK", 4);
  putU32(kDs64Size);
  n += kDs64Size;  // zeros
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
  FRF64 = false;
  if (FStream->Write(h.data(), static_cast<int32_t>(n)) != static_cast<int32_t>(n)) {
    FDataHeaderPos = 0;  // no header to patch
    FailWrite(FHeaderStart, WriteFailure());
  }
}

void TdeRIFFAudioWriter::WriteData(const void* buffer, int32_t count) {
  if (FBroken) throw EACMAudioStreamError(FBrokenMessage);
  const int64_t end = FDataHeaderPos + 8 + FDataBytes;
  const int64_t newData = FDataBytes + count;
  if (FStream->Write(buffer, count) != count) FailWrite(end, WriteFailure());
  const bool first = FDataBytes == 0;
  FDataBytes = newData;
  FUnpatched += count;
  // After the first block, so that even a very short recording survives a crash.
  if (first || FUnpatched >= FPatchInterval) PatchOrFail();
}

void TdeRIFFAudioWriter::Checkpoint() {
  if (FBroken || FDataHeaderPos == 0 || FUnpatched == 0) return;
  // Nothing may follow for a long while: the sizes must not wait on the next patch's sync.
  PatchOrFail(true);
}

void TdeRIFFAudioWriter::PatchOrFail(bool settle) {
  try {
    PatchSizes(settle);
  } catch (const Exception& e) {
    // A failing sync or seek: the file goes back to what the sizes last claimed.
    FDataBytes = FPatchedBytes;
    FailWrite(FDataHeaderPos + 8 + FPatchedBytes,
              QString::fromUtf8(SAudioFilePatchError) + QLatin1Char('\n') + e.Message());
  }
}

void TdeRIFFAudioWriter::WriteTrailer() {
  if (FBroken) return;  // patched when the stream failed
  PatchSizes(true);
}

void TdeRIFFAudioWriter::PatchSizes(bool settle) {
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
  const int64_t riffSize = end + pad - FHeaderStart - 8;
  if (FRF64 || riffSize > MaxRiffSize) {
    PatchRF64(riffSize);
  } else {
    WriteU32At(*FStream, FHeaderStart + 4, static_cast<uint32_t>(riffSize));
    WriteU32At(*FStream, FDataHeaderPos + 4, static_cast<uint32_t>(FDataBytes));
  }
  FPatchedBytes = FDataBytes;
  FStream->Seek(end, soBeginning);
  FUnpatched = 0;
  // A patch is otherwise synced by the next one's sync of the audio; the last
  // one has no next.
  if (settle && FDurable && file) file->Flush();
}

void TdeRIFFAudioWriter::PatchRF64(int64_t riffSize) {
  const WAVEFORMATEX* wf = FFormat->WaveFormat();
  const auto data = static_cast<uint64_t>(FDataBytes);
  // Frames for the linear formats; for the others what the data rate gives.
  const bool linear = wf->wFormatTag == WAVE_FORMAT_PCM || wf->wFormatTag == WAVE_FORMAT_IEEE_FLOAT ||
                      wf->wFormatTag == WAVE_FORMAT_EXTENSIBLE;
  uint64_t samples = 0;
  if (linear && wf->nBlockAlign > 0)
    samples = data / wf->nBlockAlign;
  else if (wf->nAvgBytesPerSec > 0)
    samples = data / wf->nAvgBytesPerSec * wf->nSamplesPerSec +
              data % wf->nAvgBytesPerSec * wf->nSamplesPerSec / wf->nAvgBytesPerSec;
  uint8_t sizes[24];
  PutU64(sizes, static_cast<uint64_t>(riffSize));
  PutU64(sizes + 8, data);
  PutU64(sizes + 16, samples);
  FStream->Seek(FHeaderStart + kDs64Offset + 8, soBeginning);
  FStream->WriteBuffer(sizes, sizeof sizes);
  if (FRF64) return;
  // Turned over in an order that leaves a file every reader takes at each
  // step: the reserved chunk gets its name while the header still says RIFF,
  // and the header says RF64 last, in one write.
  FStream->Seek(FHeaderStart + kDs64Offset, soBeginning);
  FStream->WriteBuffer("ds64", 4);
  WriteU32At(*FStream, FDataHeaderPos + 4, 0xFFFFFFFFu);
  uint8_t head[8];
  std::memcpy(head, "RF64", 4);
  PutU32(head + 4, 0xFFFFFFFFu);
  FStream->Seek(FHeaderStart, soBeginning);
  FStream->WriteBuffer(head, sizeof head);
  FRF64 = true;
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
    if (FDataHeaderPos > 0) PatchSizes(true);
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

// Moves forward by count, or to the end when that is nearer: a size that
// reaches past the end ends the walk, and no file system is asked for a
// position beyond the largest file it can hold.
void SkipForward(TStream& s, int64_t count) {
  const int64_t at = s.Position(), size = s.Size();
  if (count >= size - at)
    s.Seek(0, soEnd);
  else
    s.Seek(std::max<int64_t>(count, 0), soCurrent);
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
  if (!ReadChunkHeader(*FStream, id, size)) InvalidFile();
  // RF64 and BW64 carry the sizes that outgrow 32 bits in a "ds64" chunk and
  // put 0xFFFFFFFF in the fields they replace.
  FRF64 = SameId(id, "RF64") || SameId(id, "BW64");
  if (!FRF64 && (!SameId(id, "RIFF") || size == 0)) InvalidFile();
  char wave[4] = {};
  if (FStream->Read(wave, 4) != 4 || !SameId(wave, "WAVE")) InvalidFile();

  bool formatSeen = false, dataSeen = false, ds64Seen = false;
  uint64_t ds64Data = 0, ds64Samples = 0;
  // The ds64 table's sizes of other chunks; a few are kept, more are not seen.
  struct TLongChunk {
    char Id[4];
    uint64_t Size;
  };
  std::array<TLongChunk, 4> table{};
  size_t tableUsed = 0;
  uint64_t factSamples = 0;  // samples per channel, from a "fact" chunk
  while (!(formatSeen && dataSeen) && FStream->Position() < FStream->Size()) {
    if (!ReadChunkHeader(*FStream, id, size)) break;
    UpperId(id);
    uint64_t longSize = size;
    if (FRF64 && size == 0xFFFFFFFFu) {
      if (SameId(id, "DATA")) {
        if (!ds64Seen) InvalidFile();
        longSize = ds64Data;
      }
      for (size_t k = 0; k < tableUsed; ++k)
        if (std::memcmp(table[k].Id, id, 4) == 0) longSize = table[k].Size;
    }
    // Chunks are word aligned: an odd-sized one is followed by a pad byte.
    const int64_t padded =
        static_cast<int64_t>(std::min<uint64_t>(longSize + (longSize & 1), static_cast<uint64_t>(INT64_MAX / 2)));
    if (SameId(id, "FMT ")) {
      if (size > WAVE_FORMAT_BUFFER_SIZE) InvalidFile();
      FFormat->SetDefault();
      const int32_t got = std::max(FStream->Read(FFormat->WaveFormat(), static_cast<int32_t>(size)), 0);
      SkipForward(*FStream, padded - got);
      formatSeen = true;
    } else if (SameId(id, "DATA")) {
      FDataStart = FStream->Position();
      FDataSize = static_cast<int64_t>(std::min<uint64_t>(longSize, static_cast<uint64_t>(INT64_MAX / 2)));
      SkipForward(*FStream, padded);
      dataSeen = true;
    } else if (SameId(id, "DS64") && FRF64 && size >= kDs64Size) {
      uint8_t b[kDs64Size] = {};
      if (FStream->Read(b, kDs64Size) != static_cast<int32_t>(kDs64Size)) InvalidFile();
      ds64Data = GetU64(b + 8);
      ds64Samples = GetU64(b + 16);
      int64_t consumed = kDs64Size;
      const uint32_t entries = GetU32(b + 24);
      for (uint32_t k = 0; k < entries && consumed + 12 <= static_cast<int64_t>(size); ++k, consumed += 12) {
        uint8_t e[12] = {};
        if (FStream->Read(e, 12) != 12) break;
        if (tableUsed == table.size()) continue;
        std::memcpy(table[tableUsed].Id, e, 4);
        UpperId(table[tableUsed].Id);
        table[tableUsed++].Size = GetU64(e + 4);
      }
      SkipForward(*FStream, padded - consumed);
      ds64Seen = true;
    } else if (SameId(id, "FACT") && size >= 4) {
      uint8_t b[4] = {};
      if (FStream->Read(b, 4) == 4) factSamples = GetU32(b);
      if (FRF64 && factSamples == 0xFFFFFFFFu) factSamples = ds64Samples;
      SkipForward(*FStream, padded - 4);
    } else {
      SkipForward(*FStream, padded);
    }
  }
  if (!formatSeen || !dataSeen) InvalidFile();
  // ffmpeg writes MP3 with a data rate of 0; the data and its sample count give it.
  WAVEFORMATEX* fixed = FFormat->WaveFormat();
  if (const int64_t bytes = DataSizeInFile();
      fixed->nAvgBytesPerSec == 0 && fixed->wFormatTag != WAVE_FORMAT_PCM && factSamples > 0 && bytes > 0)
    fixed->nAvgBytesPerSec = uint32_t(std::clamp<long double>(
        static_cast<long double>(bytes) * fixed->nSamplesPerSec / static_cast<long double>(factSamples), 1,
        UINT32_MAX));
  // libsndfile wraps A-law and u-law in the extensible record; the codecs
  // take them in their plain one.
  if (fixed->wFormatTag == WAVE_FORMAT_EXTENSIBLE && fixed->cbSize >= WAVE_FORMAT_EXTENSIBLE_EXTRA) {
    WAVEFORMATEXTENSIBLE ext;
    std::memcpy(&ext, fixed, sizeof ext);
    const uint16_t sub = static_cast<uint16_t>(ext.SubFormat[0] | ext.SubFormat[1] << 8);
    if ((sub == WAVE_FORMAT_ALAW || sub == WAVE_FORMAT_MULAW) &&
        std::memcmp(ext.SubFormat + 2, KSDATAFORMAT_SUBTYPE_PCM + 2, 14) == 0) {
      fixed->wFormatTag = sub;
      fixed->cbSize = 0;
      std::memset(reinterpret_cast<uint8_t*>(fixed) + sizeof(WAVEFORMATEX), 0, sizeof ext - sizeof(WAVEFORMATEX));
    }
  }
  // Nothing can be played or converted without these; a zero rate or block
  // size would also stall every consumer that steps through the data by them.
  const WAVEFORMATEX* wf = FFormat->WaveFormat();
  if (wf->nChannels == 0 || wf->nSamplesPerSec == 0 || wf->nAvgBytesPerSec == 0 || wf->nBlockAlign == 0) InvalidFile();
}

int64_t TdeRIFFAudioReader::DataSizeInFile() { return std::clamp<int64_t>(FStream->Size() - FDataStart, 0, FDataSize); }

int64_t TdeRIFFAudioReader::SeekStream(int32_t) { return FStream->Seek(FDataStart, soBeginning); }

int32_t TdeRIFFAudioReader::ReadStream(int32_t, void* buffer, int32_t count) {
  SeekStream(0);
  const auto n = static_cast<int32_t>(std::clamp<int64_t>(count, 0, FDataSize));
  return FStream->Read(buffer, n);
}
