// Writes the program icon into the folder given as argument: tamsel.svg and
// tamsel-<size>.png. The PNGs are drawn with the same shapes as the SVG: a
// blue rounded square, a white microphone and a red recording dot.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const char* const kSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <rect x="8" y="8" width="240" height="240" rx="40" fill="#334995"/>
  <rect x="96" y="40" width="64" height="112" rx="32" fill="#ffffff"/>
  <path d="M72 120 a56 56 0 0 0 112 0" fill="none" stroke="#ffffff" stroke-width="14" stroke-linecap="round"/>
  <rect x="121" y="176" width="14" height="32" fill="#ffffff"/>
  <rect x="92" y="204" width="72" height="14" rx="7" fill="#ffffff"/>
  <circle cx="200" cy="64" r="26" fill="#e0453a"/>
</svg>
)";

QImage Draw(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x33, 0x49, 0x95));
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(96, 40, 64, 112), 32, 32);
  p.drawRect(QRectF(121, 176, 14, 32));
  p.drawRoundedRect(QRectF(92, 204, 72, 14), 7, 7);
  QPen arc(Qt::white, 14, Qt::SolidLine, Qt::RoundCap);
  p.setPen(arc);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(72, 64, 112, 112), 180 * 16, 180 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe0, 0x45, 0x3a));
  p.drawEllipse(QPointF(200, 64), 26, 26);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QDir().mkpath(out);
  QFile svg(out + QStringLiteral("/tamsel.svg"));
  if (!svg.open(QIODevice::WriteOnly) || svg.write(kSvg) < 0) return 1;
  for (int size : {16, 32, 48, 64, 128, 256})
    if (!Draw(size).save(out + QStringLiteral("/tamsel-%1.png").arg(size))) return 1;
  return 0;
}
