#pragma once
// Tabbed containers: a bordered body with a tab strip along its top. The
// strip stretches the style's tab pictures in three parts per tab and is a
// QTabBar underneath, so arrow keys, mnemonics and screen readers work; the
// strip's own TabIndex stays the truth and QTabBar only mirrors it.
//
// A change the user makes (click, keys, Ctrl+Tab) asks OnChanging first;
// one made in code does not. Either one then runs OnTabActive and OnChange.
#include "Controls.h"
#include "SUIThemes.h"

#include <QTabBar>
#include <functional>
#include <vector>

class QShortcut;
class TsuiTab;

using TTabActiveNotify = std::function<void(TComponent* Sender, int TabIndex)>;
using TTabChangingEvent = std::function<void(TComponent* Sender, bool& AllowChange)>;

// Everything one paint of a strip depends on.
struct TsuiTabStripState {
  QSize Size;
  QStringList Tabs;
  std::vector<bool> Visible;  // per tab; a missing entry counts as visible
  int TabIndex = 0;
  int LeftMargin = 10;
  QFont Font;
  QColor TextColor;
  TColor Color = clBtnFace;
  TColor BorderColor = clBlack;
  QString ActivePicName, InactivePicName, LinePicName;
  bool Enabled = true;
  bool Focused = false;
};

// Where the tabs of a state go: each tab's left edge and width (0 when
// hidden) and the height of the active picture, used for hit testing.
struct TsuiTabStripLayout {
  int ActiveHeight = 0;
  std::vector<int> Lefts, Widths;
  // The visible tab with left < x < left + width and 0 < y < ActiveHeight; -1 when none.
  int TabAt(QPoint point) const;
};

class TsuiTabControlTopPanel : public TControlOf<QTabBar> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
 public:
  explicit TsuiTabControlTopPanel(TsuiTab* owner);
  ~TsuiTabControlTopPanel() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  const QStringList& Tabs() const { return FTabs; }
  void SetTabs(const QStringList& value);
  int TabIndex() const { return FTabIndex; }
  // From code: no OnChanging. Out of range values leave the index alone.
  void SetTabIndex(int value);
  // As a click does: OnChanging may refuse.
  void SelectTab(int value);
  int LeftMargin() const { return FLeftMargin; }
  void SetLeftMargin(int value);
  bool TabVisible(int index) const;
  void SetTabVisible(int index, bool value);
  // The next (or previous) visible tab after the current one; -1 when none.
  int NeighbourTab(bool forward, bool wrap = true) const;

  QString ActivePicName() const { return FActivePicName; }
  QString InactivePicName() const { return FInactivePicName; }
  QString LinePicName() const { return FLinePicName; }

  TsuiTabStripState State() const;
  static TsuiTabStripLayout LayOut(const TsuiTabStripState& state);
  static int TabWidth(const QString& caption, const QFont& font);
  static void Paint(QPainter& canvas, const TsuiTabStripState& state, QWidget* background);

 protected:
  QSize tabSizeHint(int index) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Select(int value, bool byUser);
  void SyncBar();
  void BarIndexChanged(int index);
  TsuiTab* FOwner;
  TsuiUIStyle FUIStyle = Custom;
  QString FActivePicName, FInactivePicName, FLinePicName;
  QStringList FTabs{QStringLiteral("Tab1")};
  std::vector<bool> FTabVisible;
  int FTabIndex = 0;
  int FLeftMargin = 10;
  bool FSyncing = false;
};

class TsuiTab : public TControlOf<QWidget>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(int LeftMargin READ LeftMargin WRITE SetLeftMargin)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_CLASSINFO("Default:LeftMargin", "10")
  Q_CLASSINFO("Stored:Color", "IsColorStored")
 public:
  ~TsuiTab() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  // Custom is ignored: the control keeps the style it has.
  void SetUIStyle(TsuiUIStyle value);
  int LeftMargin() const;
  void SetLeftMargin(int value);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TsuiTabControlTopPanel* TopPanel() const { return FTopPanel; }

  void SetOnTabActive(TTabActiveNotify h) { FOnTabActive = std::move(h); }
  void SetOnChange(TNotifyEvent h) { FOnChange = std::move(h); }
  void SetOnChanging(TTabChangingEvent h) { FOnChanging = std::move(h); }

  // Asked by the strip before a change the user makes.
  bool CanChange();
  // The strip's index changed.
  virtual void TabActivated(int tabIndex);

  unsigned ThemeRows() const override { return trStyle | trContainer; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  explicit TsuiTab(TComponent* owner);
  // The derived constructors call this: it makes the strip and takes the form's style.
  void InitTab(TComponent* owner);
  virtual TsuiTabControlTopPanel* CreateTopPanel() = 0;
  virtual void SetTabIndex(int value) { FTopPanel->SetTabIndex(value); }
  virtual void BorderColorChanged() {}
  virtual void ApplyUIStyle(TsuiUIStyle style);
  // The area below the strip inside the border.
  QRect BodyRect() const;

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TsuiTabControlTopPanel* FTopPanel = nullptr;  // owned as a component of this control
  TsuiUIStyle FUIStyle = Custom;
  TColor FBorderColor = clBlack;
  TTabActiveNotify FOnTabActive;
  TNotifyEvent FOnChange;
  TTabChangingEvent FOnChanging;
  std::unique_ptr<QShortcut> FNextTab, FPreviousTab;
};

// A strip of captions over one body; what the body shows is the program's.
class TsuiTabControl : public TsuiTab {
  Q_OBJECT
  Q_PROPERTY(QStringList Tabs READ Tabs WRITE SetTabs)
  Q_PROPERTY(int TabIndex READ TabIndex WRITE SetTabIndex)
  Q_CLASSINFO("Default:Tabs", "Tab1")
  Q_CLASSINFO("Default:TabIndex", "0")
 public:
  explicit TsuiTabControl(TComponent* owner);
  QStringList Tabs() const { return TopPanel()->Tabs(); }
  void SetTabs(const QStringList& value) { TopPanel()->SetTabs(value); }
  int TabIndex() const { return TopPanel()->TabIndex(); }
  void SetTabIndex(int value) override { TsuiTab::SetTabIndex(value); }

 protected:
  TsuiTabControlTopPanel* CreateTopPanel() override;
};
