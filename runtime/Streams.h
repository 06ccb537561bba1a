#pragma once
// Streams whose size and position are derived from Seek, as every caller
// (the sub-stream and the WAVE reader in particular) relies on.
#include <QString>
#include <cstdint>
#include <vector>

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

// A file on disk; failures raise with the operating system's error text.
class TFileStream : public TStream {
 public:
  TFileStream(const QString& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  void SetSize(int64_t newSize) override;
  // Pushes written data to the disk.
  void Flush();
  const QString& FileName() const { return FFileName; }
  int Handle() const { return FHandle; }
  // errno of the last failed Read or Write, 0 when none failed.
  int LastError() const { return FLastError; }

 private:
  QString FFileName;
  int FHandle = -1;
  int FLastError = 0;
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
