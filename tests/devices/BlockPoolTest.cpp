// The device components' block pool: which block a request gets, and the
// delivery rule (a header being delivered outlives its release and the pool).
#include <gtest/gtest.h>

#include <cstring>

#include "WaveScripted.h"
#include "deAudioIO.h"

namespace {

class BlockPool : public ::testing::Test {
 protected:
  TdeBlockPool Pool;
  // Frees the given sizes' blocks into the free list in that order.
  void Free(std::initializer_list<uint32_t> sizes) {
    std::vector<char*> blocks;
    for (uint32_t s : sizes) blocks.push_back(Pool.GetBlock(s));
    for (char* b : blocks) Pool.RecycleBlock(b);
  }
  // A header block with a data block of size, as a device makes them.
  WAVEHDR* Header(uint32_t size) {
    auto* h = reinterpret_cast<WAVEHDR*>(Pool.GetBlock(sizeof(WAVEHDR)));
    std::memset(h, 0, sizeof(WAVEHDR));
    h->lpData = Pool.GetBlock(size);
    std::memset(h->lpData, 0x5A, size);
    h->dwBufferLength = size;
    return h;
  }
};

}  // namespace

TEST_F(BlockPool, getBlock_prefersAnExactSize_thenTheLeastExcessBelowTheRequest) {
  Free({150, 120, 100});
  EXPECT_EQ(TdeBlockPool::BlockSize(Pool.GetBlock(100)), 100u);
  Pool.FreeBlocks();
  Free({150, 120});
  EXPECT_EQ(TdeBlockPool::BlockSize(Pool.GetBlock(100)), 120u);
  Pool.FreeBlocks();
  Free({200, 250});
  const size_t before = Pool.AllocationCount();
  EXPECT_EQ(TdeBlockPool::BlockSize(Pool.GetBlock(100)), 100u);
  EXPECT_EQ(Pool.AllocationCount(), before + 1);  // an excess of the request or more never qualifies
}

TEST_F(BlockPool, aReusedLargerBlock_keepsItsSize_andIsLaterAnExactMatch) {
  Free({120});
  char* block = Pool.GetBlock(100);
  EXPECT_EQ(TdeBlockPool::BlockSize(block), 120u);
  Pool.RecycleBlock(block);
  EXPECT_EQ(Pool.GetBlock(120), block);
}

TEST_F(BlockPool, aRefusedAllocation_raisesAndLeavesThePoolUnchanged) {
  Pool.SetAllocationLimit(1);
  Pool.GetBlock(10);
  try {
    Pool.GetBlock(10);
    FAIL();
  } catch (const EACMAudioOutError& e) {
    EXPECT_EQ(e.Message(), "Cannot allocate global memory.");
  }
  EXPECT_EQ(Pool.AllocationCount(), 1u);
  EXPECT_EQ(Pool.FreeBlockCount(), 0u);
}

TEST_F(BlockPool, aSizeNearTheTopOfTheRange_isRefused_notWrappedIntoATinyBlock) {
  for (uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFF0u}) {
    try {
      Pool.GetBlock(size);
      FAIL() << size;
    } catch (const EACMAudioOutError& e) {
      EXPECT_EQ(e.Message(), "Cannot allocate global memory.");
    }
  }
  EXPECT_EQ(Pool.AllocationCount(), 0u);
}

TEST_F(BlockPool, anInputDevice_raisesThePoolsOutputKindToo) {
  TScriptedWave wave;
  TdeAudioIn in;
  in.Pool().SetAllocationLimit(5);
  EXPECT_THROW(in.Open(), EACMAudioOutError);
  EXPECT_FALSE(in.Active());
}

TEST_F(BlockPool, aHeaderReleasedWhileDelivered_isRecycledOnlyWhenTheDeliveryEnds) {
  WAVEHDR* h = Header(64);
  char* data = h->lpData;
  {
    TdeBlockPool::TDeliveryScope scope(Pool, h);
    Pool.RecycleHeader(h);
    EXPECT_EQ(Pool.FreeBlockCount(), 0u);  // still being read
    EXPECT_EQ(h->lpData[63], 0x5A);
  }
  EXPECT_EQ(Pool.FreeBlockCount(), 2u);
  EXPECT_EQ(Pool.GetBlock(64), data);
}

TEST_F(BlockPool, freeingThePoolDuringADelivery_keepsThatHeadersBlocksUntilTheOutermostDeliveryEnds) {
  WAVEHDR* outer = Header(32);
  WAVEHDR* inner = Header(48);
  {
    TdeBlockPool::TDeliveryScope a(Pool, outer);
    {
      TdeBlockPool::TDeliveryScope b(Pool, inner);
      Pool.FreeBlocks();  // a handler closed the component
      EXPECT_EQ(Pool.AllocationCount(), 0u);
      WAVEHDR* fresh = Header(48);  // and opened it again: new memory, not the delivered blocks
      EXPECT_NE(fresh, inner);
      EXPECT_NE(fresh->lpData, inner->lpData);
    }
    // Both delivered headers are still readable (the sanitizer build checks it).
    EXPECT_EQ(inner->lpData[47], 0x5A);
    EXPECT_EQ(outer->lpData[31], 0x5A);
    Pool.RecycleHeader(outer);  // released after the pool was freed: never reused
  }
  EXPECT_EQ(Pool.FreeBlockCount(), 0u);
}
