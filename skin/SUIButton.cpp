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

// The character height of a font in pixels (the stored font height).
int FontPixelHeight(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).ascent() + QFontMetrics(font).descent();
}

// A frame of a picture as an image of the target's density, with pixels of
// key left out when asked.
QImage FrameImage(const TBitmap& bitmap, const QRect& frame, qreal ratio, const TColor* key) {
  const QImage& source = bitmap.ImageFor(ratio);
  const qreal scale = qreal(source.width()) / std::max(1, bitmap.Width());
  const QRect device(qRound(frame.x() * scale), qRound(frame.y() * scale), qRound(frame.width() * scale),
                     qRound(frame.height() * scale));
  QImage part = source.copy(device).convertToFormat(QImage::Format_ARGB32);
  if (key) part = KeyedImage(part, *key).convertToFormat(QImage::Format_ARGB32);
  part.setDevicePixelRatio(scale);
  return part;
}

// The disabled look of a picture: every opaque pixel that is not white is
// drawn in shadow grey over a white copy moved by one pixel.
void DrawEmbossed(QPainter& canvas, const QImage& image, QPoint at) {
  QImage mask(image.size(), QImage::Format_ARGB32);
  mask.setDevicePixelRatio(image.devicePixelRatio());
  mask.fill(Qt::transparent);
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    QRgb* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = in[x];
      const bool white = qRed(p) > 0xF0 && qGreen(p) > 0xF0 && qBlue(p) > 0xF0;
      if (qAlpha(p) >= 0x80 && !white) out[x] = 0xFF000000u;
    }
  }
  auto tinted = [&](const QColor& color) {
    QImage t = mask;
    QPainter p(&t);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRect(QPoint(0, 0), t.size()), color);
    return t;
  };
  canvas.drawImage(at + QPoint(1, 1), tinted(kDisabledHighlight));
  canvas.drawImage(at, tinted(kDisabledShadow));
}

// Draws a picture frame the way the buttons' image lists do: keyed or plain,
// as it is or in the disabled look.
void DrawFrame(QPainter& canvas, const TBitmap& bitmap, const QRect& frame, QPoint at, const TColor* key, bool greyed) {
  if (bitmap.Empty() || frame.isEmpty()) return;
  const QImage image = FrameImage(bitmap, frame, canvas.device() ? canvas.device()->devicePixelRatio() : 1.0, key);
  if (greyed)
    DrawEmbossed(canvas, image, at);
  else
    canvas.drawImage(at, image);
}

// The window system's focus rectangle: the frame's pixels of one checkerboard
// colour inverted.
void DrawFocusRect(QPainter& canvas, const QRect& r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  canvas.save();
  canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  canvas.setPen(QPen(Qt::white, 0));
  const int right = r.x() + r.width() - 1, bottom = r.y() + r.height() - 1;
  auto dot = [&](int x, int y) {
    if ((x + y) % 2 == 0) canvas.drawPoint(x, y);
  };
  for (int x = r.x(); x <= right; ++x) {
    dot(x, r.y());
    if (bottom != r.y()) dot(x, bottom);
  }
  for (int y = r.y() + 1; y < bottom; ++y) {
    dot(r.x(), y);
    if (right != r.x()) dot(right, y);
  }
  canvas.restore();
}

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
  DrawFrame(paint.Canvas, skin, QRect(0, 0, skin.Width(), skin.Height()), paint.Layout.SkinPos,
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
  DrawFrame(paint.Canvas, FGlyph, paint.Layout.GlyphFrame, paint.Layout.GlyphPos, &key, paint.Layout.GlyphGreyed);
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
    DrawFrame(paint.Canvas, skin, whole, QPoint(0, 0), keyed, false);
    return;
  }
  const QImage image = FrameImage(skin, whole, paint.Canvas.device()->devicePixelRatio(), keyed);
  paint.Canvas.drawImage(QRect(QPoint(0, 0), paint.State.Size), image);
}

// ---- TsuiCustomButtonEx ----

TsuiCustomButtonEx::TsuiCustomButtonEx(TComponent* owner) : TsuiCustomButton(owner) {
  setCheckable(true);
  SetParentColor(true);
  resize(93, height());
}

void TsuiCustomButtonEx::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  setChecked(value);
  CheckedChanged();
  update();
}

void TsuiCustomButtonEx::Click() {
  if (isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus) setFocus(Qt::OtherFocusReason);
  Toggle();
  TsuiCustomButton::Click();
}

void TsuiCustomButtonEx::UIStyleChanged() { ApplyUIStyle(UIStyle()); }

void TsuiCustomButtonEx::AdjustBounds() {
  if (!AutoSize() || FAdjusting) return;
  FAdjusting = true;
  const QFont f = font();
  const int h = std::max(FontPixelHeight(f) + 2, GetPicHeight()) + 4;
  const int w = GetPicWidth() + QFontMetrics(f).horizontalAdvance(PlainCaption(Caption())) + 8;
  SetBounds(Left(), Top(), w, h);
  FAdjusting = false;
}

void TsuiCustomButtonEx::resizeEvent(QResizeEvent* event) {
  TsuiCustomButton::resizeEvent(event);
  AdjustBounds();
}

void TsuiCustomButtonEx::changeEvent(QEvent* event) {
  TsuiCustomButton::changeEvent(event);
  if (event->type() == QEvent::FontChange) AdjustBounds();
}

void TsuiCustomButtonEx::mouseDoubleClickEvent(QMouseEvent* event) {
  TsuiCustomButton::mouseDoubleClickEvent(event);
  DoDblClick();
}

TsuiButtonState TsuiCustomButtonEx::State() const {
  TsuiButtonState s = TsuiCustomButton::State();
  s.PicSize = QSize(GetPicWidth(), GetPicHeight());
  return s;
}

TsuiButtonLayout TsuiCustomButtonEx::LayOut(const TsuiButtonState& s) const {
  TsuiButtonLayout l;
  l.SkinPos = QPoint(1, (s.Size.height() - s.PicSize.height()) / 2);
  const QPoint caption(s.PicSize.width() + 4, (s.Size.height() - (FontPixelHeight(s.Font) + 2)) / 2);
  const QPoint corner(s.Size.width() - 1, s.Size.height() - 1);
  l.CaptionRect = QRect(caption, corner);
  l.CaptionFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (s.Focused && s.TabStop) l.FocusRect = QRect(caption - QPoint(1, 0), corner);
  return l;
}

void TsuiCustomButtonEx::DrawCaption(const TsuiButtonPaint& paint) {
  const TsuiButtonState& s = paint.State;
  FCaptionRect = paint.Layout.CaptionRect;
  paint.Canvas.setFont(s.Font);
  paint.Canvas.setPen(s.Enabled ? s.TextColor : kDisabledShadow);
  paint.Canvas.drawText(FCaptionRect, paint.Layout.CaptionFlags, s.Caption);
}

// ---- TsuiCheckBox ----

TsuiCheckBox::TsuiCheckBox(TComponent* owner) : TsuiCustomButtonEx(owner) {
  SetPicTransparent(false);
  SetCaption(QStringLiteral("suiCheckBox"));
  resize(width(), 17);
  InitUIStyle(FindFormUIStyle(owner));
}

void TsuiCheckBox::Toggle() {
  SetChecked(!Checked());
  AfterToggle();
}

void TsuiCheckBox::TransparentChanged() { SetPicTransparent(false); }

void TsuiCheckBox::UIStyleChanged() {
  ApplyUIStyle(UIStyle());
  switch (UIStyle()) {
    case Custom: break;
    case MacOS:
    case Protein: SetTransparent(true); break;
    case WinXP:
    case DeepBlue:
    case BlueGlass: SetTransparent(false); break;
  }
}

void TsuiCheckBox::ApplyPictureEntries(TsuiUIStyle style, const TPictureEntries& e) {
  SetResHandle(0);
  const bool enabled = isEnabled();
  if (Checked())
    SetThemePictures(GetThemeString(style, enabled ? e.CheckedNormal : e.CheckedDisabled),
                     GetThemeString(style, e.CheckedMouseOn), GetThemeString(style, e.CheckedMouseDown));
  else
    SetThemePictures(GetThemeString(style, enabled ? e.UncheckedNormal : e.UncheckedDisabled),
                     GetThemeString(style, e.UncheckedMouseOn), GetThemeString(style, e.UncheckedMouseDown));
}

void TsuiCheckBox::ApplyUIStyle(TsuiUIStyle style) {
  ApplyPictureEntries(style, {teCheckBoxChecked, teCheckBoxDisabledChecked, teCheckBoxUnchecked,
                              teCheckBoxDisabledUnchecked, teCheckBoxMouseOnChecked, teCheckBoxMouseDownChecked,
                              teCheckBoxMouseOnUnchecked, teCheckBoxMouseDownUnchecked});
}

namespace {
QSize EntryPictureSize(TsuiUIStyle style, TThemeEntryIndex entry) {
  const QString name = GetThemeString(style, entry);
  if (name.isEmpty()) return QSize(0, 0);
  TBitmap picture;
  try {
    LoadSkinBitmap(picture, 0, name);
  } catch (const Exception&) {
    return QSize(0, 0);
  }
  return {picture.Width(), picture.Height()};
}
}  // namespace

int TsuiCheckBox::GetPicWidth() const { return EntryPictureSize(UIStyle(), teCheckBoxUnchecked).width(); }
int TsuiCheckBox::GetPicHeight() const { return EntryPictureSize(UIStyle(), teCheckBoxUnchecked).height(); }

// ---- TsuiRadioButton ----

TsuiRadioButton::TsuiRadioButton(TComponent* owner) : TsuiCheckBox(owner) {
  SetPicTransparent(true);
  SetCaption(QStringLiteral("suiRadioButton"));
  resize(width(), 17);
  InitUIStyle(UIStyle());
}

void TsuiRadioButton::Toggle() {
  if (!Checked()) SetChecked(true);
}

void TsuiRadioButton::CheckedChanged() {
  if (Checked())
    if (QWidget* parent = parentWidget())
      for (QObject* child : parent->children())
        if (auto* other = qobject_cast<TsuiRadioButton*>(child);
            other && other != this && other->GroupIndex() == FGroupIndex)
          other->SetChecked(false);
  TsuiCheckBox::CheckedChanged();
}

void TsuiRadioButton::TransparentChanged() { SetPicTransparent(true); }

void TsuiRadioButton::ApplyUIStyle(TsuiUIStyle style) {
  ApplyPictureEntries(style,
                      {teRadioButtonChecked, teRadioButtonDisabledChecked, teRadioButtonUnchecked,
                       teRadioButtonDisabledUnchecked, teRadioButtonMouseOnChecked, teRadioButtonMouseDownChecked,
                       teRadioButtonMouseOnUnchecked, teRadioButtonMouseDownUnchecked});
  update();
}
