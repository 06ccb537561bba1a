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
}  // namespace Controls
using Controls::TAlign;
using Controls::TCursor;
using enum Controls::TAlign;
using enum Controls::TCursor;

class TControl : public QWidget, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(TFont* Font READ Font)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(Controls::TCursor Cursor READ Cursor WRITE SetCursor)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_CLASSINFO("Default:Align", "alNone")
  Q_CLASSINFO("Default:ParentColor", "true")
  Q_CLASSINFO("Default:ParentFont", "true")
  Q_CLASSINFO("Default:Cursor", "crDefault")
  Q_CLASSINFO("Default:Enabled", "true")
  Q_CLASSINFO("Default:Visible", "true")
  Q_CLASSINFO("Default:TabOrder", "-1")
  Q_CLASSINFO("Default:Hint", "")
  Q_CLASSINFO("Stored:Color", "IsColorStored")
  Q_CLASSINFO("Stored:Font", "IsFontStored")
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  int Left() const { return geometry().x(); }
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  int Top() const { return geometry().y(); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  int Width() const { return geometry().width(); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  int Height() const { return geometry().height(); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  virtual void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  // clDefault-like parent colour while ParentColor is true.
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  // A colour or font that follows the parent is not stored.
  Q_INVOKABLE bool IsColorStored() const { return !FParentColor; }
  Q_INVOKABLE bool IsFontStored() const { return !FParentFont; }
  void SetParentColor(bool value);
  TFont* Font() { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool value) { setEnabled(value); }
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

  // Lays out aligned children and applies their tab order.
  void Loaded() override;

protected:
  // Runs handler(this) with exceptions going to the application.
  void Dispatch(const TNotifyEvent& handler);
  void resizeEvent(QResizeEvent* event) override;
  virtual void FontChanged();
  virtual void ColorChanged();

private:
  TAlign FAlign = alNone;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  bool FApplyingParentFont = false;
  TCursor FCursor = crDefault;
  bool FVisible = true;
  int FTabOrder = -1;
  QString FHint;
  TNotifyEvent FOnClick;
};

// Lays out the children of container that have an alignment: they take the
// edges in creation order, alClient gets what is left.
void AlignChildControls(QWidget* container);
// Keyboard focus moves through the container's child controls by TabOrder;
// unnumbered ones follow in creation order.
void ApplyChildTabOrder(QWidget* container);

// Qt cursor shape for a stored cursor.
Qt::CursorShape ToCursorShape(TCursor cursor);
