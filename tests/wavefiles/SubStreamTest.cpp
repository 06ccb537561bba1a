#include "ACMErrors.h"
#include "deCommon.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {
// A 144-byte parent holding 0, 1, 2, ... so every byte tells where it came from.
struct SubStreamTest : ::testing::Test {
  TMemoryStream parent;
  void SetUp() override {
    uint8_t bytes[144];
    std::iota(std::begin(bytes), std::end(bytes), uint8_t{0});
    parent.WriteBuffer(bytes, sizeof bytes);
  }
};
}  // namespace

TEST_F(SubStreamTest, SizeAndSeeksCoverTheWholeWindow) {
  TdeSubStream w(&parent, 44, 100);
  EXPECT_EQ(w.Size(), 100);
  EXPECT_EQ(w.Seek(0, soEnd), 100);
  EXPECT_EQ(w.Seek(500, soBeginning), 100);
  EXPECT_EQ(w.Seek(-5, soBeginning), 0);
  EXPECT_EQ(w.Seek(-1, soEnd), 99);
  EXPECT_EQ(parent.Position(), 44 + 99);
  EXPECT_EQ(w.Seek(3, soCurrent), 100);
}

TEST_F(SubStreamTest, ReadsEveryByteOnceAndThenReturnsNothing) {
  TdeSubStream w(&parent, 44, 100);
  uint8_t buf[60];
  ASSERT_EQ(w.Read(buf, 60), 60);
  EXPECT_EQ(buf[0], 44);
  EXPECT_EQ(buf[59], 103);
  ASSERT_EQ(w.Read(buf, 60), 40);
  EXPECT_EQ(buf[0], 104);
  EXPECT_EQ(buf[39], 143);  // the window's last byte is delivered
  EXPECT_EQ(w.Position(), 100);
  EXPECT_EQ(w.Position(), w.Size());
  EXPECT_EQ(w.Read(buf, 10), 0);
  EXPECT_EQ(w.Read(buf, 10), 0);
}

TEST_F(SubStreamTest, RepositionsTheParentOnEveryCallSoWindowsCanShareIt) {
  TdeSubStream a(&parent, 10, 20);
  TdeSubStream b(&parent, 100, 20);
  uint8_t x = 0, y = 0;
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(a.Read(&x, 1), 1);
    parent.Seek(0, soBeginning);  // another user moves the parent meanwhile
    ASSERT_EQ(b.Read(&y, 1), 1);
    EXPECT_EQ(x, 10 + i);
    EXPECT_EQ(y, 100 + i);
  }
}

TEST_F(SubStreamTest, ConstructionChecksTheWindowAgainstTheParent) {
  EXPECT_THROW(TdeSubStream(nullptr, 1, 1), EAssertionFailed);
  EXPECT_THROW(TdeSubStream(&parent, 0, 10), EAssertionFailed);
  EXPECT_THROW(TdeSubStream(&parent, 144, 1), EAssertionFailed);
  EXPECT_THROW(TdeSubStream(&parent, 44, 101), EAssertionFailed);  // start + size - 1 == parent size
  EXPECT_THROW(TdeSubStream(&parent, 44, -1), EAssertionFailed);
  EXPECT_NO_THROW(TdeSubStream(&parent, 44, 100));  // ends exactly at the parent's end
  uint8_t b;
  for (const int64_t start : {44, 144}) {  // an empty window, also at the very end
    TdeSubStream empty(&parent, start, 0);
    EXPECT_EQ(empty.Size(), 0);
    EXPECT_EQ(empty.Read(&b, 1), 0);
    EXPECT_EQ(empty.Position(), 0);
  }
}

TEST_F(SubStreamTest, WritesStayInsideTheWindow) {
  TdeSubStream w(&parent, 44, 100);
  const uint8_t data[10] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  w.Seek(95, soBeginning);
  try {
    w.Write(data, 10);
    FAIL() << "no exception";
  } catch (const ESubStreamError& e) {
    EXPECT_EQ(e.Message(), "Write past end of sub stream.");
  }
  EXPECT_EQ(w.Position(), 95);
  EXPECT_EQ(parent.Memory()[44 + 95], 44 + 95);  // nothing written
  EXPECT_EQ(w.Write(data, 5), 5);
  EXPECT_EQ(w.Position(), 100);
  EXPECT_EQ(parent.Memory()[143], 0xEE);
  EXPECT_EQ(parent.Size(), 144);
}

TEST_F(SubStreamTest, ReadCountsOnlyWhatTheParentDelivered) {
  TdeSubStream w(&parent, 44, 100);
  parent.SetSize(100);  // the file was cut short after the window was made
  uint8_t buf[100];
  EXPECT_EQ(w.Read(buf, 100), 56);
  EXPECT_EQ(w.Position(), 56);
}

TEST_F(SubStreamTest, DestroyNotificationRunsOnceWithTheWindow) {
  int calls = 0;
  TdeSubStream* seen = nullptr;
  auto* w = new TdeSubStream(&parent, 44, 100);
  w->SetOnDestroy([&](TdeSubStream* s) {
    ++calls;
    seen = s;
    EXPECT_EQ(s->Size(), 100);  // still whole while notifying
  });
  delete w;
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, w);
}
