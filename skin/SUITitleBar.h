#pragma once
// The painted caption strip of a skinned window: picture sections, picture
// buttons and the caption, moving the window by the strip and sizing it by
// the strip's top rows. It sits along the top of a TsuiForm, which attaches
// it to the window; on its own it still paints and runs its buttons.
//
// Sections are drawn left to right (suiLeft), right to left (suiRight) and
// one suiClient section is stretched over what is left. Buttons are placed
// from the right edge leftwards in collection order, except the control box,
// which sits at the left end before the caption.
#include "Graphics.h"
#include "SUIThemes.h"
#include "SUITitleBarItems.h"
#include "StdCtrls.h"

#include <QFont>
#include <QPointer>
#include <QRegion>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TForm;

using TsuiTitleBarButtonClickEvent = std::function<void(TComponent* Sender, int ButtonIndex)>;

// The window system's own move and size interactions, which a frameless
// window starts from its painted frame. The default asks the window's
// QWindow; tests put a recorder in its place.
class TsuiWindowRequests {
 public:
  virtual ~TsuiWindowRequests() = default;
  virtual bool StartMove(QWidget* window);
  virtual bool StartResize(QWidget* window, Qt::Edges edges);
};
// The pointer shape over a sizing edge or corner (the arrow for none).
Qt::CursorShape EdgeCursor(Qt::Edges edges);

// Where the bar's buttons and caption go for a bar of the given size; the
// same places serve painting and finding the button under the pointer.
struct TsuiTitleBarPlaces {
  struct TButtonPlace {
    int Index;   // in the collection
    QRect Rect;  // where its picture is drawn
  };
  std::vector<TButtonPlace> Buttons;  // visible ones, control box included
  int CaptionLeft = 0;                // the caption starts here
  int CaptionRoom = 0;                // and has this many pixels before the right-hand buttons
  bool AppIcon = false;               // the control box shows the program icon
  // The button whose place holds point (edges included), -1 for none.
  int ButtonAt(QPoint point) const;
};

// Everything one paint of the bar depends on, taken when the paint starts.
struct TsuiTitleBarState {
  TsuiUIStyle Style = DeepBlue;
  QSize Size;
  TColor Color = clBtnFace;  // under the sections
  QString Caption;
  QFont Font;
  TColor FontColor = clWhite;
  bool FormActive = true;
  bool Pressed = false;
  int HotIndex = -1;  // the button under the pointer
  TsuiTitleBarPlaces Places;
};

// The window's shape for rounded top corners of width w over the client
// rectangle; with w = 0 the plain rectangle.
QRegion RoundCornerRegion(const QRect& client, int w);

class TsuiTitleBar : public TPanel, public IsuiTitleBarHost {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(TsuiTitleBarSections* Sections READ Sections)
  Q_PROPERTY(TsuiTitleBarButtons* Buttons READ Buttons)
  Q_PROPERTY(int ButtonInterval READ ButtonInterval WRITE SetButtonInterval)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool FormActive READ FormActive WRITE SetFormActive)
  Q_PROPERTY(int LeftBtnXOffset READ LeftBtnXOffset WRITE SetLeftBtnXOffset)
  Q_PROPERTY(int RightBtnXOffset READ RightBtnXOffset WRITE SetRightBtnXOffset)
  Q_PROPERTY(bool DrawAppIcon READ DrawAppIcon WRITE SetDrawAppIcon)
  Q_PROPERTY(int RoundCorner READ RoundCorner WRITE SetRoundCorner)
  Q_CLASSINFO("Default:AutoSize", "false")
  Q_CLASSINFO("Default:ButtonInterval", "0")
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:FormActive", "true")
  Q_CLASSINFO("Default:DrawAppIcon", "false")
 public:
  explicit TsuiTitleBar(TComponent* owner);
  ~TsuiTitleBar() override;

  bool AutoSize() const { return FAutoSize; }
  // Takes the first section's picture height; without sections it stays off.
  void SetAutoSize(bool value);
  TsuiUIStyle UIStyle() const { return FUIStyle; }
  // Rebuilds the sections from the style's pictures and restyles the buttons.
  void SetUIStyle(TsuiUIStyle value);
  TsuiTitleBarSections* Sections() const { return FSections.get(); }
  void SetSections(TsuiTitleBarSections* value) { FSections->Assign(value); }
  TsuiTitleBarButtons* Buttons() const { return FButtons.get(); }
  void SetButtons(TsuiTitleBarButtons* value) { FButtons->Assign(value); }
  int ButtonInterval() const { return FButtonInterval; }
  void SetButtonInterval(int value);
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  bool FormActive() const { return FFormActive; }
  void SetFormActive(bool value);
  int LeftBtnXOffset() const { return FLeftBtnXOffset; }
  void SetLeftBtnXOffset(int value);
  int RightBtnXOffset() const { return FRightBtnXOffset; }
  void SetRightBtnXOffset(int value);
  bool DrawAppIcon() const { return FDrawAppIcon; }
  void SetDrawAppIcon(bool value);
  int RoundCorner() const { return FRoundCorner; }
  void SetRoundCorner(int value);

  const TsuiTitleBarButtonClickEvent& OnCustomBtnsClick() const { return FOnCustomBtnsClick; }
  void SetOnCustomBtnsClick(TsuiTitleBarButtonClickEvent handler) { FOnCustomBtnsClick = std::move(handler); }
  const TsuiTitleBarButtonClickEvent& OnHelpBtnClick() const { return FOnHelpBtnClick; }
  void SetOnHelpBtnClick(TsuiTitleBarButtonClickEvent handler) { FOnHelpBtnClick = std::move(handler); }

  // Called by the skinned frame the bar sits on: the window it belongs to and
  // whether that window was sizeable before its frame was taken over.
  void AttachToFrame(TForm* form, bool sizeable);
  // The window the buttons act on: the frame's window, else the bar's own.
  TForm* ParentForm() const;
  // Gives the window the shape of RoundCorner (only on a skinned frame).
  void ApplyWindowRegion();
  // Runs what the button at index does to the window (maximize, minimize,
  // close); help and custom buttons only report through their events.
  void RunButtonAction(int index);
  // The sizing edge under point (bar coordinates): only the top rows of a
  // sizeable, not maximized window on a skinned frame size it.
  Qt::Edges EdgesAt(QPoint point) const;

  TsuiTitleBarPlaces Places() const;
  TsuiTitleBarState State() const;
  int HotIndex() const { return FHotIndex; }
  void SetWindowRequests(TsuiWindowRequests* requests) { FRequests = requests; }
  TsuiWindowRequests& WindowRequests() const;
  // Repaints after a change of items (the collections call it).
  void ItemsChanged() override;
  bool WindowMaximized() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void FontChanged() override;

 private:
  void DrawSections(QPainter& painter, const TsuiTitleBarState& state) const;
  void DrawButtons(QPainter& painter, const TsuiTitleBarState& state) const;
  void SetPointer(std::optional<QPoint> point);

  TsuiUIStyle FUIStyle = DeepBlue;
  std::unique_ptr<TsuiTitleBarSections> FSections;
  std::unique_ptr<TsuiTitleBarButtons> FButtons;
  bool FAutoSize = false;
  int FButtonInterval = 0;
  QString FCaption;
  bool FFormActive = true;
  int FLeftBtnXOffset = 0;
  int FRightBtnXOffset = 0;
  int FRoundCorner = 0;
  bool FDrawAppIcon = false;
  bool FPressed = false;
  int FHotIndex = -1;
  int FPressedIndex = -1;             // the button the left press went down on
  std::optional<QPoint> FPointer;     // last pointer position over the bar
  std::optional<QPoint> FDragStart;   // a press on the bare strip, not yet a move
  std::optional<QPoint> FManualMove;  // pointer offset while the bar moves the window itself
  TForm* FHostForm = nullptr;         // set by the skinned frame
  bool FHostSizeable = false;
  TsuiWindowRequests* FRequests = nullptr;
  TsuiTitleBarButtonClickEvent FOnCustomBtnsClick, FOnHelpBtnClick;
};
