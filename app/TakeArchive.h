#pragma once
// No take is lost to the next Record: before a recording replaces the working
// file, a take in it that was never saved moves into the takes folder under
// the name Save proposes. It is a rename, so a take of any length moves at
// once. The folder keeps the most recent takes within a bound; the oldest go
// first, never the one just moved. What was saved and when the take began are
// kept in the user's settings, so a take left by a crash or a kill counts as
// unsaved at the next start.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// The folder keeps at most this many takes and this many bytes of them.
struct TTakeBound {
  int Takes = 20;
  int64_t Bytes = int64_t(2) << 30;
};

// "录音 YYYY-MM-DD HH-MM-SS.wav" for a take begun at time.
QString TakeFileName(const QDateTime& time);

class TTakeArchive {
 public:
  // Tells the user, once per archive, of the first take kept beside the
  // working file for want of the folder, and of every take that cannot be
  // kept at all.
  using TNotice = std::function<void(const QString& message)>;
  TTakeArchive(QString workingFile, QString folder, TNotice notice, TTakeBound bound = {});

  // Before a recording replaces the working file. Never raises and never stops
  // the recording: a take the folder does not take is renamed where it is, so
  // it is kept all the same.
  void KeepUnsaved();
  // A recording into the working file began at start.
  void Started(const QDateTime& start);
  // What tells the working file's contents apart: its name, size and last write.
  QString Fingerprint() const;
  // The user saved all of the working file as it stood when print was taken;
  // a file changed since is saved in part only and still kept.
  void Saved(const QString& print);
  // Keeps the working file as it stands in the folder too (beside the working
  // file when the folder takes nothing), under a second name for the same
  // bytes: nothing is copied, and the take stays when the working file is
  // replaced. The kept file, or empty with the system's reason.
  QString KeepLinked(QString& reason);
  // The takes this archive keeps in its folder, oldest first.
  QStringList Kept() const;
  const QString& Folder() const { return FFolder; }

 private:
  bool HoldsAudio() const;
  QDateTime TakeStart() const;
  // Renames the working file to a free name for start in folder; the system's
  // reason when it cannot.
  bool MoveInto(const QString& folder, const QDateTime& start, QString& moved, QString& reason, bool link = false) const;
  void Remember(const QString& moved);
  void Prune(const QString& justMoved);
  // lost: the take will be overwritten; the user hears of each one.
  void Tell(const QString& message, bool lost);

  QString FWorkingFile;
  QString FFolder;
  TNotice FNotice;
  TTakeBound FBound;
  bool FTold = false;
};
