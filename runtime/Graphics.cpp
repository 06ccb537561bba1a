#include "Graphics.h"

#include "Exceptions.h"
#include "Streams.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPixmap>
#include <QPixmapCache>
#include <QThread>
#include <array>
#include <utility>

namespace {

// Classic desktop values, 0x00BBGGRR.
constexpr std::array<int32_t, 25> kSystemRGB = {0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000,
                                                0x000000, 0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A,
                                                0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF,
                                                0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF};

struct TColorName {
  TColor Color;
  const char* Name;
};
constexpr TColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

}  // namespace

int32_t ColorToRGB(TColor color) {
  const uint32_t v = static_cast<uint32_t>(color.Value);
  if ((v & 0xFF000000u) == 0xFF000000u) {
    const uint32_t index = v & 0xFFu;
    return index < kSystemRGB.size() ? kSystemRGB[index] : 0;
  }
  if (color == clNone) return 0;
  if (color == clDefault) return kSystemRGB[5];
  return static_cast<int32_t>(v & 0x00FFFFFFu);
}

QColor ToQColor(TColor color) {
  const int32_t rgb = ColorToRGB(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor FromQColor(const QColor& c) { return TColor(c.red() | (c.green() << 8) | (c.blue() << 16)); }

QString ColorToIdent(TColor color) {
  for (const auto& n : kColorNames)
    if (n.Color == color) return QString::fromLatin1(n.Name);
  return {};
}

bool IdentToColor(const QString& text, TColor& color) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return false;
  for (const auto& n : kColorNames)
    if (t.compare(QLatin1String(n.Name), Qt::CaseInsensitive) == 0) {
      color = n.Color;
      return true;
    }
  bool ok = false;
  qlonglong v = 0;
  if (t.startsWith(QLatin1Char('$')))
    v = t.mid(1).toLongLong(&ok, 16);
  else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
    v = t.mid(2).toLongLong(&ok, 16);
  else
    v = t.toLongLong(&ok, 10);
  if (!ok || v < INT32_MIN || v > UINT32_MAX) return false;
  color = TColor(static_cast<int32_t>(static_cast<uint32_t>(v)));
  return true;
}

// ---- TFont ----

const char* const TFont::DefaultName = "Sans Serif";

void TFont::Assign(TPersistent* source) {
  if (auto* f = qobject_cast<TFont*>(source)) {
    FCharset = f->FCharset;
    FColor = f->FColor;
    FHeight = f->FHeight;
    FName = f->FName;
    FPitch = f->FPitch;
    FStyle = f->FStyle;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

namespace {
// a * b / c rounded to the nearest, halves away from zero.
int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}
}  // namespace

int TFont::Size() const { return -MulDiv(FHeight, 72, PixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, PixelsPerInch, 72)); }

QFont TFont::ToQFont() const {
  QFont f(FName);
  // A positive height includes the internal leading; take the usual 1/8 of it off.
  f.setPixelSize(std::max(1, FHeight < 0 ? -FHeight : FHeight * 7 / 8));
  f.setBold(FStyle.testFlag(fsBold));
  f.setItalic(FStyle.testFlag(fsItalic));
  f.setUnderline(FStyle.testFlag(fsUnderline));
  f.setStrikeOut(FStyle.testFlag(fsStrikeOut));
  if (FPitch == fpFixed) f.setFixedPitch(true);
  return f;
}

// ---- TPen ----

void TPen::Assign(TPersistent* source) {
  if (auto* p = qobject_cast<TPen*>(source)) {
    FColor = p->FColor;
    FMode = p->FMode;
    FStyle = p->FStyle;
    FWidth = p->FWidth;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

QPen TPen::ToQPen() const {
  QPen pen(ToQColor(FColor));
  pen.setWidth(FWidth);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  switch (FStyle) {
    case psSolid:
    case psInsideFrame: pen.setStyle(Qt::SolidLine); break;
    case psDash: pen.setStyle(Qt::DashLine); break;
    case psDot: pen.setStyle(Qt::DotLine); break;
    case psDashDot: pen.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
    case psClear: pen.setStyle(Qt::NoPen); break;
  }
  if (FMode == pmBlack) pen.setColor(Qt::black);
  if (FMode == pmWhite) pen.setColor(Qt::white);
  if (FMode == pmNop) pen.setStyle(Qt::NoPen);
  return pen;
}

QPainter::CompositionMode PenModeToComposition(TPenMode mode) {
  switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

// ---- TBrush ----

void TBrush::Assign(TPersistent* source) {
  if (auto* b = qobject_cast<TBrush*>(source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

QBrush TBrush::ToQBrush() const {
  static constexpr Qt::BrushStyle kStyles[] = {Qt::SolidPattern, Qt::NoBrush,         Qt::HorPattern,
                                               Qt::VerPattern,   Qt::FDiagPattern,    Qt::BDiagPattern,
                                               Qt::CrossPattern, Qt::DiagCrossPattern};
  return QBrush(ToQColor(FColor), kStyles[FStyle]);
}

// ---- TCanvas ----

TCanvas::TCanvas(QPainter& painter) : FPainter(painter) {}

void TCanvas::UsePen() {
  FPainter.setPen(FPen.ToQPen());
  FPainter.setCompositionMode(PenModeToComposition(FPen.Mode()));
}

void TCanvas::MoveTo(int x, int y) { FPenPos = QPoint(x, y); }

void TCanvas::LineTo(int x, int y) {
  const QPoint to(x, y);
  if (to != FPenPos && FPen.Style() != psClear && FPen.Mode() != pmNop) {
    UsePen();
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.drawLine(FPenPos, to);
  }
  FPenPos = to;
}

void TCanvas::FillRect(const QRect& rect) {
  if (FBrush.Style() == bsClear) return;
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  FPainter.fillRect(rect, FBrush.ToQBrush());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  FillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
  if (FPen.Style() == psClear) return;
  UsePen();
  FPainter.setBrush(Qt::NoBrush);
  FPainter.drawRect(QRect(QPoint(left, top), QPoint(right - 2, bottom - 2)));
}

void TCanvas::TextOut(int x, int y, const QString& text) {
  FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QFont font = FFont.ToQFont();
  FPainter.setFont(font);
  const QFontMetrics m(font);
  const QRect r(x, y, m.horizontalAdvance(text), m.height());
  if (FBrush.Style() != bsClear) FPainter.fillRect(r, FBrush.ToQBrush());
  FPainter.setPen(ToQColor(FFont.Color()));
  FPainter.drawText(QPoint(x, y + m.ascent()), text);
}

int TCanvas::TextWidth(const QString& text) { return QFontMetrics(FFont.ToQFont()).horizontalAdvance(text); }

int TCanvas::TextHeight(const QString& text) {
  (void)text;
  return QFontMetrics(FFont.ToQFont()).height();
}

// ---- TBitmap ----

namespace {
QImage Normalised(const QImage& image, qreal ratio) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  result.setDevicePixelRatio(ratio);
  return result;
}

QByteArray PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QByteArray ReadAll(TStream& stream) {
  const int64_t size = stream.Size() - stream.Position();
  QByteArray bytes(qsizetype(size), Qt::Uninitialized);
  if (size > 0) stream.ReadBuffer(bytes.data(), int32_t(size));
  return bytes;
}

QRgb ToQRgb(TColor color) {
  const int32_t v = ColorToRGB(color);
  return qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
}  // namespace

QImage KeyedImage(const QImage& image, TColor key) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb k = ToQRgb(key) & 0xFFFFFFu;
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x)
      if ((line[x] & 0xFFFFFFu) == k) line[x] = 0;
  }
  return result;
}

void TBitmap::Assign(TPersistent* source) {
  if (auto* b = qobject_cast<TBitmap*>(source)) {
    if (b == this) return;
    FImage = b->FImage;
    FImage2x = b->FImage2x;
    FTransparent = b->FTransparent;
    FTransparentColor = b->FTransparentColor;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

void TBitmap::DefineProperties(TFiler& filer) {
  TGraphicsObject::DefineProperties(filer);
  // The plain image is read first: it drops any fine image, which then follows.
  filer.DefineBinaryProperty(
      QStringLiteral("Data"),
      [this](TStream& s) {
        if (!LoadFromData(ReadAll(s))) throw EReadError(QStringLiteral("Bitmap image is not valid."));
      },
      [this](TStream& s) {
        const QByteArray png = PngBytes(FImage);
        s.WriteBuffer(png.constData(), int32_t(png.size()));
      },
      !Empty());
  filer.DefineBinaryProperty(
      QStringLiteral("Data2x"),
      [this](TStream& s) {
        QImage fine;
        if (!fine.loadFromData(ReadAll(s)) || Empty() || fine.size() != FImage.size() * 2)
          throw EReadError(QStringLiteral("Bitmap image is not valid."));
        FImage2x = Normalised(fine, 2);
        Changed();
      },
      [this](TStream& s) {
        const QByteArray png = PngBytes(FImage2x);
        s.WriteBuffer(png.constData(), int32_t(png.size()));
      },
      Has2x());
}

void TBitmap::SetSize(int width, int height) {
  FImage2x = QImage();
  if (width <= 0 || height <= 0) {
    FImage = QImage();
  } else {
    FImage = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    FImage.fill(Qt::white);
  }
  Changed();
}

void TBitmap::Clear() { SetSize(0, 0); }

void TBitmap::SetImage(const QImage& image) {
  if (image.isNull()) return Clear();
  if (qFuzzyCompare(image.devicePixelRatio(), 2.0) && image.width() % 2 == 0 && image.height() % 2 == 0) {
    FImage2x = Normalised(image, 2);
    FImage = Normalised(image.scaled(image.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 1);
  } else {
    FImage = Normalised(image, 1);
    FImage2x = QImage();
  }
  Changed();
}

void TBitmap::SetImages(const QImage& plain, const QImage& fine) {
  if (plain.isNull()) return Clear();
  FImage = Normalised(plain, 1);
  FImage2x = !fine.isNull() && fine.size() == plain.size() * 2 ? Normalised(fine, 2) : QImage();
  Changed();
}

const QImage& TBitmap::ImageFor(qreal devicePixelRatio) const {
  return devicePixelRatio > 1.0 && Has2x() ? FImage2x : FImage;
}

bool TBitmap::LoadFromData(const QByteArray& plain, const QByteArray& fine) {
  QImage a, b;
  if (!a.loadFromData(plain)) return false;
  if (!fine.isEmpty() && !b.loadFromData(fine)) return false;
  SetImages(a, b);
  return true;
}

bool TBitmap::LoadFromFile(const QString& fileName) {
  QImage a(fileName);
  if (a.isNull()) return false;
  const QFileInfo info(fileName);
  const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
  const QString fine = fileName.left(fileName.size() - suffix.size()) + QStringLiteral("@2x") + suffix;
  SetImages(a, QFileInfo::exists(fine) ? QImage(fine) : QImage());
  return true;
}

TColor TBitmap::Pixel(int x, int y) const {
  if (!FImage.valid(x, y)) return clNone;
  return FromQColor(QColor::fromRgb(FImage.pixel(x, y)));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (!FImage.valid(x, y)) return;
  FImage.setPixel(x, y, ToQRgb(color));
  FImage2x = QImage();
  Changed();
}

TColor TBitmap::KeyColor() const {
  if (FTransparentColor != clDefault) return FTransparentColor;
  return Empty() ? clNone : Pixel(0, Height() - 1);
}

void TBitmap::Draw(QPainter& painter, int x, int y) const {
  DrawPart(painter, QRect(x, y, Width(), Height()), QRect(0, 0, Width(), Height()));
}

void TBitmap::StretchDraw(QPainter& painter, const QRect& target) const {
  DrawPart(painter, target, QRect(0, 0, Width(), Height()));
}

void TBitmap::DrawPart(QPainter& painter, const QRect& target, const QRect& source) const {
  DrawPart(painter, target, source, FTransparent, KeyColor());
}

namespace {
// Qt's pixmap cache serves the thread of a GUI application only.
bool PixmapCacheUsable() {
  const QCoreApplication* app = QCoreApplication::instance();
  return qobject_cast<const QGuiApplication*>(app) && QThread::currentThread() == app->thread();
}

// The whole image keyed, once per image and key: a repaint then copies no pixels.
bool FindKeyed(const QImage& image, TColor key, QPixmap& keyed) {
  if (!PixmapCacheUsable()) return false;
  const QString name = QStringLiteral("tamsel-keyed:%1:%2").arg(image.cacheKey()).arg(static_cast<qint64>(ColorToRGB(key)));
  if (QPixmapCache::find(name, &keyed)) return true;
  keyed = QPixmap::fromImage(KeyedImage(image, key).convertToFormat(QImage::Format_ARGB32_Premultiplied));
  QPixmapCache::insert(name, keyed);
  return true;
}
}  // namespace

void TBitmap::DrawPart(QPainter& painter, const QRect& target, const QRect& source, bool keyed, TColor key) const {
  const QRect src = source.intersected(QRect(0, 0, Width(), Height()));
  if (Empty() || target.isEmpty() || src.isEmpty()) return;
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  const QImage& image = ImageFor(ratio);
  const int scale = &image == &FImage2x ? 2 : 1;
  const QRect part(src.x() * scale, src.y() * scale, src.width() * scale, src.height() * scale);
  // Only the hint is changed, so it alone is put back: a saved state per piece costs more than the piece.
  const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  QPixmap cached;
  if (!keyed) {
    painter.drawImage(QRectF(target), image, QRectF(part));
  } else if (FindKeyed(image, key, cached)) {
    painter.drawPixmap(QRectF(target), cached, QRectF(part));
  } else {
    const QImage piece = KeyedImage(image.copy(part), key);
    painter.drawImage(QRectF(target), piece, QRectF(piece.rect()));
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}
