// The block pool of the device components.
#include "deBlockPool.h"

#include <cstring>
#include <new>

#include "ACMErrors.h"
#include "deAudioConsts.h"

namespace {
// The block's size sits in the 4 bytes in front of it; the block itself
// starts 16 bytes into its allocation so headers (which hold pointers) are aligned.
constexpr uint32_t kBlockOffset = 16;
}  // namespace

TdeBlockPool::TdeBlockPool() { FDeliveries.reserve(4); }

TdeBlockPool::~TdeBlockPool() = default;

uint32_t TdeBlockPool::BlockSize(const char* address) {
  uint32_t size;
  std::memcpy(&size, address - 4, 4);
  return size;
}

char* TdeBlockPool::GetBlock(uint32_t size) {
  auto best = FFreeBlocks.end();
  uint32_t bestExcess = size;
  for (auto it = FFreeBlocks.begin(); it != FFreeBlocks.end(); ++it) {
    const uint32_t s = BlockSize(*it);
    if (s == size) {
      char* block = *it;
      FFreeBlocks.erase(it);
      return block;
    }
    if (s > size && s - size < bestExcess) {
      bestExcess = s - size;
      best = it;
    }
  }
  if (best != FFreeBlocks.end()) {
    char* block = *best;
    FFreeBlocks.erase(best);
    return block;
  }
  // A size that leaves no room for the offset would wrap into a tiny allocation.
  const bool fits = size <= UINT32_MAX - kBlockOffset;
  std::unique_ptr<char[]> memory;
  if (fits && FAllocations.size() < FAllocationLimit)
    memory.reset(new (std::nothrow) char[size_t{size} + kBlockOffset]);
  if (!memory) throw EACMAudioOutError(SCannotAllocateGlobalMemory);
  char* block = memory.get() + kBlockOffset;
  std::memcpy(block - 4, &size, 4);
  FAllocations.push_back(std::move(memory));
  return block;
}

void TdeBlockPool::RecycleBlock(char* address) { FFreeBlocks.push_back(address); }

void TdeBlockPool::FreeBlocks() {
  FFreeBlocks.clear();
  if (!FDeliveries.empty()) {
    // Blocks being delivered, and their headers, outlive the pool until their delivery ends.
    for (auto& a : FAllocations) {
      const char* block = a.get() + kBlockOffset;
      for (const TDelivery& d : FDeliveries)
        if (block == reinterpret_cast<char*>(d.Header) || block == d.Header->lpData) {
          FKeepAlive.push_back(std::move(a));
          break;
        }
    }
    FFreedInDelivery = true;
  }
  FAllocations.clear();
}

void TdeBlockPool::RecycleHeader(WAVEHDR* header) {
  for (TDelivery& d : FDeliveries)
    if (d.Header == header) {
      d.Released = true;
      return;
    }
  if (header->lpData) RecycleBlock(header->lpData);
  RecycleBlock(reinterpret_cast<char*>(header));
}

TdeBlockPool::TDeliveryScope::TDeliveryScope(TdeBlockPool& pool, WAVEHDR* header) : FPool(pool) {
  FPool.FDeliveries.push_back({header, false});
}

TdeBlockPool::TDeliveryScope::~TDeliveryScope() {
  const TDelivery d = FPool.FDeliveries.back();
  FPool.FDeliveries.pop_back();
  if (FPool.FFreedInDelivery) {
    // The pool was given back meanwhile: nothing of the old memory is reused.
    if (FPool.FDeliveries.empty()) {
      FPool.FKeepAlive.clear();
      FPool.FFreedInDelivery = false;
    }
  } else if (d.Released) {
    FPool.RecycleHeader(d.Header);
  }
}
