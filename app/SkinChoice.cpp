#include "SkinChoice.h"

#include "Places.h"
#include "SUIButton.h"
#include "SUIForm.h"

#include <QWidget>

namespace {

const QString& SkinKey() {
  static const QString key = QStringLiteral("appearance/style");
  return key;
}

}  // namespace

std::vector<TSkinOffer> SkinOffers() {
  return {{MacOS, QStringLiteral("MacOS")},
          {WinXP, QStringLiteral("WinXP")},
          {DeepBlue, QStringLiteral("DeepBlue")},
          {Protein, QStringLiteral("Protein")},
          {BlueGlass, QStringLiteral("BlueGlass")}};
}

TsuiUIStyle StoredSkin() {
  const QString name = UserSettings()->value(SkinKey()).toString();
  for (const TSkinOffer& offer : SkinOffers())
    if (offer.Caption.compare(name, Qt::CaseInsensitive) == 0) return offer.Style;
  // A name from a later version or a hand edit: the window keeps its own look.
  return Protein;
}

void StoreSkin(TsuiUIStyle style) {
  for (const TSkinOffer& offer : SkinOffers())
    if (offer.Style == style) UserSettings()->setValue(SkinKey(), offer.Caption);
}

void ApplySkin(QWidget* window, TsuiUIStyle style) {
  if (style == Custom) return;
  for (TsuiForm* frame : window->findChildren<TsuiForm*>()) frame->SetUIStyle(style);
  // A button drawn by its owner's own pictures keeps them.
  for (TsuiCustomButton* button : window->findChildren<TsuiCustomButton*>())
    if (button->UIStyle() != Custom) button->SetUIStyle(style);
  window->update();
}
