#include "Forms.h"

#include "Application.h"

#include <QCloseEvent>
#include <QScreen>

TForm::TForm(TComponent* owner) : TControl(owner) {
  setWindowFlag(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void TForm::DoCreate() { Dispatch(FOnCreate); }

void TForm::showEvent(QShowEvent* event) {
  TControl::showEvent(event);
  if (FPlaced || FPosition != poScreenCenter) return;
  FPlaced = true;
  if (QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TForm::closeEvent(QCloseEvent* event) {
  TCloseAction action = caHide;
  if (FOnClose) {
    try {
      FOnClose(this, action);
    } catch (...) {
      ::HandleException();
    }
  }
  if (action == caNone)
    event->ignore();
  else
    event->accept();
}
