#include "GalleryControls.h"

#include "SUIForm.h"
#include "SUITitleBar.h"

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
  return {
      // A skinned frame off any window: its title bar with all four buttons on
      // its background. Disabled shows an inactive window's caption; hovered
      // and pressed act on the close button.
      {QStringLiteral("TsuiForm"),
       [](QWidget* parent, TsuiUIStyle style, TGalleryState state) -> QWidget* {
         auto* frame = new TsuiForm(nullptr);
         frame->setParent(parent);
         frame->SetUIStyle(style);
         frame->SetCaption(QStringLiteral("Tamsel录音机"));
         frame->SetBounds(4, 4, 240, 64);
         TsuiTitleBar* bar = frame->TitleBar();
         AlignChildControls(frame);
         if (state == TGalleryState::Disabled) {
           bar->SetFormActive(false);
         } else if (state != TGalleryState::Enabled) {
           const TsuiTitleBarPlaces places = bar->Places();
           if (!places.Buttons.empty()) {
             const QPointF at = QRectF(places.Buttons.front().Rect).center();
             QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
             QApplication::sendEvent(bar, &move);
             if (state == TGalleryState::Pressed) {
               QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                                 Qt::NoModifier);
               QApplication::sendEvent(bar, &press);
             }
           }
         }
         return frame;
       }},
  };
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
