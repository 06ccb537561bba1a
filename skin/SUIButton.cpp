#include "SUIButton.h"

#include "Exceptions.h"
#include "Forms.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

namespace {

// The face shown when a state picture cannot be loaded.
constexpr int kBlankWidth = 74, kBlankHeight = 21;
const QColor kDisabledShadow(0x80, 0x80, 0x80);
const QColor kDisabledHighlight(0xFF, 0xFF, 0xFF);

bool IsEnterKey(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
bool IsPressKey(const QKeyEvent* e) { return e->key() == Qt::Key_Space || IsEnterKey(e); }

// A caption in the disabled, pressed or normal look.
void DrawCaptionText(QPainter& canvas, const TsuiButtonState& s, const QRect& rect, int flags) {
  if (!s.Enabled) {
    canvas.setPen(kDisabledHighlight);
    canvas.drawText(rect.translated(1, 1), flags, s.Caption);
    canvas.setPen(kDisabledShadow);
    canvas.drawText(rect, flags, s.Caption);
  } else {
    canvas.setPen(s.TextColor);
    canvas.drawText(s.Pressed ? rect.translated(1, 1) : rect, flags, s.Caption);
  }
}

void LoadNamed(TBitmap& bitmap, qint64 module, const QString& name) {
  LoadSkinBitmap(bitmap, static_cast<TModuleHandle>(module), name);
}

}  // namespace

// ---- TsuiCustomButton ----

TsuiCustomButton::TsuiCustomButton(TComponent* owner) : TControlOf<QAbstractButton>(owner) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  QObject::connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
}

TsuiCustomButton::~TsuiCustomButton() = default;

void TsuiCustomButton::SetUIStyle(TsuiUIStyle value) {
  if (value == FUIStyle) return;
  InitUIStyle(value);
}

void TsuiCustomButton::InitUIStyle(TsuiUIStyle value) {
  FUIStyle = value;
  ApplyUIStyle(value);
  UIStyleChanged();
  update();
}

void TsuiCustomButton::UIStyleChanged() {
  if (FUIStyle == Custom) SetAutoSize(true);
}

void TsuiCustomButton::SetCaption(const QString& value) {
  if (value == text()) return;
  // Qt makes the accelerator after "&" the button's shortcut and tells
  // screen readers the caption.
  setText(value);
  CaptionChanged();
  update();
}

void TsuiCustomButton::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AutoSizeChanged();
  update();
}

void TsuiCustomButton::AutoSizeChanged() {
  if (!FAutoSize || FPicNormalResName.isEmpty()) return;
  TBitmap picture;
  try {
    LoadNamed(picture, FResHandle, FPicNormalResName);
  } catch (const Exception&) {
    picture.SetSize(kBlankWidth, kBlankHeight);
  }
  SetBounds(Left(), Top(), picture.Width(), picture.Height());
}

void TsuiCustomButton::SetTabStop(bool value) {
  if (value == FTabStop) return;
  FTabStop = value;
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
  update();
}

void TsuiCustomButton::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  TransparentChanged();
  update();
}

void TsuiCustomButton::TransparentChanged() { SetPicTransparent(FTransparent); }

void TsuiCustomButton::SetPicTransparent(bool value) {
  if (value == FPicTransparent) return;
  FPicTransparent = value;
  update();
}

std::unique_ptr<QShortcut> TsuiCustomButton::MakeShortcut(const QList<QKeySequence>& keys) {
  auto shortcut = std::make_unique<QShortcut>(this);
  shortcut->setKeys(keys);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut.get(), &QShortcut::activated, this, [this] {
    if (isEnabled() && isVisible()) Click();
  });
  return shortcut;
}

void TsuiCustomButton::SetCancel(bool value) {
  if (value == FCancel) return;
  FCancel = value;
  FCancelShortcut = value ? MakeShortcut({QKeySequence(Qt::Key_Escape)}) : nullptr;
}

void TsuiCustomButton::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  FDefaultShortcut = value ? MakeShortcut({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) : nullptr;
  update();
}

void TsuiCustomButton::SetResHandle(qint64 value) {
  if (value == FResHandle) return;
  FResHandle = value;
  update();
}

void TsuiCustomButton::SetPicNormalResName(const QString& value) {
  FPicNormalResName = value;
  AutoSizeChanged();
  update();
}

void TsuiCustomButton::SetPicMouseOnResName(const QString& value) {
  FPicMouseOnResName = value;
  update();
}

void TsuiCustomButton::SetPicMouseDownResName(const QString& value) {
  FPicMouseDownResName = value;
  update();
}

void TsuiCustomButton::SetThemePictures(const QString& normal, const QString& mouseOn, const QString& mouseDown) {
  FPicNormalResName = normal;
  FPicMouseOnResName = mouseOn;
  FPicMouseDownResName = mouseDown;
  update();
}

// The stored names, the theme's included (the getters may hide those).
void TsuiCustomButton::LoadPicNormal(TBitmap& bitmap) const { LoadNamed(bitmap, FResHandle, FPicNormalResName); }
void TsuiCustomButton::LoadPicMouseOn(TBitmap& bitmap) const { LoadNamed(bitmap, FResHandle, FPicMouseOnResName); }
void TsuiCustomButton::LoadPicMouseDown(TBitmap& bitmap) const { LoadNamed(bitmap, FResHandle, FPicMouseDownResName); }
void TsuiCustomButton::LoadPicDisabled(TBitmap& bitmap) const { LoadPicNormal(bitmap); }

TForm* TsuiCustomButton::ParentForm() const {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (w->isWindow()) return qobject_cast<TForm*>(w);
  return nullptr;
}

void TsuiCustomButton::Click() {
  if (isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus) setFocus(Qt::OtherFocusReason);
  if (TForm* form = ParentForm()) form->SetModalResult(FModalResult);
  TControlBase::Click();
}

TsuiButtonState TsuiCustomButton::State() const {
  TsuiButtonState s;
  s.Style = FUIStyle;
  s.Size = size();
  s.Enabled = isEnabled();
  s.MouseIn = FMouseIn;
  s.Pressed = isDown();
  s.Focused = hasFocus();
  s.TabStop = FTabStop;
  s.Checked = isChecked();
  s.Transparent = FTransparent;
  s.PicTransparent = FPicTransparent;
  s.Caption = text();
  s.Font = font();
  s.TextColor = palette().color(QPalette::WindowText);
  s.Color = PaintColor();
  return s;
}

TsuiButtonLayout TsuiCustomButton::LayOut(const TsuiButtonState& s) const {
  TsuiButtonLayout l;
  l.SkinGreyed = !s.Enabled;
  l.CaptionRect = QRect(QPoint(0, 0), s.Size);
  l.CaptionFlags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (s.Focused && s.TabStop) l.FocusRect = QRect(2, 2, s.Size.width() - 4, s.Size.height() - 4);
  return l;
}

void TsuiCustomButton::Paint(QPainter& canvas, const TsuiButtonState& s) {
  TBitmap skin;
  try {
    if (s.Enabled && s.Pressed)
      LoadPicMouseDown(skin);
    else if (s.Enabled && s.MouseIn)
      LoadPicMouseOn(skin);
    else if (s.Enabled)
      LoadPicNormal(skin);
    else
      LoadPicDisabled(skin);
  } catch (const Exception&) {
    skin.SetSize(kBlankWidth, kBlankHeight);
  }
  skin.SetTransparent(s.PicTransparent);

  if (s.Transparent)
    PaintParentBackground(canvas, this);
  else
    canvas.fillRect(QRect(QPoint(0, 0), s.Size), ToQColor(s.Color));

  const TsuiButtonLayout layout = LayOut(s);
  const TsuiButtonPaint paint{canvas, s, layout};
  DrawSkin(paint, skin);
  DrawFocus(paint);
  canvas.setFont(s.Font);
  if (!s.Caption.trimmed().isEmpty()) DrawCaption(paint);
}

void TsuiCustomButton::DrawSkin(const TsuiButtonPaint& paint, const TBitmap& skin) {
  if (skin.Empty()) return;
  const TColor key = skin.Pixel(0, 0);
  DrawPictureFrame(paint.Canvas, skin, QRect(0, 0, skin.Width(), skin.Height()), paint.Layout.SkinPos,
                   paint.State.PicTransparent ? &key : nullptr, paint.Layout.SkinGreyed);
}

void TsuiCustomButton::DrawCaption(const TsuiButtonPaint& paint) {
  const TsuiButtonLayout& l = paint.Layout;
  QFont f = paint.State.Font;
  if (l.BoldCaption) f.setBold(true);
  paint.Canvas.setFont(f);
  paint.Canvas.save();
  if (l.ClipCaption) paint.Canvas.setClipRect(l.CaptionRect);
  DrawCaptionText(paint.Canvas, paint.State, l.CaptionRect, l.CaptionFlags);
  paint.Canvas.restore();
}

void TsuiCustomButton::DrawFocus(const TsuiButtonPaint& paint) { DrawFocusRect(paint.Canvas, paint.Layout.FocusRect); }

void TsuiCustomButton::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  Paint(canvas, State());
}

void TsuiCustomButton::StopRepeat() { FRepeatTimer.reset(); }

void TsuiCustomButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !FRepeatTimer) {
    FRepeatTimer = std::make_unique<QTimer>();
    FRepeatTimer->setInterval(std::max(FMouseContinuouslyDownInterval, 0));
    QObject::connect(FRepeatTimer.get(), &QTimer::timeout, this, [this] { Dispatch(FOnMouseContinuouslyDown); });
    FRepeatTimer->start();
  }
  QAbstractButton::mousePressEvent(event);
  update();
  DoMouseDown(*event);
}

void TsuiCustomButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) StopRepeat();
  // The click runs inside; its handler may hide or disable the button.
  QPointer<TsuiCustomButton> alive(this);
  QAbstractButton::mouseReleaseEvent(event);
  if (!alive) return;
  update();
  DoMouseUp(*event);
}

void TsuiCustomButton::mouseMoveEvent(QMouseEvent* event) {
  QAbstractButton::mouseMoveEvent(event);
  DoMouseMove(*event);
  const QPoint p = event->position().toPoint();
  if (p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height()) {
    // The repeat timer keeps running until the release or the leave.
    FMouseIn = false;
    setDown(false);
    update();
  }
}

void TsuiCustomButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  if (Designing()) return;
  FMouseIn = true;
  update();
  Dispatch(FOnMouseEnter);
}

void TsuiCustomButton::MouseLeft() {
  FMouseIn = false;
  setDown(false);
  StopRepeat();
  update();
  Dispatch(FOnMouseExit);
}

void TsuiCustomButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  MouseLeft();
}

void TsuiCustomButton::keyPressEvent(QKeyEvent* event) {
  if (!DoKeyDown(*event)) return;
  if (IsEnterKey(event)) {
    if (!event->isAutoRepeat() && isEnabled()) {
      setDown(true);
      update();
    }
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
  if (event->key() == Qt::Key_Space) update();
}

void TsuiCustomButton::keyReleaseEvent(QKeyEvent* event) {
  if (!DoKeyUp(*event)) return;
  if (IsEnterKey(event)) {
    if (!event->isAutoRepeat() && isDown() && isEnabled()) {
      setDown(false);
      update();
      click();
    }
    event->accept();
    return;
  }
  QAbstractButton::keyReleaseEvent(event);
  if (event->key() == Qt::Key_Space) update();
}

void TsuiCustomButton::focusInEvent(QFocusEvent* event) {
  QAbstractButton::focusInEvent(event);
  update();
  DoEnter();
}

void TsuiCustomButton::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  update();
  DoExit();
}

void TsuiCustomButton::changeEvent(QEvent* event) {
  QAbstractButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) StopRepeat();
    EnabledChanged();
    update();
  } else if (event->type() == QEvent::FontChange) {
    update();
  }
}

bool TsuiCustomButton::event(QEvent* event) {
  // The focused button takes Space and Enter itself, before any default
  // button's shortcut sees them.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsPressKey(key) && key->modifiers() == Qt::NoModifier) {
      event->accept();
      return true;
    }
  }
  return QAbstractButton::event(event);
}

// ---- TsuiButton ----

TsuiButton::TsuiButton(TComponent* owner) : TsuiCustomButton(owner) {
  resize(80, 27);
  FGlyph.SetOnChange([this](TGraphicsObject*) { update(); });
  InitUIStyle(FindFormUIStyle(owner));
}

TsuiButton::~TsuiButton() = default;

void TsuiButton::ApplyUIStyle(TsuiUIStyle style) {
  if (style == Custom) return;
  SetResHandle(0);
  SetThemePictures(GetThemeString(style, teButtonNormal), GetThemeString(style, teButtonMouseOn),
                   GetThemeString(style, teButtonMouseDown));
}

void TsuiButton::UIStyleChanged() {
  TsuiCustomButton::UIStyleChanged();
  SetTransparent(UIStyle() == MacOS || UIStyle() == BlueGlass);
}

void TsuiButton::SetPicNormalResName(const QString& value) {
  SetUIStyle(Custom);
  TsuiCustomButton::SetPicNormalResName(value);
}

void TsuiButton::SetPicMouseOnResName(const QString& value) {
  SetUIStyle(Custom);
  TsuiCustomButton::SetPicMouseOnResName(value);
}

void TsuiButton::SetPicMouseDownResName(const QString& value) {
  SetUIStyle(Custom);
  TsuiCustomButton::SetPicMouseDownResName(value);
}

QString TsuiButton::GetPicNormalResName() const {
  return UIStyle() == Custom ? TsuiCustomButton::GetPicNormalResName() : QString();
}
QString TsuiButton::GetPicMouseOnResName() const {
  return UIStyle() == Custom ? TsuiCustomButton::GetPicMouseOnResName() : QString();
}
QString TsuiButton::GetPicMouseDownResName() const {
  return UIStyle() == Custom ? TsuiCustomButton::GetPicMouseDownResName() : QString();
}

void TsuiButton::SetGlyph(const TBitmap& value) {
  FGlyph.Assign(const_cast<TBitmap*>(&value));
  update();
}

void TsuiButton::SetLayout(TButtonLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  update();
}

void TsuiButton::SetSpacing(int value) {
  if (value == FSpacing) return;
  FSpacing = value;
  update();
}

TsuiButton::TGlyphPlace TsuiButton::PlaceGlyph(TButtonLayout layout, QSize size, QSize glyph, QSize text, int spacing) {
  const int W = size.width(), H = size.height(), gw = glyph.width(), gh = glyph.height();
  const int tw = text.width(), th = text.height(), S = spacing;
  TGlyphPlace p;
  switch (layout) {
    case blGlyphLeft:
      p.Glyph = QPoint((W - gw - tw - S) / 2, (H - gh) / 2);
      p.Text = QPoint(p.Glyph.x() + gw + S, (H - th) / 2);
      break;
    case blGlyphRight:
      p.Glyph = QPoint((W + tw + S - gw) / 2, (H - gh) / 2);
      p.Text = QPoint(p.Glyph.x() - tw - S, (H - th) / 2);
      break;
    case blGlyphTop:
      p.Glyph = QPoint((W - gw) / 2, (H - th - gh - S) / 2);
      p.Text = QPoint((W - tw) / 2, p.Glyph.y() + gh + S);
      break;
    case blGlyphBottom:
      p.Glyph = QPoint((W - gw) / 2, (H + th + S - gh) / 2);
      p.Text = QPoint((W - tw) / 2, p.Glyph.y() - th - S);
      break;
  }
  return p;
}

TsuiButtonState TsuiButton::State() const {
  TsuiButtonState s = TsuiCustomButton::State();
  if (!FGlyph.Empty()) s.GlyphSize = QSize(FGlyph.Width(), FGlyph.Height());
  s.GlyphLayout = FLayout;
  s.Spacing = FSpacing;
  return s;
}

TsuiButtonLayout TsuiButton::LayOut(const TsuiButtonState& s) const {
  TsuiButtonLayout l = TsuiCustomButton::LayOut(s);
  if (s.Style == MacOS || s.Style == BlueGlass) {
    l.BoldCaption = s.Focused && s.TabStop;
    l.FocusRect = QRect();
  }
  if (s.GlyphSize.isEmpty()) return l;
  const QFontMetrics metrics(s.Font);
  const QSize text(metrics.horizontalAdvance(PlainCaption(s.Caption)), metrics.height());
  const int gh = s.GlyphSize.height();
  // A glyph twice as wide as high holds two frames: normal and disabled.
  const bool twoFrames = s.GlyphSize.width() == 2 * gh;
  const int gw = twoFrames ? gh : s.GlyphSize.width();
  const TGlyphPlace place = PlaceGlyph(s.GlyphLayout, s.Size, QSize(gw, gh), text, s.Spacing);
  l.GlyphPos = s.Pressed ? place.Glyph + QPoint(1, 1) : place.Glyph;
  l.GlyphFrame = QRect(twoFrames && !s.Enabled ? gw : 0, 0, gw, gh);
  l.GlyphGreyed = !twoFrames && !s.Enabled;
  l.CaptionRect = QRect(place.Text, QPoint(s.Size.width() - 1, s.Size.height() - 1));
  l.CaptionFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
  l.ClipCaption = true;
  return l;
}

void TsuiButton::DrawSkin(const TsuiButtonPaint& paint, const TBitmap& skin) {
  const TsuiButtonState& s = paint.State;
  if (s.Style != Custom)
    DrawNinePart(skin, paint.Canvas, QRect(QPoint(0, 0), s.Size), s.PicTransparent);
  else
    TsuiCustomButton::DrawSkin(paint, skin);
  if (paint.Layout.GlyphFrame.isEmpty()) return;
  const TColor key = FGlyph.Pixel(0, 0);
  DrawPictureFrame(paint.Canvas, FGlyph, paint.Layout.GlyphFrame, paint.Layout.GlyphPos, &key,
                   paint.Layout.GlyphGreyed);
}

// ---- TsuiImageButton ----

TsuiImageButton::TsuiImageButton(TComponent* owner) : TsuiCustomButton(owner) {
  for (TBitmap* picture : {&FPicNormal, &FPicMouseOn, &FPicMouseDown, &FPicDisabled})
    picture->SetOnChange([this](TGraphicsObject*) { PictureChanged(); });
}

TsuiImageButton::~TsuiImageButton() = default;

void TsuiImageButton::PictureChanged() {
  AutoSizeChanged();
  update();
}

void TsuiImageButton::SetPicNormal(const TBitmap& value) { FPicNormal.Assign(const_cast<TBitmap*>(&value)); }
void TsuiImageButton::SetPicMouseOn(const TBitmap& value) { FPicMouseOn.Assign(const_cast<TBitmap*>(&value)); }
void TsuiImageButton::SetPicMouseDown(const TBitmap& value) { FPicMouseDown.Assign(const_cast<TBitmap*>(&value)); }
void TsuiImageButton::SetPicDisabled(const TBitmap& value) { FPicDisabled.Assign(const_cast<TBitmap*>(&value)); }

void TsuiImageButton::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  update();
}

void TsuiImageButton::AutoSizeChanged() {
  if (parentWidget() && AutoSize() && !FPicNormal.Empty())
    SetBounds(Left(), Top(), FPicNormal.Width(), FPicNormal.Height());
}

void TsuiImageButton::LoadPicNormal(TBitmap& bitmap) const {
  if (!FPicNormal.Empty()) bitmap.Assign(const_cast<TBitmap*>(&FPicNormal));
}

namespace {
void CopyOrNormal(TBitmap& bitmap, const TBitmap& own, const TBitmap& normal) {
  const TBitmap& from = own.Empty() ? normal : own;
  if (!from.Empty()) bitmap.Assign(const_cast<TBitmap*>(&from));
}
}  // namespace

void TsuiImageButton::LoadPicMouseOn(TBitmap& bitmap) const { CopyOrNormal(bitmap, FPicMouseOn, FPicNormal); }
void TsuiImageButton::LoadPicMouseDown(TBitmap& bitmap) const { CopyOrNormal(bitmap, FPicMouseDown, FPicNormal); }
void TsuiImageButton::LoadPicDisabled(TBitmap& bitmap) const { CopyOrNormal(bitmap, FPicDisabled, FPicNormal); }

void TsuiImageButton::DrawSkin(const TsuiButtonPaint& paint, const TBitmap& skin) {
  if (skin.Empty()) return;
  const TColor key = skin.Pixel(0, 0);
  const TColor* keyed = paint.State.PicTransparent ? &key : nullptr;
  const QRect whole(0, 0, skin.Width(), skin.Height());
  if (!FStretch) {
    DrawPictureFrame(paint.Canvas, skin, whole, QPoint(0, 0), keyed, false);
    return;
  }
  const QImage image = PictureFrameImage(skin, whole, paint.Canvas.device()->devicePixelRatio(), keyed);
  paint.Canvas.drawImage(QRect(QPoint(0, 0), paint.State.Size), image);
}
