#pragma once
// The style the user picked for the window from the control-box menu's 外观
// submenu. It is kept in the user's configuration, not in the window
// description, which stays as it is stored (Protein).
#include "SUIThemes.h"

#include <QString>
#include <vector>

class QWidget;

// The styles the menu offers, in menu order, with the names it shows and
// the configuration keeps.
struct TSkinOffer {
  TsuiUIStyle Style;
  QString Caption;
};
std::vector<TSkinOffer> SkinOffers();

// The kept choice; Protein when none is kept or the kept name is no style.
TsuiUIStyle StoredSkin();
void StoreSkin(TsuiUIStyle style);

// Restyles the whole window at once: its frame with the title bar and its
// buttons, and every skinned button on it.
void ApplySkin(QWidget* window, TsuiUIStyle style);
