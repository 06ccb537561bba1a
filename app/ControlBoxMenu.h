#pragma once
// The window's control-box menu (the title bar's left button, or Alt+Space),
// a skinned popup menu in the window's style: pause and resume a recording,
// delete the paused take's part before or after
// the position, the input and output devices, the take's folder, the folder of the recent
// takes never saved, the window's look (外观) and the about page. Its
// items are brought up to the window's state each time it opens.
#include "SUIThemes.h"

#include <QString>
#include <functional>

class TComponent;
class TDeviceChoices;
class TMenuItem;
class TsuiForm;
class TsuiPopupMenu;

// What the menu asks of the window it belongs to.
struct TControlBoxActions {
  std::function<bool()> Recording;  // pausing is offered only then
  std::function<bool()> Paused;
  std::function<void()> PauseOrResume;
  std::function<QString()> FileName;  // the take, whose folder the menu opens
  std::function<bool()> CanCut;       // a take is paused in playback
  std::function<void(bool before)> Cut;  // deletes before or after the paused position
};

class TControlBoxMenu {
 public:
  // The popup menu is a component of owner, which frees it; it takes frame's
  // style and opens from frame's control-box button. devices must outlive it.
  TControlBoxMenu(TComponent* owner, TsuiForm& frame, TDeviceChoices& devices, TControlBoxActions actions);

  TsuiPopupMenu* Menu() const { return FMenu; }
  TMenuItem* PauseItem() const { return FPause; }
  TMenuItem* DeleteBeforeItem() const { return FDeleteBefore; }
  TMenuItem* DeleteAfterItem() const { return FDeleteAfter; }
  TMenuItem* InputItem() const { return FInput; }
  TMenuItem* OutputItem() const { return FOutput; }
  TMenuItem* FolderItem() const { return FFolder; }
  TMenuItem* TakesItem() const { return FTakes; }
  TMenuItem* AboutItem() const { return FAbout; }
  // The 外观 submenu: one item per style, the window's own checked.
  TMenuItem* SkinItem() const { return FSkin; }
  // Restyles the window and this menu; ChooseSkin also keeps the choice.
  void ApplySkin(TsuiUIStyle style);
  void ChooseSkin(TsuiUIStyle style);
  void Refresh();
  // Opens the menu under the frame's title bar, at its left edge, with its
  // first item that can run selected (as the keyboard opens it).
  void Popup();

 private:
  TMenuItem* Add(TMenuItem* parent, const QString& caption);
  void FillDevices(TMenuItem* parent, bool input);

  TsuiForm& FFrame;
  TDeviceChoices& FDevices;
  TControlBoxActions FActions;
  TsuiPopupMenu* FMenu;
  TMenuItem* FPause;
  TMenuItem* FDeleteBefore;
  TMenuItem* FDeleteAfter;
  TMenuItem* FInput;
  TMenuItem* FOutput;
  TMenuItem* FFolder;
  TMenuItem* FTakes;
  TMenuItem* FSkin;
  TMenuItem* FAbout;
};
