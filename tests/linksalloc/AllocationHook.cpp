// Counts heap allocations made by the current thread while armed: every form of
// the global operator new and, outside sanitizer builds (whose runtime owns
// malloc), the C allocator too, so codec libraries are counted as well.
#include "AllocationHook.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tArmed = false;
thread_local long tCount = 0;
thread_local size_t tFirstSize = 0;

inline void Count(size_t size) {
  if (!tArmed) return;
  if (tCount++ == 0) tFirstSize = size;
}
}  // namespace

void TAllocationCounter::Arm() {
  tCount = 0;
  tFirstSize = 0;
  tArmed = true;
}

long TAllocationCounter::Disarm() {
  tArmed = false;
  return tCount;
}

size_t TAllocationCounter::FirstSize() { return tFirstSize; }

#if defined(__SANITIZE_ADDRESS__)
#define TAMSEL_HOOK_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAMSEL_HOOK_MALLOC 0
#endif
#endif
#ifndef TAMSEL_HOOK_MALLOC
#define TAMSEL_HOOK_MALLOC 1
#endif

bool TAllocationCounter::CountsMalloc() { return TAMSEL_HOOK_MALLOC; }

#if TAMSEL_HOOK_MALLOC
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size) {
  Count(size);
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  Count(n * size);
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  Count(size);
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  Count(size);
  void* p = __libc_memalign(alignment, size);
  if (!p) return 12;  // ENOMEM
  *out = p;
  return 0;
}
void* aligned_alloc(size_t alignment, size_t size) {
  Count(size);
  return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
  Count(size);
  return __libc_memalign(alignment, size);
}
}
#endif

// With the malloc hook on, malloc counts already; count once.
#if TAMSEL_HOOK_MALLOC
#define TAMSEL_NEW_COUNT(size) (void)(size)
#else
#define TAMSEL_NEW_COUNT(size) Count(size)
#endif

void* operator new(size_t size) {
  TAMSEL_NEW_COUNT(size);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  TAMSEL_NEW_COUNT(size);
  return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void* operator new(size_t size, std::align_val_t alignment) {
  TAMSEL_NEW_COUNT(size);
  const auto a = static_cast<size_t>(alignment);
  void* p = nullptr;
  if (posix_memalign(&p, a < sizeof(void*) ? sizeof(void*) : a, size ? size : 1) != 0) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }
