#include "Streams.h"
#include "Exceptions.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
QString OsError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }
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
  if (FHandle >= 0) ::close(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(FHandle, static_cast<char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FLastError = errno;
      break;
    }
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(FHandle, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FLastError = errno;
      break;
    }
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soEnd ? SEEK_END : SEEK_CUR;
  const off_t r = ::lseek(FHandle, offset, whence);
  if (r < 0) throw EStreamError(QStringLiteral("Cannot seek in \"%1\". %2").arg(FFileName, OsError(errno)));
  return r;
}

void TFileStream::SetSize(int64_t newSize) {
  if (::ftruncate(FHandle, newSize) != 0)
    throw EStreamError(QStringLiteral("Cannot change the size of \"%1\". %2").arg(FFileName, OsError(errno)));
  if (Position() > newSize) Seek(newSize, soBeginning);
}

void TFileStream::Flush() {
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
