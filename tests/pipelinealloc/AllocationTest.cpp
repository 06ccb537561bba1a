// Steady conversion allocates nothing per block: every step converts in its
// own fixed buffers and hands its output on without copying.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "AllocationHook.h"
#include "LinkTestSupport.h"
#include "deACM.h"
#include "deAudioControls.h"

namespace {

constexpr int WarmUpBlocks = 4;
constexpr int SteadyBlocks = 40;

// Pushes the block again and again; the counter then holds the counts of the steady part.
void PushSteadyBlocks(const std::function<void(const std::vector<uint8_t>&)>& push, const std::vector<uint8_t>& block) {
  // The first blocks fix the buffers: the hook must see that, or it sees nothing at all.
  TAllocationCounter::Arm();
  for (int i = 0; i < WarmUpBlocks; ++i) push(block);
  EXPECT_GT(TAllocationCounter::Disarm(), 0);
  TAllocationCounter::Arm();
  for (int i = 0; i < SteadyBlocks; ++i) push(block);
  TAllocationCounter::Disarm();
}

// One block of a second's eighth in codec format, encoded from a PCM sine.
std::vector<uint8_t> CodecBlock(const TdeWaveFormat& codec) {
  TdeAudioConvertor encoder(nullptr);
  auto pcm = Pcm(codec.SamplesPerSec(), 16, codec.Channels());
  encoder.SetFormatIn(pcm.get());
  encoder.SetFormatOut(const_cast<TdeWaveFormat*>(&codec));
  std::vector<uint8_t> out;
  encoder.SetOnAudioConverted([&out](TComponent*, const void* d, int32_t n, bool&) {
    out.insert(out.end(), static_cast<const uint8_t*>(d), static_cast<const uint8_t*>(d) + n);
  });
  encoder.Open();
  const auto second = PcmSine(*pcm, 440, pcm->SamplesPerSec());
  encoder.Convert(second.data(), int32_t(second.size()));
  const size_t align = std::max<size_t>(1, codec.BlockAlign());
  out.resize(std::min(out.size(), std::max(align, codec.AvgBytesPerSec() / 8 / align * align)));
  return out;
}

// A-law to stereo IMA ADPCM at another rate: four formats, three steps.
struct TThreeStepChain {
  std::unique_ptr<TdeWaveFormat> In = Enumerated(WAVE_FORMAT_ALAW, 8000, 1);
  std::unique_ptr<TdeWaveFormat> Out = Enumerated(WAVE_FORMAT_IMA_ADPCM, 22050, 2);
};

}  // namespace

TEST(Allocation, HookSeesAllocations) {
  // Kept in a volatile so the compiler cannot drop the allocations.
  static void* volatile sink;
  TAllocationCounter::Arm();
  sink = ::operator new(24);
  ::operator delete(sink);
  sink = std::malloc(16);
  std::free(sink);
  TAllocationCounter::Disarm();
  EXPECT_EQ(TAllocationCounter::NewCount(), 1);
  EXPECT_EQ(TAllocationCounter::MallocCount(), TAllocationCounter::CountsMalloc() ? 1 : 0);
  EXPECT_EQ(TAllocationCounter::FirstSize(), 24u);
}

TEST(Allocation, ThreeLinkedPcmConvertorsAllocateNothingPerBlock) {
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
  PushSteadyBlocks([&](const std::vector<uint8_t>& b) { first->Convert(b.data(), int32_t(b.size())); },
                   PcmSine(*first->FormatIn(), 440, 44100 / 8));
  EXPECT_EQ(TAllocationCounter::NewCount() + TAllocationCounter::MallocCount(), 0)
      << "first allocation: " << TAllocationCounter::FirstSize() << " bytes";
  EXPECT_GT(delivered, 0);
  EXPECT_TRUE(third->Active());
}

// The convertor and its steps add nothing per block to what the codecs do.
TEST(Allocation, ThreeStepChainAllocatesNothingPerBlockOutsideTheCodecs) {
  TThreeStepChain chain;
  if (!chain.In || !chain.Out) GTEST_FAIL() << "no A-law or IMA ADPCM codec installed";
  TQComponent form(nullptr);
  auto* conv = new TdeAudioConvertor(&form);
  conv->SetFormatIn(chain.In.get());
  conv->SetFormatOut(chain.Out.get());
  conv->Open();
  ASSERT_EQ(conv->FormatCount(), 4);
  int64_t delivered = 0;
  conv->SetOnAudioConverted([&](TComponent*, const void*, int32_t size, bool&) { delivered += size; });
  PushSteadyBlocks([&](const std::vector<uint8_t>& b) { conv->Convert(b.data(), int32_t(b.size())); },
                   CodecBlock(*chain.In));
  EXPECT_EQ(TAllocationCounter::NewCount(), 0) << "first allocation: " << TAllocationCounter::FirstSize() << " bytes";
  RecordProperty("CodecMallocsPerBlock", std::to_string(TAllocationCounter::MallocCount() / SteadyBlocks));
  EXPECT_GT(delivered, 0);
}

// What is left per block is libavcodec's own: each send and receive call
// takes a frame or packet reference (about ten a call, seen 20.7 a block for
// the two codecs here). A driver that set up anything of its own per block,
// a context, a resampler or a frame, would add dozens more.
TEST(Allocation, ThreeStepChainLeavesOnlyTheCodecsOwnReferencesPerBlock) {
  TThreeStepChain chain;
  if (!chain.In || !chain.Out) GTEST_FAIL() << "no A-law or IMA ADPCM codec installed";
  TdeAudioConvertor conv(nullptr);
  conv.SetFormatIn(chain.In.get());
  conv.SetFormatOut(chain.Out.get());
  conv.Open();
  PushSteadyBlocks([&](const std::vector<uint8_t>& b) { conv.Convert(b.data(), int32_t(b.size())); },
                   CodecBlock(*chain.In));
  EXPECT_EQ(TAllocationCounter::NewCount(), 0);
  if (TAllocationCounter::CountsMalloc()) {
    EXPECT_LE(TAllocationCounter::MallocCount(), 28 * SteadyBlocks);
  }
}

// The oscilloscope's feed as the recorder runs it: every block the device
// hands over is converted on its own to 16-bit stereo at 48 kHz. Recording
// (PCM 11025 Hz 8-bit stereo, an eighth of a second a block) and an MP3
// stream (48 kHz stereo 320 kbit/s) as the producer's format.
TEST(Allocation, TheDisplaySourceAllocatesNothingPerBlockOutsideTheCodecs) {
  struct TCase {
    const char* Name;
    std::unique_ptr<TdeWaveFormat> Format;
    std::vector<uint8_t> Block;
  };
  std::vector<TCase> cases;
  auto recording = Pcm(11025, 8, 2);
  auto block = PcmSine(*recording, 440, 2760 / 2);
  cases.push_back({"recording", std::move(recording), std::move(block)});
  if (auto mp3 = Enumerated(WAVE_FORMAT_MPEGLAYER3, 48000, 2, 40000)) {
    auto coded = CodecBlock(*mp3);
    cases.push_back({"mp3", std::move(mp3), std::move(coded)});
  } else {
    ADD_FAILURE() << "no MP3 format of 320 kbit/s at 48 kHz stereo";
  }
  for (TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQComponent form(nullptr);
    auto* producer = new TSource(&form);
    producer->Format.Assign(c.Format.get());
    auto* display = new TdeAudioControlSource(&form);
    display->SetAudioSource(producer);
    int32_t frames = 0;
    display->SetOnDataChanged([&](TComponent*) { frames = display->SampleCount(); });
    PushSteadyBlocks([&](const std::vector<uint8_t>& b) { producer->Deliver(b); }, c.Block);
    EXPECT_EQ(TAllocationCounter::NewCount(), 0) << "first allocation: " << TAllocationCounter::FirstSize() << " bytes";
    std::printf("[ display %s ] %.1f C-library allocations per block\n", c.Name,
                double(TAllocationCounter::MallocCount()) / SteadyBlocks);
    RecordProperty(std::string("CodecMallocsPerBlock_") + c.Name,
                   std::to_string(TAllocationCounter::MallocCount() / SteadyBlocks));
    // The decoder's own references, 25 a block here; a packet it had to copy
    // (one owning no buffer) would add one for each of the block's ten.
    if (TAllocationCounter::CountsMalloc()) {
      EXPECT_LE(TAllocationCounter::MallocCount(), 30 * SteadyBlocks);
    }
    EXPECT_GT(frames, 0);
  }
}
