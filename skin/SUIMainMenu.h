#pragma once
// Skinned menus: a main menu whose drop-downs are drawn in the theme's
// colours (or, for MacOS, with its stretched pictures) and whose top-level
// items the TsuiForm menu bar shows, and a popup menu drawn the same way.
#include "Menus.h"
#include "SUIMenu.h"
#include "SUIThemes.h"

class TsuiForm;

class TsuiMainMenu : public TMainMenu, public TsuiMenuLook {
  Q_OBJECT
  TSUI_MENU_PROPERTIES
 public:
  // Takes the style of the owner's skinned frame; on a form, that frame
  // shows the menu.
  explicit TsuiMainMenu(TComponent* owner);

  bool OwnerDraw() const override { return true; }
  void SetOwnerDraw(bool) override {}
  void MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) override;
  void DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) override;
  void DrawBackground(QPainter& painter, const QRect& rect) override;
  void DrawFrame(QPainter& painter, const QRect& rect) override;
  void Notification(TComponent* component, TOperation operation) override;
  void ItemChanged(TMenuItem* item, bool structure) override;
  void Loaded() override;

  // The frame that shows the menu (set by the frame); not owned.
  TsuiForm* Form() const { return FForm; }
  void SetForm(TsuiForm* form) { FForm = form; }

 protected:
  void LookChanged() override;
  TComponent* LookComponent() override { return this; }

 private:
  TsuiForm* FForm = nullptr;
};

class TsuiPopupMenu : public TPopupMenu, public TsuiMenuLook {
  Q_OBJECT
  TSUI_MENU_PROPERTIES
 public:
  explicit TsuiPopupMenu(TComponent* owner);

  bool OwnerDraw() const override { return true; }
  void SetOwnerDraw(bool) override {}
  void MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) override;
  void DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) override;
  void DrawBackground(QPainter& painter, const QRect& rect) override;
  void DrawFrame(QPainter& painter, const QRect& rect) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void LookChanged() override { UpdateItems(); }
  TComponent* LookComponent() override { return this; }
};
