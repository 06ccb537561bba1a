#pragma once
// The skinned window frame. Placed on a form, it takes over the window's
// caption and border: the window becomes frameless (it keeps its title in
// the task bar and window list), the frame fills it inside a border of
// BorderWidth pixels drawn in BorderColor, and a TsuiTitleBar runs along
// its top. The window's other controls sit on the frame.
//
// The frame watches the window's own events (after the window has handled
// them): a resize lays the frame out again and reshapes the window,
// activation reaches the title bar, painting adds the border, and the
// pointer over the border sizes the window through the window system.
//
// Width and Height are the frame's; writing them sizes the window around
// it: window width = Width + 2 * BorderWidth, window height = Height +
// BorderWidth + BorderWidth div 2 (the title bar covers the top border).
#include "Forms.h"
#include "Menus.h"
#include "SUIThemes.h"
#include "SUITitleBar.h"
#include "StdCtrls.h"

// The sizing edge of a window of the given client size under a point in
// its client coordinates; none in the middle.
Qt::Edges FormEdgesAt(QPoint point, QSize client);

#include <QMenuBar>

class TsuiForm;

// A main menu that is told which frame shows it (the skinned main menu,
// which then reports its changes to that frame). The frame knows menus only
// through this and through their look.
class IsuiFramedMenu {
 public:
  virtual ~IsuiFramedMenu() = default;
  // The frame that shows the menu from now on; nullptr when none does.
  virtual void SetForm(TsuiForm* form) = 0;
};

// The frame's menu bar: the top-level items of its menu under the title bar,
// opened by a click or by Alt with an item's accelerator and walked with the
// arrow keys (Qt's own menu bar behaviour), painted in the style's look.
class TsuiMenuBar : public TControlOf<QMenuBar> {
  Q_OBJECT
 public:
  explicit TsuiMenuBar(TsuiForm* frame);
  // Shows the top-level items of menu, in menu order.
  void Rebuild(TMenu* menu);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TsuiForm* FFrame;
};

class TsuiForm : public TPanel {
  Q_OBJECT
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(bool UIStyleAutoUpdateSub READ UIStyleAutoUpdateSub WRITE SetUIStyleAutoUpdateSub)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(bool TitleBarVisible READ TitleBarVisible WRITE SetTitleBarVisible)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(TPanel* FormPanel READ FormPanel WRITE SetFormPanel)
  Q_PROPERTY(TsuiTitleBarButtons* TitleBarButtons READ TitleBarButtons)
  Q_PROPERTY(TsuiTitleBarSections* TitleBarSections READ TitleBarSections)
  Q_PROPERTY(bool TitleBarDrawAppIcon READ TitleBarDrawAppIcon WRITE SetTitleBarDrawAppIcon)
  Q_PROPERTY(TFont* Font READ Font)
  Q_PROPERTY(TMainMenu* Menu READ Menu WRITE SetMenu)
  Q_PROPERTY(TColor MenuBarColor READ MenuBarColor WRITE SetMenuBarColor)
  Q_PROPERTY(int MenuBarHeight READ MenuBarHeight WRITE SetMenuBarHeight)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int RoundCorner READ RoundCorner WRITE SetRoundCorner)
  Q_CLASSINFO("Default:TitleBarVisible", "true")
  Q_CLASSINFO("Stored:Font", "IsTitleFontStored")
 public:
  // Raises Exception when the owner form already has a frame.
  explicit TsuiForm(TComponent* owner);
  ~TsuiForm() override;

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  // Applies the style's border, colours and title bar; values stored after
  // UIStyle in a window description override what it set.
  void SetUIStyle(TsuiUIStyle value);
  bool UIStyleAutoUpdateSub() const { return FUIStyleAutoUpdateSub; }
  void SetUIStyleAutoUpdateSub(bool value) { FUIStyleAutoUpdateSub = value; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  int BorderWidth() const { return FBorderWidth; }
  // Keeps the frame's size: the window grows or shrinks around it.
  void SetBorderWidth(int value);
  bool TitleBarVisible() const;
  void SetTitleBarVisible(bool value);
  TColor Color() const { return TPanel::Color(); }
  void SetColor(TColor value);
  QString Caption() const;
  // Also the window's title, which the task bar shows.
  void SetCaption(const QString& value);
  TPanel* FormPanel() const { return FFormPanel; }
  // The frame itself is refused with an error message.
  void SetFormPanel(TPanel* value);
  TsuiTitleBarButtons* TitleBarButtons() const;
  TsuiTitleBarSections* TitleBarSections() const;
  bool TitleBarDrawAppIcon() const;
  void SetTitleBarDrawAppIcon(bool value);
  // The caption's font.
  TFont* Font() const;
  Q_INVOKABLE bool IsTitleFontStored() const { return true; }
  TMainMenu* Menu() const { return FMenu; }
  // The menu bar exists while a menu is set; a skinned menu takes the
  // frame's style from then on.
  void SetMenu(TMainMenu* value);
  // The menu's items or look changed: structure when items came or went.
  void MenuChanged(bool structure);
  TsuiMenuBar* MenuBar() const { return FMenuBar; }
  // The style the bar is drawn in: a skinned menu's own, else the frame's.
  TsuiUIStyle MenuStyle() const;
  TColor MenuBarColor() const { return FMenuBarColor; }
  void SetMenuBarColor(TColor value);
  int MenuBarHeight() const { return FMenuBarHeight; }
  void SetMenuBarHeight(int value);
  void SetWidth(int value);
  void SetHeight(int value);
  void SetBounds(int left, int top, int width, int height) override;
  int RoundCorner() const;
  void SetRoundCorner(int value);

  const TsuiTitleBarButtonClickEvent& OnTitleBarCustomBtnsClick() const;
  void SetOnTitleBarCustomBtnsClick(TsuiTitleBarButtonClickEvent handler);
  const TsuiTitleBarButtonClickEvent& OnTitleBarHelpBtnClick() const;
  void SetOnTitleBarHelpBtnClick(TsuiTitleBarButtonClickEvent handler);

  TsuiTitleBar* TitleBar() const { return FTitleBar; }
  // The window the frame sits on, when its owner is one.
  TForm* Form() const { return FForm; }
  // The frame fills the window inside the border.
  void UpdateLayout();
  // How the frame asks the window system to size the window (tests record it).
  void SetWindowRequests(TsuiWindowRequests* requests);

  void Notification(TComponent* component, TOperation operation) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ApplySize(int width, int height);
  void DrawBorder(QPainter& painter) const;
  void LoadBackground();
  void UpdateMenuBarFont();
  void FreeMenuBar();
  // The sizing edges under a point of the window, when it may be sized.
  Qt::Edges EdgesOnWindow(QPoint formPoint) const;
  bool PointerOnWindow(QWidget* shown, QPoint formPoint, bool press);

  TsuiTitleBar* FTitleBar = nullptr;  // owned as a component of the frame
  TForm* FForm = nullptr;
  TFormBorderStyle FFormBorderStyle = bsSizeable;
  TColor FBorderColor = clBlack;
  TPanel* FFormPanel = nullptr;
  int FBorderWidth = 0;
  TsuiUIStyle FUIStyle = DeepBlue;
  TColor FMenuBarColor = clBtnFace;
  int FMenuBarHeight = 22;
  bool FUIStyleAutoUpdateSub = false;
  TBitmap FBackground;  // the tile of the styles with a patterned face
  TsuiWindowRequests* FRequests = nullptr;
  TMainMenu* FMenu = nullptr;       // not owned
  TsuiMenuBar* FMenuBar = nullptr;  // owned as a component of the frame, while FMenu is set
};
