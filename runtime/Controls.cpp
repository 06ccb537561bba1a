#include "Controls.h"

#include "Application.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <vector>

Qt::CursorShape ToCursorShape(TCursor cursor) {
  switch (cursor) {
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crDefault:
    case crArrow: break;
  }
  return Qt::ArrowCursor;
}

TControlBase::TControlBase(TComponent* owner, QWidget* widget) : TComponent(owner), FWidget(widget) {
  FFont.SetOnChange([this](TGraphicsObject*) {
    FParentFont = false;
    FontChanged();
  });
}

TControlBase::~TControlBase() = default;

void TControlBase::SetBounds(int left, int top, int width, int height) {
  FWidget->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

void TControlBase::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  if (QWidget* parent = FWidget->parentWidget()) AlignChildControls(parent);
}

void TControlBase::SetColor(TColor value) {
  FColor = value;
  FParentColor = false;
  ColorChanged();
}

void TControlBase::SetParentColor(bool value) {
  FParentColor = value;
  ColorChanged();
}

TColor TControlBase::PaintColor() const {
  const TControlBase* control = this;
  while (control->ParentColor()) {
    const auto* parent = dynamic_cast<const TControlBase*>(control->FWidget->parentWidget());
    if (!parent) break;
    control = parent;
  }
  return control->Color();
}

void TControlBase::SetParentFont(bool value) {
  FParentFont = value;
  FontChanged();
}

void TControlBase::SetCursor(TCursor value) {
  FCursor = value;
  if (value == crDefault)
    FWidget->unsetCursor();
  else
    FWidget->setCursor(ToCursorShape(value));
}

void TControlBase::SetVisible(bool value) {
  FVisible = value;
  // A child follows its parent; a window is shown by the application.
  if (FWidget->parentWidget() || !value) FWidget->setVisible(value);
}

void TControlBase::SetHint(const QString& value) {
  FHint = value;
  FWidget->setToolTip(value);
}

void TControlBase::Click() { Dispatch(FOnClick); }

template <class F>
void TControlBase::Guarded(F&& call) {
  try {
    call();
  } catch (...) {
    ::HandleException();
  }
}

void TControlBase::Dispatch(const TNotifyEvent& handler) {
  if (handler) Guarded([&] { handler(this); });
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState s;
  if (modifiers & Qt::ShiftModifier) s |= ssShift;
  if (modifiers & Qt::AltModifier) s |= ssAlt;
  if (modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

namespace {
TMouseButton MouseButtonOf(Qt::MouseButton b) {
  return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}
}  // namespace

void TControlBase::DoMouseDown(const QMouseEvent& e) {
  if (!FOnMouseDown) return;
  const QPoint p = e.position().toPoint();
  Guarded(
      [&] { FOnMouseDown(this, MouseButtonOf(e.button()), ShiftStateOf(e.modifiers(), e.buttons()), p.x(), p.y()); });
}

void TControlBase::DoMouseUp(const QMouseEvent& e) {
  if (!FOnMouseUp) return;
  const QPoint p = e.position().toPoint();
  Guarded([&] { FOnMouseUp(this, MouseButtonOf(e.button()), ShiftStateOf(e.modifiers(), e.buttons()), p.x(), p.y()); });
}

void TControlBase::DoMouseMove(const QMouseEvent& e) {
  if (!FOnMouseMove) return;
  const QPoint p = e.position().toPoint();
  Guarded([&] { FOnMouseMove(this, ShiftStateOf(e.modifiers(), e.buttons()), p.x(), p.y()); });
}

bool TControlBase::DoKeyDown(const QKeyEvent& e) {
  int key = e.key();
  if (FOnKeyDown) Guarded([&] { FOnKeyDown(this, key, ShiftStateOf(e.modifiers())); });
  if (key == 0) return false;
  if (FOnKeyPress && !e.text().isEmpty()) {
    QChar c = e.text().at(0);
    Guarded([&] { FOnKeyPress(this, c); });
    if (c.isNull()) return false;
  }
  return true;
}

bool TControlBase::DoKeyUp(const QKeyEvent& e) {
  int key = e.key();
  if (FOnKeyUp) Guarded([&] { FOnKeyUp(this, key, ShiftStateOf(e.modifiers())); });
  return key != 0;
}

void TControlBase::FontChanged() {
  if (FParentFont) {
    FWidget->setFont(QFont());
    FWidget->setAttribute(Qt::WA_SetFont, false);
    return;
  }
  FWidget->setFont(FFont.ToQFont());
  QPalette p = FWidget->palette();
  const QColor text = ToQColor(FFont.Color());
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Text, text);
  FWidget->setPalette(p);
}

void TControlBase::ColorChanged() {
  if (FParentColor) {
    FWidget->setAutoFillBackground(false);
    return;
  }
  QPalette p = FWidget->palette();
  p.setColor(QPalette::Window, ToQColor(FColor));
  p.setColor(QPalette::Base, ToQColor(FColor));
  p.setColor(QPalette::Button, ToQColor(FColor));
  FWidget->setPalette(p);
  FWidget->setAutoFillBackground(true);
}

void AlignChildControls(QWidget* container) {
  QRect rest = container->rect();
  TControlBase* client = nullptr;
  for (QObject* child : container->children()) {
    auto* c = dynamic_cast<TControlBase*>(child);
    if (!c || c->ControlWidget()->isWindow()) continue;
    switch (c->Align()) {
      case alTop:
        c->ControlWidget()->setGeometry(rest.left(), rest.top(), rest.width(), c->Height());
        rest.setTop(rest.top() + c->Height());
        break;
      case alBottom:
        c->ControlWidget()->setGeometry(rest.left(), rest.bottom() + 1 - c->Height(), rest.width(), c->Height());
        rest.setBottom(rest.bottom() - c->Height());
        break;
      case alLeft:
        c->ControlWidget()->setGeometry(rest.left(), rest.top(), c->Width(), rest.height());
        rest.setLeft(rest.left() + c->Width());
        break;
      case alRight:
        c->ControlWidget()->setGeometry(rest.right() + 1 - c->Width(), rest.top(), c->Width(), rest.height());
        rest.setRight(rest.right() - c->Width());
        break;
      case alClient: client = c; break;
      case alNone: break;
    }
  }
  if (client) client->ControlWidget()->setGeometry(rest);
}

void ApplyChildTabOrder(QWidget* container) {
  std::vector<TControlBase*> order;
  for (QObject* child : container->children())
    if (auto* c = dynamic_cast<TControlBase*>(child); c && !c->ControlWidget()->isWindow()) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), [](TControlBase* a, TControlBase* b) {
    const int ta = a->TabOrder() < 0 ? INT32_MAX : a->TabOrder();
    const int tb = b->TabOrder() < 0 ? INT32_MAX : b->TabOrder();
    return ta < tb;
  });
  for (size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(order[i - 1]->ControlWidget(), order[i]->ControlWidget());
}

void TControlBase::Loaded() {
  TComponent::Loaded();
  AlignChildControls(FWidget);
  ApplyChildTabOrder(FWidget);
}
