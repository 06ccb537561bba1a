#include "SUIEdit.h"

#include "SUIScrollBar.h"

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

TsuiEdit::TsuiEdit(TComponent* owner) : TsuiBorderedOf<QLineEdit>(owner) {
  setFrame(false);
  setTextMargins(kSuiBorderWidth, kSuiBorderWidth, kSuiBorderWidth, kSuiBorderWidth);
  setMaxLength(32767);
  resize(121, 21);
  QObject::connect(this, &QLineEdit::textChanged, this, [this] { Dispatch(FOnChange); });
}

void TsuiEdit::SetText(const QString& value) {
  if (value == text()) return;
  setText(value);
}

void TsuiEdit::SetMaxLength(int value) {
  FMaxLength = std::max(value, 0);
  setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TsuiEdit::SetPasswordChar(const QString& value) {
  FPasswordChar = value.left(1);
  setEchoMode(FPasswordChar.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
}

void TsuiEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  PaintFrame();
}

// ---- TsuiScrollBarLink ----

TsuiScrollBarLink::TsuiScrollBarLink(QAbstractScrollArea* area, Qt::Orientation orientation, bool hideWhenIdle)
    : FArea(area), FOrientation(orientation), FHideWhenIdle(hideWhenIdle) {
  Native()->installEventFilter(this);
  QObject::connect(Native(), &QAbstractSlider::rangeChanged, this, [this] { Sync(); });
}

TsuiScrollBarLink::~TsuiScrollBarLink() { Release(); }

TsuiScrollBar* TsuiScrollBarLink::Bar() const { return FBar.data(); }

QScrollBar* TsuiScrollBarLink::Native() const {
  return FOrientation == Qt::Vertical ? FArea->verticalScrollBar() : FArea->horizontalScrollBar();
}

void TsuiScrollBarLink::Release() {
  if (!FBar) return;
  FBar->Detach();
  FBar->SetLineButton(0);
  FBar->SetMax(100);
  FBar->SetSliderVisible(true);
  FBar->setEnabled(true);
  FBar.clear();
}

bool TsuiScrollBarLink::SetBar(TsuiScrollBar* bar) {
  if (bar == FBar) return false;
  Release();
  FBar = bar;
  if (!bar) return true;
  bar->SetOrientation(FOrientation == Qt::Vertical ? suiVertical : suiHorizontal);
  bar->Attach(Native());
  bar->raise();
  Sync();
  return true;
}

void TsuiScrollBarLink::Place(const QRect& rect) {
  if (!FBar) return;
  QWidget* from = FArea->parentWidget();
  QWidget* to = FBar->parentWidget();
  QPoint at = rect.topLeft();
  // The bar may sit on another container than the control.
  if (from && to && from != to) at = to->mapFromGlobal(from->mapToGlobal(at));
  if (FOrientation == Qt::Vertical)
    FBar->SetBounds(at.x(), at.y(), FBar->Width(), rect.height());
  else
    FBar->SetBounds(at.x(), at.y(), rect.width(), FBar->Height());
  FBar->raise();
  Sync();
}

int TsuiScrollBarLink::NativeThumbLength(const QScrollBar* native) {
  if (native->maximum() <= native->minimum()) return 0;
  QStyleOptionSlider option;
  option.initFrom(native);
  option.orientation = native->orientation();
  option.minimum = native->minimum();
  option.maximum = native->maximum();
  option.sliderPosition = native->sliderPosition();
  option.sliderValue = native->value();
  option.singleStep = native->singleStep();
  option.pageStep = native->pageStep();
  option.subControls = QStyle::SC_All;
  if (option.orientation == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  const QRect thumb =
      native->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, native);
  return option.orientation == Qt::Vertical ? thumb.height() : thumb.width();
}

void TsuiScrollBarLink::Sync() {
  if (!FBar) return;
  QScrollBar* native = Native();
  FBar->SyncFromNative();
  const bool shown = native->isVisibleTo(FArea);
  // A disabled control still shows where it is scrolled to, greyed.
  const bool scrolls = shown && native->maximum() > native->minimum();
  FBar->SetLineButton(scrolls ? NativeThumbLength(native) : 0);
  FBar->SetSliderVisible(scrolls);
  FBar->setEnabled(scrolls && FArea->isEnabled());
  if (FHideWhenIdle) FBar->setVisible(shown && !FArea->isHidden());
}

bool TsuiScrollBarLink::eventFilter(QObject* watched, QEvent* event) {
  // The control shows and hides its own bar as its content grows and shrinks.
  if (watched == Native() &&
      (event->type() == QEvent::Show || event->type() == QEvent::Hide || event->type() == QEvent::EnabledChange))
    Sync();
  return QObject::eventFilter(watched, event);
}
