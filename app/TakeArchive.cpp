#include "TakeArchive.h"

#include "Places.h"
#include "Streams.h"
#include "deAudioStreams.h"

#include <fcntl.h>
#include <stdio.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {

const QString kSavedKey = QStringLiteral("takes/saved");
const QString kFileKey = QStringLiteral("takes/file");
const QString kStartKey = QStringLiteral("takes/start");
const QString kKeptKey = QStringLiteral("takes/kept");

// A rename that never replaces a file: a take of the same second stays too.
bool RenameNoReplace(const QString& from, const QString& to) {
  const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
  if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a link cannot replace either.
  if (::link(a.constData(), b.constData()) != 0) return false;
  if (::unlink(a.constData()) == 0) return true;
  // Two names of one file: the next Record's truncation would empty the kept take too.
  const int reason = errno;
  ::unlink(b.constData());
  errno = reason;
  return false;
}

}  // namespace

QString TakeFileName(const QDateTime& time) {
  return QCoreApplication::translate("TTakeArchive", "录音 %1.wav")
      .arg(time.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

TTakeArchive::TTakeArchive(QString workingFile, QString folder, TNotice notice, TTakeBound bound)
    : FWorkingFile(std::move(workingFile)), FFolder(std::move(folder)), FNotice(std::move(notice)), FBound(bound) {}

QString TTakeArchive::Fingerprint() const {
  const QFileInfo info(FWorkingFile);
  if (!info.exists()) return QString();
  return QStringLiteral("%1 %2 %3")
      .arg(info.absoluteFilePath())
      .arg(info.size())
      .arg(info.lastModified().toMSecsSinceEpoch());
}

bool TTakeArchive::HoldsAudio() const {
  const QFileInfo info(FWorkingFile);
  if (!info.exists() || info.size() == 0) return false;
  try {
    TFileStream f(FWorkingFile, fmOpenRead);
    TdeRIFFAudioReader reader(&f);
    return reader.DataSizeInFile() > 0;
  } catch (const Exception&) {
    // Damaged, or cut short by an older version: the bytes may still be worth having.
    return true;
  }
}

QDateTime TTakeArchive::TakeStart() const {
  const auto settings = UserSettings();
  const QDateTime start = QDateTime::fromString(settings->value(kStartKey).toString(), Qt::ISODateWithMs);
  if (start.isValid() && settings->value(kFileKey).toString() == QFileInfo(FWorkingFile).absoluteFilePath())
    return start;
  // A take of a run that did not say when it began: when it was last written.
  return QFileInfo(FWorkingFile).lastModified();
}

bool TTakeArchive::MoveInto(const QString& folder, const QDateTime& start, QString& moved, QString& reason,
                            bool link) const {
  if (!QDir().mkpath(folder)) {
    reason = QCoreApplication::translate("TTakeArchive", "无法创建文件夹");
    return false;
  }
  const QString name = TakeFileName(start);
  for (int n = 1; n < 1000; ++n) {
    const QString candidate =
        n == 1 ? name : name.chopped(4) + QStringLiteral(" (%1).wav").arg(n);  // the same second again
    const QString target = QDir(folder).filePath(candidate);
    if (link ? ::link(QFile::encodeName(FWorkingFile).constData(), QFile::encodeName(target).constData()) == 0
             : RenameNoReplace(FWorkingFile, target)) {
      moved = target;
      return true;
    }
    if (errno != EEXIST) {
      reason = QString::fromLocal8Bit(std::strerror(errno));
      return false;
    }
  }
  reason = QString::fromLocal8Bit(std::strerror(EEXIST));
  return false;
}

void TTakeArchive::KeepUnsaved() {
  const QString print = Fingerprint();
  if (print.isEmpty() || !HoldsAudio()) return;
  if (UserSettings()->value(kSavedKey).toString() == print) return;
  const QDateTime start = TakeStart();
  QString moved, reason;
  if (MoveInto(FFolder, start, moved, reason)) {
    Remember(moved);
    UserSettings()->remove(kSavedKey);
    return;
  }
  // Next to the working file the rename cannot fail for want of room or of
  // another file system; the take stays where the user can find it.
  QString fallback, fallbackReason;
  if (MoveInto(QFileInfo(FWorkingFile).absolutePath(), start, fallback, fallbackReason))
    Tell(QCoreApplication::translate("TTakeArchive", "未保存的录音无法放入“最近的录音”文件夹 %1（%2），已改名留在 %3。")
             .arg(QDir::toNativeSeparators(FFolder), reason, QDir::toNativeSeparators(fallback)),
         false);
  else
    Tell(QCoreApplication::translate("TTakeArchive", "未保存的录音无法保留（%1），新的录音将覆盖它。")
             .arg(fallbackReason),
         true);
}

QString TTakeArchive::KeepLinked(QString& reason) {
  const QDateTime start = TakeStart();
  QString kept, besideReason;
  if (MoveInto(FFolder, start, kept, reason, true)) {
    Remember(kept);
    return kept;
  }
  if (MoveInto(QFileInfo(FWorkingFile).absolutePath(), start, kept, besideReason, true)) return kept;
  return {};
}

void TTakeArchive::Remember(const QString& moved) {
  const auto settings = UserSettings();
  QStringList kept = settings->value(kKeptKey).toStringList();
  kept << QFileInfo(moved).fileName();
  settings->setValue(kKeptKey, kept);
  Prune(QFileInfo(moved).fileName());
}

void TTakeArchive::Prune(const QString& justMoved) {
  const auto settings = UserSettings();
  QStringList kept;
  int64_t bytes = 0;
  // Takes the user deleted or moved are forgotten.
  for (const QString& name : settings->value(kKeptKey).toStringList()) {
    const QFileInfo info(QDir(FFolder).filePath(name));
    if (!info.isFile() || kept.contains(name)) continue;
    kept << name;
    bytes += info.size();
  }
  // Oldest first; a take that cannot be removed now stays counted and is
  // tried again next time, while younger ones go in its place.
  QStringList left;
  for (qsizetype i = 0; i < kept.size(); ++i) {
    const bool over = left.size() + (kept.size() - i) > FBound.Takes || bytes > FBound.Bytes;
    if (over && kept[i] != justMoved) {
      const QString path = QDir(FFolder).filePath(kept[i]);
      const int64_t size = QFileInfo(path).size();
      if (QFile::remove(path)) {
        bytes -= size;
        continue;
      }
    }
    left << kept[i];
  }
  settings->setValue(kKeptKey, left);
}

void TTakeArchive::Started(const QDateTime& start) {
  const auto settings = UserSettings();
  settings->setValue(kFileKey, QFileInfo(FWorkingFile).absoluteFilePath());
  settings->setValue(kStartKey, start.toString(Qt::ISODateWithMs));
  settings->remove(kSavedKey);
}

void TTakeArchive::Saved(const QString& print) {
  if (!print.isEmpty() && print == Fingerprint()) UserSettings()->setValue(kSavedKey, print);
}

QStringList TTakeArchive::Kept() const { return UserSettings()->value(kKeptKey).toStringList(); }

void TTakeArchive::Tell(const QString& message, bool lost) {
  if (!lost) {
    if (FTold) return;
    FTold = true;
  }
  if (FNotice) FNotice(message);
}
