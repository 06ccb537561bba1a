#include "ComCtrls.h"

#include <QAccessible>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cstdlib>

void TStatusPanel::Assign(TPersistent* source) {
  if (auto* other = qobject_cast<TStatusPanel*>(source)) {
    FText = other->FText;
    FWidth = other->FWidth;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// The bar repaints through its collection's update hook.
void TStatusPanel::Changed() {
  if (Collection() && Collection()->OnUpdate) Collection()->OnUpdate(Collection());
}

void TStatusPanel::SetText(const QString& value) {
  if (value == FText) return;
  FText = value;
  Changed();
  if (auto* bar = Collection() ? qobject_cast<TStatusBar*>(Collection()->parent()) : nullptr)
    bar->PanelTextChanged(Index());
}

void TStatusPanel::SetWidth(int value) {
  if (value == FWidth) return;
  FWidth = value;
  Changed();
}

TStatusBar::TStatusBar(TComponent* owner) : TControl(owner), FPanels(TCollection::ItemsOf<TStatusPanel>(), this) {
  FPanels.OnUpdate = [this](TCollection*) { update(); };
  // Every paint fills the whole bar: the form need not paint beneath it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStatusBar::PanelTextChanged(int index) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(this, QAccessible::NameChanged);
  event.setChild(index);
  QAccessible::updateAccessibility(&event);
}

void TStatusBar::SetSizeGrip(bool value) {
  FSizeGrip = value;
  update();
}

QRect TStatusBar::PanelRect(int index) const {
  int left = 0;
  for (int i = 0; i < index; ++i) left += Panel(i)->Width();
  const int right = index == FPanels.Count() - 1 ? width() : left + Panel(index)->Width();
  return QRect(left, 0, std::max(right - left, 0), height());
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(Color()));
  for (int i = 0; i < FPanels.Count(); ++i) {
    const QRect r = PanelRect(i).adjusted(0, 2, -2, -1);
    p.setPen(ToQColor(clBtnShadow));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(ToQColor(clBtnHighlight));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, Panel(i)->Text());
  }
}

TProgressBar::TProgressBar(TComponent* owner) : TControl(owner), FBar(new QProgressBar(this)) {
  FBar->setTextVisible(false);
  FBar->setRange(0, 100);
  FBar->setValue(0);
}

int TProgressBar::Min() const { return FBar->minimum(); }
void TProgressBar::SetMin(int value) { FBar->setMinimum(value); }
int TProgressBar::Max() const { return FBar->maximum(); }
void TProgressBar::SetMax(int value) { FBar->setMaximum(value); }
int TProgressBar::Position() const { return FBar->value(); }
// Out-of-range positions are clamped, as a progress control does.
// QProgressBar repaints at once, flushing to the screen, whenever a change
// shows; during playback that is a second paint and flush of every block.
// Here the change is painted with the rest of the window's, by the same rule
// of when it shows: past a chunk's width of the groove, or at either end.
void TProgressBar::SetPosition(int value) {
  value = std::clamp(value, Min(), std::max(Min(), Max()));
  if (value == FBar->value()) return;
  const bool held = FBar->testAttribute(Qt::WA_UpdatesDisabled);  // by a parent's setUpdatesEnabled
  FBar->setAttribute(Qt::WA_UpdatesDisabled, true);
  FBar->setValue(value);
  FBar->setAttribute(Qt::WA_UpdatesDisabled, held);
  const int64_t steps = int64_t(Max()) - Min();
  const int groove = FBar->orientation() == Qt::Horizontal ? FBar->width() : FBar->height();
  const int chunk = FBar->style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, nullptr, FBar);
  if (value == Min() || value == Max() || std::abs(int64_t(value) - FPainted) * groove > int64_t(chunk) * steps) {
    FPainted = value;
    FBar->update();
  }
}

void TProgressBar::resizeEvent(QResizeEvent* event) {
  TControl::resizeEvent(event);
  FBar->setGeometry(rect());
}
