#include "SUISideChannel.h"

#include "Application.h"
#include "SUIPublic.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>

namespace {
constexpr int kTitleHeight = 16;
constexpr int kPinWidth = 20;
constexpr int kSlideInterval = 10;   // ms between slide steps
constexpr int kLeaveInterval = 500;  // ms between leave checks
}  // namespace

TsuiSideChannel::TsuiSideChannel(TComponent* owner) : TControlOf<QWidget>(owner) {
  LoadSkinBitmap(FBarNormal, 0, QStringLiteral("SIDECHANNEL_BAR_NORMAL"));
  LoadSkinBitmap(FBarMouseOn, 0, QStringLiteral("SIDECHANNEL_BAR_MOUSEON"));
  LoadSkinBitmap(FPinUp, 0, QStringLiteral("SIDECHANNEL_BTN_NOONTOP"));
  LoadSkinBitmap(FPinDown, 0, QStringLiteral("SIDECHANNEL_BTN_ONTOP"));
  FPin = new QToolButton(this);
  FPin->setCheckable(true);
  FPin->setAccessibleName(QCoreApplication::translate("TsuiSideChannel", "固定"));
  FPin->setAutoRaise(true);
  FPin->setFocusPolicy(Qt::NoFocus);
  FPin->resize(kPinWidth, kTitleHeight);
  FPin->setIcon(QIcon(QPixmap::fromImage(KeyedImage(FPinUp.Image(), FPinUp.Pixel(0, 0)))));
  FPin->hide();
  QObject::connect(FPin, &QToolButton::clicked, this, [this] { PinClick(); });
  FLeaveTimer.setInterval(kLeaveInterval);
  QObject::connect(&FLeaveTimer, &QTimer::timeout, this, [this] { CheckLeave(); });
  FSlideTimer.setInterval(kSlideInterval);
  QObject::connect(&FSlideTimer, &QTimer::timeout, this, [this] { SlideStep(); });
  setMouseTracking(true);
  SetAlign(alLeft);
  SetColor(FindFormColor(owner));
  FSideBarColor = Color();
  if (!Designing()) Push(true);
}

TsuiSideChannel::~TsuiSideChannel() = default;

void TsuiSideChannel::SetFullWidth(int value) {
  FFullWidth = std::max(value, FSideBarWidth);
  if (Designing() || (IsOpen() && !Animating())) SetChannelWidth(FFullWidth);
}

void TsuiSideChannel::SetSideBarColor(TColor value) {
  FSideBarColor = value;
  update();
}

void TsuiSideChannel::SetSideBarWidth(int value) {
  FSideBarWidth = std::max(value, 0);
  if (!Designing()) Push(true);
}

void TsuiSideChannel::SetCaption(const QString& value) {
  FCaption = value;
  update();
}

void TsuiSideChannel::SetChannelAlign(TsuiSideChannelAlign value) {
  FChannelAlign = value;
  SetAlign(value == SUISideChannel::suiRight ? alRight : alLeft);
}

void TsuiSideChannel::SetStayOn(bool value) {
  if (value == FStayOn && FPin->isChecked() == value) return;
  FStayOn = value;
  FPin->setChecked(value);
  FPin->setIcon(QIcon(
      QPixmap::fromImage(KeyedImage((value ? FPinDown : FPinUp).Image(), (value ? FPinDown : FPinUp).Pixel(0, 0)))));
  if (Designing()) return;
  if (value) {
    FLeaveTimer.stop();
    if (!IsOpen() || Animating()) Pop(FQuickMove);
  } else {
    Push(true);
  }
}

void TsuiSideChannel::PinClick() { SetStayOn(FPin->isChecked()); }

void TsuiSideChannel::SetChannelWidth(int value) {
  const QRect g = geometry();
  // Docked right, the channel grows to the left.
  if (FChannelAlign == SUISideChannel::suiRight && Align() == alNone)
    setGeometry(g.right() + 1 - value, g.top(), value, g.height());
  else
    resize(value, height());
  if (QWidget* parent = parentWidget()) AlignChildControls(parent);
  FPin->move(width() - kPinWidth, 0);
  update();
}

void TsuiSideChannel::Pop(bool quick) {
  FPin->show();
  SlideTo(FFullWidth, quick);
}

void TsuiSideChannel::Push(bool quick) {
  FLeaveTimer.stop();
  SlideTo(FSideBarWidth, quick);
}

void TsuiSideChannel::SlideTo(int target, bool quick) {
  FTarget = target;
  if (quick) {
    SetChannelWidth(target);
    Finish();
  } else {
    FSlideTimer.start();
  }
}

void TsuiSideChannel::SlideStep() {
  if (FTarget < 0) {
    FSlideTimer.stop();
    return;
  }
  const int w = width();
  if (FTarget > w && w + Step < FTarget)
    SetChannelWidth(w + Step);
  else if (FTarget < w && FTarget < w - Step)
    SetChannelWidth(w - Step);
  else {
    SetChannelWidth(FTarget);
    Finish();
  }
}

void TsuiSideChannel::Finish() {
  FSlideTimer.stop();
  const bool opened = FTarget > FSideBarWidth;
  FTarget = -1;
  const TNotifyEvent& event = opened ? FOnPop : FOnPush;
  if (opened) {
    if (!FStayOn) FLeaveTimer.start();
  } else {
    FPin->hide();
  }
  update();
  if (event) {
    try {
      event(this);
    } catch (...) {
      ::HandleException();
    }
  }
}

void TsuiSideChannel::HoverPop() {
  if ((IsOpen() && FTarget != FSideBarWidth) || FPopupMode == SUISideChannel::suiMouseClick) return;
  if (!parentWidget() || !IsFormActive(window())) return;
  Pop(FQuickMove);
}

void TsuiSideChannel::ClickPop() {
  if (FPopupMode == SUISideChannel::suiMouseClick) Pop(FQuickMove);
}

void TsuiSideChannel::CheckLeave() {
  const QPoint cursor = FCursor ? FCursor() : QCursor::pos();
  const QRect screen(mapToGlobal(QPoint(0, 0)), size());
  const bool inside = cursor.x() > screen.left() && cursor.x() < screen.right() && cursor.y() > screen.top() &&
                      cursor.y() < screen.bottom();
  if (!parentWidget() || !inside) Push(FQuickMove);
}

bool TsuiSideChannel::OnBar(QPoint point) const { return point.x() < FSideBarWidth || point.y() < kTitleHeight; }

void TsuiSideChannel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(PaintColor()));
  const QColor bar = ToQColor(FSideBarColor);
  p.fillRect(QRect(0, 0, FSideBarWidth, height()), bar);
  (FBarHot ? FBarMouseOn : FBarNormal).Draw(p, 0, 0);
  if (!IsOpen()) return;
  const QRect title(FSideBarWidth, 0, width() - FSideBarWidth, kTitleHeight);
  p.fillRect(title, bar);
  if (!Animating()) {
    p.setFont(Font()->ToQFont());
    p.setPen(ToQColor(Font()->Color()));
    p.drawText(title.adjusted(2, 0, -kPinWidth, 0), Qt::AlignCenter | Qt::TextSingleLine, FCaption);
  }
}

void TsuiSideChannel::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const bool hot = at.x() < FSideBarWidth;
  if (hot != FBarHot) {
    FBarHot = hot;
    update();
  }
  if (OnBar(at)) HoverPop();
  TControlOf<QWidget>::mouseMoveEvent(event);
}

void TsuiSideChannel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->position().x() < FSideBarWidth) ClickPop();
  TControlOf<QWidget>::mouseReleaseEvent(event);
}

void TsuiSideChannel::leaveEvent(QEvent* event) {
  FBarHot = false;
  update();
  TControlOf<QWidget>::leaveEvent(event);
}

bool TsuiSideChannel::CanResize(int& newWidth, int& newHeight) {
  bool resize = true;
  if (FOnCanResize) {
    try {
      FOnCanResize(this, newWidth, newHeight, resize);
    } catch (...) {
      ::HandleException();
    }
  }
  if (resize && !Animating() && IsOpen() && newWidth < MinOpenWidth) resize = false;
  return resize;
}

void TsuiSideChannel::SetBounds(int left, int top, int w, int h) {
  if (!Designing() && !CanResize(w, h)) return;
  if (!Animating() && IsOpen() && !Designing()) FFullWidth = w;
  TControlOf<QWidget>::SetBounds(left, top, w, h);
  FPin->move(width() - kPinWidth, 0);
}

void TsuiSideChannel::resizeEvent(QResizeEvent* event) {
  FPin->move(width() - kPinWidth, 0);
  if (!Animating() && width() > FSideBarWidth) FFullWidth = width();
  TControlOf<QWidget>::resizeEvent(event);
  if (FOnResize) {
    try {
      FOnResize(this);
    } catch (...) {
      ::HandleException();
    }
  }
}
