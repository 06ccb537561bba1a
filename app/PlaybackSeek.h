#pragma once
// Moving playback to another place in the take while it plays or is paused:
// a click on the progress bar, or a drag along it; Left and Right (5 s back
// and forward), Home and End while the bar or the window has the focus; a new
// value through the bar's accessible value interface. While stopped none of
// them does anything. A seek while paused stays paused; a seek to the end ends
// playback as the take's end does.
//
// A seek lands on a block of the take's encoding (TdeTakeBlocks, indexed at
// the first seek of a playback): the convertor restarts where that block's
// decode must begin and leaves out the warm-up, the output device drops what
// it holds, and the window refills it from there at once. The first block
// from the new place goes to the oscilloscope's source at once, so the trace
// follows even while paused.
#include <QObject>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

class QWidget;
class TComponent;
class TProgressBar;
class TdeAudioControlSource;
class TdeAudioConvertor;
class TdeAudioObserver;
class TdeCustomAudioOut;
class TdeSubStream;
class TdeTakeBlocks;

// What the seek asks of the window that plays.
struct TPlaybackSeekActions {
  std::function<TdeSubStream*()> PlayStream;  // the take's audio while playing or paused, else nullptr
  // Pushes blocks from the stream's position until the device holds enough
  // (ending playback when the take is used up) and shows the place landed on
  // (a byte offset in the stream).
  std::function<void(int64_t landed)> Refill;
  std::function<void(std::exception_ptr)> Fail;  // tears playback down and shows the error
};

class TPlaybackSeek : public QObject {
 public:
  // owner owns the helper components; the bar, convertor, output and scope must outlive this.
  TPlaybackSeek(QWidget& window, TComponent& owner, TProgressBar& bar, TdeAudioConvertor& convertor,
                TdeCustomAudioOut& output, TdeAudioControlSource& scope, TPlaybackSeekActions actions);
  ~TPlaybackSeek() override;

  // Moves playback to the block holding frame (a frame at or past the end
  // ends it). False while nothing plays.
  bool SeekToFrame(int64_t frame);
  // The same for a place given as a share of the take (0 start, 1 end).
  bool SeekToShare(double share);
  // The sample frame (of the take's rate) being heard, as far as the device has reported.
  int64_t HeardFrame() const;
  // Forgets the take: playback stopped.
  void Stopped();

  static constexpr int StepSeconds = 5;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const TdeTakeBlocks* Blocks();
  bool SeekKey(int key);
  double ShareAt(int x) const;

  QWidget& FWindow;
  TProgressBar& FBar;
  TdeAudioConvertor& FConvertor;
  TdeCustomAudioOut& FOutput;
  TdeAudioControlSource& FScope;
  TPlaybackSeekActions FActions;
  std::unique_ptr<TdeAudioObserver> FHeard;  // counts what the device reports played
  std::unique_ptr<TdeAudioObserver> FFirst;  // hands the first block after a seek to the scope
  bool FShowNext = false;
  std::unique_ptr<TdeTakeBlocks> FBlocks;
  int64_t FBaseFrame = 0;    // the frame the played count starts from
  int64_t FPlayedBytes = 0;  // of the output format since then
  int64_t FLastTarget = -1;  // the block a drag last landed on
  bool FDragging = false;
};
