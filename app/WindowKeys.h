#pragma once
// The keyboard's way to the window's transport and file buttons: each key
// clicks its button only while the button is enabled, and the button's tool
// tip names the key. Alt+Space opens the window's menu.
//
// Space is the transport key (play and pause, or pause and resume a
// recording), except on a skinned button the user reached with Tab, which
// Space presses as every toolkit does. A button that took the focus from a
// click, or from a neighbour that was disabled, leaves Space to the transport.
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QShortcut;
class QWidget;
class TsuiButton;

class TWindowKeys : public QObject {
 public:
  struct TKey {
    QKeySequence Key;
    TsuiButton* Button;
  };
  TWindowKeys(QWidget& window, const std::vector<TKey>& keys, std::function<void()> space,
              std::function<void()> openMenu);
  ~TWindowKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FocusChanged(QWidget* button, bool in, Qt::FocusReason reason);

  std::function<void()> FSpace;
  std::vector<std::unique_ptr<QShortcut>> FShortcuts;
  QPointer<QWidget> FKeyboardFocus;
  QPointer<QWidget> FHandedOn;  // took the focus from a button being disabled
};
