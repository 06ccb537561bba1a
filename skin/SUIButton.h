#pragma once
// Picture-drawn buttons: the push button with a skin face, caption and glyph,
// and the button of four user pictures; the two-state buttons build on them
// in SUICheckBox.
//
// All of them are Qt buttons underneath (keys, focus, accessibility and the
// click-on-release rule come from QAbstractButton) and share one paint
// pipeline: state picture, background, face, focus mark, caption. The
// pressed state is QAbstractButton's down state.
#include "Controls.h"
#include "SUIPublic.h"
#include "SUIThemes.h"

#include <QAbstractButton>
#include <memory>

class QShortcut;
class QTimer;
class TForm;

namespace SUIButton {
Q_NAMESPACE
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)
}  // namespace SUIButton
using SUIButton::TButtonLayout;
using enum SUIButton::TButtonLayout;

// Everything one paint of a button depends on, taken when the paint starts.
struct TsuiButtonState {
  TsuiUIStyle Style = Custom;
  QSize Size;
  bool Enabled = true;
  bool MouseIn = false;
  bool Pressed = false;
  bool Focused = false;
  bool TabStop = true;
  bool Checked = false;
  bool Transparent = false;
  bool PicTransparent = false;
  QString Caption;
  QFont Font;
  QColor TextColor;
  TColor Color;
  // The push button's glyph (empty: none), where it goes and how far from the caption.
  QSize GlyphSize;
  TButtonLayout GlyphLayout = blGlyphLeft;
  int Spacing = 4;
  // The two-state buttons' picture.
  QSize PicSize;
};

// Where one paint puts the picture, the glyph, the caption and the focus
// mark, worked out from the state before anything is drawn.
struct TsuiButtonLayout {
  QPoint SkinPos;  // the state picture's top-left corner
  bool SkinGreyed = false;
  QRect GlyphFrame;  // the part of the glyph drawn; empty: no glyph
  QPoint GlyphPos;
  bool GlyphGreyed = false;
  QRect CaptionRect;
  int CaptionFlags = 0;
  bool ClipCaption = false;
  bool BoldCaption = false;  // the focus mark of the styles without a frame
  QRect FocusRect;           // the dotted focus frame; empty: none
};

// One paint in progress: the canvas and what the steps draw from.
struct TsuiButtonPaint {
  QPainter& Canvas;
  const TsuiButtonState& State;
  const TsuiButtonLayout& Layout;
};

// The common state machine and paint pipeline.
class TsuiCustomButton : public TControlOf<QAbstractButton>, public IsuiThemeChild {
  Q_OBJECT
  TAMSEL_CONTROL_PROPERTIES
  Q_PROPERTY(SUIThemes::TsuiUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_CLASSINFO("Default:Caption", "")
  Q_CLASSINFO("Default:TabStop", "true")
 public:
  explicit TsuiCustomButton(TComponent* owner);
  ~TsuiCustomButton() override;
  Q_INVOKABLE bool IsColorStored() const { return TControlBase::IsColorStored(); }
  Q_INVOKABLE bool IsFontStored() const { return TControlBase::IsFontStored(); }

  TsuiUIStyle UIStyle() const { return FUIStyle; }
  void SetUIStyle(TsuiUIStyle value);
  QString Caption() const { return text(); }
  void SetCaption(const QString& value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value);
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int value) { FModalResult = value; }
  int MouseContinuouslyDownInterval() const { return FMouseContinuouslyDownInterval; }
  void SetMouseContinuouslyDownInterval(int value) { FMouseContinuouslyDownInterval = value; }
  // 0 stands for the program's own pictures.
  qint64 ResHandle() const { return FResHandle; }
  virtual void SetResHandle(qint64 value);

  virtual void SetPicNormalResName(const QString& value);
  virtual void SetPicMouseOnResName(const QString& value);
  virtual void SetPicMouseDownResName(const QString& value);
  virtual QString GetPicNormalResName() const { return FPicNormalResName; }
  virtual QString GetPicMouseOnResName() const { return FPicMouseOnResName; }
  virtual QString GetPicMouseDownResName() const { return FPicMouseDownResName; }

  bool MouseIn() const { return FMouseIn; }
  bool Pressed() const { return isDown(); }
  bool PicTransparent() const { return FPicTransparent; }
  // The timer that repeats OnMouseContinuouslyDown; it exists only while the
  // left button is held on the button.
  QTimer* RepeatTimer() const { return FRepeatTimer.get(); }

  void SetOnMouseEnter(TNotifyEvent h) { FOnMouseEnter = std::move(h); }
  void SetOnMouseExit(TNotifyEvent h) { FOnMouseExit = std::move(h); }
  void SetOnMouseContinuouslyDown(TNotifyEvent h) { FOnMouseContinuouslyDown = std::move(h); }

  // Focuses the button when it can take focus, leaves ModalResult on the
  // form, then runs OnClick.
  void Click() override;

  // Everything a paint depends on, taken when it starts.
  virtual TsuiButtonState State() const;
  // Where that paint puts things: one frame picture at the origin, the
  // caption centred, the focus frame two pixels in.
  virtual TsuiButtonLayout LayOut(const TsuiButtonState& state) const;

  unsigned ThemeRows() const override { return 0; }
  TsuiUIStyle ThemeUIStyle() const override { return FUIStyle; }
  void ApplyThemeUIStyle(TsuiUIStyle style) override { SetUIStyle(style); }

 protected:
  // Runs the style's consequences even when the style is already value (the
  // constructors of the concrete classes, where the virtual steps reach them).
  void InitUIStyle(TsuiUIStyle value);
  // Sets the three picture names without the checks of the public setters.
  void SetThemePictures(const QString& normal, const QString& mouseOn, const QString& mouseDown);
  void SetPicTransparent(bool value);

  virtual void AutoSizeChanged();
  virtual void CaptionChanged() {}
  virtual void TransparentChanged();
  virtual void EnabledChanged() {}
  virtual void UIStyleChanged();
  virtual void ApplyUIStyle(TsuiUIStyle style) = 0;

  virtual void LoadPicNormal(TBitmap& bitmap) const;
  virtual void LoadPicMouseOn(TBitmap& bitmap) const;
  virtual void LoadPicMouseDown(TBitmap& bitmap) const;
  virtual void LoadPicDisabled(TBitmap& bitmap) const;
  virtual void DrawSkin(const TsuiButtonPaint& paint, const TBitmap& skin);
  virtual void DrawCaption(const TsuiButtonPaint& paint);
  virtual void DrawFocus(const TsuiButtonPaint& paint);
  // The whole pipeline, for paintEvent.
  void Paint(QPainter& canvas, const TsuiButtonState& state);

  // The form whose ModalResult a click sets; nullptr when there is none.
  TForm* ParentForm() const;

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  // Click toggles what the button's own rules say; Qt's own toggle is off.
  void nextCheckState() override {}

 private:
  void StopRepeat();
  void MouseLeft();
  std::unique_ptr<QShortcut> MakeShortcut(const QList<QKeySequence>& keys);

  QString FPicNormalResName;
  QString FPicMouseDownResName;
  QString FPicMouseOnResName;
  bool FAutoSize = false;
  bool FCancel = false;
  bool FDefault = false;
  bool FTransparent = false;
  int FModalResult = 0;
  TsuiUIStyle FUIStyle = Custom;
  bool FPicTransparent = false;
  std::unique_ptr<QTimer> FRepeatTimer;
  int FMouseContinuouslyDownInterval = 100;
  qint64 FResHandle = 0;
  TNotifyEvent FOnMouseEnter, FOnMouseExit, FOnMouseContinuouslyDown;
  bool FMouseIn = false;
  bool FTabStop = true;
  std::unique_ptr<QShortcut> FDefaultShortcut, FCancelShortcut;
};

// The push button: a skin face stretched over the button, a caption and an
// optional glyph (one frame, or two side by side: normal and disabled).
class TsuiButton : public TsuiCustomButton {
  Q_OBJECT
  Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
  Q_PROPERTY(bool Default READ Default WRITE SetDefault)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
  Q_PROPERTY(TBitmap* Glyph READ Glyph)
  Q_PROPERTY(SUIButton::TButtonLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(qint64 ResHandle READ ResHandle WRITE SetResHandle)
  Q_PROPERTY(QString PicNormalResName READ GetPicNormalResName WRITE SetPicNormalResName)
  Q_PROPERTY(QString PicMouseDownResName READ GetPicMouseDownResName WRITE SetPicMouseDownResName)
  Q_PROPERTY(QString PicMouseOnResName READ GetPicMouseOnResName WRITE SetPicMouseOnResName)
  Q_PROPERTY(
      int MouseContinuouslyDownInterval READ MouseContinuouslyDownInterval WRITE SetMouseContinuouslyDownInterval)
  Q_CLASSINFO("Default:Cancel", "false")
  Q_CLASSINFO("Default:Default", "false")
  Q_CLASSINFO("Default:ModalResult", "0")
  Q_CLASSINFO("Default:Layout", "blGlyphLeft")
  Q_CLASSINFO("Default:Spacing", "4")
  Q_CLASSINFO("Default:ResHandle", "0")
  Q_CLASSINFO("Default:PicNormalResName", "")
  Q_CLASSINFO("Default:PicMouseDownResName", "")
  Q_CLASSINFO("Default:PicMouseOnResName", "")
  Q_CLASSINFO("Default:MouseContinuouslyDownInterval", "100")
 public:
  explicit TsuiButton(TComponent* owner);
  ~TsuiButton() override;

  TBitmap* Glyph() { return &FGlyph; }
  void SetGlyph(const TBitmap& value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);

  // Naming a picture makes the button keep its own pictures (style Custom);
  // a themed button answers no names, so theme names are never stored.
  void SetPicNormalResName(const QString& value) override;
  void SetPicMouseOnResName(const QString& value) override;
  void SetPicMouseDownResName(const QString& value) override;
  QString GetPicNormalResName() const override;
  QString GetPicMouseOnResName() const override;
  QString GetPicMouseDownResName() const override;

  // Where the glyph and the caption go on a button of size for a caption of
  // textSize; glyphSize is one frame.
  struct TGlyphPlace {
    QPoint Glyph;
    QPoint Text;
  };
  static TGlyphPlace PlaceGlyph(TButtonLayout layout, QSize size, QSize glyphSize, QSize textSize, int spacing);

  unsigned ThemeRows() const override { return trStyleUnlessCustom; }

  TsuiButtonState State() const override;
  // The glyph and the caption by Layout; MacOS and BlueGlass mark the focus
  // with a bold caption instead of a frame.
  TsuiButtonLayout LayOut(const TsuiButtonState& state) const override;

 protected:
  void ApplyUIStyle(TsuiUIStyle style) override;
  void UIStyleChanged() override;
  void DrawSkin(const TsuiButtonPaint& paint, const TBitmap& skin) override;

 private:
  TBitmap FGlyph;
  TButtonLayout FLayout = blGlyphLeft;
  int FSpacing = 4;
};

// A button drawn from four pictures of its own (disabled, mouse-on and
// pressed fall back to the normal one).
class TsuiImageButton : public TsuiCustomButton {
  Q_OBJECT
  Q_PROPERTY(TBitmap* PicNormal READ PicNormal)
  Q_PROPERTY(TBitmap* PicMouseOn READ PicMouseOn)
  Q_PROPERTY(TBitmap* PicMouseDown READ PicMouseDown)
  Q_PROPERTY(TBitmap* PicDisabled READ PicDisabled)
  Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
  Q_PROPERTY(bool Default READ Default WRITE SetDefault)
  Q_PROPERTY(
      int MouseContinuouslyDownInterval READ MouseContinuouslyDownInterval WRITE SetMouseContinuouslyDownInterval)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
  Q_CLASSINFO("Default:Stretch", "false")
  Q_CLASSINFO("Default:Cancel", "false")
  Q_CLASSINFO("Default:Default", "false")
  Q_CLASSINFO("Default:MouseContinuouslyDownInterval", "100")
  Q_CLASSINFO("Default:Transparent", "false")
  Q_CLASSINFO("Default:ModalResult", "0")
 public:
  explicit TsuiImageButton(TComponent* owner);
  ~TsuiImageButton() override;

  TBitmap* PicNormal() { return &FPicNormal; }
  TBitmap* PicMouseOn() { return &FPicMouseOn; }
  TBitmap* PicMouseDown() { return &FPicMouseDown; }
  TBitmap* PicDisabled() { return &FPicDisabled; }
  void SetPicNormal(const TBitmap& value);
  void SetPicMouseOn(const TBitmap& value);
  void SetPicMouseDown(const TBitmap& value);
  void SetPicDisabled(const TBitmap& value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);

 protected:
  void ApplyUIStyle(TsuiUIStyle) override {}
  void AutoSizeChanged() override;
  void LoadPicNormal(TBitmap& bitmap) const override;
  void LoadPicMouseOn(TBitmap& bitmap) const override;
  void LoadPicMouseDown(TBitmap& bitmap) const override;
  void LoadPicDisabled(TBitmap& bitmap) const override;
  void DrawSkin(const TsuiButtonPaint& paint, const TBitmap& skin) override;

 private:
  void PictureChanged();
  TBitmap FPicNormal, FPicMouseOn, FPicMouseDown, FPicDisabled;
  bool FStretch = false;
};
