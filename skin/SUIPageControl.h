#pragma once
// A tab strip over a stack of sheets: one tab per sheet, one sheet shown.
//
// A sheet joins a page control by its PageControl property (in code or from
// the window description) and leaves it by PageControl = nullptr or by being
// destroyed. The page order is stored as the "Pages" list of sheet names, so
// a moved page comes back in its place; the active page is stored by name.
// Removing the active page shows its right-hand neighbour (or the left one
// when it was the last); hiding the active page's tab does the same.
#include "SUITabControl.h"

#include <vector>

class TsuiPageControl;

class TsuiTabSheet : public TControlOf<QWidget>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool TabVisible READ TabVisible WRITE SetTabVisible)
  Q_PROPERTY(int PageIndex READ PageIndex WRITE SetPageIndex STORED false)
  Q_PROPERTY(TsuiPageControl* PageControl READ PageControl WRITE SetPageControl)
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:TabVisible", "true")
 public:
  explicit TsuiTabSheet(TComponent* owner);
  ~TsuiTabSheet() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool value);
  // -1 while the sheet is in no page control; a new index moves the page.
  int PageIndex() const;
  void SetPageIndex(int value);
  TsuiPageControl* PageControl() const { return FPageControl; }
  // Moves the sheet (and its widget) into value, at the end of its pages.
  void SetPageControl(TsuiPageControl* value);

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  unsigned ThemeRows() const override { return trContainer; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override;

 private:
  friend class TsuiPageControl;
  QString FCaption;
  bool FTabVisible = true;
  TsuiPageControl* FPageControl = nullptr;  // not owned
  TsuiUIStyle FUIStyle = Custom;
};

class TsuiPageControl : public TsuiTab {
  Q_OBJECT
  Q_PROPERTY(QStringList Pages READ PageNames WRITE SetPageNames)
  Q_PROPERTY(TsuiTabSheet* ActivePage READ ActivePage WRITE SetActivePage)
 public:
  explicit TsuiPageControl(TComponent* owner);
  ~TsuiPageControl() override;

  int PageCount() const { return int(FPages.size()); }
  TsuiTabSheet* Pages(int index) const;
  int IndexOfPage(const TsuiTabSheet* sheet) const;
  TsuiTabSheet* ActivePage() const { return FActivePage; }
  // A sheet of another control (or nullptr with pages left) changes nothing.
  void SetActivePage(TsuiTabSheet* value);
  int ActivePageIndex() const { return IndexOfPage(FActivePage); }
  void SetActivePageIndex(int value);
  // The sheets' names in page order; set from the description, it orders the
  // named sheets once they have all joined.
  QStringList PageNames() const;
  void SetPageNames(const QStringList& value);
  // Moves sheet to index (clamped to the pages).
  void MovePage(TsuiTabSheet* sheet, int index);

  void TabActivated(int tabIndex) override;
  void Loaded() override;

 protected:
  TsuiTabControlTopPanel* CreateTopPanel() override;
  void ApplyUIStyle(TsuiUIStyle style) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TsuiTabSheet;
  void InsertPage(TsuiTabSheet* sheet);
  void RemovePage(TsuiTabSheet* sheet);
  void PageChanged();
  void ApplyStoredOrder();
  void ShowPage(int index);
  void PlaceSheets();
  std::vector<TsuiTabSheet*> FPages;  // not owned: the form owns the sheets
  TsuiTabSheet* FActivePage = nullptr;
  TsuiTabSheet* FStoredActivePage = nullptr;
  QStringList FStoredOrder;
  bool FUpdating = false;
};
