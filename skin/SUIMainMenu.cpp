#include "SUIMainMenu.h"

#include "Forms.h"
#include "SUIForm.h"

TsuiMainMenu::TsuiMainMenu(TComponent* owner) : TMainMenu(owner) {
  SetUIStyle(FindFormUIStyle(owner));
  if (dynamic_cast<TForm*>(owner))
    if (TsuiForm* frame = FindForm(owner)) frame->SetMenu(this);
}

void TsuiMainMenu::MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) {
  MeasureMenuItem(item, canvas, width, height);
}

void TsuiMainMenu::DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) {
  DrawMenuItem(item, canvas, rect, selected);
}

void TsuiMainMenu::DrawBackground(QPainter& painter, const QRect& rect) { DrawMenuBackground(painter, rect); }
void TsuiMainMenu::DrawFrame(QPainter& painter, const QRect& rect) { DrawMenuFrame(painter, rect); }

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

TsuiPopupMenu::TsuiPopupMenu(TComponent* owner) : TPopupMenu(owner) { SetUIStyle(FindFormUIStyle(owner)); }

void TsuiPopupMenu::MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height) {
  MeasureMenuItem(item, canvas, width, height);
}

void TsuiPopupMenu::DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected) {
  DrawMenuItem(item, canvas, rect, selected);
}

void TsuiPopupMenu::DrawBackground(QPainter& painter, const QRect& rect) { DrawMenuBackground(painter, rect); }
void TsuiPopupMenu::DrawFrame(QPainter& painter, const QRect& rect) { DrawMenuFrame(painter, rect); }

void TsuiMainMenu::Notification(TComponent* component, TOperation operation) {
  TMainMenu::Notification(component, operation);
  LookNotification(component, operation);
}

void TsuiPopupMenu::Notification(TComponent* component, TOperation operation) {
  TPopupMenu::Notification(component, operation);
  LookNotification(component, operation);
}
