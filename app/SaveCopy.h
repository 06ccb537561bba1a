#pragma once
// Saving a copy of the take. The save dialog offers the WAV as recorded (a
// byte copy, the default) and the types that play on any phone or web page:
// FLAC, Opus, Ogg Vorbis and MP3, each with its filter and extension. Either
// copy runs while a progress window shows how far it is and offers to cancel;
// a cancelled or failed copy leaves no file under the chosen name.
#include "deAsyncWriter.h"
#include "deAudioExport.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QProgressDialog;
class QWidget;
class TSaveDialog;

// Gives the dialog one filter per type, the WAV as recorded first and chosen.
void OfferSaveTypes(TSaveDialog& dialog);

struct TSaveChoice {
  QString FileName;                   // ends in the type's extension
  std::optional<TdeExportType> Type;  // none: the WAV as recorded
};

// The type of the filter the accepted dialog chose, and its name with that
// type's extension: in place of another type's extension, or added to a name
// that has none of them.
TSaveChoice SaveChoiceOf(const TSaveDialog& dialog);
// The same, asking before a file of the changed name is replaced; none when
// the user declines.
std::optional<TSaveChoice> ChosenSave(const TSaveDialog& dialog, QWidget* parent);

// The progress window of a copy: it opens over parent once the copy has taken
// showAfterMs and offers to cancel; the window's events are handled meanwhile,
// so a recording goes on and a slow disk never freezes the window.
class TSaveProgress {
 public:
  TSaveProgress(const TSaveChoice& choice, QWidget* parent, int showAfterMs = 500);
  ~TSaveProgress();
  TSaveProgress(const TSaveProgress&) = delete;
  TSaveProgress& operator=(const TSaveProgress&) = delete;
  // Shows done of total.
  void Show(int64_t done, int64_t total);
  // Handles the window's events until ready() holds; false when cancelled first.
  bool Await(const std::function<bool()>& ready);
  // The same without a way to cancel: for the end of a copy already cancelled.
  void AwaitAnyway(const std::function<bool()>& ready);

 private:
  void HandleEvents();
  std::unique_ptr<QProgressDialog> F;
};

// Raises EFCreateError "保存失败：" when target is source itself (also through
// a link): a copy onto it would be no copy.
void RefuseSameFile(const QString& source, const QString& target);

// Encodes the take in source (the working file) into choice's type, tagged
// with the name and the take's start, on a thread of its own while progress
// shows it. True when saved, false when cancelled;
// a failure, a read cut short included, raises EFCreateError "保存失败：" with
// the name and the reason.
bool SaveEncodedCopy(const QString& source, const TSaveChoice& choice, const QDateTime& taken, TSaveProgress& progress);
// The same with a progress window of its own.
bool SaveEncodedCopy(const QString& source, const TSaveChoice& choice, const QDateTime& taken, QWidget* parent,
                     int showAfterMs = 500);

// Copies source over target on a thread of its own, through a temporary file
// next to target, so a copy that fails half-way leaves the old target as it
// was. With a settle point the copy is the file as it stood then, though a
// recording has gone on writing it since; without one the file as it stands.
// True when the copy holds all of it, false when cancelled; a failure, a read
// cut short included, raises EFCreateError "保存失败：" with the name and the reason.
bool SaveWavCopy(const QString& source, const QString& target, const TdeSettlePoint* point, TSaveProgress& progress);
// When a take of an earlier run began: its file's last write less its length;
// invalid when the file holds no take.
QDateTime EarlierTakeStart(const QString& fileName);
// The name the save dialog proposes for a take begun at time, in folder:
// "录音 YYYY-MM-DD HH-MM-SS.wav".
QString SaveProposal(const QString& folder, const QDateTime& time);
// Where the save dialog opens: the folder of the last save while it exists,
// else the user's music folder, else the home folder.
QString SaveFolder();
