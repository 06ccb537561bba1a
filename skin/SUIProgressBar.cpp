#include "SUIProgressBar.h"

#include "SUIPublic.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
const QColor kDisabledText(0x80, 0x80, 0x80);

// One-pixel ring just inside rect.
void FrameRect(QPainter& canvas, const QRect& r, const QColor& color) {
  if (r.isEmpty()) return;
  canvas.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
  canvas.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
  canvas.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
  canvas.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

// Left, top, right and bottom as the bar's parts are worked out; right and bottom exclusive.
QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

int FillOf(int min, int max, int position, int length) {
  if (min >= max || min >= position) return 0;
  if (position > max) return length;
  return int(qint64(length) * (position - min) / (max - min));
}
}  // namespace

TsuiCustomProgressBar::TsuiCustomProgressBar(TComponent* owner) : TControlOf<QProgressBar>(owner) {
  setTextVisible(false);  // the caption is ours
  FPicture.SetOnChange([this](TGraphicsObject*) { update(); });
  HoldThickness();
  resize(150, Thickness);
  RangeChanged();
  FUIStyle = FindFormUIStyle(owner);
  ApplyStyle();
}

TsuiCustomProgressBar::~TsuiCustomProgressBar() = default;

void TsuiCustomProgressBar::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  ApplyStyle();
}

void TsuiCustomProgressBar::ApplyStyle() {
  if (FUIStyle != Custom) {
    LoadSkinBitmapOrClear(
        FPicture, GetThemeString(FUIStyle, FOrientation == suiVertical ? teProgressBarVertical : teProgressBar));
    SetColor(GetThemeColor(FUIStyle, teControlColor));
    FBorderColor = GetThemeColor(FUIStyle, teBorderColor);
  }
  update();
}

void TsuiCustomProgressBar::RangeChanged() {
  // Qt's own value stays within Qt's range; ours is what the user set.
  const int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
  setRange(lo, hi);
  setValue(std::clamp(FPosition, lo, hi));
  update();
}

void TsuiCustomProgressBar::SetMin(int value) {
  if (value == FMin) return;
  FMin = value;
  RangeChanged();
}

void TsuiCustomProgressBar::SetMax(int value) {
  if (value == FMax) return;
  FMax = value;
  RangeChanged();
}

void TsuiCustomProgressBar::SetPosition(int value) {
  if (value == FPosition) return;
  FPosition = value;
  RangeChanged();
}

int TsuiCustomProgressBar::Percent() const {
  if (FMin == FMax) return 0;
  return int(qint64(FPosition - FMin) * 100 / (FMax - FMin));
}

int TsuiCustomProgressBar::FillLength(int length) const { return FillOf(FMin, FMax, FPosition, length); }

QString TsuiCustomProgressBar::text() const { return QString::number(Percent()) + QLatin1Char('%'); }

void TsuiCustomProgressBar::HoldThickness() {
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (FOrientation == suiVertical)
    setFixedWidth(Thickness);
  else
    setFixedHeight(Thickness);
}

void TsuiCustomProgressBar::SetOrientation(TsuiProgressBarOrientation value) {
  FOrientation = value;
  QProgressBar::setOrientation(value == suiVertical ? Qt::Vertical : Qt::Horizontal);
  // A vertical bar has no room for the percentage.
  if (value == suiVertical) FShowCaption = false;
  ApplyStyle();
  const int length = std::max(Width(), Height());
  HoldThickness();
  if (value == suiVertical)
    setGeometry(Left(), Top(), Thickness, length);
  else
    setGeometry(Left(), Top(), length, Thickness);
}

void TsuiCustomProgressBar::SetBounds(int left, int top, int width, int height) {
  if ((FOrientation == suiVertical ? width : height) != Thickness) return;
  TControlOf<QProgressBar>::SetBounds(left, top, width, height);
}

void TsuiCustomProgressBar::SetBorderColor(TColor value) {
  if (value == FBorderColor) return;
  FBorderColor = value;
  update();
}

void TsuiCustomProgressBar::SetCaptionColor(TColor value) {
  if (value == FCaptionColor) return;
  FCaptionColor = value;
  update();
}

void TsuiCustomProgressBar::SetShowCaption(bool value) {
  if (value == FShowCaption) return;
  FShowCaption = value;
  update();
}

void TsuiCustomProgressBar::SetSmartShowCaption(bool value) {
  if (value == FSmartShowCaption) return;
  FSmartShowCaption = value;
  update();
}

void TsuiCustomProgressBar::SetPicture(const TBitmap& value) { FPicture.Assign(const_cast<TBitmap*>(&value)); }

TsuiProgressBarState TsuiCustomProgressBar::State() const {
  TsuiProgressBarState s;
  s.Size = size();
  s.Orientation = FOrientation;
  s.Min = FMin;
  s.Max = FMax;
  s.Position = FPosition;
  s.Enabled = isEnabled();
  s.ShowCaption = FShowCaption && FOrientation == suiHorizontal;
  s.SmartShowCaption = FSmartShowCaption;
  s.Color = Color();
  s.BorderColor = FBorderColor;
  s.CaptionColor = FCaptionColor;
  s.Text = text();
  s.Picture = &FPicture;
  return s;
}

void TsuiCustomProgressBar::Paint(QPainter& canvas, const TsuiProgressBarState& s) {
  auto fill = [&s](int length) { return FillOf(s.Min, s.Max, s.Position, length); };
  const bool hasPicture = s.Picture && !s.Picture->Empty();
  int W = s.Size.width(), H = s.Size.height();
  // The picture sets the bar's thickness: one pixel of frame on either side.
  if (hasPicture) {
    if (s.Orientation == suiHorizontal)
      H = s.Picture->Height() + 2;
    else
      W = s.Picture->Width() + 2;
  }
  const qreal ratio = canvas.device() ? canvas.device()->devicePixelRatioF() : 1.0;
  QImage buffer(QSize(W, H) * ratio, QImage::Format_RGB32);
  buffer.setDevicePixelRatio(ratio);
  buffer.fill(Qt::white);
  QPainter p(&buffer);
  const QColor unfilled = ToQColor(s.Color);
  if (s.Orientation == suiHorizontal) {
    int a = fill(W - 1);
    if (a == 0) a = 1;
    if (hasPicture) s.Picture->StretchDraw(p, Ltrb(1, 1, a, H - 1));
    p.fillRect(Ltrb(a, 1, W - 1, H - 1), unfilled);
  } else {
    int y = (H - 1) - fill(H - 1);
    if (y == 0) y = 1;
    if (hasPicture) {
      // Turned upside down: the picture's top is the bar's bottom.
      const QRect target = Ltrb(1, y - 1, W - 1, H - 1);
      p.save();
      p.translate(0, target.top() + target.bottom() + 1);
      p.scale(1, -1);
      s.Picture->StretchDraw(p, target);
      p.restore();
    }
    p.fillRect(Ltrb(1, 1, W - 1, y), unfilled);
  }
  if (s.ShowCaption && !(s.SmartShowCaption && s.Position == s.Min)) {
    const QFont font = TFont().ToQFont();
    const QFontMetrics metrics(font);
    p.setFont(font);
    p.setPen(s.Enabled ? ToQColor(s.CaptionColor) : kDisabledText);
    const int tw = metrics.horizontalAdvance(s.Text), th = metrics.height();
    p.drawText(QRect((W - tw) / 2, (H - th) / 2, tw, th), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s.Text);
  }
  FrameRect(p, QRect(0, 0, W, H), ToQColor(s.BorderColor));
  p.end();
  canvas.drawImage(QPoint(0, 0), buffer);
}

void TsuiCustomProgressBar::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  Paint(canvas, State());
}

void TsuiCustomProgressBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FPressed = true;
  DoMouseDown(*event);
}

void TsuiCustomProgressBar::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) FPressed = false;
  DoMouseUp(*event);
  if (click) Click();
}

void TsuiCustomProgressBar::mouseMoveEvent(QMouseEvent* event) { DoMouseMove(*event); }
