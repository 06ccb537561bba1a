#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>
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
