#pragma once
// The keyboard's way to the window's transport and file buttons: each key
// clicks its button only while the button is enabled, and the button's tool
// tip names the key. Alt+Space opens the window's menu.
#include <QKeySequence>
#include <QObject>
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
  // Space also clicks play while any skinned button of window has the focus
  // (which would take Space as its own click); the buttons still click on Enter.
  TWindowKeys(QWidget& window, const std::vector<TKey>& keys, TsuiButton& play, std::function<void()> openMenu);
  ~TWindowKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TsuiButton& FPlay;
  std::vector<std::unique_ptr<QShortcut>> FShortcuts;
};
