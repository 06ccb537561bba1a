// Steady conversion allocates nothing per block: every step converts in its
// own fixed buffers and hands its output on without copying.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AllocationHook.h"
#include "LinkTestSupport.h"
#include "deACM.h"

namespace {

constexpr int WarmUpBlocks = 4;
constexpr int SteadyBlocks = 40;

// Pushes blocks of an eighth of a second; returns the allocations of the steady part.
long SteadyAllocations(const std::function<void(const std::vector<uint8_t>&)>& push, const TdeWaveFormat& in) {
  const auto block = PcmSine(in, 440, in.SamplesPerSec() / 8);
  // The first blocks fix the buffers: the hook must see that, or it sees nothing at all.
  TAllocationCounter::Arm();
  for (int i = 0; i < WarmUpBlocks; ++i) push(block);
  EXPECT_GT(TAllocationCounter::Disarm(), 0);
  TAllocationCounter::Arm();
  for (int i = 0; i < SteadyBlocks; ++i) push(block);
  return TAllocationCounter::Disarm();
}

}  // namespace

TEST(Allocation, HookSeesAllocations) {
  // Kept in a volatile so the compiler cannot drop the allocations.
  static void* volatile sink;
  TAllocationCounter::Arm();
  sink = ::operator new(24);
  ::operator delete(sink);
  sink = std::malloc(16);
  std::free(sink);
  const long counted = TAllocationCounter::Disarm();
  EXPECT_EQ(counted, TAllocationCounter::CountsMalloc() ? 2 : 1);
  EXPECT_EQ(TAllocationCounter::FirstSize(), 24u);
}

TEST(Allocation, ThreeLinkedConvertorsAllocateNothingPerBlock) {
  TQComponent form(nullptr);
  auto* first = new TdeAudioConvertor(&form);
  auto* second = new TdeAudioConvertor(&form);
  auto* third = new TdeAudioConvertor(&form);
  first->SetFormatIn(Pcm(44100, 16, 2).get());
  first->SetFormatOut(Pcm(22050, 16, 2).get());
  second->SetFormatOut(Pcm(22050, 8, 1).get());
  third->SetFormatOut(Pcm(11025, 16, 1).get());
  second->SetAudioSource(first);
  third->SetAudioSource(second);
  int64_t delivered = 0;
  third->SetOnAudioConverted([&](TComponent*, const void*, int32_t size, bool&) { delivered += size; });
  first->Open();
  const long count = SteadyAllocations(
      [&](const std::vector<uint8_t>& b) { first->Convert(b.data(), int32_t(b.size())); }, *first->FormatIn());
  EXPECT_EQ(count, 0) << "first allocation: " << TAllocationCounter::FirstSize() << " bytes";
  EXPECT_GT(delivered, 0);
  EXPECT_TRUE(third->Active());
}

TEST(Allocation, FourFormatChainAllocatesNothingPerBlock) {
  // PCM to a codec whose rate differs: PCM in -> suggested PCM -> codec's PCM -> codec.
  auto in = Pcm(44100, 16, 2);
  std::unique_ptr<TdeWaveFormat> out;
  for (uint16_t tag : {WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_ADPCM, WAVE_FORMAT_GSM610, WAVE_FORMAT_ALAW})
    if (!out) out = Enumerated(tag, 8000, 1);
  if (!out) GTEST_SKIP() << "no compressed codec installed";
  TQComponent form(nullptr);
  auto* conv = new TdeAudioConvertor(&form);
  auto codecIn = std::make_unique<TdeWaveFormat>();
  codecIn->Assign(out.get());
  conv->SetFormatIn(in.get());
  conv->SetFormatOut(out.get());
  conv->Open();
  ASSERT_GE(conv->FormatCount(), 3);
  int64_t delivered = 0;
  conv->SetOnAudioConverted([&](TComponent*, const void*, int32_t size, bool&) { delivered += size; });
  const long count = SteadyAllocations(
      [&](const std::vector<uint8_t>& b) { conv->Convert(b.data(), int32_t(b.size())); }, *in);
  EXPECT_EQ(count, 0) << "first allocation: " << TAllocationCounter::FirstSize() << " bytes";
  EXPECT_GT(delivered, 0);
}
