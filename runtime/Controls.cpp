#include "Controls.h"

#include "Application.h"

#include <QResizeEvent>
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

TControl::TControl(TComponent* owner) : QWidget(nullptr), TComponent(owner) {
  FFont.SetOnChange([this](TGraphicsObject*) {
    if (!FApplyingParentFont) FParentFont = false;
    FontChanged();
  });
}

TControl::~TControl() = default;

void TControl::SetBounds(int left, int top, int width, int height) {
  setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  if (QWidget* parent = parentWidget()) AlignChildControls(parent);
}

void TControl::SetColor(TColor value) {
  FColor = value;
  FParentColor = false;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  FParentColor = value;
  ColorChanged();
}

void TControl::SetParentFont(bool value) {
  FParentFont = value;
  FontChanged();
}

void TControl::SetCursor(TCursor value) {
  FCursor = value;
  if (value == crDefault)
    unsetCursor();
  else
    setCursor(ToCursorShape(value));
}

void TControl::SetVisible(bool value) {
  FVisible = value;
  // A child follows its parent; a window is shown by the application.
  if (parentWidget() || !value) setVisible(value);
}

void TControl::SetHint(const QString& value) {
  FHint = value;
  setToolTip(value);
}

void TControl::Dispatch(const TNotifyEvent& handler) {
  if (!handler) return;
  try {
    handler(this);
  } catch (...) {
    ::HandleException();
  }
}

void TControl::Click() { Dispatch(FOnClick); }

void TControl::FontChanged() {
  if (FParentFont) {
    setFont(QFont());
    setAttribute(Qt::WA_SetFont, false);
    return;
  }
  setFont(FFont.ToQFont());
  QPalette p = palette();
  const QColor text = ToQColor(FFont.Color());
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Text, text);
  setPalette(p);
}

void TControl::ColorChanged() {
  if (FParentColor) {
    setAutoFillBackground(false);
    return;
  }
  QPalette p = palette();
  p.setColor(QPalette::Window, ToQColor(FColor));
  p.setColor(QPalette::Base, ToQColor(FColor));
  p.setColor(QPalette::Button, ToQColor(FColor));
  setPalette(p);
  setAutoFillBackground(true);
}

void TControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  AlignChildControls(this);
}

void AlignChildControls(QWidget* container) {
  QRect rest = container->rect();
  TControl* client = nullptr;
  for (QObject* child : container->children()) {
    auto* c = dynamic_cast<TControl*>(child);
    if (!c || c->isWindow()) continue;
    switch (c->Align()) {
      case alTop:
        c->setGeometry(rest.left(), rest.top(), rest.width(), c->Height());
        rest.setTop(rest.top() + c->Height());
        break;
      case alBottom:
        c->setGeometry(rest.left(), rest.bottom() + 1 - c->Height(), rest.width(), c->Height());
        rest.setBottom(rest.bottom() - c->Height());
        break;
      case alLeft:
        c->setGeometry(rest.left(), rest.top(), c->Width(), rest.height());
        rest.setLeft(rest.left() + c->Width());
        break;
      case alRight:
        c->setGeometry(rest.right() + 1 - c->Width(), rest.top(), c->Width(), rest.height());
        rest.setRight(rest.right() - c->Width());
        break;
      case alClient: client = c; break;
      case alNone: break;
    }
  }
  if (client) client->setGeometry(rest);
}

void ApplyChildTabOrder(QWidget* container) {
  std::vector<TControl*> order;
  for (QObject* child : container->children())
    if (auto* c = dynamic_cast<TControl*>(child); c && !c->isWindow()) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), [](TControl* a, TControl* b) {
    const int ta = a->TabOrder() < 0 ? INT32_MAX : a->TabOrder();
    const int tb = b->TabOrder() < 0 ? INT32_MAX : b->TabOrder();
    return ta < tb;
  });
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TControl::Loaded() {
  TComponent::Loaded();
  AlignChildControls(this);
  ApplyChildTabOrder(this);
}
