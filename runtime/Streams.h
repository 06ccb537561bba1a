#pragma once
// Streams whose size and position are derived from Seek, as every caller
// (the sub-stream and the WAVE reader in particular) relies on.
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TIoThread;

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  virtual ~TStream() = default;
  // Return the number of bytes actually transferred; never raise for a short count.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  // Seek to the end, note the result, seek back.
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize);

  // Raise EReadError / EWriteError when the full count cannot be transferred.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source (all of it from its start when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

enum TFileMode { fmCreate, fmOpenRead, fmOpenReadWrite };

// A file on disk; failures raise with the operating system's error text. The
// position is kept here, not in the kernel, so a seek costs no system call.
// Reads and writes go straight to the file (a file that changes while it is
// played is read as it is now) unless buffers are set for a file nobody else
// touches meanwhile, as when converting.
class TFileStream : public TStream {
 public:
  TFileStream(const QString& fileName, TFileMode mode);
  // Pushes what is held back quietly; call PushHeld first to hear of a failure.
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  void SetSize(int64_t newSize) override;
  // Pushes written data to the disk.
  void Flush();
  // Reads ahead in pieces of bytes and serves small reads from them; 0 reads
  // straight from the file, as a new stream does.
  void SetReadBuffer(int32_t bytes);
  // Holds up to bytes of written data back before handing it to the kernel,
  // and small rewrites behind it (a header patched as the file grows) until it
  // goes, after it. A failure to hand it over shows as a short Write count or
  // from PushHeld. 0 writes through, as a new stream does.
  void SetWriteBuffer(int32_t bytes);
  // Reads the next piece ahead and hands a full write buffer to the kernel on
  // a thread of the stream's own, so the disk works while the caller
  // computes: for a file read front to back or written once, as when
  // converting. Works with the buffers set above. A failure of a write in the
  // background shows at the next Write (a short count) or at PushHeld, and
  // every write after it fails too.
  void SetBackgroundIo(bool on);
  // Hands everything held back to the kernel; raises EWriteError on failure.
  void PushHeld();
  const QString& FileName() const { return FFileName; }
  // The descriptor; data held back by SetWriteBuffer is not in it yet.
  int Handle() const { return FHandle; }
  // errno of the last failed Read or Write, 0 when none failed.
  int LastError() const { return FLastError; }

 private:
  // A small rewrite behind the held data.
  struct THeldPatch {
    int64_t Offset = 0;
    int32_t Count = 0;
    uint8_t Bytes[16] = {};
  };
  static constexpr int kMaxPatches = 8;

  bool PushWrites();
  // A full write buffer: to the background thread when there is one.
  bool PushFull();
  // Waits for the background thread; false once a write it made has failed.
  bool WaitBackground();
  void DropReadAhead();
  static void WriteBehind(void* self);
  static void ReadAhead(void* self);
  void StartReadAhead(int64_t offset);
  bool WriteAt(const void* buffer, int32_t count, int64_t offset);
  bool HoldPatch(const void* buffer, int32_t count);
  int32_t WriteHeld(const void* buffer, int32_t count);

  QString FFileName;
  int FHandle = -1;
  int FLastError = 0;
  int64_t FPosition = 0;
  std::vector<uint8_t> FReadBuf;  // its size is the capacity; empty reads through
  int64_t FReadStart = 0;
  int32_t FReadLen = 0;
  std::vector<uint8_t> FWriteBuf;  // its size is the capacity; empty writes through
  int64_t FWriteStart = 0;
  int32_t FWriteLen = 0;
  THeldPatch FPatches[kMaxPatches];
  int FPatchCount = 0;
  // The background thread's pieces: what it writes or reads into, and how it went.
  std::unique_ptr<TIoThread> FIo;
  std::vector<uint8_t> FBehindBuf;
  int64_t FBehindStart = 0;
  int32_t FBehindLen = 0;
  THeldPatch FBehindPatches[kMaxPatches];
  int FBehindPatchCount = 0;
  int FBehindError = 0;  // sticky: nothing after a lost piece may look written
  bool FBehindBusy = false;
  std::vector<uint8_t> FAheadBuf;
  int64_t FAheadStart = 0;
  int32_t FAheadLen = 0;  // 0 also when the read failed: the next Read tries again and tells
  bool FAheadBusy = false;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  void SetSize(int64_t newSize) override;
  void Clear();
  const uint8_t* Memory() const { return FData.data(); }
  uint8_t* Memory() { return FData.data(); }

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};
