#pragma once
// Audio files over a byte stream: writers that build a file block by block as
// audio arrives, readers that check a file and hand its audio out as a window.
// Neither owns the stream; both own one wave format.
#include "Streams.h"
#include "deACM.h"
#include "deCommon.h"

#include <cstdint>
#include <memory>
#include <vector>

class TdeAbstractAudioStream {
 public:
  // Assertion failure without a stream. The format starts as the default.
  explicit TdeAbstractAudioStream(TStream* stream);
  virtual ~TdeAbstractAudioStream();
  TdeAbstractAudioStream(const TdeAbstractAudioStream&) = delete;
  TdeAbstractAudioStream& operator=(const TdeAbstractAudioStream&) = delete;

  // Copies format into the owned one.
  virtual void SetFormat(TdeWaveFormat* format);
  // The owned format; a writer's caller assigns the format to write into it.
  virtual TdeWaveFormat* GetFormat();
  TStream* Stream() const { return FStream; }

 protected:
  std::unique_ptr<TdeWaveFormat> FFormat;
  TStream* FStream;
};

// Writes a file starting at the stream's position when constructed. The header
// goes out with the first non-empty Write; a writer that never got data leaves
// the stream untouched. Finish (or destruction) completes the file.
class TdeAbstractAudioWriter : public TdeAbstractAudioStream {
 public:
  explicit TdeAbstractAudioWriter(TStream* stream);
  // Concrete writers call Finish from their own destructor: the trailer is
  // theirs and no longer reachable from here.
  ~TdeAbstractAudioWriter() override;

  // Appends count bytes of audio in the format set before the first call.
  // Writing 0 bytes does nothing at all.
  void Write(const void* buffer, int32_t count);
  // Writes the trailer once when data was written; raises what the stream
  // raises. Later calls do nothing.
  void Finish();
  int64_t BytesWritten() const { return FBytesWritten; }
  int64_t HeaderStart() const { return FHeaderStart; }

 protected:
  virtual void WriteTrailer() {}
  virtual void AfterFirstWrite() {}
  virtual void WriteHeader() {}
  virtual void WriteData(const void* buffer, int32_t count) = 0;
  // For destructors: Finish, swallowing errors (a destructor must not throw;
  // callers that want the error call Finish first).
  void FinishQuietly() noexcept;

  int64_t FBytesWritten = 0;
  int64_t FHeaderStart;
  bool FHeaderWritten = false;
  bool FFinished = false;
};

// RIFF WAVE: "RIFF" size "WAVE", a "JUNK" chunk of 28 bytes reserved for a
// "ds64" chunk, "fmt " chunk (16 bytes for PCM, otherwise the whole record with
// its extra bytes), "data" chunk with the audio, a pad byte after an odd-sized
// chunk. Both size fields are kept true on disk as the file grows (after the
// first block and then at least once per second of audio), so a recording cut
// short by a crash or a kill is a valid file up to the last patch; with
// SetDurable (the default) the audio is also pushed to the disk before each
// patch, which covers a power loss. When the file grows past what a 32-bit
// RIFF size can claim it continues as RF64: the reserved chunk becomes "ds64"
// with the 64-bit sizes, and the 32-bit sizes read 0xFFFFFFFF; no audio moves.
// A block that the stream fails to take (disk full) raises EACMAudioStreamError
// and leaves a valid file of everything before it; when patching the sizes
// fails (a failing sync or seek) the file is cut back to what the sizes last
// claimed. After a failure every Write raises again.
class TdeRIFFAudioWriter : public TdeAbstractAudioWriter {
 public:
  explicit TdeRIFFAudioWriter(TStream* stream);
  ~TdeRIFFAudioWriter() override;

  // Whether each patch first forces the audio to the disk (file streams only).
  void SetDurable(bool value) { FDurable = value; }
  bool Durable() const { return FDurable; }
  // Brings the sizes on disk up to everything written so far, so a take that
  // receives nothing for a while (paused) is valid as it stands.
  void Checkpoint();
  // Whether the file has become RF64.
  bool IsRF64() const { return FRF64; }
  // The largest RIFF size a plain RIFF WAVE header carries.
  static constexpr int64_t MaxRiffSize = 0xFFFFFFFFll;

 protected:
  void WriteTrailer() override;
  void WriteHeader() override;
  void WriteData(const void* buffer, int32_t count) override;

 private:
  // settle: the patch itself reaches the disk too (durable file streams).
  void PatchSizes(bool settle = false);
  void PatchOrFail(bool settle = false);
  QString WriteFailure() const;
  // Marks the writer broken, cuts the file back to validEnd with true sizes, raises message.
  [[noreturn]] void FailWrite(int64_t validEnd, const QString& message);

  void PatchRF64(int64_t riffSize);

  int64_t FDataHeaderPos = 0;
  int64_t FDataBytes = 0;      // audio bytes in the data chunk
  int64_t FPatchedBytes = 0;   // audio bytes the sizes on disk claim
  int64_t FUnpatched = 0;      // audio bytes written since the sizes were last patched
  int64_t FPatchInterval = 0;  // one second of audio
  bool FDurable = true;
  bool FRF64 = false;    // the header reads "RF64" and the sizes live in "ds64"
  bool FBroken = false;  // the stream failed; nothing more is written
  QString FBrokenMessage;
};

// The next block to read when a file's audio is played or converted in
// blocks: an eighth of a second of format, at least one whole block of it; a
// tail of less than two blocks goes out as one, so no short block is sent
// unless the whole audio is shorter. 0 once nothing remains.
int64_t ReadingBlockSize(const TdeWaveFormat& format, int64_t remaining);

// Checks a file at construction (a reader exists only for a valid file) and
// hands its audio out as windows.
class TdeAbstractAudioReader : public TdeAbstractAudioStream {
 public:
  explicit TdeAbstractAudioReader(TStream* stream);
  // Windows still open stay usable (they need only the stream) but are no
  // longer reported back to this reader.
  ~TdeAbstractAudioReader() override;

  TdeWaveFormat* GetFormat() override { return GetStreamFormat(FCurrentIndex); }
  virtual int32_t StreamCount() = 0;
  virtual TdeWaveFormat* GetStreamFormat(int32_t index);
  virtual int64_t GetStreamSize(int32_t index) = 0;
  // Positions the stream at the first audio byte; returns that position.
  virtual int64_t SeekStream(int32_t index) = 0;
  virtual int32_t ReadStream(int32_t index, void* buffer, int32_t count) = 0;
  virtual void Last();
  virtual void Next();

  // A window onto the audio of stream index, owned by the caller. Raises
  // EACMAudioReadError "Invalid file format." when the audio reaches past the
  // end of the stream.
  std::unique_ptr<TdeSubStream> OpenStream(int32_t index);
  bool Eof() const { return FEnd; }
  int32_t CurrentIndex() const { return FCurrentIndex; }
  int OpenWindowCount() const { return static_cast<int>(FWindows.size()); }

 protected:
  int32_t FCurrentIndex = 0;
  bool FEnd = false;

 private:
  void WindowDestroyed(TdeSubStream* window);
  std::vector<TdeSubStream*> FWindows;  // open windows, not owned
};

// Reads a RIFF WAVE file from the stream's current position, and its 64-bit
// forms RF64 and BW64, whose "ds64" chunk gives the sizes that read 0xFFFFFFFF.
// Chunk names after "WAVE" are matched without regard to case, chunks are word
// aligned (the pad byte after an odd-sized chunk is skipped), unknown chunks are
// skipped, a later "fmt " replaces an earlier one and the walk stops once both
// "fmt " and "data" were seen. Every refusal is EACMAudioReadError "Invalid file
// format.".
class TdeRIFFAudioReader : public TdeAbstractAudioReader {
 public:
  explicit TdeRIFFAudioReader(TStream* stream);

  int32_t StreamCount() override { return 1; }
  int64_t GetStreamSize(int32_t) override { return FDataSize; }
  int64_t SeekStream(int32_t) override;
  // At most the data chunk's size, from its start.
  int32_t ReadStream(int32_t index, void* buffer, int32_t count) override;
  int64_t DataStart() const { return FDataStart; }
  // The data chunk's size cut to what the file holds: a damaged size (a ds64
  // of 2^62) must not reach arithmetic.
  int64_t DataSizeInFile();
  // Whether the file is RF64 or BW64.
  bool IsRF64() const { return FRF64; }

 private:
  int64_t FDataStart = 0;
  int64_t FDataSize = 0;
  bool FRF64 = false;
};
