#pragma once
// The title bar's items: picture sections and picture buttons, and the two
// collections that hold them. An item reaches the bar it belongs to only
// through IsuiTitleBarHost.
#include "Classes.h"
#include "Graphics.h"
#include "Menus.h"
#include "SUIThemes.h"

#include <QPointer>
#include <memory>

namespace SUITitleBar {
Q_NAMESPACE
enum TsuiTitleBarBtnType { suiMax, suiMin, suiClose, suiHelp, suiControlBox, suiCustom };
Q_ENUM_NS(TsuiTitleBarBtnType)
enum TsuiTitleBarAlign { suiLeft, suiRight, suiClient };
Q_ENUM_NS(TsuiTitleBarAlign)
}  // namespace SUITitleBar
using SUITitleBar::TsuiTitleBarAlign;
using SUITitleBar::TsuiTitleBarBtnType;
using enum SUITitleBar::TsuiTitleBarBtnType;
using enum SUITitleBar::TsuiTitleBarAlign;

// What the items ask of the bar their collection belongs to.
class IsuiTitleBarHost {
 public:
  virtual ~IsuiTitleBarHost() = default;
  // Repaints after a change of items.
  virtual void ItemsChanged() = 0;
  // Whether the window the bar's buttons act on is maximized.
  virtual bool WindowMaximized() const = 0;
};

class TsuiTitleBarSection : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(SUITitleBar::TsuiTitleBarAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TBitmap* Picture READ Picture)
  Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  Q_CLASSINFO("Default:AutoSize", "false")
  Q_CLASSINFO("Default:Width", "10")
  Q_CLASSINFO("Default:Align", "suiLeft")
  Q_CLASSINFO("Default:Stretch", "false")
 public:
  explicit TsuiTitleBarSection(TCollection* collection);
  ~TsuiTitleBarSection() override;
  void Assign(TPersistent* source) override;

  bool AutoSize() const { return FAutoSize; }
  // Whatever the value, a section holding a picture takes the picture's width.
  void SetAutoSize(bool value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TsuiTitleBarAlign Align() const { return FAlign; }
  // A second suiClient section is refused with an error message.
  void SetAlign(TsuiTitleBarAlign value);
  TBitmap* Picture() const { return FPicture.get(); }
  void SetPicture(const TBitmap* value);
  // A suiClient section always stretches.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);

 private:
  void Changed();
  void PictureChanged();
  int FWidth = 10;
  TsuiTitleBarAlign FAlign = suiLeft;
  std::unique_ptr<TBitmap> FPicture;
  bool FStretch = false;
  bool FAutoSize = false;
};

class TsuiTitleBarButton : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(SUITitleBar::TsuiTitleBarBtnType ButtonType READ ButtonType WRITE SetButtonType)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(TPopupMenu* ControlBoxMenu READ ControlBoxMenu WRITE SetControlBoxMenu)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(TBitmap* PicNormal READ PicNormal)
  Q_PROPERTY(TBitmap* PicMouseOn READ PicMouseOn)
  Q_PROPERTY(TBitmap* PicMouseDown READ PicMouseDown)
  Q_CLASSINFO("Default:ButtonType", "suiCustom")
  Q_CLASSINFO("Default:Transparent", "false")
  Q_CLASSINFO("Default:Top", "2")
  Q_CLASSINFO("Default:Visible", "true")
 public:
  explicit TsuiTitleBarButton(TCollection* collection);
  ~TsuiTitleBarButton() override;
  // Copies the type and style first and the pictures after them, so pictures
  // stored with a window replace those of the style.
  void Assign(TPersistent* source) override;

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  TsuiTitleBarBtnType ButtonType() const { return FButtonType; }
  // A second control box is refused with an error message.
  void SetButtonType(TsuiTitleBarBtnType value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  int Top() const { return FTop; }
  void SetTop(int value);
  // The control box pops it up under the bar; it goes to none when the menu goes.
  TPopupMenu* ControlBoxMenu() const { return FControlBoxMenu; }
  void SetControlBoxMenu(TPopupMenu* value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TBitmap* PicNormal() const { return FPicNormal.get(); }
  TBitmap* PicMouseOn() const { return FPicMouseOn.get(); }
  TBitmap* PicMouseDown() const { return FPicMouseDown.get(); }

  // A maximize button shows the restore pictures while its form is maximized.
  void UpdateMaximizePictures(bool maximized);

 private:
  void ApplyUIStyle();
  void LoadPictures(TThemeEntryIndex normal, TThemeEntryIndex mouseOn, TThemeEntryIndex mouseDown);
  void Changed();
  bool FVisible = true;
  TsuiTitleBarBtnType FButtonType = suiCustom;
  bool FTransparent = false;
  int FTop = 2;
  TsuiUIStyle FUIStyle = DeepBlue;
  bool FShowsRestore = false;
  std::unique_ptr<TBitmap> FPicNormal, FPicMouseOn, FPicMouseDown;
  QPointer<TPopupMenu> FControlBoxMenu;  // not owned
};

// The bar's collections; any change repaints the bar.
class TsuiTitleBarSections : public TCollection {
  Q_OBJECT
 public:
  explicit TsuiTitleBarSections(IsuiTitleBarHost* bar);
  IsuiTitleBarHost* TitleBar() const { return FBar; }
  TsuiTitleBarSection* Items(int index) const { return ItemAs<TsuiTitleBarSection>(index); }
  TsuiTitleBarSection* Add() { return static_cast<TsuiTitleBarSection*>(TCollection::Add()); }

 private:
  IsuiTitleBarHost* FBar;
};

class TsuiTitleBarButtons : public TCollection {
  Q_OBJECT
 public:
  explicit TsuiTitleBarButtons(IsuiTitleBarHost* bar);
  IsuiTitleBarHost* TitleBar() const { return FBar; }
  TsuiTitleBarButton* Items(int index) const { return ItemAs<TsuiTitleBarButton>(index); }
  TsuiTitleBarButton* Add() { return static_cast<TsuiTitleBarButton*>(TCollection::Add()); }

 private:
  IsuiTitleBarHost* FBar;
};
