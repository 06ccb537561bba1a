// Delete before and after the paused position: the window keeps the rest of
// the take at the sample and the uncut take in the takes folder; a kill at any
// step leaves a working file that plays; a folder that takes nothing leaves
// the take as it was.
#include "MainFormFixture.h"

#include "ComCtrls.h"
#include "ControlBoxMenu.h"
#include "Menus.h"
#include "Places.h"
#include "PrivateTmpfs.h"
#include "TakeArchive.h"
#include "TakeAudio.h"
#include "TakeCut.h"

#include <signal.h>
#include <sys/mount.h>
#include <QApplication>
#include <QProgressBar>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

QStringList Files(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

class TakeCutTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    QDir(TakesFolder()).removeRecursively();
  }
  // Plays the take, pauses it and moves it to share of the take with a click
  // on the bar; the byte of the take landed on, as the bar then shows it.
  int64_t PauseAt(double share) {
    Press(Form->btnPlay);
    EXPECT_EQ(TForm1::Playing, Form->State());
    Press(Form->btnPlay);
    EXPECT_TRUE(Form->deAudioOut->Paused());
    QWidget* bar = Form->pbPlayback->Widget();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(int(std::lround(share * (bar->width() - 1))), bar->height() / 2));
    Settle();
    EXPECT_TRUE(Form->deAudioOut->Paused());
    return Form->pbPlayback->Position();
  }
};

TEST_F(TakeCutTest, deleteBeforeAndAfterKeepTheRestAtTheSample_andTheUncutTakeStaysInTheTakesFolder) {
  TControlBoxMenu* menu = Form->ControlBoxMenu();
  Press(Form->btnRecord);
  const QByteArray fed = RecordBlocks(8);
  Press(Form->btnStop);
  const QByteArray uncut = ReadAll(WorkingFileName());
  ASSERT_EQ(fed, TakeAudio(WorkingFileName()));
  menu->Refresh();
  EXPECT_FALSE(menu->DeleteBeforeItem()->Enabled()) << "only while paused in playback";
  Press(Form->btnPlay);
  menu->Refresh();
  EXPECT_FALSE(menu->DeleteBeforeItem()->Enabled()) << "only while paused in playback";
  Press(Form->btnStop);

  // Nothing before the start to delete: the take stays, and is not kept twice.
  EXPECT_EQ(0, PauseAt(0));
  menu->DeleteBeforeItem()->Click();
  Settle();
  EXPECT_EQ(uncut, ReadAll(WorkingFileName()));
  EXPECT_TRUE(Files(TakesFolder()).isEmpty());

  const int64_t cutAt = PauseAt(0.3);
  menu->Refresh();
  ASSERT_TRUE(menu->DeleteBeforeItem()->Enabled());
  ASSERT_TRUE(menu->DeleteAfterItem()->Enabled());
  ASSERT_GT(cutAt, 0);
  menu->DeleteBeforeItem()->Click();
  Settle();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  const QByteArray afterFirst = TakeAudio(WorkingFileName());
  EXPECT_EQ(fed.mid(cutAt), afterFirst);
  EXPECT_EQ(0, Form->pbPlayback->Position()) << "at the new start";
  QStringList kept = Files(TakesFolder());
  ASSERT_EQ(1, kept.size());
  EXPECT_EQ(uncut, ReadAll(QDir(TakesFolder()).filePath(kept[0])));
  EXPECT_TRUE(Panel(1).contains(QDir::toNativeSeparators(QDir(TakesFolder()).filePath(kept[0])))) << Panel(1).toStdString();

  // The key cuts the other end of what is left; the take before it is kept too.
  const QByteArray second = ReadAll(WorkingFileName());
  Form->show();
  Form->activateWindow();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->isActiveWindow(); }, 5000));
  const int64_t endAt = PauseAt(0.5);
  QTest::keyClick(Form.get(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
  Settle();
  EXPECT_EQ(TForm1::Stopped, Form->State());
  EXPECT_EQ(afterFirst.left(endAt), TakeAudio(WorkingFileName()));
  EXPECT_EQ(Form->pbPlayback->Max(), Form->pbPlayback->Position()) << "at the new end";
  kept = Files(TakesFolder());
  ASSERT_EQ(2, kept.size());
  QList<QByteArray> contents;
  for (const QString& f : kept) contents << ReadAll(QDir(TakesFolder()).filePath(f));
  EXPECT_TRUE(contents.contains(uncut));
  EXPECT_TRUE(contents.contains(second));
  EXPECT_FALSE(Files(QFileInfo(WorkingFileName()).absolutePath()).contains(QStringLiteral(".Recorded.wav.cut")));

  // What is left plays.
  Press(Form->btnPlay);
  EXPECT_EQ(TForm1::Playing, Form->State());
}

// A take of distinct bytes, 16-bit mono at 8000 Hz.
QByteArray WriteTake(const QString& name, int frames) {
  QByteArray audio(frames * 2, Qt::Uninitialized);
  for (int i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(i * 7 + i / 251);
  TdeWaveFormat f;
  f.SetPcm(8000, 16, 1);
  TFileStream out(name, fmCreate);
  TdeRIFFAudioWriter w(&out);
  w.SetFormat(&f);
  w.Write(audio.constData(), static_cast<int32_t>(audio.size()));
  return audio;
}

TEST(TakeCut, aKillAtEveryStepLeavesTheUncutOrTheCutTakeAsAWorkingFileThatPlays) {
  // Step 0 is a kill in the middle of the copy.
  for (int step = 0; step <= 4; ++step) {
    SCOPED_TRACE(step);
    QTemporaryDir dir;
    const QString working = dir.filePath(QStringLiteral("Recorded.wav"));
    const QString takes = dir.filePath(QStringLiteral("takes"));
    const QByteArray audio = WriteTake(working, 20 << 20);  // 40 MiB: the copy reports in pieces
    const QByteArray uncut = [&] {
      QFile f(working);
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TTakeArchive archive(working, takes, {});
      try {
        CutWorkingFile(
            working, archive, TTakeCut::DeleteBefore, audio.size() / 2 / 4,
            [&](int64_t done, int64_t total) {
              if (step == 0 && done < total) ::raise(SIGKILL);
              return true;
            },
            [&](int n) {
              if (n == step) ::raise(SIGKILL);
            });
      } catch (...) {
        _exit(2);
      }
      _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ran on to its end: " << status;
    const QByteArray left = TakeAudio(working);
    if (step < 3)
      EXPECT_EQ(audio, left);
    else
      EXPECT_EQ(audio.mid(audio.size() / 4), left);
    if (step >= 2) {
      const QStringList kept = Files(takes);
      ASSERT_EQ(1, kept.size());
      QFile f(QDir(takes).filePath(kept[0]));
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      EXPECT_EQ(uncut, f.readAll());
    }
  }
}

TEST(TakeCut, aFullDiskOrAReadOnlyFolderRaisesOnceAndLeavesTheTakeAsItWas) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("disk")), report = dir.filePath(QStringLiteral("report"));
  const QString takes = dir.filePath(QStringLiteral("takes"));
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "full");
    QFile::remove(report);
    const int status = RunInPrivateTmpfs(folder, "256k", [&] {
      const QString working = folder + QStringLiteral("/Recorded.wav");
      const QByteArray audio = WriteTake(working, 80000);  // 160 KB of the 256
      if (readOnly) ::mount("tamsel", QFile::encodeName(folder).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr);
      TTakeArchive archive(working, takes, {});
      QStringList lines;
      try {
        CutWorkingFile(working, archive, TTakeCut::DeleteBefore, 800);
        lines << QStringLiteral("cut");
      } catch (const Exception& e) {
        lines << e.Message();
      }
      lines << QString::number(TakeAudio(working) == audio) << Files(folder).join(QLatin1Char('|'));
      QFile out(report);
      if (out.open(QIODevice::WriteOnly)) out.write(lines.join(QLatin1Char('\n')).toUtf8());
    });
    if (status == kNoPrivateTmpfs) GTEST_SKIP() << "no private tmpfs here";
    ASSERT_EQ(0, status);
    QFile in(report);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(3, lines.size());
    EXPECT_TRUE(lines[0].contains(QString::fromLocal8Bit(std::strerror(readOnly ? EROFS : ENOSPC))))
        << lines[0].toStdString();
    EXPECT_EQ(QStringLiteral("1"), lines[1]) << "the take is as it was";
    EXPECT_EQ(QStringLiteral("Recorded.wav"), lines[2]) << "nothing left beside it";
    EXPECT_TRUE(Files(takes).isEmpty());
  }
}

}  // namespace
