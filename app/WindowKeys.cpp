#include "WindowKeys.h"

#include "SUIButton.h"

#include <QKeyEvent>
#include <QShortcut>

TWindowKeys::TWindowKeys(QWidget& window, const std::vector<TKey>& keys, TsuiButton& play,
                         std::function<void()> openMenu)
    : FPlay(play) {
  for (TsuiCustomButton* b : window.findChildren<TsuiCustomButton*>()) b->installEventFilter(this);
  auto menuKey = std::make_unique<QShortcut>(QKeySequence(Qt::ALT | Qt::Key_Space), &window);
  connect(menuKey.get(), &QShortcut::activated, this, std::move(openMenu));
  FShortcuts.push_back(std::move(menuKey));
  for (const TKey& k : keys) {
    auto shortcut = std::make_unique<QShortcut>(k.Key, &window);
    TsuiButton* button = k.Button;
    // Auto-repeat would start and stop a take while the key is held.
    shortcut->setAutoRepeat(false);
    connect(shortcut.get(), &QShortcut::activated, this, [button] {
      if (button->Enabled()) button->Click();
    });
    button->SetHint(QStringLiteral("%1 (%2)").arg(button->Caption().remove(QLatin1Char('&')),
                                                  k.Key.toString(QKeySequence::NativeText)));
    FShortcuts.push_back(std::move(shortcut));
  }
}

TWindowKeys::~TWindowKeys() = default;

bool TWindowKeys::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
      if (type == QEvent::KeyPress && !key->isAutoRepeat() && FPlay.Enabled()) FPlay.Click();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
