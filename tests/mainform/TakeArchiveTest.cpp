// No take is lost to the next Record: an unsaved take moves into the takes
// folder, a saved one is not kept twice, the folder keeps a bound, a take a
// killed run left behind is kept, and a folder that takes nothing neither
// stops the recording nor loses the take.
#include "MainFormFixture.h"

#include "Places.h"
#include "PrivateTmpfs.h"
#include "TakeArchive.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

QStringList Files(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

QByteArray ReadAllOf(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TakeArchiveTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    QDir(TakesFolder()).removeRecursively();
  }
  // One take of distinct bytes from Record to Stop; the working file's bytes.
  QByteArray Take(int blocks) {
    Press(Form->btnRecord);
    EXPECT_EQ(TForm1::Recording, Form->State());
    RecordBlocks(blocks);
    Press(Form->btnStop);
    return ReadAll(WorkingFileName());
  }
};

TEST_F(TakeArchiveTest, anUnsavedTakeIsKeptWithItsBytes_aSavedOneIsNotKeptTwice) {
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  const QByteArray first = Take(3);
  const QDateTime after = QDateTime::currentDateTime();
  const QByteArray second = Take(4);
  ASSERT_NE(first, second);
  const QStringList kept = Files(TakesFolder());
  ASSERT_EQ(1, kept.size());
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("^录音 (\\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d)\\.wav$")).match(kept[0]);
  ASSERT_TRUE(m.hasMatch()) << kept[0].toStdString();
  const QDateTime named = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH-mm-ss"));
  EXPECT_TRUE(named >= before && named <= after) << "named after the take's start";
  EXPECT_EQ(first, ReadAll(QDir(TakesFolder()).filePath(kept[0])));

  // Saved: the next Record replaces it without keeping a second copy.
  QTemporaryDir dir;
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFileName(dir.filePath(QStringLiteral("saved.wav")));
    return true;
  });
  Press(Form->suiButton3);
  ASSERT_EQ(second, ReadAll(dir.filePath(QStringLiteral("saved.wav"))));
  const QByteArray third = Take(2);
  EXPECT_EQ(kept, Files(TakesFolder()));
  // Not saved in its finished form: saved while it was still recording.
  Press(Form->btnRecord);
  RecordBlocks(2);
  Press(Form->suiButton3);
  RecordBlocks(2);
  Press(Form->btnStop);
  const QByteArray fourth = ReadAll(WorkingFileName());
  Take(1);
  EXPECT_EQ(3, Files(TakesFolder()).size());
  QStringList contents;
  for (const QString& f : Files(TakesFolder()))
    contents << QString::fromLatin1(ReadAll(QDir(TakesFolder()).filePath(f)).toHex());
  EXPECT_TRUE(contents.contains(QString::fromLatin1(third.toHex())));
  EXPECT_TRUE(contents.contains(QString::fromLatin1(fourth.toHex())));
}

TEST_F(TakeArchiveTest, aWorkingFileLeftByAKilledRunIsKeptAtTheNextRecord) {
  // What a run killed while recording leaves: the file and when it began.
  const QDateTime start(QDate(2024, 5, 6), QTime(7, 8, 9));
  TTakeArchive(WorkingFileName(), TakesFolder(), {}).Started(start);
  QByteArray left("RIFF\x24\x01\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\0\x01\0\0",
                  44);
  left.append(QByteArray(256, '\x80'));
  {
    QFile f(WorkingFileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(left);
  }
  Form = CreateStoredWindow(false);  // the next start
  ASSERT_EQ(left, ReadAll(WorkingFileName()));
  Take(1);
  EXPECT_EQ(QStringList{QStringLiteral("录音 2024-05-06 07-08-09.wav")}, Files(TakesFolder()));
  EXPECT_EQ(left, ReadAll(QDir(TakesFolder()).filePath(QStringLiteral("录音 2024-05-06 07-08-09.wav"))));
}

TEST(TakeArchive, theBoundDropsTheOldestButNeverTheTakeJustMoved) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"), QStringLiteral("recorder")).clear();
  QTemporaryDir dir;
  const QString working = dir.filePath(QStringLiteral("Recorded.wav"));
  const QString folder = dir.filePath(QStringLiteral("takes"));
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile own(QDir(folder).filePath(QStringLiteral("录音 2000-01-01 00-00-00.wav")));  // the user's, saved there
  ASSERT_TRUE(own.open(QIODevice::WriteOnly));
  own.write("mine");
  own.close();
  const auto take = [&](TTakeArchive& archive, int i, int bytes) {
    archive.KeepUnsaved();
    QFile f(working);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, char('a' + i)));  // not a valid file: kept all the same
    f.close();
    archive.Started(QDateTime(QDate(2024, 1, 1), QTime(10, i, 0)));
  };
  const auto name = [](int i) {
    return QStringLiteral("录音 2024-01-01 10-%1-00.wav").arg(i, 2, 10, QLatin1Char('0'));
  };

  TTakeArchive byCount(working, folder, {}, {3, 1 << 20});
  for (int i = 0; i < 6; ++i) take(byCount, i, 100);
  byCount.KeepUnsaved();
  EXPECT_EQ((QStringList{name(3), name(4), name(5)}), byCount.Kept());
  EXPECT_EQ((QStringList{own.fileName().section('/', -1), name(3), name(4), name(5)}), Files(folder));
  EXPECT_EQ(QByteArray(100, 'f'), ReadAllOf(QDir(folder).filePath(name(5))));

  TTakeArchive byBytes(working, folder, {}, {20, 250});
  take(byBytes, 6, 100);
  byBytes.KeepUnsaved();
  EXPECT_EQ((QStringList{name(5), name(6)}), byBytes.Kept());
  take(byBytes, 7, 1000);  // alone more than the bound
  byBytes.KeepUnsaved();
  EXPECT_EQ(QStringList{name(7)}, byBytes.Kept());
  EXPECT_TRUE(own.exists()) << "only the takes it moved there";
}

// Makes a folder that nobody may write to, root included; undone on destruction.
class TReadOnlyFolder {
 public:
  explicit TReadOnlyFolder(const QString& path) : FPath(QFile::encodeName(path)) {
    ::chmod(FPath.constData(), 0555);
    if (::geteuid() != 0) return;
    const int fd = ::open(FPath.constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      FImmutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
  }
  ~TReadOnlyFolder() {
    if (FImmutable) {
      const int fd = ::open(FPath.constData(), O_RDONLY | O_DIRECTORY);
      int flags = 0;
      if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      if (fd >= 0) ::close(fd);
    }
    ::chmod(FPath.constData(), 0755);
  }
  bool Holds() const {
    QFile probe(QFile::decodeName(FPath) + QStringLiteral("/probe"));
    const bool wrote = probe.open(QIODevice::WriteOnly);
    if (wrote) probe.remove();
    return !wrote;
  }

 private:
  QByteArray FPath;
  bool FImmutable = false;
};

TEST_F(TakeArchiveTest, aReadOnlyTakesFolderDoesNotStopRecording_saysSoOnce_andLosesNoTake) {
  ASSERT_TRUE(QDir().mkpath(TakesFolder()));
  const TReadOnlyFolder readOnly(TakesFolder());
  if (!readOnly.Holds()) GTEST_SKIP() << "this file system lets us write anyway";
  const QString working = QFileInfo(WorkingFileName()).absolutePath();
  const QStringList before = Files(working);
  TExceptionCapture notices;
  const QByteArray first = Take(2);
  const QByteArray second = Take(3);
  ASSERT_EQ(TForm1::Stopped, Form->State());
  Press(Form->btnRecord);
  EXPECT_EQ(TForm1::Recording, Form->State());
  Press(Form->btnStop);
  ASSERT_EQ(1, notices.Messages.size());
  EXPECT_TRUE(notices.Messages[0].contains(QDir::toNativeSeparators(TakesFolder())))
      << notices.Messages[0].toStdString();

  // Both kept beside the working file, under their names.
  QStringList moved;
  for (const QString& f : Files(working))
    if (!before.contains(f) && f.startsWith(QStringLiteral("录音 "))) moved << f;
  QList<QByteArray> contents;
  for (const QString& f : moved) contents << ReadAll(QDir(working).filePath(f));
  for (const QString& f : moved) QFile::remove(QDir(working).filePath(f));
  EXPECT_EQ(2, moved.size());
  EXPECT_TRUE(contents.contains(first));
  EXPECT_TRUE(contents.contains(second));
  EXPECT_TRUE(Files(TakesFolder()).isEmpty());
}

TEST(TakeArchive, aTakesFolderOnAFullDiskKeepsTheTakeBesideTheWorkingFile) {
  QTemporaryDir dir;
  const QString working = dir.filePath(QStringLiteral("Recorded.wav"));
  const QString folder = dir.filePath(QStringLiteral("takes"));
  const QString report = dir.filePath(QStringLiteral("report.txt"));
  ASSERT_TRUE(QDir().mkpath(folder));
  {
    QFile f(working);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5000, 'x'));
  }
  // A full 16 KiB file system as the folder.
  const int status = RunInPrivateTmpfs(folder, "16k", [&] {
    {
      QFile fill(folder + QStringLiteral("/fill"));
      if (fill.open(QIODevice::WriteOnly)) fill.write(QByteArray(64 * 1024, 'f'));
    }
    QStringList messages;
    TTakeArchive archive(working, folder, [&](const QString& m) { messages << m; });
    archive.Started(QDateTime(QDate(2024, 2, 3), QTime(4, 5, 6)));
    archive.KeepUnsaved();
    QFile out(report);
    if (out.open(QIODevice::WriteOnly)) out.write(messages.join('\n').toUtf8());
    out.close();
  });
  if (status == kNoPrivateTmpfs) GTEST_SKIP() << "no private tmpfs here";
  ASSERT_EQ(status, 0);
  const QString message = QString::fromUtf8(ReadAllOf(report));
  EXPECT_TRUE(message.contains(QStringLiteral("最近的录音"))) << message.toStdString();
  EXPECT_FALSE(QFileInfo::exists(working));
  EXPECT_EQ(QByteArray(5000, 'x'), ReadAllOf(dir.filePath(QStringLiteral("录音 2024-02-03 04-05-06.wav"))));
}

}  // namespace
