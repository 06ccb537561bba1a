// A take written behind a stalled disk: the caller never waits, every block
// reaches the file in order once the disk moves, and what a stall past the
// ring costs is counted to the byte.
#include "WaveTestSupport.h"
#include "deAsyncWriter.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <unistd.h>
#include <condition_variable>
#include <mutex>

using namespace wavetest;

namespace {
constexpr int32_t kBlock = 44100 / 8 * 4;  // an eighth of a second of 16-bit stereo
constexpr int kHeader = 80;  // RIFF, the chunk reserved for 64-bit sizes, fmt, data

// Each block is stamped with its index in every frame: the file dates itself.
std::string BlockBytes(int index) {
  std::string b(kBlock, '\0');
  for (int i = 0; i < kBlock; i += 4) {
    b[i] = static_cast<char>(index);
    b[i + 1] = static_cast<char>(index >> 8);
    b[i + 2] = static_cast<char>(i);
    b[i + 3] = static_cast<char>(i >> 8);
  }
  return b;
}

// A disk that can be stalled: while closed, a write waits until it opens.
class TStallingStream : public TMemoryStream {
 public:
  int32_t Write(const void* buffer, int32_t count) override {
    std::unique_lock lock(FLock);
    FWaiting = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FOpen; });
    FWaiting = false;
    return TMemoryStream::Write(buffer, count);
  }
  int64_t Seek(int64_t offset, int origin) override {
    std::lock_guard guard(FLock);
    return TMemoryStream::Seek(offset, origin);
  }
  void SetOpen(bool open) {
    std::lock_guard guard(FLock);
    FOpen = open;
    FChanged.notify_all();
  }
  // Waits until the writer is held in a write.
  void AwaitStalledWrite() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FWaiting && !FOpen; });
  }
  std::string Snapshot() {
    std::lock_guard guard(FLock);
    const int64_t at = TMemoryStream::Seek(0, soCurrent);
    const int64_t size = TMemoryStream::Seek(0, soEnd);
    TMemoryStream::Seek(at, soBeginning);
    return std::string(reinterpret_cast<const char*>(Memory()), static_cast<size_t>(size));
  }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FOpen = true;
  bool FWaiting = false;
};

uint32_t U32At(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

std::unique_ptr<TdeRIFFAudioWriter> PcmWriter(TStream* stream) {
  auto w = std::make_unique<TdeRIFFAudioWriter>(stream);
  SetPcm(*w->GetFormat(), 2, 44100, 16);
  return w;
}

// The block indices of a file's audio, checking that each block is whole.
std::vector<int> BlocksIn(const std::string& file) {
  const uint32_t data = U32At(file, kHeader - 4);
  EXPECT_EQ(data % kBlock, 0u);
  std::vector<int> out;
  for (uint32_t at = 0; at + kBlock <= data; at += kBlock) {
    const std::string block = file.substr(kHeader + at, kBlock);
    const int index = static_cast<uint8_t>(block[0]) | static_cast<uint8_t>(block[1]) << 8;
    EXPECT_EQ(block, BlockBytes(index)) << "block at " << at;
    out.push_back(index);
  }
  return out;
}
}  // namespace

TEST(AsyncWriter, ADiskStalledForThreeSecondsHoldsNothingBackAndLosesNothing) {
  TStallingStream disk;
  TdeAsyncWriter w(PcmWriter(&disk), 5 * 44100 * 4);
  for (int i = 0; i < 8; ++i) w.Write(BlockBytes(i).data(), kBlock);
  // The stall comes in the next block's write, not in a patch of the sizes.
  while (w.WrittenBytes() < 8 * kBlock) usleep(1000);
  disk.SetOpen(false);
  w.Write(BlockBytes(8).data(), kBlock);
  disk.AwaitStalledWrite();
  // Three seconds of blocks while the disk holds the writer: each returns at
  // once (were one to wait, the test would never get past it).
  for (int i = 9; i < 9 + 24; ++i) w.Write(BlockBytes(i).data(), kBlock);
  w.Checkpoint();
  // Meanwhile the file holds what came before the stall and claims no more.
  const std::string during = disk.Snapshot();
  EXPECT_LE(BlocksIn(during).size(), 8u);
  EXPECT_EQ(during.size(), kHeader + 8u * kBlock);
  disk.SetOpen(true);
  for (int i = 33; i < 40; ++i) w.Write(BlockBytes(i).data(), kBlock);
  w.Finish();
  EXPECT_EQ(w.DroppedBytes(), 0);
  EXPECT_EQ(w.WrittenBytes(), 40 * kBlock);
  std::vector<int> expected(40);
  for (int i = 0; i < 40; ++i) expected[i] = i;
  EXPECT_EQ(BlocksIn(disk.Snapshot()), expected);
}

TEST(AsyncWriter, AStallPastTheRingDropsWholeBlocksCountsThemAndGoesOn) {
  TStallingStream disk;
  TdeAsyncWriter w(PcmWriter(&disk), 4 * kBlock + 100);
  w.Write(BlockBytes(0).data(), kBlock);
  while (w.WrittenBytes() < kBlock) usleep(1000);
  disk.SetOpen(false);
  w.Write(BlockBytes(1).data(), kBlock);
  disk.AwaitStalledWrite();
  for (int i = 2; i < 20; ++i) w.Write(BlockBytes(i).data(), kBlock);
  disk.SetOpen(true);
  while (w.WrittenBytes() + w.DroppedBytes() < 20 * kBlock) usleep(1000);
  // Once the disk moves again the take goes on, right after the gap.
  for (int i = 20; i < 24; ++i) w.Write(BlockBytes(i).data(), kBlock);
  w.Finish();
  // Block 1 is held by the stalled write; the ring keeps the next ones it has
  // room for, and the rest up to block 19 is gone.
  const std::vector<int> blocks = BlocksIn(disk.Snapshot());
  ASSERT_GE(blocks.size(), 8u);
  const size_t kept = blocks.size() - 4;
  for (size_t i = 0; i < kept; ++i) EXPECT_EQ(blocks[i], static_cast<int>(i)) << i;
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(blocks[kept + i], static_cast<int>(20 + i)) << i;
  EXPECT_EQ(w.DroppedBytes(), (20 - static_cast<int64_t>(kept)) * kBlock);
  EXPECT_EQ(w.WrittenBytes(), static_cast<int64_t>(blocks.size()) * kBlock);
}

TEST(AsyncWriter, AKilledTakeIsAValidFileOfWholeBlocksInOrder) {
  QTemporaryDir dir;
  const QString name = dir.filePath("killed.wav");
  ASSERT_TRUE(KillAfterTicks(30, [&](const std::function<void()>& tick) {
    TFileStream f(name, fmCreate);
    TdeAsyncWriter w(PcmWriter(&f), 8 * kBlock);
    for (int i = 0;; ++i) {
      w.Write(BlockBytes(i).data(), kBlock);
      // Told once the block before is on its way to the disk.
      while (w.WrittenBytes() < int64_t{i} * kBlock) usleep(500);
      tick();
      usleep(2000);
    }
  }));
  const std::string file = ReadFile(name);
  const std::vector<int> got = BlocksIn(file);
  // Patched after the first block and at least once a second (8 blocks) after.
  EXPECT_GE(got.size(), static_cast<size_t>(29 - 8));
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], static_cast<int>(i));
}
