#pragma once
// A window onto a range of another stream, seen as a stream of its own.
#include "Streams.h"

#include <cstdint>
#include <functional>

class TdeSubStream;
// Called with the window as it is destroyed (the reader that handed it out
// forgets it this way).
using TdeSubStreamNotify = std::function<void(TdeSubStream*)>;

// Presents [start, start + size) of parent with positions counted from start.
// Size and Position are the window's true length and offset: a read at the
// end returns 0 bytes, so callers may stop on position == size or on an empty
// read. Every Read, Write and Seek re-positions the parent first, so several
// windows may share one parent as long as they do not interleave within a call.
// The parent is not owned and must outlive the window.
class TdeSubStream : public TStream {
 public:
  // Assertion failures: no parent; start <= 0 or start >= the parent's size
  // (an empty window may start at the parent's end); size < 0;
  // start + size - 1 >= the parent's size. Seeks the parent to start.
  TdeSubStream(TStream* parent, int64_t start, int64_t size);
  ~TdeSubStream() override;
  TdeSubStream(const TdeSubStream&) = delete;
  TdeSubStream& operator=(const TdeSubStream&) = delete;

  // Cut to what is left of the window; returns what the parent delivered.
  int32_t Read(void* buffer, int32_t count) override;
  // ESubStreamError "Write past end of sub stream." when count does not fit;
  // nothing is written then.
  int32_t Write(const void* buffer, int32_t count) override;
  // Clamped to [0, size].
  int64_t Seek(int64_t offset, int origin) override;

  void SetOnDestroy(TdeSubStreamNotify notify) { FOnDestroy = std::move(notify); }
  TStream* Parent() const { return FParent; }
  int64_t Start() const { return FStart; }

 private:
  TdeSubStreamNotify FOnDestroy;
  int64_t FPosition = 0;
  int64_t FStart;
  TStream* FParent;
  int64_t FSize;
};
