#include "WindowAccessible.h"

#include "MainForm.h"
#include "SUIAccessible.h"
#include "deAudioControls.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QProgressBar>

namespace {

QAccessibleInterface* OscilloscopeFactory(const QString&, QObject* object) {
  if (auto* scope = qobject_cast<TdeCustomOscilloscope*>(object))
    return new QAccessibleWidget(scope, QAccessible::Graphic);
  return nullptr;
}

// Enter or Space on a focused link follows it, as a click does.
class TLinkKeys : public QObject {
 public:
  explicit TLinkKeys(QObject* parent) : QObject(parent) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) return false;
    static_cast<TLabel*>(watched)->Click();
    return true;
  }
};

}  // namespace

void MakeWindowAccessible(TForm1& window) {
  InstallSkinAccessibility();
  static const bool installed = [] {
    QAccessible::installFactory(OscilloscopeFactory);
    return true;
  }();
  (void)installed;

  window.deOscilloscope1->setAccessibleName(QCoreApplication::translate("TForm1", "示波器"));
  window.deOscilloscope1->setAccessibleDescription(QCoreApplication::translate("TForm1", "录音或播放时声音的实时波形"));
  window.lbSteps->setAccessibleName(QCoreApplication::translate("TForm1", "转换步骤"));
  window.lbSteps->Widget()->setAccessibleName(QCoreApplication::translate("TForm1", "转换步骤"));
  window.pbPlayback->setAccessibleName(QCoreApplication::translate("TForm1", "播放进度"));
  window.pbPlayback->Widget()->setAccessibleName(QCoreApplication::translate("TForm1", "播放进度"));
  auto* keys = new TLinkKeys(&window);
  for (TLabel* link : {window.Label1, window.Label2}) {
    link->setFocusPolicy(Qt::TabFocus);
    link->installEventFilter(keys);
  }
}
