#include "Forms.h"

#include "Application.h"

#include <QCloseEvent>
#include <QScreen>

TForm::TForm(TComponent* owner) : TControl(owner) {
  setWindowFlag(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void TForm::DoCreate() { Dispatch(FOnCreate); }

void TForm::SetBorderStyle(TFormBorderStyle value) {
  FBorderStyle = value;
  Qt::WindowFlags flags = Qt::Window;
  switch (value) {
    case bsNone: flags |= Qt::FramelessWindowHint; break;
    case bsSingle:
    case bsDialog: flags |= Qt::MSWindowsFixedSizeDialogHint; break;
    case bsToolWindow:
    case bsSizeToolWin: flags = Qt::Tool; break;
    case bsSizeable: break;
  }
  const bool wasVisible = isVisible();
  setWindowFlags(flags);
  if (wasVisible) show();
}

void TForm::showEvent(QShowEvent* event) {
  TControl::showEvent(event);
  if (FPlaced || (FPosition != poScreenCenter && FPosition != poDesktopCenter)) return;
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
