#pragma once
// The block pool of the device components (defined in deBlockPool.cpp).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Platform.h"

// The private memory of one device component: header blocks and sample
// blocks. Each block carries its allocated size in the 4 bytes in front of
// it and keeps that size for its life. A request takes a free block of
// exactly its size, else the free block of least excess (less than the
// request itself), else new memory. Memory goes back to the system only as a
// whole, in FreeBlocks.
//
// Delivery rule: while a header's data is handed to observers (a
// TDeliveryScope is alive), releasing that header or freeing the whole pool
// keeps the header and its data block valid; they are recycled, or freed,
// when the last delivery in progress ends. Handlers may therefore close, or
// close and reopen, the component while its block is being delivered.
class TdeBlockPool {
 public:
  TdeBlockPool();
  ~TdeBlockPool();
  TdeBlockPool(const TdeBlockPool&) = delete;
  TdeBlockPool& operator=(const TdeBlockPool&) = delete;

  // EACMAudioOutError "Cannot allocate global memory." (for either direction)
  // when the memory is refused; the pool is unchanged then.
  char* GetBlock(uint32_t size);
  // Appends the block to the free list; no check, no merging.
  void RecycleBlock(char* address);
  // Empties the free list and gives all memory back, except the blocks of
  // deliveries in progress (see the delivery rule).
  void FreeBlocks();
  static uint32_t BlockSize(const char* address);
  size_t AllocationCount() const { return FAllocations.size(); }
  size_t FreeBlockCount() const { return FFreeBlocks.size(); }
  // Test hook: allocations beyond this many fail as if the system refused them.
  void SetAllocationLimit(size_t maxAllocations) { FAllocationLimit = maxAllocations; }

  // Recycles a released header's data block and then the header block;
  // deferred to the end of the delivery when the header is being delivered.
  void RecycleHeader(WAVEHDR* header);

  class TDeliveryScope {
   public:
    TDeliveryScope(TdeBlockPool& pool, WAVEHDR* header);
    ~TDeliveryScope();
    TDeliveryScope(const TDeliveryScope&) = delete;
    TDeliveryScope& operator=(const TDeliveryScope&) = delete;

   private:
    TdeBlockPool& FPool;
  };

 private:
  struct TDelivery {
    WAVEHDR* Header;
    bool Released;  // released meanwhile: its blocks go back to the pool at the end
  };
  std::vector<char*> FFreeBlocks;
  std::vector<std::unique_ptr<char[]>> FAllocations;
  size_t FAllocationLimit = SIZE_MAX;
  std::vector<TDelivery> FDeliveries;  // being delivered now, innermost last
  bool FFreedInDelivery = false;
  std::vector<std::unique_ptr<char[]>> FKeepAlive;  // their allocations after a FreeBlocks
};
