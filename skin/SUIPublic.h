#pragma once
// What every skinned control draws with: loading skin pictures, tiling,
// three- and nine-part stretching with a key colour, the parent's background
// under a transparent control, a two-colour window frame, turning pictures,
// and the desktop's work area.
//
// How a skinned control is built:
// * It derives from the Qt widget that already gives it its keyboard handling
//   and accessibility (QAbstractButton for buttons, and so on) and overrides
//   painting only, so focus, keys, screen readers and signals keep working.
// * It keeps a small state value (style, enabled, hover, pressed, checked,
//   focus, geometry) and one drawing function paints from that value alone;
//   no paint code reads live widget state. Setters return early when nothing
//   changes, then ask for one repaint.
// * Every size comes from the loaded picture, never from a constant: a fine
//   (2x) picture keeps its logical size and is drawn sharp on a dense screen.
#include "Graphics.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>

class QFont;
class QPainter;
class QWidget;

// Where skin pictures come from; 0 is the program's own pictures.
using TModuleHandle = intptr_t;

// Loads the named picture (and its fine version) of module into bitmap;
// a name the module does not carry raises EResNotFound.
void LoadSkinBitmap(TBitmap& bitmap, TModuleHandle module, const QString& name);
// The same from the program's own pictures, except that a name they do not
// carry (or none) leaves bitmap empty instead of raising.
void LoadSkinBitmapOrClear(TBitmap& bitmap, const QString& name);
// True when the program's own pictures hold name.
bool SkinBitmapExists(const QString& name);

// Paints control's parent (without its other children) under control, so
// the control looks transparent. Nothing without a parent.
void PaintParentBackground(QPainter& canvas, QWidget* control);
// Repeats picture from the canvas origin until rect's width and height are
// covered; with only, just the tiles that reach into it.
void DrawTiled(QPainter& canvas, const TBitmap& picture, const QRect& rect, const QRect& only = QRect());
// Three frames of width Width div 3: the first and last at rect's ends, the
// middle one stretched between; with transparent the pixel (0, 0) is the key.
void DrawThreePart(const TBitmap& bitmap, QPainter& canvas, const QRect& rect, bool transparent);
// Stretches a skin picture over rect keeping its corners unscaled. Magenta is
// always left out of the edges and the centre; of the corners only with
// transparent.
void DrawNinePart(const TBitmap& bitmap, QPainter& canvas, const QRect& rect, bool transparent);
// A one-pixel ring in outer around windowRect and one in inner inside it.
void DrawWindowFrame(QPainter& canvas, const QRect& windowRect, TColor outer, TColor inner);
// The same on the whole of control; call it while control paints.
void DrawWindowFrame(QWidget* control, TColor outer, TColor inner);
// Quarter turns in place: left is counter-clockwise.
void RotateBitmapLeft(TBitmap& bitmap);
void RotateBitmapRight(TBitmap& bitmap);
// All four edges count: rect.left() <= x <= rect.left() + rect.width(), the same for y.
bool PointInRect(const QPoint& point, const QRect& rect);
// The desktop's work area: the primary screen without panels and docks.
QRect GetWorkArea();
void GetWorkArea(QRect& rect);
// The work area of the screen form is on (the primary one when it has none).
QRect GetWorkArea(const QWidget* form);
void SetFormBounds(QWidget* form, const QRect& rect);
// A caption as it reads and is measured: "&" marks dropped, "&&" kept as one "&".
QString PlainCaption(const QString& caption);
// False while the program is not the active one; true for no form and for the
// main window; otherwise whether form's window is the active one.
bool IsFormActive(QWidget* form);
// The disabled look of a skin picture: every pixel turned a light grey of its
// own brightness, except magenta and key, which stay so keying still works.
void FadeBitmap(TBitmap& bitmap, TColor key);
// The character height of a font in pixels (the stored font height).
int FontPixelHeight(const QFont& font);
// A frame (logical pixels) of a picture as an image of the given density,
// with the pixels of key left out when one is given.
QImage PictureFrameImage(const TBitmap& bitmap, const QRect& frame, qreal ratio, const TColor* key);
// Draws a picture frame with its top-left at at, the way image lists do:
// keyed or plain, as it is or greyed (the embossed disabled look).
void DrawPictureFrame(QPainter& canvas, const TBitmap& bitmap, const QRect& frame, QPoint at, const TColor* key,
                      bool greyed);
// The window system's focus rectangle: the frame's pixels of one
// checkerboard colour inverted. Nothing for an empty rectangle.
void DrawFocusRect(QPainter& canvas, const QRect& rect);
