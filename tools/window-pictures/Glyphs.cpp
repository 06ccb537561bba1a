#include "Glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

namespace {

// One light from the top left for every glyph: each gradient runs light to dark.
using SkinArt::Gradient;

void RecordDot(QPainter& p) {
  QRadialGradient g(QPointF(4.6, 3.8), 6.5);
  g.setColorAt(0, QColor(0xFF, 0x9A, 0x8A));
  g.setColorAt(0.45, QColor(0xE5, 0x3B, 0x2C));
  g.setColorAt(1, QColor(0xA8, 0x1E, 0x14));
  p.setPen(QPen(QColor(0x8C, 0x16, 0x0E), 0.8));
  p.setBrush(g);
  p.drawEllipse(QPointF(6, 5.5), 4.3, 4.3);
}

void StopSquare(QPainter& p) {
  p.setPen(QPen(QColor(0x24, 0x2E, 0x3C), 0.8));
  p.setBrush(Gradient(QPointF(2, 2), QPointF(10, 10), QColor(0x7C, 0x8C, 0xA4), QColor(0x33, 0x40, 0x55)));
  p.drawRoundedRect(QRectF(2.4, 1.9, 7.2, 7.2), 1.2, 1.2);
}

void PlayTriangle(QPainter& p) {
  const QPainterPath path = SkinArt::Outline({{3, 1.2}, {10.6, 5.5}, {3, 9.8}});
  p.setPen(QPen(QColor(0x1B, 0x6A, 0x26), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Gradient(QPointF(3, 1), QPointF(9, 10), QColor(0x8C, 0xE0, 0x7A), QColor(0x2C, 0x9A, 0x3A)));
  p.drawPath(path);
}

// Three level bars: the shape of the sound a format describes.
void FormatBars(QPainter& p) {
  const double heights[] = {5, 9, 7, 3};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    const QRectF bar(0.6 + i * 3.2, 10 - heights[i], 2.4, heights[i]);
    p.setBrush(Gradient(bar.topLeft(), bar.bottomRight(), QColor(0x6F, 0xA8, 0xE8), QColor(0x2A, 0x5C, 0xA8)));
    p.drawRoundedRect(bar, 0.6, 0.6);
  }
}

void ExitDoor(QPainter& p) {
  // The door frame, open, and an arrow leaving it.
  p.setPen(QPen(QColor(0x5A, 0x45, 0x30), 1));
  p.setBrush(Gradient(QPointF(2, 1), QPointF(10, 15), QColor(0xE8, 0xC8, 0x98), QColor(0xB0, 0x80, 0x50)));
  p.drawRect(QRectF(2.5, 1.5, 7, 13));
  p.setBrush(Gradient(QPointF(3, 2), QPointF(8, 15), QColor(0xA8, 0x72, 0x40), QColor(0x70, 0x48, 0x24)));
  const QPainterPath leaf = SkinArt::Outline({{2.5, 1.5}, {7, 3}, {7, 15.5}, {2.5, 14.5}});
  p.drawPath(leaf);
  const QPainterPath arrow =
      SkinArt::Outline({{8.5, 6.5}, {11.5, 6.5}, {11.5, 4.2}, {15.3, 8}, {11.5, 11.8}, {11.5, 9.5}, {8.5, 9.5}});
  p.setPen(QPen(QColor(0x9E, 0x1C, 0x12), 0.8, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Gradient(QPointF(9, 4), QPointF(15, 12), QColor(0xFF, 0x7A, 0x60), QColor(0xD0, 0x2C, 0x1C)));
  p.drawPath(arrow);
}

void SaveDisk(QPainter& p) {
  const QPainterPath body = SkinArt::Outline({{1.5, 2.5}, {13.5, 2.5}, {15.5, 4.5}, {15.5, 15.5}, {1.5, 15.5}});
  p.setPen(QPen(QColor(0x1E, 0x36, 0x6A), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Gradient(QPointF(1, 2), QPointF(16, 16), QColor(0x5C, 0x8A, 0xDA), QColor(0x26, 0x4C, 0x98)));
  p.drawPath(body);
  // The label and the shutter.
  p.setPen(QPen(QColor(0x90, 0x98, 0xA8), 0.6));
  p.setBrush(QColor(0xF8, 0xF8, 0xF4));
  p.drawRect(QRectF(4, 2.5, 8.5, 5.5));
  p.setBrush(Gradient(QPointF(4, 10), QPointF(13, 15), QColor(0xD8, 0xDC, 0xE4), QColor(0x98, 0xA0, 0xB0)));
  p.drawRect(QRectF(4.5, 10.5, 8, 5));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x34, 0x48, 0x70));
  p.drawRect(QRectF(9.5, 11.5, 1.8, 3));
}

void HomePage(QPainter& p) {
  const QPainterPath roof = SkinArt::Outline({{8, 1.2}, {15.2, 8}, {0.8, 8}});
  p.setPen(QPen(QColor(0x84, 0x1E, 0x14), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Gradient(QPointF(3, 1), QPointF(13, 8), QColor(0xF2, 0x6A, 0x4E), QColor(0xB4, 0x2A, 0x1A)));
  p.drawPath(roof);
  p.setPen(QPen(QColor(0x6A, 0x5A, 0x48), 0.9));
  p.setBrush(Gradient(QPointF(3, 8), QPointF(13, 15), QColor(0xFC, 0xF4, 0xE4), QColor(0xD8, 0xC8, 0xAC)));
  p.drawRect(QRectF(3, 8, 10, 7));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x4A, 0x7C, 0xC8));
  p.drawRect(QRectF(6.6, 10.5, 2.8, 4.5));
}

}  // namespace

std::vector<SkinArt::TPicture> RecorderGlyphs(const QColor& face) {
  using SkinArt::TKey;
  return {
      {QStringLiteral("btnRecord"), QSize(12, 11), TKey::Magenta, face, RecordDot},
      {QStringLiteral("btnStop"), QSize(12, 11), TKey::Magenta, face, StopSquare},
      {QStringLiteral("btnPlay"), QSize(12, 11), TKey::Magenta, face, PlayTriangle},
      {QStringLiteral("btnFormat"), QSize(13, 10), TKey::Magenta, face, FormatBars},
      {QStringLiteral("suiButton2"), QSize(16, 16), TKey::Magenta, face, ExitDoor},
      {QStringLiteral("suiButton3"), QSize(17, 17), TKey::Magenta, face, SaveDisk},
      {QStringLiteral("suiButton4"), QSize(16, 16), TKey::Magenta, face, HomePage},
  };
}
