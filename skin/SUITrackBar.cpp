#include "SUITrackBar.h"
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

namespace {
constexpr int kPageInterval = 500;

// The window system's dotted focus frame.
void DrawFocusFrame(QPainter& canvas, QSize size) {
  canvas.save();
  QPen pen(Qt::black, 0, Qt::DotLine);
  canvas.setPen(pen);
  canvas.setBrush(Qt::NoBrush);
  canvas.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
  canvas.restore();
}
}  // namespace

TsuiTrackBar::TsuiTrackBar(TComponent* owner)
    : TControlOf<QAbstractSlider>(owner), FSlider(std::make_unique<TsuiImagePanel>(nullptr)) {
  setFocusPolicy(Qt::ClickFocus);
  setRange(0, 100);
  setSingleStep(1);
  setPageStep(FPageSize);
  QAbstractSlider::setOrientation(Qt::Horizontal);
  resize(185, 41);
  FSlider->setParent(this);
  // The bar hit-tests the slider itself, so a press on it starts a drag.
  FSlider->setAttribute(Qt::WA_TransparentForMouseEvents);
  FSlider->SetAutoSize(true);
  FSlider->SetTransparent(true);
  FSlider->SetOnPictureChange([this](TComponent*) { Rebuild(); });
  FBarImage.SetOnChange([this](TGraphicsObject*) {
    if (!FRebuilding) Rebuild();
  });
  SetUIStyle(FindFormUIStyle(owner));
  UpdateSlider();
}

TsuiTrackBar::~TsuiTrackBar() = default;

void TsuiTrackBar::SetUIStyle(TsuiUIStyle value) {
  if (value == FUIStyle) return;
  FUIStyle = value;
  if (value == Custom) return;
  SetColor(GetThemeColor(value, teTrackBarColor));
  Rebuild();
}

void TsuiTrackBar::SetBarImage(const TBitmap& value) { FBarImage.Assign(const_cast<TBitmap*>(&value)); }

TBitmap* TsuiTrackBar::SliderImage() { return FSlider->Picture(); }

void TsuiTrackBar::SetSliderImage(const TBitmap& value) { FSlider->SetPicture(value); }

void TsuiTrackBar::SetMin(int value) {
  setMinimum(value);
  UpdateSlider();
}

void TsuiTrackBar::SetMax(int value) {
  setMaximum(value);
  UpdateSlider();
}

void TsuiTrackBar::SetPosition(int value) {
  setValue(value);
  UpdateSlider();
}

void TsuiTrackBar::SetPageSize(int value) {
  if (value < 0 || value > 100) return;
  FPageSize = value;
  setPageStep(PagingStep());
}

void TsuiTrackBar::SetOrientation(TsuiProgressBarOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  QAbstractSlider::setOrientation(value == suiHorizontal ? Qt::Horizontal : Qt::Vertical);
  // Min is at the top, so the wheel turned up moves the slider up.
  setInvertedControls(value == suiVertical);
  Rebuild();
}

void TsuiTrackBar::SetTabStop(bool value) {
  if (value == FTabStop) return;
  FTabStop = value;
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
  update();
}

void TsuiTrackBar::SetPagingStep(int value) {
  FPagingStep = std::max(0, value);
  setPageStep(PagingStep());
}

void TsuiTrackBar::SetSliderVisible(bool value) { FSlider->setVisible(value); }

bool TsuiTrackBar::SliderVisible() const { return !FSlider->isHidden(); }

void TsuiTrackBar::Rebuild() {
  if (FRebuilding) return;
  FRebuilding = true;
  LoadStylePictures();
  FitToPictures();
  FRebuilding = false;
  UpdateSlider();
  update();
}

void TsuiTrackBar::SetBounds(int left, int top, int width, int height) {
  TControlOf<QAbstractSlider>::SetBounds(left, top, width, height);
  Rebuild();
}

void TsuiTrackBar::Loaded() {
  TControlOf<QAbstractSlider>::Loaded();
  Rebuild();
}

void TsuiTrackBar::LoadStylePictures() {
  if (FUIStyle == Custom) return;
  const bool horizontal = FOrientation == suiHorizontal;
  LoadSkinBitmapOrClear(FBarImage, GetThemeString(FUIStyle, horizontal ? teTrackBarBar : teTrackBarBarVertical));
  TBitmap slider;
  LoadSkinBitmapOrClear(slider, GetThemeString(FUIStyle, horizontal ? teTrackBarSlider : teTrackBarSliderVertical));
  if (!isEnabled()) {
    FadeBitmap(FBarImage, FBarImage.KeyColor());
    FadeBitmap(slider, slider.KeyColor());
  }
  FSlider->SetPicture(slider);
}

void TsuiTrackBar::FitToPictures() {
  const int thickness = std::max(FBarImage.Height(), Along(QPoint(FSlider->height(), FSlider->width())));
  if (FOrientation == suiHorizontal)
    TControlBase::SetBounds(Left(), Top(), Width(), thickness);
  else
    TControlBase::SetBounds(Left(), Top(), thickness, Height());
}

QPoint TsuiTrackBar::SliderPos() const {
  const int w = width(), h = height(), sw = FSlider->width(), sh = FSlider->height();
  const qint64 span = qint64(Max()) - Min();
  auto along = [&](int length, int slider) {
    return span == 0 ? 0 : int((qint64(Position()) - Min()) * (length - slider) / span);
  };
  if (FOrientation == suiHorizontal) return QPoint(along(w, sw), std::max(0, h - sh) / 2);
  return QPoint(std::max(0, w - sw) / 2, along(h, sh));
}

int TsuiTrackBar::PositionAt(int c) const {
  const int length = FOrientation == suiHorizontal ? width() : height();
  const int s = FOrientation == suiHorizontal ? FSlider->width() : FSlider->height();
  // A slider as long as the bar leaves nowhere to move it.
  if (s >= length) return Min();
  return int(Min() + (qint64(c) - s / 2) * (qint64(Max()) - Min()) / (length - s));
}

void TsuiTrackBar::UpdateSlider() {
  if (!FQuiet) FSlider->move(SliderPos());
  update();
  ReportChange();
}

void TsuiTrackBar::ReportChange() {
  if (Position() == FLastPosition) return;
  FLastPosition = Position();
  Dispatch(FOnChange);
}

void TsuiTrackBar::sliderChange(SliderChange change) {
  QAbstractSlider::sliderChange(change);
  // Keys, the wheel and range changes come through here.
  UpdateSlider();
}

TsuiTrackBarState TsuiTrackBar::State() const {
  TsuiTrackBarState s;
  s.Size = size();
  s.Orientation = FOrientation;
  s.Stretched = FUIStyle != Custom;
  s.Color = PaintColor();
  s.FocusMark = FTabStop && hasFocus();
  return s;
}

void TsuiTrackBar::Paint(QPainter& canvas, const TsuiTrackBarState& s, const TBitmap& bar) {
  canvas.fillRect(QRect(QPoint(0, 0), s.Size), ToQColor(s.Color));
  if (!bar.Empty()) {
    const bool horizontal = s.Orientation == suiHorizontal;
    const int length = horizontal ? s.Size.width() : s.Size.height();
    const int thickness = horizontal ? s.Size.height() : s.Size.width();
    const int offset = (thickness - bar.Height()) / 2;
    canvas.save();
    // A vertical bar is the horizontal one turned left: its start is at the bottom.
    if (!horizontal) {
      canvas.translate(offset, length);
      canvas.rotate(-90);
    } else {
      canvas.translate(0, offset);
    }
    if (s.Stretched)
      DrawThreePart(bar, canvas, QRect(0, 0, length, bar.Height()), false);
    else
      bar.Draw(canvas, horizontal ? 0 : length - bar.Width(), 0);
    canvas.restore();
  }
  if (s.FocusMark) DrawFocusFrame(canvas, s.Size);
}

void TsuiTrackBar::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  Paint(canvas, State(), FBarImage);
}

void TsuiTrackBar::resizeEvent(QResizeEvent* event) {
  TControlOf<QAbstractSlider>::resizeEvent(event);
  Rebuild();
}

void TsuiTrackBar::changeEvent(QEvent* event) {
  TControlOf<QAbstractSlider>::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) Rebuild();
}

void TsuiTrackBar::ColorChanged() {
  TControlBase::ColorChanged();
  setAutoFillBackground(false);
  update();
}

void TsuiTrackBar::PageTowards(QPoint pointer) {
  const int at = Along(pointer), slider = Along(SliderPos());
  const int step = PagingStep();
  if (slider < at)
    SetPosition(std::min(Position() + step, PositionAt(at)));
  else if (at < slider)
    SetPosition(std::max(Position() - step, PositionAt(at)));
}

void TsuiTrackBar::StopPaging() { FPageTimer.reset(); }

void TsuiTrackBar::mousePressEvent(QMouseEvent* event) {
  DoMouseDown(*event);
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  FPointer = p;
  if (FSlider->isVisible() && FSlider->geometry().contains(p)) {
    FGrabOffset = Along(p - FSlider->pos());
    FDragging = true;
    setSliderDown(true);
    return;
  }
  PageTowards(p);
  if (!FPageTimer) {
    FPageTimer = std::make_unique<QTimer>();
    FPageTimer->setInterval(kPageInterval);
    QObject::connect(FPageTimer.get(), &QTimer::timeout, this, [this] { PageTowards(FPointer); });
    FPageTimer->start();
  }
}

void TsuiTrackBar::mouseMoveEvent(QMouseEvent* event) {
  DoMouseMove(*event);
  const QPoint p = event->position().toPoint();
  FPointer = p;
  if (!FDragging) {
    if (!rect().contains(p)) StopPaging();
    return;
  }
  const bool horizontal = FOrientation == suiHorizontal;
  const int room = horizontal ? width() - FSlider->width() : height() - FSlider->height();
  const int start = std::clamp(Along(p) - FGrabOffset, 0, std::max(0, room));
  FSlider->move(horizontal ? QPoint(start, FSlider->y()) : QPoint(FSlider->x(), start));
  // The position is read at the slider's middle, so it matches where the
  // slider is shown whatever part of it was grabbed.
  const int centre = start + (horizontal ? FSlider->width() : FSlider->height()) / 2;
  FQuiet = true;
  setValue(std::clamp(PositionAt(centre), Min(), Max()));
  FQuiet = false;
}

void TsuiTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  DoMouseUp(*event);
  if (event->button() != Qt::LeftButton) return;
  StopPaging();
  if (FDragging) {
    FDragging = false;
    setSliderDown(false);
    FSlider->move(SliderPos());
  }
  if (rect().contains(event->position().toPoint())) Click();
}

void TsuiTrackBar::keyPressEvent(QKeyEvent* event) {
  if (!DoKeyDown(*event)) return;
  // Min is at the left or top in both orientations, so each key moves the
  // slider the way it points.
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up: SetPosition(Position() - singleStep()); break;
    case Qt::Key_Right:
    case Qt::Key_Down: SetPosition(Position() + singleStep()); break;
    case Qt::Key_PageUp: SetPosition(Position() - PagingStep()); break;
    case Qt::Key_PageDown: SetPosition(Position() + PagingStep()); break;
    case Qt::Key_Home: SetPosition(Min()); break;
    case Qt::Key_End: SetPosition(Max()); break;
    default: event->ignore(); return;
  }
  event->accept();
}

void TsuiTrackBar::keyReleaseEvent(QKeyEvent* event) {
  if (DoKeyUp(*event)) QAbstractSlider::keyReleaseEvent(event);
}

void TsuiTrackBar::focusInEvent(QFocusEvent* event) {
  QAbstractSlider::focusInEvent(event);
  DoEnter();
  update();
}

void TsuiTrackBar::focusOutEvent(QFocusEvent* event) {
  QAbstractSlider::focusOutEvent(event);
  DoExit();
  update();
}
