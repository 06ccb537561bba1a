// What a recording leaves behind when it is cut short: by a kill, by a full
// disk, or by the format's 4 GiB limit.
#include "WaveTestSupport.h"
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

using namespace wavetest;

namespace {
constexpr int32_t kBlock = 44100 / 8 * 4;  // about an eighth of a second of 16-bit stereo, whole frames

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

// Writes large blocks as holes, so a file of 4 GiB costs no disk space.
class TSparseFileStream : public TFileStream {
 public:
  using TFileStream::TFileStream;
  int32_t Write(const void* buffer, int32_t count) override {
    if (count < (1 << 20)) return TFileStream::Write(buffer, count);
    const int64_t end = Seek(count, soCurrent);
    if (end > Size()) SetSize(end);
    Seek(end, soBeginning);
    return count;
  }
};
}  // namespace

TEST(RiffSafety, AKilledRecordingLeavesAValidFileOfAllButTheLastSecond) {
  QTemporaryDir dir;
  const QString name = dir.filePath("killed.wav");
  ASSERT_TRUE(KillAfterTicks(30, [&](const std::function<void()>& tick) {
    TFileStream f(name, fmCreate);
    TdeRIFFAudioWriter w(&f);
    SetPcm(*w.GetFormat(), 2, 44100, 16);
    for (int i = 0;; ++i) {
      const std::string b = BlockBytes(i);
      w.Write(b.data(), kBlock);
      tick();
      usleep(2000);
    }
  }));

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

TEST(RiffSafety, AFullDiskStopsWithAClearErrorAndKeepsTheBlocksBefore) {
  TFullStream s(44 + 3 * kBlock + 1000);
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
  EXPECT_EQ(s.Size(), 44 + 3 * kBlock);  // the partial block was dropped
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
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A private mount namespace with a 64 KiB file system; where that is not
    // allowed the test is skipped.
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) _exit(77);
    auto put = [](const char* file, const std::string& text) {
      const int fd = open(file, O_WRONLY);
      if (fd < 0) return;
      if (write(fd, text.data(), text.size()) < 0) {
      }
      close(fd);
    };
    put("/proc/self/setgroups", "deny");
    put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
    put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
    if (mount("tamsel", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0) _exit(77);
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
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private tmpfs here";
  ASSERT_EQ(WEXITSTATUS(status), 0);
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

TEST(RiffSafety, ABlockPastFourGibibytesIsRefusedAndTheFileStaysValid) {
  QTemporaryDir dir;
  const QString name = dir.filePath("big.wav");
  constexpr int32_t kGiB = 1 << 30;
  void* zeros = mmap(nullptr, kGiB, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(zeros, MAP_FAILED);
  constexpr int64_t kMaxData = 0xFFFFFFFFll - 44 - 1;  // even, so no pad byte is needed
  {
    TSparseFileStream f(name, fmCreate);
    TdeRIFFAudioWriter w(&f);
    w.SetDurable(false);
    SetPcm(*w.GetFormat(), 2, 44100, 16);
    for (int i = 0; i < 3; ++i) w.Write(zeros, kGiB);
    w.Write(zeros, static_cast<int32_t>(kMaxData - 3ll * kGiB));
    try {
      w.Write(zeros, 2);
      FAIL() << "no exception";
    } catch (const EACMAudioStreamError& e) {
      EXPECT_EQ(e.Message(),
                "The audio file has reached 4 GiB, the largest size a WAVE file can hold; the audio before this "
                "block was kept.");
    }
    EXPECT_THROW(w.Write(zeros, 1), EACMAudioStreamError);  // with its pad byte it would not fit either
  }
  munmap(zeros, kGiB);
  TFileStream f(name, fmOpenRead);
  EXPECT_EQ(f.Size(), 0xFFFFFFFEll);
  TdeRIFFAudioReader r(&f);
  EXPECT_EQ(r.GetStreamSize(0), kMaxData);
  auto window = r.OpenStream(0);
  EXPECT_EQ(window->Size(), kMaxData);
  if (HavePeer("ffprobe")) {
    EXPECT_EQ(Probe(name, "duration").left(8), "24347.88");
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
  EXPECT_EQ(s.Size(), 44 + kBlock);
}
