#pragma once
// Menus: a tree of items over QAction and QMenu. A main menu is shown by a
// window's menu bar, a popup menu where it is popped up. Items are
// components of their form; in the window description they are listed as
// the children of their menu or parent item, in menu order.
//
// An item's caption "-" makes it a separator; "&" marks the accelerator
// letter. A menu with OwnerDraw measures and paints every item itself
// through MeasureItem and DrawItem (by default the item's own handlers).
#include "Classes.h"
#include "Exceptions.h"
#include "Graphics.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

TAMSEL_DECLARE_EXCEPTION(EMenuError, Exception);

class QAction;
class QMenu;
class TMenu;
class TMenuWidget;

// Owner drawing of one item: the rectangle is the item's place in the menu.
using TMenuDrawItemEvent = std::function<void(TComponent* Sender, TCanvas& Canvas, const QRect& Rect, bool Selected)>;
using TMenuMeasureItemEvent = std::function<void(TComponent* Sender, TCanvas& Canvas, int& Width, int& Height)>;

class TMenuItem : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
  Q_PROPERTY(bool AutoCheck READ AutoCheck WRITE SetAutoCheck)
  Q_PROPERTY(bool Default READ Default WRITE SetDefault)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(QString ShortCut READ ShortCut WRITE SetShortCut)
  Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_CLASSINFO("Default:Checked", "false")
  Q_CLASSINFO("Default:AutoCheck", "false")
  Q_CLASSINFO("Default:Default", "false")
  Q_CLASSINFO("Default:Enabled", "true")
  Q_CLASSINFO("Default:Visible", "true")
  Q_CLASSINFO("Default:ImageIndex", "-1")
 public:
  explicit TMenuItem(TComponent* owner);
  // Leaves its parent; its own items stay with their owner, parentless.
  ~TMenuItem() override;

  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  bool IsLine() const { return FCaption == QLatin1String("-"); }
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  // A click turns Checked over.
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool value) { FAutoCheck = value; }
  // The default item of its menu is drawn bold.
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // In portable text, "Ctrl+S"; a text Qt cannot read raises EConvertError.
  const QString& ShortCut() const { return FShortCut; }
  void SetShortCut(const QString& value);
  // The short cut as the menu shows it ("Ctrl+S"), empty for none.
  QString ShortCutText() const;
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  const QString& Hint() const { return FHint; }
  void SetHint(const QString& value);

  // The items under this one, in menu order; not owned.
  int Count() const { return int(FItems.size()); }
  TMenuItem* Items(int index) const { return FItems.at(index); }
  int IndexOf(const TMenuItem* item) const;
  // Takes item from its old parent; index -1 (or past the end) appends.
  void Insert(int index, TMenuItem* item);
  void Add(TMenuItem* item) { Insert(-1, item); }
  void Remove(TMenuItem* item);
  TMenuItem* Parent() const { return FParent; }
  // The menu the item is in (through its parents), nullptr when none.
  TMenu* GetParentMenu() const;

  TComponent* ParentComponent() const override;
  // The description reader places an item under its menu or parent item.
  void SetParentComponent(TComponent* parent) override;

  // Runs the item's action: AutoCheck, then OnClick; an exception goes to
  // the application's error display.
  virtual void Click();
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  void SetOnAdvancedDrawItem(TMenuDrawItemEvent handler) { FOnDrawItem = std::move(handler); }
  void SetOnMeasureItem(TMenuMeasureItemEvent handler) { FOnMeasureItem = std::move(handler); }
  const TMenuDrawItemEvent& OnAdvancedDrawItem() const { return FOnDrawItem; }
  const TMenuMeasureItemEvent& OnMeasureItem() const { return FOnMeasureItem; }

  // The item's action (a menu bar shows it) and, while the item has items,
  // the drop-down that holds theirs.
  QAction* Action() const { return FAction.get(); }
  QMenu* SubMenu();
  // The drop-downs at and under this item measure their items again.
  void InvalidateLayout();

 private:
  friend class TMenu;
  void SyncAction();
  void ItemsChanged();
  void Changed(bool structure);
  void Detach();

  QString FCaption;
  bool FChecked = false;
  bool FAutoCheck = false;
  bool FDefault = false;
  bool FEnabled = true;
  bool FVisible = true;
  QString FShortCut;
  int FImageIndex = -1;
  QString FHint;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item only
  std::vector<TMenuItem*> FItems;
  std::unique_ptr<QAction> FAction;
  std::unique_ptr<TMenuWidget> FSubMenu;
  bool FSubMenuDirty = true;
  TNotifyEvent FOnClick;
  TMenuDrawItemEvent FOnDrawItem;
  TMenuMeasureItemEvent FOnMeasureItem;
};

class TMenu : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root: its items are the menu's top-level items.
  TMenuItem* Items() const { return FItems.get(); }
  virtual bool OwnerDraw() const { return FOwnerDraw; }
  virtual void SetOwnerDraw(bool value);

  // Owner drawing; the defaults run the item's handlers (a fixed size
  // without one).
  virtual void MeasureItem(TMenuItem* item, TCanvas& canvas, int& width, int& height);
  virtual void DrawItem(TMenuItem* item, TCanvas& canvas, const QRect& rect, bool selected);
  // An owner-drawn drop-down's background (under the items and where there
  // are none) and its border of FrameWidth pixels, drawn over the items.
  virtual void DrawBackground(QPainter& painter, const QRect& rect);
  virtual void DrawFrame(QPainter& painter, const QRect& rect);
  virtual int FrameWidth() const { return 1; }
  // Every drop-down measures its items again (after a change of sizes or fonts).
  void UpdateItems();

  // Called after any change of an item: structure when items came or went.
  void SetOnChange(std::function<void(TMenu* sender, bool structure)> handler) { FOnChange = std::move(handler); }
  virtual void ItemChanged(TMenuItem* item, bool structure);

 private:
  std::unique_ptr<TMenuItem> FItems;
  bool FOwnerDraw = false;
  std::function<void(TMenu*, bool)> FOnChange;
};

class TMainMenu : public TMenu {
  Q_OBJECT
 public:
  explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
};

class TPopupMenu : public TMenu {
  Q_OBJECT
 public:
  explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
  // Shows the menu with its top-left corner at the screen point (x, y) and
  // returns at once; OnPopup runs first.
  virtual void Popup(int x, int y);
  // The drop-down Popup shows.
  QMenu* Menu() { return Items()->SubMenu(); }
  void SetOnPopup(TNotifyEvent handler) { FOnPopup = std::move(handler); }

 private:
  TNotifyEvent FOnPopup;
};
