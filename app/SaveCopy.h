#pragma once
// Saving a copy of the take. The save dialog offers the WAV as recorded (a
// byte copy, the default) and the types that play on any phone or web page:
// FLAC, Opus, Ogg Vorbis and MP3, each with its filter and extension. A copy
// in one of those is encoded while a progress window shows how far it is and
// offers to cancel; a cancelled or failed copy leaves no file under the
// chosen name.
#include "deAudioExport.h"

#include <QDateTime>
#include <QString>
#include <optional>

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

// Encodes the take in source (the working file) into choice's type, tagged
// with the name and the take's start. The progress window opens over parent
// once the copy has taken showAfterMs; the window stays usable meanwhile.
// True when saved, false when cancelled; a failure raises EFCreateError
// "保存失败：" with the name and the reason.
bool SaveEncodedCopy(const QString& source, const TSaveChoice& choice, const QDateTime& taken, QWidget* parent,
                     int showAfterMs = 500);

// Copies source over target through a temporary file next to target, so a
// copy that fails half-way leaves the old target as it was; a failure raises
// EFCreateError "保存失败：" with the name and the reason.
void CopyReplacing(const QString& source, const QString& target);
// When a take of an earlier run began: its file's last write less its length;
// invalid when the file holds no take.
QDateTime EarlierTakeStart(const QString& fileName);
// The name the save dialog proposes for a take begun at time, in folder:
// "录音 YYYY-MM-DD HH-MM-SS.wav".
QString SaveProposal(const QString& folder, const QDateTime& time);
// Where the save dialog opens: the folder of the last save while it exists,
// else the user's music folder, else the home folder.
QString SaveFolder();
