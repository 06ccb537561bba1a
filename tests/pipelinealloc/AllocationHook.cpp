// Replaces the global allocator of this test program to count allocations.
#include "AllocationHook.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tArmed = false;
thread_local long tNew = 0;
thread_local long tMalloc = 0;
thread_local size_t tFirstSize = 0;

inline void Count(long& counter, size_t size) {
  if (!tArmed) return;
  if (tNew + tMalloc == 0) tFirstSize = size;
  ++counter;
}
}  // namespace

void TAllocationCounter::Arm() {
  tNew = tMalloc = 0;
  tFirstSize = 0;
  tArmed = true;
}

long TAllocationCounter::Disarm() {
  tArmed = false;
  return tNew + tMalloc;
}

long TAllocationCounter::NewCount() { return tNew; }
long TAllocationCounter::MallocCount() { return tMalloc; }
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
  Count(tMalloc, size);
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  Count(tMalloc, n * size);
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  Count(tMalloc, size);
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  Count(tMalloc, size);
  void* p = __libc_memalign(alignment, size);
  if (!p) return 12;  // ENOMEM
  *out = p;
  return 0;
}
void* aligned_alloc(size_t alignment, size_t size) {
  Count(tMalloc, size);
  return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
  Count(tMalloc, size);
  return __libc_memalign(alignment, size);
}
}
#endif

namespace {
// Beneath the hook, so that operator new is counted once, as itself.
void* RawAllocate(size_t size, size_t alignment) {
  if (size == 0) size = 1;
#if TAMSEL_HOOK_MALLOC
  return alignment <= alignof(std::max_align_t) ? __libc_malloc(size) : __libc_memalign(alignment, size);
#else
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  void* p = nullptr;
  return posix_memalign(&p, alignment, size) == 0 ? p : nullptr;
#endif
}

void* CountedNew(size_t size, size_t alignment) {
  Count(tNew, size);
  if (void* p = RawAllocate(size, alignment)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t size) { return CountedNew(size, 0); }
void* operator new[](size_t size) { return CountedNew(size, 0); }
void* operator new(size_t size, std::align_val_t a) { return CountedNew(size, static_cast<size_t>(a)); }
void* operator new[](size_t size, std::align_val_t a) { return CountedNew(size, static_cast<size_t>(a)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  Count(tNew, size);
  return RawAllocate(size, 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  Count(tNew, size);
  return RawAllocate(size, 0);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }
