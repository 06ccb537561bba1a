#pragma once
// The window's control-box menu (the title bar's left button, or Alt+Space),
// a skinned popup menu in the window's style: pause and resume a recording,
// the input and output devices, the take's folder and the about page. Its
// items are brought up to the window's state each time it opens.
#include "SUIThemes.h"

class TForm1;
class TMenuItem;
class TsuiPopupMenu;

class TControlBoxMenu {
 public:
  // The popup menu is a component of form, which frees it.
  TControlBoxMenu(TForm1& form, TsuiUIStyle style);

  TsuiPopupMenu* Menu() const { return FMenu; }
  TMenuItem* PauseItem() const { return FPause; }
  TMenuItem* InputItem() const { return FInput; }
  TMenuItem* OutputItem() const { return FOutput; }
  TMenuItem* FolderItem() const { return FFolder; }
  TMenuItem* AboutItem() const { return FAbout; }
  void Refresh();

 private:
  TMenuItem* Add(TMenuItem* parent, const QString& caption);
  // The devices the sound system lists now, the chosen one checked; a chosen
  // one that is not there stays, marked, so the user sees why the default is used.
  void FillDevices(TMenuItem* parent, bool input);

  TForm1& FForm;
  TsuiPopupMenu* FMenu;
  TMenuItem* FPause;
  TMenuItem* FInput;
  TMenuItem* FOutput;
  TMenuItem* FFolder;
  TMenuItem* FAbout;
};
