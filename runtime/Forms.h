#pragma once
// The top-level window of a program and the root of its window description:
// it owns the components the description creates; the stored client size
// is what the controls are laid out in.
#include "Controls.h"

#include <functional>

namespace Forms {
Q_NAMESPACE
enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter };
Q_ENUM_NS(TPosition)
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
Q_ENUM_NS(TFormBorderStyle)
enum TCloseAction { caNone, caHide, caFree, caMinimize };
Q_ENUM_NS(TCloseAction)
}  // namespace Forms
using Forms::TCloseAction;
using Forms::TFormBorderStyle;
using Forms::TPosition;
using enum Forms::TPosition;
using enum Forms::TFormBorderStyle;
using enum Forms::TCloseAction;

using TCloseEvent = std::function<void(TComponent* Sender, TCloseAction& Action)>;

class TForm : public TControl {
  Q_OBJECT
  Q_PROPERTY(Forms::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
  Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
  Q_PROPERTY(Forms::TPosition Position READ Position WRITE SetPosition)
  Q_PROPERTY(int MinWidth READ MinWidth WRITE SetMinWidth)
  Q_PROPERTY(int MinHeight READ MinHeight WRITE SetMinHeight)
  Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
  Q_CLASSINFO("Default:BorderStyle", "bsSizeable")
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:Position", "poDesigned")
  Q_CLASSINFO("Default:MinWidth", "0")
  Q_CLASSINFO("Default:MinHeight", "0")
  Q_CLASSINFO("Default:DoubleBuffered", "false")
 public:
  explicit TForm(TComponent* owner);

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& value) { setWindowTitle(value); }
  int ClientWidth() const { return width(); }
  void SetClientWidth(int value) { resize(value, height()); }
  int ClientHeight() const { return height(); }
  void SetClientHeight(int value) { resize(width(), value); }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  int MinWidth() const { return minimumWidth(); }
  void SetMinWidth(int value) { setMinimumWidth(value); }
  int MinHeight() const { return minimumHeight(); }
  void SetMinHeight(int value) { setMinimumHeight(value); }
  // Qt always paints through a back buffer; kept so the setting is stored.
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }

  const TNotifyEvent& OnCreate() const { return FOnCreate; }
  void SetOnCreate(TNotifyEvent handler) { FOnCreate = std::move(handler); }
  const TCloseEvent& OnClose() const { return FOnClose; }
  void SetOnClose(TCloseEvent handler) { FOnClose = std::move(handler); }

  // Runs OnCreate once the form and its description are complete: the
  // application does it after CreateForm read the description, a form that
  // reads its description in its own constructor calls it there.
  virtual void DoCreate();
  void Close() { close(); }
  // What the last button clicked on the form left here (its ModalResult).
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int value) { FModalResult = value; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TFormBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDesigned;
  bool FDoubleBuffered = false;
  bool FPlaced = false;
  int FModalResult = 0;
  TNotifyEvent FOnCreate;
  TCloseEvent FOnClose;
};
