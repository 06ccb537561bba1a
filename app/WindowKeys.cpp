#include "WindowKeys.h"

#include "SUIButton.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QShortcut>

TWindowKeys::TWindowKeys(QWidget& window, const std::vector<TKey>& keys, std::function<void()> space,
                         std::function<void()> openMenu)
    : FSpace(std::move(space)) {
  for (TsuiCustomButton* b : window.findChildren<TsuiCustomButton*>()) b->installEventFilter(this);
  auto menuKey = std::make_unique<QShortcut>(QKeySequence(Qt::ALT | Qt::Key_Space), &window);
  connect(menuKey.get(), &QShortcut::activated, this, std::move(openMenu));
  FShortcuts.push_back(std::move(menuKey));
  // Where no skinned button has the focus (they take Space before shortcuts do).
  auto spaceKey = std::make_unique<QShortcut>(QKeySequence(Qt::Key_Space), &window);
  spaceKey->setAutoRepeat(false);
  connect(spaceKey.get(), &QShortcut::activated, this, [this] { FSpace(); });
  FShortcuts.push_back(std::move(spaceKey));
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

void TWindowKeys::FocusChanged(QWidget* button, bool in, Qt::FocusReason reason) {
  // Leaving the window and coming back (or a menu) keeps how the focus was reached.
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  if (!in) {
    if (FKeyboardFocus == button) FKeyboardFocus = nullptr;
    // A disabled widget hands the focus on as a Tab would; the user did not press one.
    if (!button->isEnabled()) FHandedOn = QApplication::focusWidget();
    return;
  }
  const bool tab = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
  FKeyboardFocus = tab && FHandedOn != button ? button : nullptr;
  FHandedOn = nullptr;
}

bool TWindowKeys::eventFilter(QObject* watched, QEvent* event) {
  auto* button = static_cast<QWidget*>(watched);
  const QEvent::Type type = event->type();
  if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
    FocusChanged(button, type == QEvent::FocusIn, static_cast<QFocusEvent*>(event)->reason());
  } else if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier &&
        !(FKeyboardFocus == button && button->hasFocus())) {
      if (type == QEvent::KeyPress && !key->isAutoRepeat()) FSpace();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
