#pragma once
// Delete before / delete after the paused playback position, in the working
// file. The cut take is written beside the working file, synced and renamed
// over it; the uncut take stays in the takes folder under a second name, so a
// kill at any moment leaves one of the two takes as the working file and
// nothing is lost. The copy runs on a thread of its own with the progress
// window Save uses; the window stays responsive.
#include "deTakeCut.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QShortcut;
class QWidget;
class TProgressBar;
class TTakeArchive;

// What the cut asks of the window.
struct TTakeCutHost {
  std::function<bool()> Paused;          // a take is paused in playback
  std::function<int64_t()> PausedFrame;  // the sample frame of the take heard last
  std::function<void()> Stop;            // ends playback
  std::function<void(const QString&)> Tell;  // the status bar's message
};

class TTakeCut : public QObject {
  Q_DECLARE_TR_FUNCTIONS(TTakeCut)

 public:
  enum TSide { DeleteBefore, DeleteAfter };

  // Ctrl+Shift+Home and Ctrl+Shift+End cut in window. bar shows, after a
  // cut, where the take stands.
  TTakeCut(QWidget& window, QString workingFile, TTakeArchive& takes, TProgressBar& bar, TTakeCutHost host);
  ~TTakeCut() override;

  bool CanCut() const { return FHost.Paused(); }
  // Cuts at the paused position; does nothing unless CanCut. Failures are
  // shown, with the take as it was.
  void Cut(TSide side);
  // The progress window opens once a cut has taken this long.
  void SetShowProgressAfter(int ms) { FShowAfterMs = ms; }

 private:
  QWidget& FWindow;
  QString FWorkingFile;
  TTakeArchive& FTakes;
  TProgressBar& FBar;
  TTakeCutHost FHost;
  int FShowAfterMs = 500;
  std::vector<std::unique_ptr<QShortcut>> FKeys;
};

// The file work of a cut, without the window: keeps the working file's take
// from sample frame at on (DeleteBefore) or up to it (DeleteAfter). Steps: 1 the
// cut take written beside the working file and synced, 2 the uncut take kept
// in takes, 3 the cut take renamed over the working file, 4 that rename
// synced; step is told after each. Returns where the uncut take is kept;
// empty when the cut would keep the whole take, or when progress stopped the
// copy, which leaves nothing behind. Raises
// with the reason when the cut cannot be made; the take is then as it was.
QString CutWorkingFile(const QString& workingFile, TTakeArchive& takes, TTakeCut::TSide side, int64_t at,
                       const TdeCutProgress& progress = {}, const std::function<void(int)>& step = {});
