#pragma once
// A file stream that writes blocks of 1 MiB and more as holes (they are
// silence in the tests), so a take past 4 GiB costs no disk space.
#include "Streams.h"

class TSparseFileStream : public TFileStream {
 public:
  using TFileStream::TFileStream;
  int32_t Write(const void* buffer, int32_t count) override {
    if (count < (1 << 20)) return TFileStream::Write(buffer, count);
    const int64_t end = Seek(count, soCurrent);
    if (end > Size()) SetSize(end);
    Seek(end, soBeginning);
    return count;
  }
};
