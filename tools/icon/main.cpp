// Draws the program icon into an icon-theme tree: tamsel-icon OUTDIR writes
// OUTDIR/hicolor/scalable/apps/tamsel.svg and tamsel.png at every size the
// desktop asks for, plain and twice as fine (NxN@2). The SVG and the PNGs are
// made from the one list of shapes below, so they cannot drift apart: a blue
// rounded square, a white microphone on its stand and a red recording dot.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>

namespace {

constexpr double kCanvas = 256;  // the SVG's view box; the PNGs scale it

struct TBox {  // a filled rectangle with rounded corners (radius 0: square)
  double X, Y, W, H, Radius;
  const char* Colour;
};
constexpr TBox kBoxes[] = {
    {8, 8, 240, 240, 40, "#334995"},   // the tile
    {96, 40, 64, 112, 32, "#ffffff"},  // the microphone's head
    {121, 176, 14, 32, 0, "#ffffff"},  // its stem
    {92, 204, 72, 14, 7, "#ffffff"},   // its foot
};
// The stand's cradle: the lower half of a circle, stroked with round ends.
struct TCradle {
  double CX, CY, Radius, Width;
  const char* Colour;
};
constexpr TCradle kCradle{128, 120, 56, 14, "#ffffff"};
struct TDot {
  double CX, CY, Radius;
  const char* Colour;
};
constexpr TDot kDot{200, 64, 26, "#e0453a"};

QString Svg() {
  QString svg =
      QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n")
          .arg(kCanvas);
  for (const TBox& b : kBoxes)
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
               .arg(b.X)
               .arg(b.Y)
               .arg(b.W)
               .arg(b.H)
               .arg(b.Radius)
               .arg(QLatin1String(b.Colour));
  const TCradle& c = kCradle;
  svg += QStringLiteral(
             "  <path d=\"M%1 %2 a%3 %3 0 0 0 %4 0\" fill=\"none\" stroke=\"%5\" stroke-width=\"%6\" "
             "stroke-linecap=\"round\"/>\n")
             .arg(c.CX - c.Radius)
             .arg(c.CY)
             .arg(c.Radius)
             .arg(2 * c.Radius)
             .arg(QLatin1String(c.Colour))
             .arg(c.Width);
  svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n</svg>\n")
             .arg(kDot.CX)
             .arg(kDot.CY)
             .arg(kDot.Radius)
             .arg(QLatin1String(kDot.Colour));
  return svg;
}

QImage Draw(int pixels) {
  QImage image(pixels, pixels, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(pixels / kCanvas, pixels / kCanvas);
  p.setPen(Qt::NoPen);
  for (const TBox& b : kBoxes) {
    p.setBrush(QColor(QLatin1String(b.Colour)));
    p.drawRoundedRect(QRectF(b.X, b.Y, b.W, b.H), b.Radius, b.Radius);
  }
  const TCradle& c = kCradle;
  p.setPen(QPen(QColor(QLatin1String(c.Colour)), c.Width, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.CX - c.Radius, c.CY - c.Radius, 2 * c.Radius, 2 * c.Radius), 180 * 16, 180 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(QLatin1String(kDot.Colour)));
  p.drawEllipse(QPointF(kDot.CX, kDot.CY), kDot.Radius, kDot.Radius);
  return image;
}

bool Write(const QString& folder, const QString& name, const QByteArray& bytes, const QImage* image) {
  if (!QDir().mkpath(folder)) return false;
  const QString path = folder + QLatin1Char('/') + name;
  if (image) return image->save(path, "PNG");
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tamsel-icon OUTDIR\n");
    return 2;
  }
  const QString theme = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
  bool ok = Write(theme + QStringLiteral("scalable/apps"), QStringLiteral("tamsel.svg"), Svg().toUtf8(), nullptr);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
    for (int scale : {1, 2}) {
      const QImage image = Draw(size * scale);
      const QString folder =
          QStringLiteral("%1x%1%2/apps").arg(size).arg(scale == 2 ? QStringLiteral("@2") : QString());
      ok = Write(theme + folder, QStringLiteral("tamsel.png"), {}, &image) && ok;
    }
  }
  if (!ok) {
    std::fprintf(stderr, "tamsel-icon: cannot write the icons into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
