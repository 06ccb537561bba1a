#include "deCommon.h"

#include "ACMErrors.h"
#include "deAudioConsts.h"

#include <algorithm>

namespace {
constexpr const char* kUnit = "deCommon";
}

TdeSubStream::TdeSubStream(TStream* parent, int64_t start, int64_t size) : FStart(start), FParent(parent), FSize(size) {
  Assert(parent != nullptr, kUnit, "Parent");
  const int64_t parentSize = parent->Size();
  // An empty window may sit at the very end (a file whose data chunk is empty).
  Assert(start > 0 && (start < parentSize || (size == 0 && start == parentSize)), kUnit, "Start");
  Assert(size >= 0 && start + size - 1 < parentSize, kUnit, "Size");
  FParent->Seek(FStart, soBeginning);
}

TdeSubStream::~TdeSubStream() {
  if (FOnDestroy) FOnDestroy(this);
}

int64_t TdeSubStream::Seek(int64_t offset, int origin) {
  const int64_t base = origin == soBeginning ? 0 : origin == soEnd ? FSize : FPosition;
  const int64_t target = std::clamp<int64_t>(base + offset, 0, FSize);
  FParent->Seek(FStart + target, soBeginning);
  FPosition = target;
  return target;
}

int32_t TdeSubStream::Read(void* buffer, int32_t count) {
  const int64_t pos = Seek(0, soCurrent);
  const auto wanted = static_cast<int32_t>(std::clamp<int64_t>(count, 0, FSize - pos));
  if (wanted == 0) return 0;
  // A parent that delivers less (a file cut short meanwhile) must not be
  // counted as data.
  const int32_t got = std::max(FParent->Read(buffer, wanted), 0);
  FPosition += got;
  return got;
}

int32_t TdeSubStream::Write(const void* buffer, int32_t count) {
  const int64_t pos = Seek(0, soCurrent);
  if (count <= 0) return 0;
  if (pos + count > FSize) throw ESubStreamError(QString::fromUtf8(SWritePastEndOfSubStream));
  const int32_t done = std::max(FParent->Write(buffer, count), 0);
  FPosition += done;
  return done;
}
