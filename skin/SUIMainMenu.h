#pragma once
// Skinned menus: a main menu whose drop-downs are drawn in the theme's
// colours (or, for MacOS, with its stretched pictures) and whose top-level
// items the TsuiForm menu bar shows, and a popup menu drawn the same way.
#include "Menus.h"
#include "SUIForm.h"
#include "SUIMenu.h"
#include "SUIThemes.h"

// Both skinned menus: every item, the background and the frame drawn by the look.
template <class Menu>
class TsuiMenuOf : public Menu, public TsuiMenuLook {
 public:
  explicit TsuiMenuOf(TComponent* owner) : Menu(owner) {}

  bool OwnerDraw() const override { return true; }
  void SetOwnerDraw(bool) override {}
  void MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) override {
    MeasureMenuItem(item, canvas, width, height);
  }
  void DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) override {
    DrawMenuItem(item, canvas, rect, selected);
  }
  void DrawBackground(QPainter& painter, const QRect& rect) override { DrawMenuBackground(painter, rect); }
  void DrawFrame(QPainter& painter, const QRect& rect) override { DrawMenuFrame(painter, rect); }
  void Notification(TComponent* component, TOperation operation) override {
    Menu::Notification(component, operation);
    LookNotification(component, operation);
  }

 protected:
  TComponent* LookComponent() override { return this; }
};

class TsuiMainMenu : public TsuiMenuOf<TMainMenu>, public IsuiFramedMenu {
  Q_OBJECT
  TSUI_MENU_PROPERTIES
 public:
  // Takes the style of the owner's skinned frame; on a form, that frame
  // shows the menu.
  explicit TsuiMainMenu(TComponent* owner);

  void ItemChanged(TMenuItem* item, bool structure) override;
  void Loaded() override;

  // The frame that shows the menu (set by the frame); not owned.
  TsuiForm* Form() const { return FForm; }
  void SetForm(TsuiForm* form) override { FForm = form; }

 protected:
  void LookChanged() override;

 private:
  TsuiForm* FForm = nullptr;
};

class TsuiPopupMenu : public TsuiMenuOf<TPopupMenu> {
  Q_OBJECT
  TSUI_MENU_PROPERTIES
 public:
  explicit TsuiPopupMenu(TComponent* owner);

 protected:
  void LookChanged() override { UpdateItems(); }
};
