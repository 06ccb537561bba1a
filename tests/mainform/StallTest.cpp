// A take on a device that captures in real time and overruns as hardware
// does, while the disk or the window stops taking its audio for a while:
// what the slack covers is all in the file, and a longer stall is named with
// its length.
#include "MainFormFixture.h"

#include "DiskStall.h"
#include "Streams.h"
#include "deAudioStreams.h"

#include <unistd.h>
#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// The device's frame counters the take holds, unwrapped from the 16 bits a
// frame of the window's default format carries.
std::vector<uint64_t> CountersOf(const QString& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  EXPECT_EQ(2, reader.GetFormat()->BlockAlign());
  std::vector<char> data(static_cast<size_t>(reader.GetStreamSize(0)));
  data.resize(static_cast<size_t>(reader.ReadStream(0, data.data(), static_cast<int32_t>(data.size()))));
  std::vector<uint64_t> counters;
  uint64_t value = 0;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const uint16_t v = static_cast<uint16_t>(uint8_t(data[i]) | uint8_t(data[i + 1]) << 8);
    value = counters.empty() ? v : value + static_cast<uint16_t>(v - static_cast<uint16_t>(value));
    counters.push_back(value);
  }
  return counters;
}

class StallTest : public MainFormTest {
 protected:
  void SetUp() override {
    Wave.SetPaced(500);
    MainFormTest::SetUp();
  }
  void TearDown() override {
    MainFormTest::TearDown();
    DisarmSyncStall();
  }
  // Records for lead (with a disk stall of syncStall in it), freezes the
  // window for stall, records for tail, stops.
  void Take(std::chrono::milliseconds lead, std::chrono::milliseconds syncStall, std::chrono::milliseconds stall,
            std::chrono::milliseconds tail) {
    Press(Form->btnRecord);
    ASSERT_EQ(TForm1::Recording, Form->State());
    ArmSyncStall(syncStall);
    ProcessEventsFor(lead);
    std::this_thread::sleep_for(stall);
    ProcessEventsFor(tail);
    Press(Form->btnStop);
    Settle();
  }
  static void ProcessEventsFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
};

TEST_F(StallTest, stallsTheSlackCoversLoseNoSampleAndALongerOneIsNamedWithItsLength) {
  {
    TExceptionCapture errors;
    // A sync that blocks 3 s, then a window frozen for 3 s.
    Take(std::chrono::milliseconds(4500), std::chrono::seconds(3), std::chrono::seconds(3),
         std::chrono::milliseconds(700));
    EXPECT_EQ(1, StalledSyncs()) << "the disk stalled once";
    EXPECT_FALSE(StalledOnArmingThread()) << "the window waited on the disk";
    const std::vector<uint64_t> counters = CountersOf(WorkingFileName());
    ASSERT_FALSE(counters.empty());
    EXPECT_EQ(0u, counters.front());
    for (size_t i = 1; i < counters.size(); ++i) ASSERT_EQ(counters[i - 1] + 1, counters[i]) << "frame " << i;
    // 8.2 s at 11025 Hz, give or take the scheduling of the presses.
    EXPECT_GT(counters.size(), 11025u * 8);
    EXPECT_LT(counters.size(), 11025u * 9);
    EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
  }
  {
    // 64 buffers of 1/8 s and the 500 ms ring hold 8.5 s: 10 s overruns.
    TExceptionCapture errors;
    Take(std::chrono::milliseconds(700), std::chrono::milliseconds(0), std::chrono::seconds(10),
         std::chrono::milliseconds(700));
    const std::vector<uint64_t> counters = CountersOf(WorkingFileName());
    ASSERT_FALSE(counters.empty());
    EXPECT_EQ(0u, counters.front());
    uint64_t lost = 0;
    int gaps = 0;
    for (size_t i = 1; i < counters.size(); ++i)
      if (counters[i] != counters[i - 1] + 1) {
        ASSERT_GT(counters[i], counters[i - 1]) << "frame " << i;
        lost += counters[i] - counters[i - 1] - 1;
        ++gaps;
      }
    EXPECT_EQ(1, gaps);
    // Before the gap the whole slack, after it the rest of the take.
    EXPECT_GT(counters.size(), 11025u * 9);
    const double seconds = static_cast<double>(lost) / 11025;
    EXPECT_GT(seconds, 1.0);
    ASSERT_EQ(1, errors.Messages.size()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
    const QString message = errors.Messages.front();
    ASSERT_TRUE(message.startsWith(QStringLiteral("录音时有 "))) << message.toStdString();
    ASSERT_TRUE(message.endsWith(QStringLiteral(" 秒的声音丢失（磁盘或系统过忙）。"))) << message.toStdString();
    const double named = message.mid(5, message.indexOf(QStringLiteral(" 秒")) - 5).toDouble();
    EXPECT_NEAR(seconds, named, 0.2) << message.toStdString();
  }
}

// While alive, counts the window's turns at its events during a stalled sync,
// and notes whether a progress window was up.
struct TWindowWatch {
  int TurnsWhileStalled = 0;
  bool SawProgress = false;
  QTimer Poll;
  TWindowWatch() {
    Poll.setInterval(20);
    QObject::connect(&Poll, &QTimer::timeout, [this] {
      if (SyncStalling()) ++TurnsWhileStalled;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(w) && w->isVisible()) SawProgress = true;
    });
    Poll.start();
  }
};

TEST_F(StallTest, aStalledDiskNeverHoldsTheWindow_saveCopiesTheTakeAsItWas_andStopCompletesIt) {
  TExceptionCapture errors;
  QTemporaryDir dir;
  const QString copy = dir.filePath(QStringLiteral("copy.wav"));
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFileName(copy);
    return true;
  });
  Press(Form->btnRecord);
  ASSERT_EQ(TForm1::Recording, Form->State());
  ProcessEventsFor(std::chrono::milliseconds(1000));
  // The writer's next sync holds it for 3 s, and Save comes meanwhile.
  ArmSyncStall(std::chrono::seconds(3));
  ASSERT_TRUE(ProcessEventsUntil([] { return SyncStalling(); }));
  {
    TWindowWatch watch;
    Press(Form->suiButton3);
    EXPECT_GT(watch.TurnsWhileStalled, 0) << "the window waited on the disk to save";
    EXPECT_TRUE(watch.SawProgress);
  }
  ASSERT_EQ(TForm1::Recording, Form->State());
  const std::vector<uint64_t> saved = CountersOf(copy);
  ProcessEventsFor(std::chrono::milliseconds(500));
  // Stop meets a stalled sync too.
  ArmSyncStall(std::chrono::seconds(2));
  {
    TWindowWatch watch;
    Press(Form->btnStop);
    EXPECT_GT(watch.TurnsWhileStalled, 0) << "the window waited on the disk to stop";
    EXPECT_TRUE(watch.SawProgress);
  }
  EXPECT_EQ(1, StalledSyncs());
  EXPECT_FALSE(StalledOnArmingThread());
  EXPECT_EQ(TForm1::Stopped, Form->State());
  // The whole take without a gap; the copy, as much of it as had come by the
  // press, in sizes of its own.
  const std::vector<uint64_t> take = CountersOf(WorkingFileName());
  ASSERT_FALSE(take.empty());
  EXPECT_EQ(0u, take.front());
  for (size_t i = 1; i < take.size(); ++i) ASSERT_EQ(take[i - 1] + 1, take[i]) << "frame " << i;
  EXPECT_GT(saved.size(), 11025u);
  ASSERT_LT(saved.size() + 11025u * 2, take.size());
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), take.begin()));

  // An encoded copy whose target stalls as it is made durable.
  const QString flac = dir.filePath(QStringLiteral("copy.flac"));
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFilterIndex(2);
    d.SetFileName(flac);
    return true;
  });
  ArmSyncStall(std::chrono::seconds(2));
  {
    TWindowWatch watch;
    Press(Form->suiButton3);
    EXPECT_GT(watch.TurnsWhileStalled, 0) << "the window waited on the disk to save";
  }
  EXPECT_EQ(1, StalledSyncs());
  EXPECT_FALSE(StalledOnArmingThread());
  EXPECT_TRUE(QFileInfo::exists(flac));
  EXPECT_TRUE(errors.Messages.isEmpty()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
}

}  // namespace
