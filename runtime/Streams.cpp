#include "Streams.h"
#include "Exceptions.h"
#include "IoThread.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
QString OsError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// 0, or the errno of the failure.
int WriteFully(int fd, const void* buffer, int32_t count, int64_t offset) {
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd, static_cast<const char*>(buffer) + done, count - done, offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<int32_t>(n);
  }
  return 0;
}
}  // namespace

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError(QStringLiteral("Stream size cannot be changed.")); }

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(QStringLiteral("Stream read error."));
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(QStringLiteral("Stream write error."));
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const int64_t total = count;
  char buf[65536];
  while (count > 0) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, sizeof buf));
    source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    count -= n;
  }
  return total;
}

TFileStream::TFileStream(const QString& fileName, TFileMode mode) : FFileName(fileName) {
  const QByteArray path = QFile::encodeName(fileName);
  int flags = O_CLOEXEC;
  switch (mode) {
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
  }
  FHandle = ::open(path.constData(), flags, 0666);
  if (FHandle < 0) {
    const int err = errno;
    if (mode == fmCreate)
      throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, OsError(err)));
    throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, OsError(err)));
  }
}

TFileStream::~TFileStream() {
  if (FHandle < 0) return;
  WaitBackground();
  PushWrites();
  ::close(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  // Whatever is held back must be seen by the read.
  if (!PushWrites()) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const int64_t inBuf = FPosition - FReadStart;
    if (FReadLen > 0 && inBuf >= 0 && inBuf < FReadLen) {
      const int32_t n = std::min<int32_t>(count - done, FReadLen - static_cast<int32_t>(inBuf));
      std::memcpy(out + done, FReadBuf.data() + inBuf, n);
      done += n;
      FPosition += n;
      continue;
    }
    // A large read goes straight into the caller's buffer.
    const auto cap = static_cast<int32_t>(FReadBuf.size());
    const bool direct = count - done >= cap;
    if (!direct && FIo) {
      if (FAheadBusy) WaitBackground();
      if (FAheadLen > 0 && FAheadStart == FPosition) {
        FReadBuf.swap(FAheadBuf);
        FReadStart = FAheadStart;
        FReadLen = FAheadLen;
        FAheadLen = 0;
        if (FReadLen == cap) StartReadAhead(FReadStart + FReadLen);
        continue;
      }
      FAheadLen = 0;
    }
    uint8_t* dest = direct ? out + done : FReadBuf.data();
    const int32_t want = direct ? count - done : cap;
    const ssize_t n = ::pread(FHandle, dest, want, FPosition);
    if (n < 0) {
      if (errno == EINTR) continue;
      FLastError = errno;
      break;
    }
    if (n == 0) break;
    if (direct) {
      done += static_cast<int32_t>(n);
      FPosition += n;
    } else {
      FReadStart = FPosition;
      FReadLen = static_cast<int32_t>(n);
      if (FIo && FReadLen == cap) StartReadAhead(FReadStart + FReadLen);
    }
  }
  return done;
}

void TFileStream::StartReadAhead(int64_t offset) {
  if (FAheadBuf.size() != FReadBuf.size()) FAheadBuf.assign(FReadBuf.size(), 0);
  FAheadStart = offset;
  FAheadLen = 0;
  FAheadBusy = true;
  FIo->Start(&TFileStream::ReadAhead, this);
}

void TFileStream::ReadAhead(void* self) {
  auto* s = static_cast<TFileStream*>(self);
  ssize_t n;
  do n = ::pread(s->FHandle, s->FAheadBuf.data(), s->FAheadBuf.size(), s->FAheadStart);
  while (n < 0 && errno == EINTR);
  s->FAheadLen = n > 0 ? static_cast<int32_t>(n) : 0;
}

void TFileStream::WriteBehind(void* self) {
  auto* s = static_cast<TFileStream*>(self);
  int err = WriteFully(s->FHandle, s->FBehindBuf.data(), s->FBehindLen, s->FBehindStart);
  for (int i = 0; i < s->FBehindPatchCount && err == 0; ++i) {
    const THeldPatch& p = s->FBehindPatches[i];
    err = WriteFully(s->FHandle, p.Bytes, p.Count, p.Offset);
  }
  if (err != 0) s->FBehindError = err;
}

bool TFileStream::WaitBackground() {
  if (FBehindBusy || FAheadBusy) FIo->Wait();
  FBehindBusy = FAheadBusy = false;
  return FBehindError == 0;
}

void TFileStream::DropReadAhead() {
  if (FAheadBusy) WaitBackground();
  FAheadLen = 0;
}

bool TFileStream::PushFull() {
  if (!FIo) return PushWrites();
  if (!WaitBackground()) {
    FLastError = FBehindError;
    return false;
  }
  if (FBehindBuf.size() != FWriteBuf.size()) FBehindBuf.assign(FWriteBuf.size(), 0);
  FWriteBuf.swap(FBehindBuf);
  FBehindStart = FWriteStart;
  FBehindLen = FWriteLen;
  std::copy(FPatches, FPatches + FPatchCount, FBehindPatches);
  FBehindPatchCount = FPatchCount;
  FWriteLen = 0;
  FPatchCount = 0;
  FBehindBusy = true;
  FIo->Start(&TFileStream::WriteBehind, this);
  return true;
}

bool TFileStream::WriteAt(const void* buffer, int32_t count, int64_t offset) {
  if (const int err = WriteFully(FHandle, buffer, count, offset); err != 0) {
    FLastError = err;
    return false;
  }
  return true;
}

bool TFileStream::PushWrites() {
  // What went behind goes first; after a piece was lost nothing else may look written.
  if ((FBehindBusy || FBehindError != 0) && !WaitBackground()) {
    FLastError = FBehindError;
    return false;
  }
  bool ok = true;
  // The data before the patches: sizes on disk never claim what is not there.
  if (FWriteLen > 0) ok = WriteAt(FWriteBuf.data(), FWriteLen, FWriteStart);
  for (int i = 0; i < FPatchCount && ok; ++i) ok = WriteAt(FPatches[i].Bytes, FPatches[i].Count, FPatches[i].Offset);
  FWriteLen = 0;
  FPatchCount = 0;
  return ok;
}

bool TFileStream::HoldPatch(const void* buffer, int32_t count) {
  if (FWriteLen == 0 || count > static_cast<int32_t>(sizeof(THeldPatch::Bytes))) return false;
  const int64_t end = FPosition + count;
  if (end > FWriteStart && FPosition < FWriteStart + FWriteLen) return false;
  for (int i = 0; i < FPatchCount; ++i) {
    THeldPatch& p = FPatches[i];
    if (p.Offset == FPosition && p.Count == count) {
      std::memcpy(p.Bytes, buffer, count);
      return true;
    }
    if (end > p.Offset && FPosition < p.Offset + p.Count) return false;
  }
  if (FPatchCount == kMaxPatches) return false;
  THeldPatch& p = FPatches[FPatchCount++];
  p.Offset = FPosition;
  p.Count = count;
  std::memcpy(p.Bytes, buffer, count);
  return true;
}

int32_t TFileStream::WriteHeld(const void* buffer, int32_t count) {
  const auto cap = static_cast<int32_t>(FWriteBuf.size());
  const int64_t off = FPosition - FWriteStart;
  const bool joins = FWriteLen > 0 && off >= 0 && off <= FWriteLen;
  if (!joins) {
    if (HoldPatch(buffer, count)) {
      FPosition += count;
      return count;
    }
    if (!PushWrites()) return 0;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (FWriteLen == 0) {
      FWriteStart = FPosition;
      if (count - done >= cap) {
        if (!WriteAt(in + done, count - done, FPosition)) return done;
        FPosition += count - done;
        return count;
      }
    }
    const auto at = static_cast<int32_t>(FPosition - FWriteStart);
    const int32_t n = std::min(count - done, cap - at);
    std::memcpy(FWriteBuf.data() + at, in + done, n);
    FWriteLen = std::max(FWriteLen, at + n);
    done += n;
    FPosition += n;
    if (FWriteLen == cap && !PushFull()) return done - n;
  }
  return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  // Bytes held for reading that this write replaces are stale.
  if (FReadLen > 0 && FPosition < FReadStart + FReadLen && FPosition + count > FReadStart) FReadLen = 0;
  if (FAheadBusy || FAheadLen > 0) DropReadAhead();
  if (!FWriteBuf.empty()) return WriteHeld(buffer, count);
  if (!WriteAt(buffer, count, FPosition)) return 0;
  FPosition += count;
  return count;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  int64_t base = FPosition;
  if (origin == soBeginning) base = 0;
  if (origin == soEnd) {
    struct stat st {};
    if (!PushWrites() || ::fstat(FHandle, &st) != 0)
      throw EStreamError(QStringLiteral("Cannot seek in \"%1\". %2").arg(FFileName, OsError(errno)));
    base = st.st_size;
  }
  if (base + offset < 0)
    throw EStreamError(QStringLiteral("Cannot seek in \"%1\". %2").arg(FFileName, OsError(EINVAL)));
  FPosition = base + offset;
  return FPosition;
}

void TFileStream::SetSize(int64_t newSize) {
  const bool pushed = PushWrites();
  FReadLen = 0;
  DropReadAhead();
  if (!pushed || ::ftruncate(FHandle, newSize) != 0)
    throw EStreamError(QStringLiteral("Cannot change the size of \"%1\". %2").arg(FFileName, OsError(errno)));
  if (FPosition > newSize) FPosition = newSize;
}

void TFileStream::SetReadBuffer(int32_t bytes) {
  DropReadAhead();
  FReadLen = 0;
  FReadBuf.assign(static_cast<size_t>(std::max(bytes, 0)), 0);
  FReadBuf.shrink_to_fit();
}

void TFileStream::SetWriteBuffer(int32_t bytes) {
  PushHeld();
  FWriteBuf.assign(static_cast<size_t>(std::max(bytes, 0)), 0);
  FWriteBuf.shrink_to_fit();
}

void TFileStream::SetBackgroundIo(bool on) {
  if (on == (FIo != nullptr)) return;
  if (on) {
    FIo = std::make_unique<TIoThread>();
    return;
  }
  WaitBackground();
  FAheadLen = 0;
  FIo.reset();
}

void TFileStream::PushHeld() {
  if (!PushWrites())
    throw EWriteError(QStringLiteral("Cannot write to \"%1\". %2").arg(FFileName, OsError(FLastError)));
}

void TFileStream::Flush() {
  PushHeld();
  if (::fdatasync(FHandle) != 0)
    throw EWriteError(QStringLiteral("Cannot write to \"%1\". %2").arg(FFileName, OsError(errno)));
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t avail = static_cast<int64_t>(FData.size()) - FPosition;
  const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(avail, 0, std::max(count, 0)));
  if (n > 0) std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const auto end = static_cast<size_t>(FPosition + count);
  if (end > FData.size()) FData.resize(end);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  const int64_t base = origin == soBeginning ? 0 : origin == soEnd ? static_cast<int64_t>(FData.size()) : FPosition;
  FPosition = std::max<int64_t>(0, base + offset);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t newSize) {
  FData.resize(static_cast<size_t>(std::max<int64_t>(0, newSize)));
  FPosition = std::min<int64_t>(FPosition, newSize);
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}
