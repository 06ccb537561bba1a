#pragma once
// A panel docked to the left or right edge of a window that stays folded to
// its narrow side bar and slides open to its full width when the pointer
// rests on the bar (or the bar is clicked), and closed again once the pointer
// has left it, unless its pin holds it open. The slide runs on a timer in
// 15-pixel steps, so the window keeps working while it moves.
#include "Controls.h"
#include "Graphics.h"
#include "SUIThemes.h"

#include <QTimer>
#include <functional>

class QToolButton;

namespace SUISideChannel {
Q_NAMESPACE
enum TsuiSideChannelAlign { suiLeft, suiRight };
Q_ENUM_NS(TsuiSideChannelAlign)
enum TsuiSideChannelPopupMode { suiMouseOn, suiMouseClick };
Q_ENUM_NS(TsuiSideChannelPopupMode)
}  // namespace SUISideChannel
using SUISideChannel::TsuiSideChannelAlign;
using SUISideChannel::TsuiSideChannelPopupMode;

// Asked before the channel takes a new size; clearing Resize refuses it.
using TCanResizeEvent = std::function<void(TComponent* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;

class TsuiSideChannel : public TControlOf<QWidget>, public IsuiThemeChild {
  Q_OBJECT
  // The control properties, with Width and Align of the channel's own.
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(TFont* Font READ Font)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_CLASSINFO("Default:ParentColor", "true")
  Q_CLASSINFO("Default:ParentFont", "true")
  Q_CLASSINFO("Default:Enabled", "true")
  Q_CLASSINFO("Default:Visible", "true")
  Q_CLASSINFO("Default:Hint", "")
  Q_CLASSINFO("Stored:Color", "IsColorStored")
  Q_CLASSINFO("Stored:Font", "IsFontStored")
  Q_PROPERTY(int Width READ FullWidth WRITE SetFullWidth)
  Q_PROPERTY(TColor SideBarColor READ SideBarColor WRITE SetSideBarColor)
  Q_PROPERTY(int SideBarWidth READ SideBarWidth WRITE SetSideBarWidth)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(SUISideChannel::TsuiSideChannelAlign Align READ ChannelAlign WRITE SetChannelAlign)
  Q_PROPERTY(bool StayOn READ StayOn WRITE SetStayOn)
  Q_PROPERTY(SUISideChannel::TsuiSideChannelPopupMode PopupMode READ PopupMode WRITE SetPopupMode)
  Q_PROPERTY(bool QuickMove READ QuickMove WRITE SetQuickMove)
  Q_CLASSINFO("Default:SideBarWidth", "10")
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:Align", "suiLeft")
  Q_CLASSINFO("Default:StayOn", "false")
  Q_CLASSINFO("Default:PopupMode", "suiMouseOn")
  Q_CLASSINFO("Default:QuickMove", "false")
 public:
  static constexpr int Step = 15;  // pixels per slide step
  static constexpr int MinOpenWidth = 50;

  explicit TsuiSideChannel(TComponent* owner);
  ~TsuiSideChannel() override;

  // The open width; the control takes it while open.
  int FullWidth() const { return FFullWidth; }
  void SetFullWidth(int value);
  TColor SideBarColor() const { return FSideBarColor; }
  void SetSideBarColor(TColor value);
  int SideBarWidth() const { return FSideBarWidth; }
  // Closes the channel at once.
  void SetSideBarWidth(int value);
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  TsuiSideChannelAlign ChannelAlign() const { return FChannelAlign; }
  void SetChannelAlign(TsuiSideChannelAlign value);
  // True opens the channel and holds it open (the pin down); false lets it
  // go and closes it at once.
  bool StayOn() const { return FStayOn; }
  void SetStayOn(bool value);
  TsuiSideChannelPopupMode PopupMode() const { return FPopupMode; }
  void SetPopupMode(TsuiSideChannelPopupMode value) { FPopupMode = value; }
  // Opens and closes in one step instead of sliding.
  bool QuickMove() const { return FQuickMove; }
  void SetQuickMove(bool value) { FQuickMove = value; }
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  bool IsOpen() const { return width() > FSideBarWidth; }
  bool Animating() const { return FTarget >= 0; }
  // Starts opening or closing; quick jumps there at once.
  void Pop(bool quick);
  void Push(bool quick);
  // The pointer rested on the bar, or the bar was clicked.
  void HoverPop();
  void ClickPop();
  // One tick of the leave check: closes when the pointer is outside.
  void CheckLeave();
  // One slide step (the slide timer runs it; tests may too).
  void SlideStep();
  QTimer& LeaveTimer() { return FLeaveTimer; }
  QTimer& SlideTimer() { return FSlideTimer; }
  QToolButton* PinButton() const { return FPin; }
  // Where the pointer is, in screen coordinates (tests put their own).
  void SetCursorSource(std::function<QPoint()> source) { FCursor = std::move(source); }

  void SetOnPop(TNotifyEvent handler) { FOnPop = std::move(handler); }
  void SetOnPush(TNotifyEvent handler) { FOnPush = std::move(handler); }
  // After every change of size, once the open width has followed it.
  void SetOnResize(TNotifyEvent handler) { FOnResize = std::move(handler); }
  void SetOnCanResize(TCanResizeEvent handler) { FOnCanResize = std::move(handler); }
  // The user's handler first; then an open, still channel refuses a width
  // below MinOpenWidth. May change the size asked for.
  bool CanResize(int& newWidth, int& newHeight);

  unsigned ThemeRows() const override { return trSideChannel; }
  void ApplyThemeColor(TColor color) override { SetColor(color); }
  void ApplyThemeSideBarColor(TColor color) override { SetSideBarColor(color); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 public:
  // A size CanResize refuses is not taken; a width given while open and
  // still becomes the open width.
  void SetBounds(int left, int top, int width, int height) override;

 private:
  void SetChannelWidth(int value);
  // Opens or closes towards target: at once when quick, else by the slide timer.
  void SlideTo(int target, bool quick);
  void Finish();
  void PinClick();
  bool OnBar(QPoint point) const;

  int FFullWidth = 200;
  TColor FSideBarColor = clBtnFace;
  int FSideBarWidth = 10;
  QString FCaption;
  TsuiSideChannelAlign FChannelAlign = SUISideChannel::suiLeft;
  bool FStayOn = false;
  TsuiSideChannelPopupMode FPopupMode = SUISideChannel::suiMouseOn;
  bool FQuickMove = false;
  bool FBarHot = false;
  int FTarget = -1;             // the width the slide is heading for, -1 when still
  QToolButton* FPin = nullptr;  // a child widget
  TBitmap FBarNormal, FBarMouseOn, FPinUp, FPinDown;
  QTimer FLeaveTimer, FSlideTimer;
  std::function<QPoint()> FCursor;
  TNotifyEvent FOnPop, FOnPush, FOnResize;
  TCanResizeEvent FOnCanResize;
};
