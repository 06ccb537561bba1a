#pragma once
// The top-level window of a program. A form's components are created from
// its window description (the concrete form's constructor reads it); the
// stored client size is what the controls are laid out in.
#include "Controls.h"

#include <functional>

namespace Forms {
Q_NAMESPACE
enum TPosition { poDesigned, poScreenCenter };
Q_ENUM_NS(TPosition)
enum TCloseAction { caNone, caHide, caFree, caMinimize };
Q_ENUM_NS(TCloseAction)
}  // namespace Forms
using Forms::TCloseAction;
using Forms::TPosition;
using enum Forms::TPosition;
using enum Forms::TCloseAction;

using TCloseEvent = std::function<void(QObject* Sender, TCloseAction& action)>;

class TForm : public TControl {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
  Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
  Q_PROPERTY(Forms::TPosition Position READ Position WRITE SetPosition)
  Q_PROPERTY(int MinWidth READ MinWidth WRITE SetMinWidth)
  Q_PROPERTY(int MinHeight READ MinHeight WRITE SetMinHeight)
  Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:Position", "poDesigned")
  Q_CLASSINFO("Default:MinWidth", "0")
  Q_CLASSINFO("Default:MinHeight", "0")
  Q_CLASSINFO("Default:DoubleBuffered", "false")
public:
  explicit TForm(TComponent* owner);

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

  // Runs OnCreate; the concrete form calls it once its description is read.
  void DoCreate();
  void Close() { close(); }

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  TPosition FPosition = poDesigned;
  bool FDoubleBuffered = false;
  bool FPlaced = false;
  TNotifyEvent FOnCreate;
  TCloseEvent FOnClose;
};
