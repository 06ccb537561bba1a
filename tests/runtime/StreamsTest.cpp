#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <vector>
#include "Exceptions.h"
#include "Streams.h"

TEST(MemoryStream, SizeAndPositionFollowSeekFromEveryOrigin) {
  TMemoryStream s;
  const char data[] = "0123456789";
  EXPECT_EQ(s.Write(data, 10), 10);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Position(), 10);
  EXPECT_EQ(s.Seek(-3, soEnd), 7);
  EXPECT_EQ(s.Seek(1, soCurrent), 8);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2);  // short count at the end, no exception
  EXPECT_EQ(std::string(buf, 2), "89");
  EXPECT_EQ(s.Read(buf, 8), 0);
  s.SetPosition(0);
  char all[16] = {};
  EXPECT_THROW(s.ReadBuffer(all, 11), EReadError);
}

TEST(FileStream, CreateTruncatesAndReadWriteKeepsContent) {
  QTemporaryDir dir;
  const QString name = dir.filePath("a.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
  }
  {
    TFileStream f(name, fmOpenReadWrite);
    EXPECT_EQ(f.Size(), 6);
    f.SetPosition(2);
    f.WriteBuffer("XY", 2);
  }
  {
    TFileStream f(name, fmOpenRead);
    char buf[6];
    f.ReadBuffer(buf, 6);
    EXPECT_EQ(std::string(buf, 6), "abXYef");
    EXPECT_EQ(f.Write("z", 1), 0);  // read-only: a count, not a crash
  }
  { TFileStream f(name, fmCreate); }
  TFileStream f(name, fmOpenRead);
  EXPECT_EQ(f.Size(), 0);
}

TEST(FileStream, FailuresCarryTheSystemErrorText) {
  QTemporaryDir dir;
  try {
    TFileStream f(dir.filePath("missing/x.wav"), fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().indexOf("No such file or directory"), -1) << e.Message().toStdString();
  }
  EXPECT_THROW(TFileStream(dir.filePath("no/dir/x.wav"), fmCreate), EFCreateError);
}

namespace {
std::vector<uint8_t> FileBytes(const QString& name) {
  TFileStream f(name, fmOpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(f.Size()));
  f.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}
}  // namespace

// A file grown block by block with its header rewritten now and then, the way
// a WAVE writer does, ends byte for byte as in memory: held data, patches
// behind it, reads and size queries in between, buffer boundaries crossed.
// The buffered cases run twice: in the caller's thread, and with the disk's
// part on the stream's own thread.
class BufferedFileStream : public ::testing::TestWithParam<bool> {};
std::string ThreadName(const ::testing::TestParamInfo<bool>& p) { return p.param ? "background" : "inline"; }
INSTANTIATE_TEST_SUITE_P(FileStream, BufferedFileStream, ::testing::Bool(), ThreadName);

TEST_P(BufferedFileStream, HeldWritesAndPatchesEndAsTheSameBytes) {
  QTemporaryDir dir;
  const QString name = dir.filePath("held.bin");
  TMemoryStream mem;
  {
    TFileStream f(name, fmCreate);
    f.SetWriteBuffer(64);
    f.SetBackgroundIo(GetParam());
    std::vector<uint8_t> block(200);
    uint32_t seed = 7;
    auto both = [&](int64_t pos, const void* p, int32_t n) {
      f.Seek(pos, soBeginning);
      mem.Seek(pos, soBeginning);
      ASSERT_EQ(f.Write(p, n), n);
      mem.Write(p, n);
    };
    both(0, "RIFF....WAVEdata....", 20);
    int64_t end = 20;
    for (int i = 0; i < 120; ++i) {
      seed = seed * 1103515245u + 12345u;
      const auto n = static_cast<int32_t>(1 + (seed >> 16) % 150);
      for (int32_t k = 0; k < n; ++k) block[k] = static_cast<uint8_t>(seed >> (k % 24));
      both(end, block.data(), n);
      end += n;
      const uint32_t size = static_cast<uint32_t>(end);
      both(4, &size, 4);
      both(16, &size, 4);
      if (i % 17 == 5) both(2, "xyzw", 4);         // overlaps a held patch
      if (i % 23 == 9) both(1, block.data(), 19);  // too large to hold as a patch
      if (i % 13 == 3) both(end - 3, "tail", 4);   // rewrites the end and extends it
      if (i % 13 == 3) ++end;
      if (i % 29 == 11) {
        ASSERT_EQ(f.Size(), end);  // the held data counts
        uint8_t head[20], want[20];
        f.Seek(0, soBeginning);
        mem.Seek(0, soBeginning);
        ASSERT_EQ(f.Read(head, 20), 20);
        mem.Read(want, 20);
        ASSERT_EQ(0, std::memcmp(head, want, 20));
      }
    }
    ASSERT_EQ(f.Seek(0, soEnd), end);
    f.PushHeld();
  }
  const std::vector<uint8_t> want(mem.Memory(), mem.Memory() + mem.Size());
  EXPECT_EQ(FileBytes(name), want);
}

// Small reads and seeks back and forth across the read buffer's edges give
// the bytes at the position asked for, and a write between reads is seen.
TEST_P(BufferedFileStream, SmallReadsAcrossTheBufferGiveTheBytesAtThePosition) {
  QTemporaryDir dir;
  const QString name = dir.filePath("big.bin");
  std::vector<uint8_t> data(700 * 1024 + 13);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  }
  TFileStream f(name, fmOpenReadWrite);
  f.SetReadBuffer(256 * 1024);
  f.SetBackgroundIo(GetParam());
  std::vector<uint8_t> buf(300 * 1024);
  int64_t pos = 0;
  for (int32_t n : {1000, 262144, 5, 300 * 1024, 77, 100 * 1024, 3}) {
    ASSERT_EQ(f.Read(buf.data(), n), n);
    ASSERT_EQ(0, std::memcmp(buf.data(), data.data() + pos, n)) << "at " << pos;
    pos += n;
    EXPECT_EQ(f.Position(), pos);
  }
  f.SetPosition(10);
  f.WriteBuffer("ABCD", 4);
  f.SetPosition(8);
  char got[8];
  f.ReadBuffer(got, 8);
  EXPECT_EQ(std::string(got + 2, 4), "ABCD");
  EXPECT_EQ(got[0], static_cast<char>(data[8]));
  f.Seek(-5, soEnd);
  EXPECT_EQ(f.Read(buf.data(), 100), 5);  // short count at the end
  EXPECT_EQ(0, std::memcmp(buf.data(), data.data() + data.size() - 5, 5));
  EXPECT_THROW(f.Seek(-1, soBeginning), EStreamError);
}

// Held data that cannot reach the kernel is a failure, not a silent loss.
TEST(FileStream, HeldDataThatCannotGoOutRaises) {
  TFileStream f("/dev/full", fmOpenReadWrite);
  f.SetWriteBuffer(64);
  EXPECT_EQ(f.Write("0123456789", 10), 10);  // held
  EXPECT_THROW(f.PushHeld(), EWriteError);
  EXPECT_NE(f.LastError(), 0);
  std::vector<char> large(100, 'x');
  EXPECT_EQ(f.Write(large.data(), 100), 0);  // past the buffer: written through, and refused
}

// A full buffer that fails on the stream's thread fails what comes after it:
// a later write, and the final push.
TEST(FileStream, AWriteThatFailsBehindFailsEverythingAfterIt) {
  TFileStream f("/dev/full", fmOpenReadWrite);
  f.SetWriteBuffer(64);
  f.SetBackgroundIo(true);
  const std::vector<char> block(40, 'x');
  int32_t written = 0;
  for (int i = 0; i < 8; ++i) written += f.Write(block.data(), 40);
  EXPECT_LT(written, 8 * 40);
  EXPECT_EQ(f.Write(block.data(), 40), 0);
  EXPECT_THROW(f.PushHeld(), EWriteError);
  EXPECT_EQ(ENOSPC, f.LastError());
}
