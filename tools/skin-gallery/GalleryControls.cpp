#include "GalleryControls.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

std::vector<TGalleryControl> GalleryControls() {
  // One entry per skinned control, for example:
  //   {"TsuiButton", [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
  //      auto* b = new TsuiButton(nullptr);
  //      b->setParent(parent);
  //      b->SetUIStyle(style);
  //      b->SetCaption("录制");
  //      b->resize(90, 25);
  //      PutInState(b, state);
  //      return b;
  //    }},
  return {};
}

void Hover(QWidget* control) {
  const QPointF centre(control->width() / 2.0, control->height() / 2.0);
  QEnterEvent enter(centre, control->mapTo(control->window(), centre), control->mapToGlobal(centre));
  QApplication::sendEvent(control, &enter);
  QMouseEvent move(QEvent::MouseMove, centre, control->mapToGlobal(centre), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(control, &move);
}

void Press(QWidget* control) {
  Hover(control);
  const QPointF centre(control->width() / 2.0, control->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, centre, control->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(control, &press);
}

void PutInState(QWidget* control, TGalleryState state) {
  switch (state) {
    case TGalleryState::Enabled: break;
    case TGalleryState::Disabled: control->setEnabled(false); break;
    case TGalleryState::Hovered: Hover(control); break;
    case TGalleryState::Pressed: Press(control); break;
  }
}
