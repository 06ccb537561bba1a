#include "SUIToolBar.h"

#include "Application.h"
#include "SUIPublic.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <algorithm>

TToolButton::TToolButton(TComponent* owner)
    : QObject(nullptr), TComponent(owner), FAction(std::make_unique<QAction>()) {
  QObject::connect(FAction.get(), &QAction::triggered, this, [this] {
    if (!FOnClick) return;
    try {
      FOnClick(this);
    } catch (...) {
      ::HandleException();
    }
  });
}

TToolButton::~TToolButton() {
  if (FToolBar) FToolBar->RemoveButton(this);
}

void TToolButton::SetCaption(const QString& value) {
  FCaption = value;
  FAction->setText(value);
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  FStyle = value;
  FAction->setSeparator(value == tbsSeparator);
  FAction->setCheckable(value == tbsCheck);
  if (FToolBar) FToolBar->UpdateButtons();
}

void TToolButton::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  if (FToolBar) FToolBar->UpdateButtons();
}

bool TToolButton::Down() const { return FAction->isChecked(); }

void TToolButton::SetDown(bool value) {
  // Down holds a button of any style down, as if pressed.
  FAction->setCheckable(value || FStyle == tbsCheck);
  FAction->setChecked(value);
}

bool TToolButton::Enabled() const { return FAction->isEnabled(); }
void TToolButton::SetEnabled(bool value) { FAction->setEnabled(value); }

void TToolButton::SetHint(const QString& value) {
  FHint = value;
  FAction->setToolTip(value);
}

TComponent* TToolButton::ParentComponent() const { return FToolBar; }

void TToolButton::SetParentComponent(TComponent* parent) {
  if (auto* bar = dynamic_cast<TsuiToolBar*>(parent)) bar->AddButton(this);
}

TsuiToolBar::TsuiToolBar(TComponent* owner) : TControlOf<QToolBar>(owner) {
  setMovable(false);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonTextOnly);
  SetUIStyle(FindFormUIStyle(owner));
}

TsuiToolBar::~TsuiToolBar() {
  for (TToolButton* button : FButtons) button->FToolBar = nullptr;
}

void TsuiToolBar::SetUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  if (value != Custom) {
    FButtonBorderColor = GetThemeColor(value, teToolBarButtonBorderColor);
    FButtonColor = GetThemeColor(value, teToolBarButtonColor);
    FButtonDownColor = GetThemeColor(value, teToolBarButtonDownColor);
    TControlBase::SetColor(GetThemeColor(value, teToolBarColor));
    FTransparent = value == MacOS;
  }
  setAutoFillBackground(false);  // the bar paints its own background, or none
  update();
}

void TsuiToolBar::SetButtonColor(TColor value) {
  if (value == FButtonColor) return;
  FButtonColor = value;
  update();
}

void TsuiToolBar::SetButtonBorderColor(TColor value) {
  if (value == FButtonBorderColor) return;
  FButtonBorderColor = value;
  update();
}

void TsuiToolBar::SetButtonDownColor(TColor value) {
  if (value == FButtonDownColor) return;
  FButtonDownColor = value;
  update();
}

void TsuiToolBar::SetColor(TColor value) {
  TControlBase::SetColor(value);
  setAutoFillBackground(false);
  update();
}

void TsuiToolBar::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  update();
}

void TsuiToolBar::SetShowCaptions(bool value) {
  if (value == FShowCaptions) return;
  FShowCaptions = value;
  UpdateButtons();
}

void TsuiToolBar::SetImages(TImageList* value) { SetImageList(FImages, FHotImages, value); }

void TsuiToolBar::SetHotImages(TImageList* value) { SetImageList(FHotImages, FImages, value); }

void TsuiToolBar::SetImageList(TImageList*& list, TImageList* other, TImageList* value) {
  if (value == list) return;
  // The other list may still be the same one, which keeps its notification.
  if (list && list != other) RemoveFreeNotification(list);
  list = value;
  if (list) FreeNotification(list);
  UpdateButtons();
}

void TsuiToolBar::Notification(TComponent* component, TOperation operation) {
  TControlOf<QToolBar>::Notification(component, operation);
  if (operation != opRemove) return;
  const bool images = component == static_cast<TComponent*>(FImages);
  const bool hotImages = component == static_cast<TComponent*>(FHotImages);
  if (images) FImages = nullptr;
  if (hotImages) FHotImages = nullptr;
  if (images || hotImages) UpdateButtons();
}

// Qt sizes a button by its icon, so each action carries its picture (or an
// empty one of the list's size) although the bar paints the buttons itself.
void TsuiToolBar::UpdateButtons() {
  const TImageList* list = FImages ? FImages : FHotImages;
  if (list) setIconSize(QSize(list->Width(), list->Height()));
  setToolButtonStyle(!list           ? Qt::ToolButtonTextOnly
                     : FShowCaptions ? Qt::ToolButtonTextUnderIcon
                                     : Qt::ToolButtonIconOnly);
  for (TToolButton* button : FButtons) {
    QPixmap picture(list ? QSize(list->Width(), list->Height()) : QSize());
    if (list) {
      picture.fill(Qt::transparent);
      if (list->ValidIndex(button->ImageIndex())) picture = QPixmap::fromImage(list->Image(button->ImageIndex()));
    }
    button->Action()->setIcon(list ? QIcon(picture) : QIcon());
    if (QWidget* widget = widgetForAction(button->Action())) {
      // Room for the drop-down arrow right of the caption.
      widget->setMinimumWidth(0);
      if (button->Style() == tbsDropDown) widget->setMinimumWidth(widget->sizeHint().width() + 14);
      widget->update();
    }
  }
  update();
}

void TsuiToolBar::AddButton(TToolButton* button) {
  if (button->FToolBar == this) return;
  if (button->FToolBar) button->FToolBar->RemoveButton(button);
  FButtons.push_back(button);
  button->FToolBar = this;
  addAction(button->Action());
  if (QWidget* widget = widgetForAction(button->Action())) {
    widget->installEventFilter(this);
    widget->setMouseTracking(true);
    widget->setAttribute(Qt::WA_Hover);
  }
  UpdateButtons();
}

void TsuiToolBar::RemoveButton(TToolButton* button) {
  const auto it = std::find(FButtons.begin(), FButtons.end(), button);
  if (it == FButtons.end()) return;
  FButtons.erase(it);
  button->FToolBar = nullptr;
  removeAction(button->Action());
}

void TsuiToolBar::paintEvent(QPaintEvent*) {
  // A transparent bar leaves its parent's pixels showing.
  if (FTransparent) return;
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(Color()));
}

// Hot: filled with ButtonColor (ButtonDownColor while pressed) and outlined;
// a pressed or checked button away from the pointer looks hot; any other
// button is its picture and caption alone. Pressed shifts the content one
// pixel. A hot drop-down button shows its arrow and the line before it.
void TsuiToolBar::DrawToolButton(QPainter& painter, const TButtonState& state) const {
  const bool down = state.Hot && state.Pressed;
  const bool boxed = state.Hot || state.Pressed || state.Checked;
  if (boxed) {
    painter.fillRect(state.Bounds, ToQColor(down ? FButtonDownColor : FButtonColor));
    painter.setPen(ToQColor(FButtonBorderColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(state.Bounds.adjusted(0, 0, -1, -1));
  }
  const int l = state.Bounds.left(), t = state.Bounds.top(), r = l + state.Bounds.width();
  const int b = t + state.Bounds.height();
  if (state.Hot && state.DropDown) {
    const int m = t + (b - t) / 2;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({QPoint(r - 9, m), QPoint(r - 5, m), QPoint(r - 7, m + 2)}));
    painter.drawPolygon(QPolygon({QPoint(r - 8, m), QPoint(r - 6, m), QPoint(r - 7, m + 1)}));
    painter.drawLine(r - 14, t, r - 14, b - 1);
    painter.setBrush(Qt::NoBrush);
  }

  const TImageList* list = boxed && FHotImages ? FHotImages : FImages ? FImages : FHotImages;
  if (list) {
    const int w = r - l - (state.DropDown ? 14 : 0);
    if (list->ValidIndex(state.ImageIndex)) {
      const int x = l + (w - list->Width()) / 2 - (down ? 0 : 1);
      list->Draw(painter, x, t + (down ? 3 : 2), state.ImageIndex, state.Enabled);
    }
    if (!FShowCaptions) return;
    painter.setPen(state.Enabled ? palette().color(QPalette::ButtonText) : ToQColor(clGrayText));
    const QRect text(l + (down ? 1 : 0), t + list->Height() + (down ? 5 : 4), w, state.Bounds.height());
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic, state.Caption);
    return;
  }
  if (!FShowCaptions) return;
  painter.setPen(state.Enabled ? palette().color(QPalette::ButtonText) : ToQColor(clGrayText));
  QRect text = state.Bounds.translated(down ? 1 : 0, down ? 1 : 0);
  if (state.DropDown) text.setWidth(text.width() - 14);
  painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, state.Caption);
}

bool TsuiToolBar::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QToolButton*>(watched);
  if (!button || button->parentWidget() != this) return TControlOf<QToolBar>::eventFilter(watched, event);
  if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) button->update();
  if (event->type() != QEvent::Paint) return false;
  TButtonState state;
  state.Bounds = button->rect();
  state.Caption = button->text();
  state.Hot = button->underMouse() || button->testAttribute(Qt::WA_UnderMouse);
  state.Pressed = button->isDown();
  state.Checked = button->isChecked();
  state.Enabled = button->isEnabled();
  for (const TToolButton* b : FButtons)
    if (widgetForAction(b->Action()) == button) {
      state.ImageIndex = b->ImageIndex();
      state.DropDown = b->Style() == tbsDropDown;
    }
  QPainter painter(button);
  painter.setFont(button->font());
  DrawToolButton(painter, state);
  return true;
}
