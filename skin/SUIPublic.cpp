#include "SUIPublic.h"

#include "Application.h"
#include "Controls.h"
#include "Exceptions.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QScreen>
#include <QThread>
#include <QTransform>
#include <QWidget>
#include <algorithm>

// The skin pictures are compiled into the library; a static library needs
// its resources registered by hand.
static void InitSkinPictures() { Q_INIT_RESOURCE(tamsel_skin_pictures); }

namespace {
const QString kSkinRoot = QStringLiteral(":/skin/");
constexpr TColor kNineKey = clFuchsia;

void EnsureSkinPictures() {
  static const bool done = (InitSkinPictures(), true);
  (void)done;
}

// The disabled look of a picture: every opaque pixel that is not white is
// drawn in shadow grey over a white copy moved by one pixel.
void DrawEmbossed(QPainter& canvas, const QImage& image, QPoint at) {
  const QColor shadow(0x80, 0x80, 0x80), highlight(0xFF, 0xFF, 0xFF);
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
  canvas.drawImage(at + QPoint(1, 1), tinted(highlight));
  canvas.drawImage(at, tinted(shadow));
}

// Draws piece (a logical part of bitmap) into target; keyed with key when asked.
void Put(const TBitmap& bitmap, QPainter& canvas, const QRect& target, const QRect& piece, bool keyed, TColor key) {
  if (piece.width() <= 0 || piece.height() <= 0 || target.width() <= 0 || target.height() <= 0) return;
  bitmap.DrawPart(canvas, target, piece, keyed, key);
}

int Div(int a) { return a / 2; }
}  // namespace

bool SkinBitmapExists(const QString& name) {
  EnsureSkinPictures();
  return !name.isEmpty() && QFile::exists(kSkinRoot + name + QStringLiteral(".bmp"));
}

namespace {
// Decoded pictures live in Qt's pixmap cache, which serves a GUI
// application's own thread only; elsewhere every load decodes.
bool PictureCacheUsable() {
  const QCoreApplication* app = QCoreApplication::instance();
  return qobject_cast<const QGuiApplication*>(app) && QThread::currentThread() == app->thread();
}

QString PictureKey(const QString& name, bool fine) {
  return QStringLiteral("tamsel-skin:") + name + (fine ? QStringLiteral("@2x") : QString());
}

// The cached picture of name, both sizes; false when either was never stored or was dropped.
bool FindCachedPicture(TBitmap& bitmap, const QString& name) {
  QPixmap plain, fine;
  if (!QPixmapCache::find(PictureKey(name, false), &plain)) return false;
  if (!QPixmapCache::find(PictureKey(name, true), &fine) && QFile::exists(kSkinRoot + name + QStringLiteral("@2x.bmp")))
    return false;
  // A raster pixmap hands out its image without copying it.
  bitmap.SetImages(plain.toImage(), fine.isNull() ? QImage() : fine.toImage());
  return true;
}
}  // namespace

void LoadSkinBitmap(TBitmap& bitmap, TModuleHandle module, const QString& name) {
  const bool cached = module == 0 && !name.isEmpty() && PictureCacheUsable();
  if (cached && FindCachedPicture(bitmap, name)) return;
  if (module != 0 || !SkinBitmapExists(name) || !bitmap.LoadFromFile(kSkinRoot + name + QStringLiteral(".bmp")))
    throw EResNotFound(QStringLiteral("Resource %1 not found.").arg(name));
  if (!cached) return;
  QPixmapCache::insert(PictureKey(name, false), QPixmap::fromImage(bitmap.Image()));
  if (bitmap.Has2x()) QPixmapCache::insert(PictureKey(name, true), QPixmap::fromImage(bitmap.Image2x()));
}

void LoadSkinBitmapOrClear(TBitmap& bitmap, const QString& name) {
  try {
    LoadSkinBitmap(bitmap, 0, name);
  } catch (const EResNotFound&) {
    bitmap.Clear();
  }
}

void PaintParentBackground(QPainter& canvas, QWidget* control) {
  if (!control) return;
  QWidget* parent = control->parentWidget();
  if (!parent) return;
  // Through an image of the control's size: rendering straight onto a painter
  // that is painting a widget offsets it twice.
  const qreal ratio = canvas.device() ? canvas.device()->devicePixelRatioF() : 1.0;
  const QRect area = QRect(control->pos(), control->size()).intersected(parent->rect());
  if (area.isEmpty()) return;
  QImage under(control->size() * ratio, QImage::Format_ARGB32_Premultiplied);
  under.setDevicePixelRatio(ratio);
  under.fill(Qt::transparent);
  parent->render(&under, area.topLeft() - control->pos(), QRegion(area), QWidget::DrawWindowBackground);
  canvas.drawImage(QPoint(0, 0), under);
}

void DrawTiled(QPainter& canvas, const TBitmap& picture, const QRect& rect, const QRect& only) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return;
  // The tiles keep their places; those wholly outside only are not drawn.
  const QRect wanted = only.isNull() ? QRect(0, 0, rect.width() + w, rect.height() + h) : only;
  const int firstX = std::max(0, wanted.left() / w * w), firstY = std::max(0, wanted.top() / h * h);
  const int endX = std::min(rect.width() + w, wanted.right() + 1),
            endY = std::min(rect.height() + h, wanted.bottom() + 1);
  for (int x = firstX; x < endX; x += w)
    for (int y = firstY; y < endY; y += h) picture.Draw(canvas, x, y);
}

void DrawThreePart(const TBitmap& bitmap, QPainter& canvas, const QRect& rect, bool transparent) {
  const int fw = bitmap.Width() / 3, h = bitmap.Height();
  if (fw <= 0 || h <= 0) return;
  const TColor key = bitmap.Pixel(0, 0);
  const int right = rect.x() + rect.width();
  Put(bitmap, canvas, QRect(rect.x(), rect.y(), fw, h), QRect(0, 0, fw, h), transparent, key);
  Put(bitmap, canvas, QRect(right - fw, rect.y(), fw, h), QRect(2 * fw, 0, fw, h), transparent, key);
  Put(bitmap, canvas, QRect(rect.x() + fw, rect.y(), rect.width() - 2 * fw, rect.height()), QRect(fw, 0, fw, h),
      transparent, key);
}

void DrawNinePart(const TBitmap& bitmap, QPainter& canvas, const QRect& rect, bool transparent) {
  const int sw = bitmap.Width(), sh = bitmap.Height();
  if (sw <= 0 || sh <= 0) return;
  const int W = rect.width(), H = rect.height();
  const int right = rect.x() + W, bottom = rect.y() + H;
  // The corner's size: the smaller of source and target half, never negative.
  auto fit = [](int source, int target) { return std::max(0, std::min(source, target)); };
  auto corner = [&](const QRect& target, const QRect& piece) {
    if (piece.width() > 0 && piece.height() > 0) Put(bitmap, canvas, target, piece, transparent, kNineKey);
  };
  auto edge = [&](const QRect& target, const QRect& piece) { Put(bitmap, canvas, target, piece, true, kNineKey); };
  // Rectangles as left, top, right, bottom, the way the pieces are worked out.
  auto ltrb = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };

  // 1. Top left.
  int tw = fit(Div(sw), Div(W)), th = fit(Div(sh), Div(H));
  corner(ltrb(0, 0, tw, th), ltrb(0, 0, tw, th));
  const QRect TL = ltrb(0, 0, tw, th);
  // 2. Bottom left: the source keeps its bottom rows.
  tw = fit(Div(sw), Div(W));
  th = fit(sh - (sh - Div(sh) + 1), H - (H - Div(H) + 1));
  corner(ltrb(0, bottom - th, tw, bottom), ltrb(0, sh - th, tw, sh));
  const QRect BL = ltrb(0, bottom - th, tw, bottom);
  // 3. Left edge, cut to the target width from its left.
  {
    const int tl = 0, tt = TL.y() + TL.height(), tr = TL.x() + TL.width(), tb = BL.y();
    const int cw = fit(Div(sw), tr - tl);
    edge(ltrb(tl, tt, tr, tb), ltrb(0, Div(sh), cw, sh - Div(sh)));
  }
  // 4. Top right: the source keeps its right columns.
  tw = fit(sw - (sw - Div(sw) + 1), W - (W - Div(W) + 1));
  th = fit(Div(sh), Div(H));
  corner(ltrb(right - tw, 0, right, th), ltrb(sw - tw, 0, sw, th));
  const QRect TR = ltrb(right - tw, 0, right, th);
  // 5. Bottom right: the source keeps its bottom-right part.
  tw = fit(sw - (sw - Div(sw) + 1), W - (W - Div(W) + 1));
  th = fit(sh - (sh - Div(sh) + 1), H - (H - Div(H) + 1));
  corner(ltrb(right - tw, bottom - th, right, bottom), ltrb(sw - tw, sh - th, sw, sh));
  const QRect BR = ltrb(right - tw, bottom - th, right, bottom);
  // 6. Right edge, cut to the target width from its right.
  {
    const int tl = TR.x(), tt = TR.y() + TR.height(), tr = TR.x() + TR.width(), tb = BR.y();
    const int cw = fit(sw - (sw - Div(sw) + 1), tr - tl);
    edge(ltrb(tl, tt, tr, tb), ltrb(sw - cw, sh - Div(sh), sw, Div(sh) + 2));
  }
  // 7. Top edge, cut to the target height from its top.
  {
    const int tl = TL.x() + TL.width(), tt = 0, tr = TR.x(), tb = TL.y() + TL.height();
    const int ch = fit(Div(sh), tb - tt);
    edge(ltrb(tl, tt, tr, tb), ltrb(Div(sw), 0, sw - Div(sw) + 1, ch));
  }
  // 8. Centre.
  edge(ltrb(TL.x() + TL.width(), TL.y() + TL.height(), TR.x(), BR.y() - 1),
       ltrb(Div(sw), Div(sh), sw - Div(sw) + 1, sh - Div(sh)));
  // 9. Bottom edge, cut to the target height from its bottom.
  {
    const int tl = TL.x() + TL.width() - 1, tt = BL.y() - 1, tr = BR.x(), tb = BR.y() + BR.height();
    const int ch = fit(sh - (sh - Div(sh)), tb - tt);
    edge(ltrb(tl, tt, tr, tb), ltrb(Div(sw), sh - ch, sw - Div(sw) + 1, sh));
  }
}

void DrawWindowFrame(QPainter& canvas, const QRect& windowRect, TColor outer, TColor inner) {
  const QRect r(0, 0, windowRect.width(), windowRect.height());
  if (r.isEmpty()) return;
  canvas.save();
  canvas.setPen(Qt::NoPen);
  auto frame = [&canvas](const QRect& rect, const QColor& color) {
    if (rect.isEmpty()) return;
    canvas.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), color);
    canvas.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), color);
    canvas.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), color);
    canvas.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), color);
  };
  frame(r, ToQColor(outer));
  frame(r.adjusted(1, 1, -1, -1), ToQColor(inner));
  canvas.restore();
}

void DrawWindowFrame(QWidget* control, TColor outer, TColor inner) {
  if (!control) return;
  QPainter painter(control);
  DrawWindowFrame(painter, control->rect(), outer, inner);
}

namespace {
void Turn(TBitmap& bitmap, int degrees) {
  if (bitmap.Empty()) return;
  const QTransform turn = QTransform().rotate(degrees);
  const QImage plain = bitmap.Image().transformed(turn);
  const QImage fine = bitmap.Has2x() ? bitmap.Image2x().transformed(turn) : QImage();
  bitmap.SetImages(plain, fine);
}
}  // namespace

void RotateBitmapLeft(TBitmap& bitmap) { Turn(bitmap, -90); }
void RotateBitmapRight(TBitmap& bitmap) { Turn(bitmap, 90); }

bool PointInRect(const QPoint& point, const QRect& rect) {
  return point.x() >= rect.left() && point.x() <= rect.left() + rect.width() && point.y() >= rect.top() &&
         point.y() <= rect.top() + rect.height();
}

QRect GetWorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

void GetWorkArea(QRect& rect) { rect = GetWorkArea(); }

QRect GetWorkArea(const QWidget* form) {
  const QScreen* screen = form ? form->screen() : nullptr;
  return screen ? screen->availableGeometry() : GetWorkArea();
}

void SetFormBounds(QWidget* form, const QRect& rect) {
  if (!form) return;
  if (auto* control = dynamic_cast<TControl*>(form))
    control->SetBounds(rect.left(), rect.top(), rect.width(), rect.height());
  else
    form->setGeometry(rect);
}

bool IsFormActive(QWidget* form) {
  if (QGuiApplication::applicationState() != Qt::ApplicationActive) return false;
  if (!form) return true;
  const TApplication* app = TApplication::Instance();
  if (app && app->MainForm() == form) return true;
  return form->isActiveWindow();
}

void FadeBitmap(TBitmap& bitmap, TColor key) {
  if (bitmap.Empty()) return;
  const QRgb keyRgb = ToQColor(key).rgb() & 0xFFFFFF;
  auto fade = [&](const QImage& source) {
    if (source.isNull()) return QImage();
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = line[x], rgb = p & 0xFFFFFF;
        if (rgb == 0xFF00FF || rgb == keyRgb) continue;
        const int g = 0x80 + qGray(p) / 2;
        line[x] = qRgba(g, g, g, qAlpha(p));
      }
    }
    image.setDevicePixelRatio(1.0);
    return image;
  };
  const QImage plain = fade(bitmap.Image()), fine = fade(bitmap.Image2x());
  bitmap.SetImages(plain, fine);
}

QString PlainCaption(const QString& caption) {
  QString plain;
  plain.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&')) {
      if (i + 1 >= caption.size()) break;
      ++i;
    }
    plain += caption[i];
  }
  return plain;
}

int FontPixelHeight(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).ascent() + QFontMetrics(font).descent();
}

QImage PictureFrameImage(const TBitmap& bitmap, const QRect& frame, qreal ratio, const TColor* key) {
  const QImage& source = bitmap.ImageFor(ratio);
  const qreal scale = qreal(source.width()) / std::max(1, bitmap.Width());
  const QRect device(qRound(frame.x() * scale), qRound(frame.y() * scale), qRound(frame.width() * scale),
                     qRound(frame.height() * scale));
  QImage part = source.copy(device).convertToFormat(QImage::Format_ARGB32);
  if (key) part = KeyedImage(part, *key).convertToFormat(QImage::Format_ARGB32);
  part.setDevicePixelRatio(scale);
  return part;
}

void DrawPictureFrame(QPainter& canvas, const TBitmap& bitmap, const QRect& frame, QPoint at, const TColor* key,
                      bool greyed) {
  if (bitmap.Empty() || frame.isEmpty()) return;
  const QImage image =
      PictureFrameImage(bitmap, frame, canvas.device() ? canvas.device()->devicePixelRatio() : 1.0, key);
  if (greyed)
    DrawEmbossed(canvas, image, at);
  else
    canvas.drawImage(at, image);
}

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
