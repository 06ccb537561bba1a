#pragma once
// Colours, fonts, pens and brushes as persistent values that controls own
// and publish (nested in the window description as Font, PenLeft, Brush).
#include "Classes.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QMetaType>
#include <QPainter>
#include <QPen>
#include <QString>
#include <cstdint>
#include <functional>

// A colour as stored: 0x00BBGGRR for an explicit colour, 0xFF0000nn for the
// system colour nn, plus the two markers clNone and clDefault.
struct TColor {
  int32_t Value = 0;
  constexpr TColor() = default;
  constexpr TColor(int32_t value) : Value(value) {}  // NOLINT: colours read as numbers
  friend constexpr bool operator==(TColor, TColor) = default;
  constexpr int32_t ToInt() const { return Value; }
};
Q_DECLARE_METATYPE(TColor)

constexpr TColor SystemColor(int index) { return TColor(static_cast<int32_t>(0xFF000000u | uint32_t(index))); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF, clLtGray = 0xC0C0C0, clDkGray = 0x808080, clMoneyGreen = 0xC0DCC0,
                 clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0, clNone = 0x1FFFFFFF,
                 clDefault = 0x20000000;
constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1), clActiveCaption = SystemColor(2),
                 clInactiveCaption = SystemColor(3), clMenu = SystemColor(4), clWindow = SystemColor(5),
                 clWindowFrame = SystemColor(6), clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                 clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10), clInactiveBorder = SystemColor(11),
                 clAppWorkSpace = SystemColor(12), clHighlight = SystemColor(13), clHighlightText = SystemColor(14),
                 clBtnFace = SystemColor(15), clBtnShadow = SystemColor(16), clGrayText = SystemColor(17),
                 clBtnText = SystemColor(18), clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                 cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24);

// The 0x00BBGGRR value a colour paints with (system colours from a fixed
// table, so drawing does not depend on the desktop theme).
int32_t ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
// "clBlack" for a named colour, nothing otherwise.
QString ColorToIdent(TColor color);
// Accepts an identifier ("clBtnFace"), a decimal number or "$BBGGRR" / "0xBBGGRR".
bool IdentToColor(const QString& text, TColor& color);

namespace Graphics {
Q_NAMESPACE
enum TFontStyle { fsBold = 0x1, fsItalic = 0x2, fsUnderline = 0x4, fsStrikeOut = 0x8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)
enum TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
Q_ENUM_NS(TPenStyle)
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
Q_ENUM_NS(TPenMode)
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
Q_ENUM_NS(TBrushStyle)
}  // namespace Graphics
Q_DECLARE_OPERATORS_FOR_FLAGS(Graphics::TFontStyles)
using Graphics::TBrushStyle;
using Graphics::TFontPitch;
using Graphics::TFontStyle;
using Graphics::TFontStyles;
using Graphics::TPenMode;
using Graphics::TPenStyle;
using enum Graphics::TFontStyle;
using enum Graphics::TFontPitch;
using enum Graphics::TPenStyle;
using enum Graphics::TPenMode;
using enum Graphics::TBrushStyle;

// Base of the drawing objects: Changed runs OnChange, so the owner repaints.
class TGraphicsObject : public TPersistent {
  Q_OBJECT
 public:
  using TChangeEvent = std::function<void(TGraphicsObject* sender)>;
  using TPersistent::TPersistent;
  const TChangeEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TChangeEvent handler) { FOnChange = std::move(handler); }

 protected:
  void Changed() {
    if (FOnChange) FOnChange(this);
  }
  // Stores a new value and reports the change; an equal value is no change.
  template <class T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }

 private:
  TChangeEvent FOnChange;
};

class TFont : public TGraphicsObject {
  Q_OBJECT
  Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(QString Name READ Name WRITE SetName)
  Q_PROPERTY(Graphics::TFontPitch Pitch READ Pitch WRITE SetPitch)
  Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
  Q_PROPERTY(Graphics::TFontStyles Style READ Style WRITE SetStyle)
  Q_CLASSINFO("Default:Charset", "1")
  Q_CLASSINFO("Default:Color", "clWindowText")
  Q_CLASSINFO("Default:Pitch", "fpDefault")
  Q_CLASSINFO("Default:Style", "")
 public:
  static constexpr int PixelsPerInch = 96;
  static const char* const DefaultName;
  explicit TFont(QObject* parent = nullptr) : TGraphicsObject(parent) {}
  void Assign(TPersistent* source) override;

  int Charset() const { return FCharset; }
  void SetCharset(int v) { Set(FCharset, v); }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { Set(FColor, v); }
  // Negative: character height in pixels; positive: cell height.
  int Height() const { return FHeight; }
  void SetHeight(int v) { Set(FHeight, v); }
  const QString& Name() const { return FName; }
  void SetName(const QString& v) { Set(FName, v); }
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch v) { Set(FPitch, v); }
  // Points, derived from Height.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles v) { Set(FStyle, v); }

  QFont ToQFont() const;

 private:
  int FCharset = 1;
  TColor FColor = clWindowText;
  int FHeight = -11;
  QString FName = QString::fromLatin1(DefaultName);
  TFontPitch FPitch = fpDefault;
  TFontStyles FStyle;
};

class TPen : public TGraphicsObject {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Graphics::TPenMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(Graphics::TPenStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_CLASSINFO("Default:Color", "clBlack")
  Q_CLASSINFO("Default:Mode", "pmCopy")
  Q_CLASSINFO("Default:Style", "psSolid")
  Q_CLASSINFO("Default:Width", "1")
 public:
  explicit TPen(QObject* parent = nullptr) : TGraphicsObject(parent) {}
  void Assign(TPersistent* source) override;

  TColor Color() const { return FColor; }
  void SetColor(TColor v) { Set(FColor, v); }
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode v) { Set(FMode, v); }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle v) { Set(FStyle, v); }
  int Width() const { return FWidth; }
  void SetWidth(int v) { Set(FWidth, v < 0 ? 0 : v); }

  QPen ToQPen() const;

 private:
  TColor FColor = clBlack;
  TPenMode FMode = pmCopy;
  TPenStyle FStyle = psSolid;
  int FWidth = 1;
};

class TBrush : public TGraphicsObject {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Graphics::TBrushStyle Style READ Style WRITE SetStyle)
  Q_CLASSINFO("Default:Color", "clWhite")
  Q_CLASSINFO("Default:Style", "bsSolid")
 public:
  explicit TBrush(QObject* parent = nullptr) : TGraphicsObject(parent) {}
  void Assign(TPersistent* source) override;

  TColor Color() const { return FColor; }
  void SetColor(TColor v) { Set(FColor, v); }
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle v) { Set(FStyle, v); }

  QBrush ToQBrush() const;

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

// How a pen mode combines with what is already drawn.
QPainter::CompositionMode PenModeToComposition(TPenMode mode);

// A drawing surface with a current pen position, over a QPainter the caller
// owns (typically made in paintEvent).
class TCanvas {
 public:
  explicit TCanvas(QPainter& painter);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TFont& Font() { return FFont; }
  QPainter& Painter() { return FPainter; }

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Fills left..right-1, top..bottom-1 with the brush, like the rectangle arguments everywhere else.
  void FillRect(const QRect& rect);
  void Rectangle(int left, int top, int right, int bottom);
  void TextOut(int x, int y, const QString& text);
  int TextWidth(const QString& text);
  int TextHeight(const QString& text);

 private:
  void UsePen();
  QPainter& FPainter;
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  QPoint FPenPos;
};

// A picture that controls own and store with the window (a glyph, a title
// section): measured in logical pixels, held in device pixels. Besides the
// plain image it may carry one drawn twice as fine, which drawing picks on a
// high-density target, so a sharp picture never has to be scaled up.
class TBitmap : public TGraphicsObject {
  Q_OBJECT
 public:
  explicit TBitmap(QObject* parent = nullptr) : TGraphicsObject(parent) {}
  void Assign(TPersistent* source) override;
  // Stored as PNG bytes: "Data" (the plain image) and "Data2x" when present.
  void DefineProperties(TFiler& filer) override;

  bool Empty() const { return FImage.isNull(); }
  int Width() const { return FImage.width(); }
  int Height() const { return FImage.height(); }
  // Makes it a blank (white) picture of that size, dropping what it held;
  // 0 in either direction empties it.
  void SetSize(int width, int height);
  void Clear();

  // The plain image (device pixel ratio 1) and the fine one (ratio 2, null when none).
  const QImage& Image() const { return FImage; }
  const QImage& Image2x() const { return FImage2x; }
  bool Has2x() const { return !FImage2x.isNull(); }
  // An image at ratio 1 replaces both; at ratio 2 it becomes the fine image and
  // a plain one is made from it. Other ratios are taken as plain.
  void SetImage(const QImage& image);
  // Both at once; fine must be exactly twice plain's size (or null).
  void SetImages(const QImage& plain, const QImage& fine);
  // The image to draw on a target of that device pixel ratio.
  const QImage& ImageFor(qreal devicePixelRatio) const;
  // Reads PNG (or any Qt image format) bytes; false when they are not a picture.
  bool LoadFromData(const QByteArray& plain, const QByteArray& fine = {});
  // Reads fileName and, when it exists, the same name with "@2x" before the extension.
  bool LoadFromFile(const QString& fileName);

  // Pixels of the plain image, 0x00BBGGRR; writing one drops the fine image.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // With Transparent, pixels of the key colour are left out when drawn. The key
  // is TransparentColor, or the bottom-left pixel while that is clDefault.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { Set(FTransparent, value); }
  TColor TransparentColor() const { return FTransparentColor; }
  void SetTransparentColor(TColor value) { Set(FTransparentColor, value); }
  TColor KeyColor() const;

  // Draws the whole picture at its logical size.
  void Draw(QPainter& painter, int x, int y) const;
  // Stretches the whole picture into target (nearest pixel, no smoothing).
  void StretchDraw(QPainter& painter, const QRect& target) const;
  // Stretches the logical source part into target; transparency as set on the
  // picture unless keyed says otherwise.
  void DrawPart(QPainter& painter, const QRect& target, const QRect& source) const;
  void DrawPart(QPainter& painter, const QRect& target, const QRect& source, bool keyed, TColor key) const;

 private:
  QImage FImage;
  QImage FImage2x;
  bool FTransparent = false;
  TColor FTransparentColor = clDefault;
};

// The image with every pixel of the key colour (0x00BBGGRR) made fully transparent.
QImage KeyedImage(const QImage& image, TColor key);
