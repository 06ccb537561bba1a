#include "SUIMainMenu.h"

#include "Forms.h"
#include "SUIForm.h"

TsuiMainMenu::TsuiMainMenu(TComponent* owner) : TsuiMenuOf<TMainMenu>(owner) {
  SetUIStyle(FindFormUIStyle(owner));
  if (dynamic_cast<TForm*>(owner))
    if (TsuiForm* frame = FindForm(owner)) frame->SetMenu(this);
}

void TsuiMainMenu::ItemChanged(TMenuItem* item, bool structure) {
  TMainMenu::ItemChanged(item, structure);
  if (FForm && !Loading()) FForm->MenuChanged(structure);
}

void TsuiMainMenu::Loaded() {
  TMainMenu::Loaded();
  if (FForm) FForm->MenuChanged(true);
}

void TsuiMainMenu::LookChanged() {
  UpdateItems();
  if (FForm) FForm->MenuChanged(false);
}

TsuiPopupMenu::TsuiPopupMenu(TComponent* owner) : TsuiMenuOf<TPopupMenu>(owner) { SetUIStyle(FindFormUIStyle(owner)); }
