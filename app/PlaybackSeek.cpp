#include "PlaybackSeek.h"

#include "ComCtrls.h"
#include "deACM.h"
#include "deAudioControls.h"
#include "deAudioOut.h"
#include "deCommon.h"
#include "deTakeBlocks.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <algorithm>
#include <cmath>

namespace {

constexpr const char* SeekProperty = "tamselPlaybackSeek";

// The bar as a screen reader sees it: a progress bar whose value can be set,
// which moves playback there.
class TSeekableBar : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TSeekableBar(QProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QVariant currentValue() const override { return Bar()->value(); }
  QVariant maximumValue() const override { return Bar()->maximum(); }
  QVariant minimumValue() const override { return Bar()->minimum(); }
  QVariant minimumStepSize() const override { return 0; }
  void setCurrentValue(const QVariant& value) override {
    QObject* seek = Bar()->property(SeekProperty).value<QObject*>();
    const int range = Bar()->maximum() - Bar()->minimum();
    if (!seek || range <= 0) return;
    const double share = double(value.toLongLong() - Bar()->minimum()) / range;
    static_cast<TPlaybackSeek*>(seek)->SeekToShare(share);
  }

 private:
  QProgressBar* Bar() const { return static_cast<QProgressBar*>(widget()); }
};

QAccessibleInterface* SeekableBarFactory(const QString&, QObject* object) {
  auto* bar = qobject_cast<QProgressBar*>(object);
  if (bar && bar->property(SeekProperty).isValid()) return new TSeekableBar(bar);
  return nullptr;
}

}  // namespace

TPlaybackSeek::TPlaybackSeek(QWidget& window, TComponent& owner, TProgressBar& bar, TdeAudioConvertor& convertor,
                             TdeCustomAudioOut& output, TdeAudioControlSource& scope, TPlaybackSeekActions actions)
    : FWindow(window),
      FBar(bar),
      FConvertor(convertor),
      FOutput(output),
      FScope(scope),
      FActions(std::move(actions)),
      FHeard(std::make_unique<TdeAudioObserver>(&owner)),
      FFirst(std::make_unique<TdeAudioObserver>(&owner)) {
  static const bool installed = [] {
    QAccessible::installFactory(SeekableBarFactory);
    return true;
  }();
  (void)installed;
  FBar.Widget()->setProperty(SeekProperty, QVariant::fromValue<QObject*>(this));
  // A click gives the bar the focus for the keys; Tab passes it by.
  FBar.Widget()->setFocusPolicy(Qt::ClickFocus);
  FBar.Widget()->installEventFilter(this);
  FWindow.installEventFilter(this);
  FHeard->OnAudioData = [this](auto*, const void*, int32_t size) { FPlayedBytes += size; };
  FHeard->SetAudioSource(&FOutput);
  FFirst->OnAudioData = [this](IdeAudioSubject* sender, const void* data, int32_t size) {
    if (!FShowNext) return;
    FShowNext = false;
    // Only a picture: a trace that cannot be drawn must not stop the sound.
    try {
      FScope.HandleAudioData(sender, data, size);
    } catch (...) {
    }
  };
  FFirst->SetAudioSource(&FConvertor);
}

TPlaybackSeek::~TPlaybackSeek() {
  // A window made again has its new seek named there already.
  if (FBar.Widget()->property(SeekProperty).value<QObject*>() == this)
    FBar.Widget()->setProperty(SeekProperty, QVariant());
}

void TPlaybackSeek::Stopped() {
  FBlocks.reset();
  FBaseFrame = 0;
  FPlayedBytes = 0;
  FDragging = false;
  FLastTarget = -1;
}

const TdeTakeBlocks* TPlaybackSeek::Blocks() {
  TdeSubStream* stream = FActions.PlayStream();
  if (!stream) return nullptr;
  if (!FBlocks) FBlocks = std::make_unique<TdeTakeBlocks>(*FConvertor.FormatIn(), *stream);
  return FBlocks.get();
}

int64_t TPlaybackSeek::HeardFrame() const {
  const TdeWaveFormat& out = *FConvertor.FormatOut();
  const int64_t outFrames = FPlayedBytes / std::max<int64_t>(out.BlockAlign(), 1);
  return FBaseFrame + outFrames * FConvertor.FormatIn()->SamplesPerSec() / std::max<int64_t>(out.SamplesPerSec(), 1);
}

bool TPlaybackSeek::SeekToFrame(int64_t frame) {
  TdeSubStream* stream = FActions.PlayStream();
  if (!stream) return false;
  try {
    const TdeTakeBlocks& blocks = *Blocks();
    const bool end = frame >= blocks.Frames();
    const TdeTakeBlocks::TEntry at = end ? blocks.Block(blocks.Blocks()) : blocks.BlockAt(frame);
    FOutput.Reset();
    FConvertor.Restart(at.DecodeSkip);
    // The end goes past a torn last block too, so playback ends there.
    stream->SetPosition(end ? stream->Size() : at.DecodeOffset);
    FBaseFrame = at.Frame;
    FPlayedBytes = 0;
    FShowNext = !end;
    FActions.Refill(end ? stream->Size() : at.Offset);
  } catch (...) {
    FShowNext = false;
    FActions.Fail(std::current_exception());
  }
  FShowNext = false;
  return true;
}

bool TPlaybackSeek::SeekToShare(double share) {
  const TdeTakeBlocks* blocks = Blocks();
  if (!blocks) return false;
  share = std::clamp(share, 0.0, 1.0);
  return SeekToFrame(std::llround(share * double(blocks->Frames())));
}

bool TPlaybackSeek::SeekKey(int key) {
  const TdeTakeBlocks* blocks = Blocks();
  if (!blocks) return false;
  const int64_t step = int64_t{StepSeconds} * FConvertor.FormatIn()->SamplesPerSec();
  switch (key) {
    case Qt::Key_Left: return SeekToFrame(std::max<int64_t>(HeardFrame() - step, 0));
    case Qt::Key_Right: return SeekToFrame(HeardFrame() + step);
    case Qt::Key_Home: return SeekToFrame(0);
    case Qt::Key_End: return SeekToFrame(blocks->Frames());
    default: return false;
  }
}

double TPlaybackSeek::ShareAt(int x) const {
  const int width = FBar.Widget()->width();
  return width > 1 ? double(x) / (width - 1) : 0.0;
}

bool TPlaybackSeek::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const int k = key->key();
    if (mods != Qt::NoModifier || (k != Qt::Key_Left && k != Qt::Key_Right && k != Qt::Key_Home && k != Qt::Key_End))
      return false;
    return SeekKey(k);
  }
  if (watched != FBar.Widget()) return false;
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
      FDragging = true;
      FLastTarget = -1;
    } else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
      FDragging = false;
      return false;
    }
    if (!FDragging || !(mouse->buttons() & Qt::LeftButton)) return false;
    const TdeTakeBlocks* blocks = Blocks();
    if (!blocks) return false;
    const double share = std::clamp(ShareAt(qRound(mouse->position().x())), 0.0, 1.0);
    const int64_t frame = std::llround(share * double(blocks->Frames()));
    // A drag within one block is no new place.
    const int64_t target = frame >= blocks->Frames() ? blocks->Blocks() : frame / blocks->BlockFrames();
    if (target == FLastTarget) return true;
    FLastTarget = target;
    SeekToFrame(frame);
    return true;
  }
  return false;
}
