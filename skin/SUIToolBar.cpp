#include "SUIToolBar.h"

#include "Application.h"
#include "SUIPublic.h"

#include <QAction>
#include <QEvent>
#include <QPainter>
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
    FButtonBorderColor = GetThemeColor(value, 80);
    FButtonColor = GetThemeColor(value, 81);
    FButtonDownColor = GetThemeColor(value, 82);
    TControlBase::SetColor(GetThemeColor(value, 83));
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
// button is its caption alone. Pressed shifts the caption one pixel.
void TsuiToolBar::DrawToolButton(QPainter& painter, const TButtonState& state) const {
  const bool down = state.Hot && state.Pressed;
  if (state.Hot || state.Pressed || state.Checked) {
    painter.fillRect(state.Bounds, ToQColor(down ? FButtonDownColor : FButtonColor));
    painter.setPen(ToQColor(FButtonBorderColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(state.Bounds.adjusted(0, 0, -1, -1));
  }
  if (!FShowCaptions) return;
  painter.setPen(state.Enabled ? palette().color(QPalette::ButtonText) : ToQColor(clGrayText));
  const QRect text = state.Bounds.translated(down ? 1 : 0, down ? 1 : 0);
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
  QPainter painter(button);
  painter.setFont(button->font());
  DrawToolButton(painter, state);
  return true;
}
