#pragma once
// The skin pictures as drawings: each is a name, a logical size, how its
// background is keyed out, and a function that paints it in logical pixels.
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPointF>
#include <QSize>
#include <QString>
#include <functional>
#include <initializer_list>
#include <vector>

class QPainter;

namespace SkinArt {

enum class TKey {
  None,     // opaque: uncovered and half-covered pixels sit on Backdrop
  Magenta,  // uncovered pixels become $FF00FF, half-covered ones sit on Backdrop
  White,    // the same with white
};

struct TPicture {
  QString Name;
  QSize Size;
  TKey Key = TKey::None;
  // What the picture will be drawn on; edge pixels are mixed with it, never with the key.
  QColor Backdrop;
  std::function<void(QPainter&)> Draw;
};

// A closed outline through the points, in order.
QPainterPath Outline(std::initializer_list<QPointF> points);
// A two-colour gradient along the line from one point to another.
QLinearGradient Gradient(QPointF from, QPointF to, const QColor& a, const QColor& b);

// Every picture of every style and the shared ones.
std::vector<TPicture> AllPictures();
// The picture drawn at scale (1 or 2): size × scale device pixels, ratio scale.
QImage Render(const TPicture& picture, int scale);

}  // namespace SkinArt
