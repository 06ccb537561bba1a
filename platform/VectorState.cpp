#include "VectorState.h"

#if defined(__x86_64__)
#include <cpuid.h>

namespace {

// CPUID leaf 0xD, sub-leaf 1, EAX bit 2: XGETBV with ECX = 1 reports which
// state components are in use.
bool CanReadStateInUse() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__builtin_cpu_supports("avx") || __get_cpuid_max(0, nullptr) < 0xD) return false;
  __cpuid_count(0xD, 1, a, b, c, d);
  return (a & 4) != 0;
}

}  // namespace

void ClearUpperVectorState() noexcept {
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) __asm__ volatile("vzeroupper" ::: "memory");
}

bool UpperVectorStateInUse() noexcept {
  static const bool canRead = CanReadStateInUse();
  if (!canRead) return false;
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
  return (lo & 4) != 0;  // component 2: the upper halves of ymm0-15
}

#else

void ClearUpperVectorState() noexcept {}
bool UpperVectorStateInUse() noexcept { return false; }

#endif
