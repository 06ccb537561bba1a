// What a recording leaves behind when it is cut short, by a kill or by a full
// disk, and how it carries on past the 4 GiB a RIFF size can claim.
#include "DiskStall.h"
#include "PrivateTmpfs.h"
#include "WaveTestSupport.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

using namespace wavetest;

namespace {
constexpr int32_t kBlock = 44100 / 8 * 4;  // about an eighth of a second of 16-bit stereo, whole frames
constexpr int64_t kHeader = 80;            // RIFF, the chunk reserved for 64-bit sizes, fmt, data

std::string BlockBytes(int index) {
  std::string b(kBlock, '\0');
  for (int i = 0; i < kBlock; ++i) b[i] = static_cast<char>(index * 31 + i);
  return b;
}

std::string ReadAudio(const QString& name, int64_t* dataSize = nullptr) {
  TFileStream f(name, fmOpenRead);
  TdeRIFFAudioReader r(&f);
  if (dataSize) *dataSize = r.GetStreamSize(0);
  auto w = r.OpenStream(0);
  std::string out(static_cast<size_t>(w->Size()), '\0');
  w->Read(out.data(), static_cast<int32_t>(out.size()));
  return out;
}

// Accepts writes until capacity bytes are stored, then stores what fits and
// reports a short count, like a file on a full disk.
class TFullStream : public TMemoryStream {
 public:
  explicit TFullStream(int64_t capacity) : FCapacity(capacity) {}
  int32_t Write(const void* buffer, int32_t count) override {
    const int64_t room = std::max<int64_t>(FCapacity - Position(), 0);
    return TMemoryStream::Write(buffer, static_cast<int32_t>(std::min<int64_t>(count, room)));
  }

 private:
  int64_t FCapacity;
};

// A stream whose seeks fail while Failing is above 0 (a failing disk under the
// size patch); each failed seek counts it down.
class TSeekFailStream : public TMemoryStream {
 public:
  int Failing = 0;
  int64_t Seek(int64_t offset, int origin) override {
    if (Failing > 0 && !(offset == 0 && origin == soCurrent)) {
      --Failing;
      throw EWriteError(QStringLiteral("seek failed"));
    }
    return TMemoryStream::Seek(offset, origin);
  }
};

constexpr int32_t kHoleBlock = 1 << 30;

// Runs a writer in a child process on a sparse file: holeBytes of silence
// written as a hole, then real blocks, until the parent has seen `blocks` of
// them and kills the child with SIGKILL.
void KillWhileWriting(const QString& name, int64_t holeBytes, int blocks) {
  ASSERT_TRUE(KillAfterTicks(blocks, [&](const std::function<void()>& tick) {
    TSparseFileStream f(name, fmCreate);
    TdeRIFFAudioWriter w(&f);
    SetPcm(*w.GetFormat(), 2, 44100, 16);
    const std::string first = BlockBytes(0);
    w.Write(first.data(), kBlock);
    static const char* const zeros = static_cast<const char*>(
        mmap(nullptr, kHoleBlock, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
    for (int64_t left = holeBytes; left > 0; left -= kHoleBlock)
      w.Write(zeros, static_cast<int32_t>(std::min<int64_t>(left, kHoleBlock)));
    for (int i = 1;; ++i) {
      const std::string b = BlockBytes(i);
      w.Write(b.data(), kBlock);
      tick();
      usleep(2000);
    }
  }));
}

// The audio the reader finds at offset of the data, count bytes.
std::string AudioAt(TdeRIFFAudioReader& r, int64_t offset, int32_t count) {
  auto w = r.OpenStream(0);
  w->Seek(offset, soBeginning);
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(std::max(w->Read(out.data(), count), 0)));
  return out;
}
}  // namespace

TEST(RiffSafety, AKilledRecordingLeavesAValidFileOfAllButTheLastSecond) {
  QTemporaryDir dir;
  const QString name = dir.filePath("killed.wav");
  KillWhileWriting(name, 0, 29);

  int64_t dataSize = 0;
  const std::string audio = ReadAudio(name, &dataSize);
  // Patched after the first block and at least once per second (8 blocks) after.
  EXPECT_GE(dataSize, (30 - 8) * kBlock);
  EXPECT_EQ(dataSize % kBlock, 0);
  for (int i = 0; i < dataSize / kBlock; ++i) ASSERT_EQ(audio.substr(i * kBlock, kBlock), BlockBytes(i)) << i;
  if (HavePeer("ffprobe")) {
    EXPECT_EQ(Probe(name, "codec_name"), "pcm_s16le");
    QByteArray out;
    EXPECT_EQ(RunPeer("ffmpeg", {"-v", "error", "-i", name, "-f", "null", "-"}, nullptr, &out), 0);
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();
  }
}

TEST(RiffSafety, AKilledRecordingPastFiveGibibytesLeavesAValidRF64File) {
  QTemporaryDir dir;
  const QString name = dir.filePath("killed.wav");
  constexpr int64_t kHole = 5ll << 30;
  KillWhileWriting(name, kHole, 29);

  TFileStream f(name, fmOpenRead);
  TdeRIFFAudioReader r(&f);
  EXPECT_TRUE(r.IsRF64());
  const int64_t data = r.GetStreamSize(0);
  ASSERT_GE(data, kBlock + kHole + (29 - 8) * kBlock);
  const int64_t tail = data - kBlock - kHole;  // the real blocks after the hole
  EXPECT_EQ(tail % kBlock, 0);
  EXPECT_EQ(AudioAt(r, 0, kBlock), BlockBytes(0));
  EXPECT_EQ(AudioAt(r, kBlock, 4), std::string(4, '\0'));
  for (int i = 1; i <= tail / kBlock; ++i)
    ASSERT_EQ(AudioAt(r, kBlock + kHole + (i - 1) * kBlock, kBlock), BlockBytes(i)) << i;
  if (HavePeer("ffprobe")) {
    EXPECT_EQ(Probe(name, "codec_name"), "pcm_s16le");
    EXPECT_NEAR(Probe(name, "duration").toDouble(), data / 176400.0, 1e-5);
  }
}

TEST(RiffSafety, AFullDiskStopsWithAClearErrorAndKeepsTheBlocksBefore) {
  TFullStream s(kHeader + 3 * kBlock + 1000);
  TdeRIFFAudioWriter w(&s);
  SetPcm(*w.GetFormat(), 2, 44100, 16);
  for (int i = 0; i < 3; ++i) w.Write(BlockBytes(i).data(), kBlock);
  try {
    w.Write(BlockBytes(3).data(), kBlock);
    FAIL() << "no exception";
  } catch (const EACMAudioStreamError& e) {
    EXPECT_TRUE(e.Message().startsWith("Error writing the audio file")) << e.Message().toStdString();
  }
  // Refused from now on, without touching the file.
  EXPECT_THROW(w.Write(BlockBytes(4).data(), kBlock), EACMAudioStreamError);
  w.Finish();
  EXPECT_EQ(s.Size(), kHeader + 3 * kBlock);  // the partial block was dropped
  s.SetPosition(0);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetStreamSize(0), 3 * kBlock);
}

TEST(RiffSafety, AFullFileSystemGivesTheSystemsReasonAndAValidFile) {
  QTemporaryDir dir;
  const QString mountPoint = dir.filePath("disk");
  const QString copy = dir.filePath("copy.wav");
  const QString report = dir.filePath("report.txt");
  ASSERT_TRUE(QDir().mkpath(mountPoint));
  // A 64 KiB file system of its own.
  const int status = RunInPrivateTmpfs(mountPoint, "64k", [&] {
    std::string message;
    {
      TFileStream f(mountPoint + "/full.wav", fmCreate);
      TdeRIFFAudioWriter w(&f);
      SetPcm(*w.GetFormat(), 2, 44100, 16);
      try {
        for (int i = 0; i < 100; ++i) w.Write(BlockBytes(i).data(), kBlock);
        message = "no error";
      } catch (const Exception& e) {
        message = e.Message().toStdString();
      }
    }
    WriteFile(copy, ReadFile(mountPoint + "/full.wav"));
    WriteFile(report, message);
  });
  if (status == kNoPrivateTmpfs) GTEST_SKIP() << "no private tmpfs here";
  ASSERT_EQ(status, 0);
  EXPECT_EQ(ReadFile(report), std::string("Error writing the audio file; the audio before this block was kept.\n") +
                                  std::strerror(ENOSPC));
  int64_t dataSize = 0;
  const std::string audio = ReadAudio(copy, &dataSize);
  EXPECT_GT(dataSize, 0);
  EXPECT_EQ(dataSize % kBlock, 0);
  EXPECT_EQ(audio.substr(0, kBlock), BlockBytes(0));
  if (HavePeer("ffprobe")) {
    EXPECT_EQ(Probe(copy, "codec_name"), "pcm_s16le");
  }
}

TEST(RiffSafety, PastFourGibibytesTheFileTurnsRF64WithoutMovingAudio) {
  QTemporaryDir dir;
  const QString name = dir.filePath("big.wav");
  void* zeros = mmap(nullptr, kHoleBlock, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(zeros, MAP_FAILED);
  // Whole frames of audio just short of a RIFF size of 0xFFFFFFFF.
  constexpr int64_t kLargestPlain = (0xFFFFFFFFll + 8 - kHeader) / 4 * 4;
  const std::string first = BlockBytes(0), last = BlockBytes(1);
  const auto header = [&] {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.read(kHeader).toStdString() : std::string();
  };
  {
    TSparseFileStream f(name, fmCreate);
    TdeRIFFAudioWriter w(&f);
    w.SetDurable(false);
    SetPcm(*w.GetFormat(), 2, 44100, 16);
    w.Write(first.data(), kBlock);
    for (int i = 0; i < 3; ++i) w.Write(zeros, kHoleBlock);
    w.Write(zeros, static_cast<int32_t>(kLargestPlain - kBlock - 3ll * kHoleBlock));
    std::string h = header();
    EXPECT_EQ(h.substr(0, 16), std::string("RIFF\xFC\xFF\xFF\xFFWAVEJUNK", 16));
    EXPECT_FALSE(w.IsRF64());
    w.Write(last.data(), kBlock);
    w.Checkpoint();  // the sizes on disk now claim more than 32 bits can
    EXPECT_TRUE(w.IsRF64());
  }
  munmap(zeros, kHoleBlock);

  const int64_t data = kLargestPlain + kBlock;
  const std::string h = header();
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(h[at]) | uint8_t(h[at + 1]) << 8 | uint8_t(h[at + 2]) << 16 |
                    uint32_t(uint8_t(h[at + 3])) << 24);
  };
  auto u64 = [&](size_t at) { return u32(at) | uint64_t(u32(at + 4)) << 32; };
  EXPECT_EQ(h.substr(0, 16), std::string("RF64\xFF\xFF\xFF\xFFWAVEds64", 16));
  EXPECT_EQ(u32(16), 28u);
  EXPECT_EQ(u64(20), uint64_t(kHeader + data - 8));
  EXPECT_EQ(u64(28), uint64_t(data));
  EXPECT_EQ(u64(36), uint64_t(data / 4));  // frames
  EXPECT_EQ(u32(44), 0u);                  // no table
  EXPECT_EQ(h.substr(48, 24), "fmt " + std::string("\x10\0\0\0", 4) + PcmFmt(2, 44100, 16));
  EXPECT_EQ(h.substr(72, 8), "data" + std::string(4, '\xFF'));

  TFileStream f(name, fmOpenRead);
  EXPECT_EQ(f.Size(), kHeader + data);
  TdeRIFFAudioReader r(&f);
  EXPECT_TRUE(r.IsRF64());
  EXPECT_EQ(r.DataStart(), kHeader);
  EXPECT_EQ(r.GetStreamSize(0), data);
  EXPECT_EQ(AudioAt(r, 0, kBlock), first);
  EXPECT_EQ(AudioAt(r, data - kBlock, kBlock + 10), last);  // and nothing after it
  if (HavePeer("ffprobe")) {
    EXPECT_NEAR(Probe(name, "duration").toDouble(), data / 176400.0, 1e-5);
  }
}

TEST(RiffSafety, AFailingSizePatchKeepsOneHeaderAndAValidFile) {
  // Fails the patch after the first block once, then for good: either way the
  // writer refuses further blocks and the file holds one header and true sizes.
  for (const int failing : {1, 1000}) {
    SCOPED_TRACE(failing);
    TSeekFailStream s;
    {
      TdeRIFFAudioWriter w(&s);
      SetPcm(*w.GetFormat(), 2, 44100, 16);
      s.Failing = failing;
      try {
        w.Write(BlockBytes(0).data(), kBlock);
        FAIL() << "no exception";
      } catch (const EACMAudioStreamError& e) {
        EXPECT_TRUE(e.Message().startsWith("Error writing the audio file")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("seek failed")) << e.Message().toStdString();
      }
      EXPECT_THROW(w.Write(BlockBytes(1).data(), kBlock), EACMAudioStreamError);
      w.Finish();
    }
    s.Failing = 0;
    const std::string bytes(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
    EXPECT_EQ(bytes.find("RIFF", 4), std::string::npos) << "a second header";
    s.SetPosition(0);
    TdeRIFFAudioReader r(&s);
    EXPECT_EQ(r.GetStreamSize(0), 0);
  }

  // A later patch that fails goes back to the last good one.
  TSeekFailStream s;
  TdeRIFFAudioWriter w(&s);
  SetPcm(*w.GetFormat(), 2, 44100, 16);
  w.Write(BlockBytes(0).data(), kBlock);  // patched at once
  s.Failing = 1;
  int written = 1;
  EXPECT_THROW(for (; written < 20; ++written) w.Write(BlockBytes(written).data(), kBlock), EACMAudioStreamError);
  EXPECT_GT(written, 1);  // the patch a second on
  w.Finish();
  s.SetPosition(0);
  TdeRIFFAudioReader r(&s);
  EXPECT_EQ(r.GetStreamSize(0), kBlock);
  EXPECT_EQ(s.Size(), kHeader + kBlock);
}

// A power cut just after Stop, or during a long pause, must find the sizes
// that claim the last audio on the disk, not only the audio: the last patch
// is synced after it is written.
TEST(RiffSafety, TheLastSizePatchReachesTheDiskAtAPauseAndAtTheEnd) {
  QTemporaryDir dir;
  TFileStream f(dir.filePath("synced.wav"), fmCreate);
  TdeRIFFAudioWriter w(&f);
  SetPcm(*w.GetFormat(), 2, 44100, 16);
  // The data size as the file held it when each sync began.
  std::vector<uint32_t> synced;
  WatchSyncs([&synced, fd = f.Handle()](int syncing) {
    uint32_t size = 0;
    if (syncing == fd && pread(fd, &size, 4, kHeader - 4) == 4) synced.push_back(size);
  });
  const std::string block = BlockBytes(0);
  w.Write(block.data(), kBlock);  // patched at once, then short of the next second
  w.Write(block.data(), kBlock);
  w.Checkpoint();
  ASSERT_FALSE(synced.empty());
  EXPECT_EQ(synced.back(), uint32_t(2 * kBlock)) << "the pause's patch waits unsynced";
  w.Write(block.data(), 100);
  w.Finish();
  WatchSyncs({});
  EXPECT_EQ(synced.back(), uint32_t(2 * kBlock + 100)) << "Stop's patch waits unsynced";
}
