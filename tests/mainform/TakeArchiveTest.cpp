// No take is lost to the next Record: an unsaved take moves into the takes
// folder, a saved one is not kept twice, the folder keeps a bound, a take a
// killed run left behind is kept, and a folder that takes nothing neither
// stops the recording nor loses the take.
#include "MainFormFixture.h"

#include "Places.h"
#include "PrivateTmpfs.h"
#include "TakeArchive.h"

#include "SaveCopy.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/fs.h>
#include <linux/seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <thread>

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

TEST_F(TakeArchiveTest, savingOntoTheWorkingFileItselfIsRefused_andTheTakeIsStillKept) {
  const QByteArray take = Take(3);
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("link.wav"));
  ASSERT_TRUE(QFile::link(QFileInfo(WorkingFileName()).absoluteFilePath(), link));
  TExceptionCapture errors;
  for (const QString& target : {WorkingFileName(), link}) {
    Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
      d.SetFileName(target);
      return true;
    });
    Press(Form->suiButton3);
  }
  ASSERT_EQ(2, errors.Messages.size()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
  EXPECT_TRUE(errors.Messages[0].startsWith(QStringLiteral("保存失败：") + QDir::toNativeSeparators(WorkingFileName())))
      << errors.Messages[0].toStdString();
  EXPECT_TRUE(errors.Messages[1].startsWith(QStringLiteral("保存失败：") + QDir::toNativeSeparators(link)))
      << errors.Messages[1].toStdString();
  EXPECT_EQ(take, ReadAll(WorkingFileName()));
  Take(1);
  const QStringList kept = Files(TakesFolder());
  ASSERT_EQ(1, kept.size()) << "marked saved";
  EXPECT_EQ(take, ReadAll(QDir(TakesFolder()).filePath(kept[0])));
}

TEST_F(TakeArchiveTest, aTakeThatEndsWhileItIsSavedIsStillKept) {
  Press(Form->btnRecord);
  // A minute, in pieces the writer's ring holds: long enough to encode that
  // the copy is seen under way.
  for (int i = 0; i < 12; ++i) {
    RecordBlocks(40);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  QTemporaryDir dir;
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFilterIndex(5);  // MP3
    d.SetFileName(dir.filePath(QStringLiteral("copy.mp3")));
    return true;
  });
  // Once the copy is under way two more blocks come, and the device fails.
  bool ended = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->value() > 0 && !ended) {
        ended = true;
        Wave.Complete();
        Wave.Complete();
        Wave.Fail(MMSYSERR_NODRIVER);
      }
  });
  poll.start();
  TExceptionCapture errors;
  Press(Form->suiButton3);
  ASSERT_TRUE(ended) << "the copy was over before the poll saw it";
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->State() == TForm1::Stopped; }));
  EXPECT_EQ(1, errors.Messages.size()) << errors.Messages.join(QStringLiteral(" | ")).toStdString();
  ASSERT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("copy.mp3"))));
  // The copy stopped short of the take's last blocks: it is not the take saved.
  const QByteArray take = ReadAll(WorkingFileName());
  Take(1);
  const QStringList kept = Files(TakesFolder());
  ASSERT_EQ(1, kept.size()) << "marked saved";
  EXPECT_EQ(take, ReadAll(QDir(TakesFolder()).filePath(kept[0])));
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

// What a forked child found, as JSON in a file of the parent's folder.
QJsonObject ReadReport(const QString& file) { return QJsonDocument::fromJson(ReadAllOf(file)).object(); }
void WriteReport(const QString& file, const QJsonObject& report) {
  QFile out(file);
  if (out.open(QIODevice::WriteOnly)) out.write(QJsonDocument(report).toJson());
}

TEST(TakeArchive, aTakesFolderOnAFullDiskKeepsTheTakeBesideTheWorkingFile) {
  QTemporaryDir dir;
  const QString disk = dir.filePath(QStringLiteral("disk"));
  const QString report = dir.filePath(QStringLiteral("report.json"));
  ASSERT_TRUE(QDir().mkpath(disk));
  // Working file and takes folder on one small file system, filled up before
  // the folder was ever made: no room for a folder, and no block or inode left.
  const int status = RunInPrivateTmpfs(disk, "64k,nr_inodes=16", [&] {
    const QString working = disk + QStringLiteral("/Recorded.wav");
    const QString folder = disk + QStringLiteral("/takes");
    {
      QFile f(working);
      if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(5000, 'x'));
    }
    {
      QFile fill(disk + QStringLiteral("/fill"));
      if (fill.open(QIODevice::WriteOnly)) fill.write(QByteArray(128 * 1024, 'f'));
    }
    for (int i = 0; i < 32; ++i) {
      QFile inode(disk + QStringLiteral("/inode%1").arg(i));
      if (!inode.open(QIODevice::WriteOnly)) break;
    }
    QJsonObject r;
    r[QStringLiteral("full")] = !QDir().mkdir(disk + QStringLiteral("/probe"));
    QStringList messages;
    TTakeArchive archive(working, folder, [&](const QString& m) { messages << m; });
    archive.Started(QDateTime(QDate(2024, 2, 3), QTime(4, 5, 6)));
    archive.KeepUnsaved();
    r[QStringLiteral("messages")] = messages.join('\n');
    r[QStringLiteral("working")] = QFileInfo::exists(working);
    r[QStringLiteral("kept")] =
        ReadAllOf(disk + QStringLiteral("/录音 2024-02-03 04-05-06.wav")) == QByteArray(5000, 'x');
    WriteReport(report, r);
  });
  if (status == kNoPrivateTmpfs) GTEST_SKIP() << "no private tmpfs here";
  ASSERT_EQ(status, 0);
  const QJsonObject r = ReadReport(report);
  ASSERT_TRUE(r[QStringLiteral("full")].toBool()) << "the file system was not full";
  const QString message = r[QStringLiteral("messages")].toString();
  EXPECT_TRUE(message.contains(QStringLiteral("最近的录音")) && !message.contains('\n')) << message.toStdString();
  EXPECT_FALSE(r[QStringLiteral("working")].toBool());
  EXPECT_TRUE(r[QStringLiteral("kept")].toBool());
}

TEST(TakeArchive, aTakesFolderOnAnotherFileSystemKeepsTheTakeBesideTheWorkingFile) {
  QTemporaryDir dir;
  const QString working = dir.filePath(QStringLiteral("Recorded.wav"));
  const QString folder = dir.filePath(QStringLiteral("takes"));
  const QString report = dir.filePath(QStringLiteral("report.json"));
  ASSERT_TRUE(QDir().mkpath(folder));
  {
    QFile f(working);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5000, 'x'));
  }
  // A rename does not cross file systems; the take is not copied there either.
  const int status = RunInPrivateTmpfs(folder, "1m", [&] {
    QStringList messages;
    TTakeArchive archive(working, folder, [&](const QString& m) { messages << m; });
    archive.Started(QDateTime(QDate(2024, 2, 3), QTime(4, 5, 6)));
    archive.KeepUnsaved();
    WriteReport(report, {{QStringLiteral("messages"), messages.join('\n')},
                         {QStringLiteral("folder"), Files(folder).join('\n')}});
  });
  if (status == kNoPrivateTmpfs) GTEST_SKIP() << "no private tmpfs here";
  ASSERT_EQ(status, 0);
  const QJsonObject r = ReadReport(report);
  const QString message = r[QStringLiteral("messages")].toString();
  EXPECT_TRUE(message.contains(QStringLiteral("最近的录音"))) << message.toStdString();
  EXPECT_EQ(QString(), r[QStringLiteral("folder")].toString());
  EXPECT_FALSE(QFileInfo::exists(working));
  EXPECT_EQ(QByteArray(5000, 'x'), ReadAllOf(dir.filePath(QStringLiteral("录音 2024-02-03 04-05-06.wav"))));
}

// Runs body in a forked child whose renameat2 answers EINVAL, as a file system
// without RENAME_NOREPLACE (NFS) does. The child's exit status; -1 when this
// machine's filter cannot be set.
int RunWithoutRenameNoReplace(const std::function<void()>& body) {
#if defined(__x86_64__)
  constexpr uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
  constexpr uint32_t kArch = AUDIT_ARCH_AARCH64;
#else
  return -1;
#endif
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
      _exit(3);
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TakeArchive, withoutRenameNoReplaceAFailedUnlinkLeavesNoSecondName_andALostTakeIsAlwaysTold) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"), QStringLiteral("recorder")).clear();
  QTemporaryDir dir;
  const QString work = dir.filePath(QStringLiteral("work"));
  const QString folder = dir.filePath(QStringLiteral("takes"));
  const QString working = work + QStringLiteral("/Recorded.wav");
  const QString report = dir.filePath(QStringLiteral("report.json"));
  ASSERT_TRUE(QDir().mkpath(work) && QDir().mkpath(folder));
  if (!TReadOnlyFolder(folder).Holds()) GTEST_SKIP() << "this file system lets us write anyway";
  const int status = RunWithoutRenameNoReplace([&] {
    QStringList messages;
    TTakeArchive archive(working, folder, [&](const QString& m) { messages << m; });
    const auto take = [&](char c, int minute) {
      QFile f(working);
      if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(300, c));
      f.close();
      archive.Started(QDateTime(QDate(2024, 3, 4), QTime(5, minute, 0)));
    };
    // The folder takes nothing: the take is linked beside the working file.
    take('a', 1);
    {
      const TReadOnlyFolder readOnly(folder);
      archive.KeepUnsaved();
    }
    // The link into the folder works but the working file's name cannot go.
    take('b', 2);
    struct stat st = {};
    {
      const TReadOnlyFolder readOnly(work);
      archive.KeepUnsaved();
      ::stat(QFile::encodeName(working).constData(), &st);
    }
    WriteReport(report, {{QStringLiteral("messages"), QJsonValue::fromVariant(messages)},
                         {QStringLiteral("folder"), Files(folder).join('\n')},
                         {QStringLiteral("kept"), archive.Kept().join('\n')},
                         {QStringLiteral("links"), int(st.st_nlink)},
                         {QStringLiteral("working"), QString::fromLatin1(ReadAllOf(working))}});
  });
  ASSERT_NE(3, status) << "no seccomp filter here";
  ASSERT_EQ(0, status);
  const QJsonObject r = ReadReport(report);
  const QStringList messages = r[QStringLiteral("messages")].toVariant().toStringList();
  ASSERT_EQ(2, messages.size()) << messages.join('\n').toStdString();
  EXPECT_TRUE(messages[0].contains(QStringLiteral("最近的录音"))) << messages[0].toStdString();
  EXPECT_TRUE(messages[1].contains(QStringLiteral("新的录音将覆盖它"))) << messages[1].toStdString();
  EXPECT_EQ(QByteArray(300, 'a'), ReadAllOf(work + QStringLiteral("/录音 2024-03-04 05-01-00.wav")));
  EXPECT_EQ(QString(), r[QStringLiteral("folder")].toString());
  EXPECT_EQ(QString(), r[QStringLiteral("kept")].toString());
  EXPECT_EQ(1, r[QStringLiteral("links")].toInt());
  EXPECT_EQ(QString(300, 'b'), r[QStringLiteral("working")].toString());
}

TEST(TakeArchive, aTakeThatCannotBeRemovedStaysCountedAndGoesNextTime) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"), QStringLiteral("recorder")).clear();
  QTemporaryDir dir;
  const QString disk = dir.filePath(QStringLiteral("disk"));
  const QString working = disk + QStringLiteral("/Recorded.wav");
  const QString folder = disk + QStringLiteral("/takes");
  const QString report = dir.filePath(QStringLiteral("report.json"));
  ASSERT_TRUE(QDir().mkpath(disk));
  const auto name = [](int i) { return QStringLiteral("录音 2024-01-01 10-0%1-00.wav").arg(i); };
  // In a mount namespace of its own, where a take that is a mount point cannot be removed.
  const int status = RunInPrivateTmpfs(disk, "1m", [&] {
    TTakeArchive archive(working, folder, {}, {2, 1 << 20});
    const auto take = [&](int i) {
      archive.KeepUnsaved();
      QFile f(working);
      if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(100, char('a' + i)));
      f.close();
      archive.Started(QDateTime(QDate(2024, 1, 1), QTime(10, i, 0)));
    };
    for (int i = 0; i < 3; ++i) take(i);  // 0 and 1 kept, 2 in the working file
    const QByteArray oldest = QFile::encodeName(QDir(folder).filePath(name(0)));
    const bool pinned = ::mount(oldest.constData(), oldest.constData(), nullptr, MS_BIND, nullptr) == 0;
    take(3);
    QJsonObject r{{QStringLiteral("pinned"), pinned},
                  {QStringLiteral("kept"), archive.Kept().join('\n')},
                  {QStringLiteral("folder"), Files(folder).join('\n')}};
    ::umount(oldest.constData());
    take(4);
    r[QStringLiteral("keptLater")] = archive.Kept().join('\n');
    r[QStringLiteral("folderLater")] = Files(folder).join('\n');
    WriteReport(report, r);
  });
  if (status == kNoPrivateTmpfs) GTEST_SKIP() << "no private mount namespace here";
  ASSERT_EQ(status, 0);
  const QJsonObject r = ReadReport(report);
  ASSERT_TRUE(r[QStringLiteral("pinned")].toBool());
  // The bound holds with the stuck take counted: the next oldest went in its place.
  EXPECT_EQ(QStringList({name(0), name(2)}).join('\n'), r[QStringLiteral("kept")].toString());
  EXPECT_EQ(QStringList({name(0), name(2)}).join('\n'), r[QStringLiteral("folder")].toString());
  EXPECT_EQ(QStringList({name(2), name(3)}).join('\n'), r[QStringLiteral("keptLater")].toString());
  EXPECT_EQ(QStringList({name(2), name(3)}).join('\n'), r[QStringLiteral("folderLater")].toString());
}

// A damaged ds64 claims 2^62 bytes of data: the sizes that count are the file's.
TEST(TakeArchive, aDataSizeBeyondTheFileCountsOnlyWhatTheFileHolds) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"), QStringLiteral("recorder")).clear();
  QTemporaryDir dir;
  const QString working = dir.filePath(QStringLiteral("Recorded.wav"));
  const auto rf64 = [](int dataBytes) {
    QByteArray b("RF64\xff\xff\xff\xffWAVEds64\x1c\0\0\0", 20);
    b.append(QByteArray(8, '\0'));                  // RIFF size
    b.append(QByteArray("\0\0\0\0\0\0\0\x40", 8));  // data size 2^62
    b.append(QByteArray(12, '\0'));                 // sample count, table entries
    b.append(QByteArray("fmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0", 24));  // 8 kHz 8-bit mono
    b.append(QByteArray("data\xff\xff\xff\xff", 8));
    return b.append(QByteArray(dataBytes, '\x80'));
  };
  const auto write = [&](const QByteArray& bytes, const QDateTime& modified) {
    QFile f(working);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.flush();
    ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
  };
  const QDateTime end(QDate(2024, 6, 7), QTime(8, 9, 10));
  write(rf64(16000), end);
  EXPECT_EQ(end.addSecs(-2), EarlierTakeStart(working)) << "two seconds at 8000 bytes a second";

  // No audio in the file: nothing to keep, whatever the header says.
  write(rf64(0), end);
  TTakeArchive archive(working, dir.filePath(QStringLiteral("takes")), {});
  archive.KeepUnsaved();
  EXPECT_TRUE(archive.Kept().isEmpty());
  EXPECT_TRUE(QFileInfo::exists(working));
}

}  // namespace
