#pragma once
// Visual components: a QWidget that is also a TComponent. The window
// description places a control with Left/Top/Width/Height in its parent's
// client coordinates; Font and Color follow the parent until set.
#include "Classes.h"
#include "Graphics.h"

#include <QWidget>

namespace Controls {
Q_NAMESPACE
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
Q_ENUM_NS(TAlign)
// The mouse pointer shown over a control.
enum TCursor { crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crHourGlass = -11, crHandPoint = -21 };
Q_ENUM_NS(TCursor)
enum TMouseButton { mbLeft, mbRight, mbMiddle };
Q_ENUM_NS(TMouseButton)
// Keys and buttons held during a mouse or key event.
enum TShiftStateItem {
  ssShift = 0x1,
  ssAlt = 0x2,
  ssCtrl = 0x4,
  ssLeft = 0x8,
  ssRight = 0x10,
  ssMiddle = 0x20,
  ssDouble = 0x40
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateItem)
Q_FLAG_NS(TShiftState)
}  // namespace Controls
Q_DECLARE_OPERATORS_FOR_FLAGS(Controls::TShiftState)
using Controls::TAlign;
using Controls::TCursor;
using Controls::TMouseButton;
using Controls::TShiftState;
using enum Controls::TAlign;
using enum Controls::TCursor;
using enum Controls::TMouseButton;
using enum Controls::TShiftStateItem;

// Mouse and key events in client coordinates; Key is the Qt key code, which
// a handler may set to 0 to swallow the key.
using TMouseEvent = std::function<void(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TComponent* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TComponent* Sender, int& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TComponent* Sender, QChar& Key)>;

class QMouseEvent;
class QKeyEvent;

// The published properties every control has; a Q_OBJECT class deriving
// from TControlOf<W> lists them with TAMSEL_CONTROL_PROPERTIES.
#define TAMSEL_CONTROL_PROPERTIES                                    \
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)      \
  Q_PROPERTY(int Left READ Left WRITE SetLeft)                       \
  Q_PROPERTY(int Top READ Top WRITE SetTop)                          \
  Q_PROPERTY(int Width READ Width WRITE SetWidth)                    \
  Q_PROPERTY(int Height READ Height WRITE SetHeight)                 \
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)       \
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)                 \
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor) \
  Q_PROPERTY(TFont* Font READ Font)                                  \
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)    \
  Q_PROPERTY(Controls::TCursor Cursor READ Cursor WRITE SetCursor)   \
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)             \
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)             \
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)           \
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)                   \
  Q_CLASSINFO("Default:Align", "alNone")                             \
  Q_CLASSINFO("Default:ParentColor", "true")                         \
  Q_CLASSINFO("Default:ParentFont", "true")                          \
  Q_CLASSINFO("Default:Cursor", "crDefault")                         \
  Q_CLASSINFO("Default:Enabled", "true")                             \
  Q_CLASSINFO("Default:Visible", "true")                             \
  Q_CLASSINFO("Default:TabOrder", "-1")                              \
  Q_CLASSINFO("Default:Hint", "")                                    \
  Q_CLASSINFO("Stored:Color", "IsColorStored")                       \
  Q_CLASSINFO("Stored:Font", "IsFontStored")

// What every control has, whatever Qt widget class it is: the stored
// geometry, alignment, colour, font, cursor, visibility, tab order, hint and
// the click event. Kept apart from the widget class so that a control can
// derive from the Qt widget that gives it its keyboard handling and
// accessibility (TControlOf<QAbstractButton>, for example).
class TControlBase : public TComponent {
 public:
  TControlBase(TComponent* owner, QWidget* widget);
  ~TControlBase() override;

  int Left() const { return FWidget->geometry().x(); }
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  int Top() const { return FWidget->geometry().y(); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  int Width() const { return FWidget->geometry().width(); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  int Height() const { return FWidget->geometry().height(); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  virtual void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  // clDefault-like parent colour while ParentColor is true.
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  // A colour or font that follows the parent is not stored.
  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }
  void SetParentColor(bool value);
  // The colour the control paints with: its own, or that of the nearest
  // ancestor control with a colour of its own.
  TColor PaintColor() const;
  TFont* Font() { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  bool Enabled() const { return FWidget->isEnabled(); }
  void SetEnabled(bool value) { FWidget->setEnabled(value); }
  // The stored visibility: a child is shown together with its parent.
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int value) { FTabOrder = value; }
  const QString& Hint() const { return FHint; }
  void SetHint(const QString& value);

  const TNotifyEvent& OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  // Runs OnClick; an exception goes to the application's error display so it
  // never unwinds through the window system.
  virtual void Click();

  // The mouse, key and focus events a control may publish; the control's
  // own event handling runs the Do... dispatchers at the right moment.
  void SetOnDblClick(TNotifyEvent h) { FOnDblClick = std::move(h); }
  void SetOnMouseDown(TMouseEvent h) { FOnMouseDown = std::move(h); }
  void SetOnMouseUp(TMouseEvent h) { FOnMouseUp = std::move(h); }
  void SetOnMouseMove(TMouseMoveEvent h) { FOnMouseMove = std::move(h); }
  void SetOnKeyDown(TKeyEvent h) { FOnKeyDown = std::move(h); }
  void SetOnKeyUp(TKeyEvent h) { FOnKeyUp = std::move(h); }
  void SetOnKeyPress(TKeyPressEvent h) { FOnKeyPress = std::move(h); }
  void SetOnEnter(TNotifyEvent h) { FOnEnter = std::move(h); }
  void SetOnExit(TNotifyEvent h) { FOnExit = std::move(h); }

  // Lays out aligned children and applies their tab order.
  void Loaded() override;

  // This control's widget side.
  QWidget* ControlWidget() const { return FWidget; }

 protected:
  // Runs handler(this) with exceptions going to the application.
  void Dispatch(const TNotifyEvent& handler);
  virtual void FontChanged();
  virtual void ColorChanged();
  void DoDblClick() { Dispatch(FOnDblClick); }
  void DoMouseDown(const QMouseEvent& event);
  void DoMouseUp(const QMouseEvent& event);
  void DoMouseMove(const QMouseEvent& event);
  // Returns false when a handler swallowed the key.
  bool DoKeyDown(const QKeyEvent& event);
  bool DoKeyUp(const QKeyEvent& event);
  void DoEnter() { Dispatch(FOnEnter); }
  void DoExit() { Dispatch(FOnExit); }

 private:
  // Runs a handler with exceptions going to the application.
  template <class F>
  void Guarded(F&& call);
  QWidget* FWidget;  // this control's own widget side
  TAlign FAlign = alNone;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  bool FVisible = true;
  int FTabOrder = -1;
  QString FHint;
  TNotifyEvent FOnClick, FOnDblClick, FOnEnter, FOnExit;
  TMouseEvent FOnMouseDown, FOnMouseUp;
  TMouseMoveEvent FOnMouseMove;
  TKeyEvent FOnKeyDown, FOnKeyUp;
  TKeyPressEvent FOnKeyPress;
};

// The shift state of a mouse or key event.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});

// Lays out the children of container that have an alignment: they take the
// edges in creation order, alClient gets what is left.
void AlignChildControls(QWidget* container);

// A control on the Qt widget class W (QWidget or one of its subclasses).
// Not a Q_OBJECT itself: the concrete class declares Q_OBJECT and
// TAMSEL_CONTROL_PROPERTIES.
template <class W>
class TControlOf : public W, public TControlBase {
 public:
  explicit TControlOf(TComponent* owner) : W(nullptr), TControlBase(owner, this) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    W::resizeEvent(event);
    AlignChildControls(this);
  }
};

class TControl : public TControlOf<QWidget> {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
 public:
  explicit TControl(TComponent* owner) : TControlOf<QWidget>(owner) {}
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }
};

// Keyboard focus moves through the container's child controls by TabOrder;
// unnumbered ones follow in creation order.
void ApplyChildTabOrder(QWidget* container);

// Qt cursor shape for a stored cursor.
Qt::CursorShape ToCursorShape(TCursor cursor);
