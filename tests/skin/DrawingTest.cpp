#include "SUIPublic.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <functional>

namespace {

// Every pixel names its source position; no pixel is magenta.
QRgb Code(int x, int y) { return qRgb(x * 3, y * 11, 40 + x + y); }

QImage CodedImage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, Code(x, y));
  return image;
}

// A picture of w x h coded pixels.
struct TCoded : TBitmap {
  TCoded(int w, int h) { SetImage(CodedImage(w, h)); }
};

const QRgb kGround = qRgb(0, 200, 0);
const QRgb kMagenta = qRgb(255, 0, 255);

QImage Canvas(int w, int h, qreal ratio = 1) {
  QImage image(int(w * ratio), int(h * ratio), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(kGround);
  return image;
}

QImage Paint(int w, int h, const std::function<void(QPainter&)>& draw, qreal ratio = 1) {
  QImage image = Canvas(w, h, ratio);
  QPainter p(&image);
  draw(p);
  return image;
}

}  // namespace

TEST(NinePart, TheButtonPictureInTheRecordersButtonKeepsItsCornersAndStretchesOnlyTheMiddle) {
  TCoded b(74, 21);
  const QImage out = Paint(90, 25, [&](QPainter& p) { DrawNinePart(b, p, QRect(0, 0, 90, 25), false); });
  // Where each target pixel comes from: corners 37x10, 37x9, 36x10, 36x9 unscaled,
  // single rows and columns between them.
  auto source = [](int x, int y) -> QPoint {
    const bool left = x < 37, right = x >= 54, top = y < 10, bottom = y >= 16;
    if (y >= 15 && x >= 36 && x < 54) return {37, y - 4};  // bottom edge, drawn last
    if (left && top) return {x, y};
    if (left && bottom) return {x, y - 4};
    if (right && top) return {x - 16, y};
    if (right && bottom) return {x - 16, y - 4};
    if (top) return {37, y};
    if (left) return {x, 10};
    if (right) return {x - 16, 11};
    return {37, 10};
  };
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 90; ++x) {
      const QPoint s = source(x, y);
      ASSERT_EQ(out.pixel(x, y), Code(s.x(), s.y())) << "target " << x << "," << y;
    }
}

TEST(NinePart, ARectangleSmallerThanTheCornersClipsEachCornerToHalfOfIt) {
  TCoded b(74, 21);
  const QImage out = Paint(20, 8, [&](QPainter& p) { DrawNinePart(b, p, QRect(0, 0, 20, 8), false); });
  // Top left 10 x 4 from the picture's top left; the others keep their outer edges.
  EXPECT_EQ(out.pixel(0, 0), Code(0, 0));
  EXPECT_EQ(out.pixel(9, 3), Code(9, 3));
  EXPECT_EQ(out.pixel(0, 7), Code(0, 20));
  EXPECT_EQ(out.pixel(19, 0), Code(73, 0));
  EXPECT_EQ(out.pixel(19, 7), Code(73, 20));
  EXPECT_EQ(out.pixel(16, 5), Code(70, 18));  // bottom right is 4 x 3
  EXPECT_EQ(out.pixel(5, 5), Code(5, 18));    // bottom left is 10 x 3
  // Nothing is drawn outside the target.
  const QImage wide = Paint(30, 10, [&](QPainter& p) { DrawNinePart(b, p, QRect(0, 0, 20, 8), false); });
  for (int y = 0; y < 10; ++y) EXPECT_EQ(wide.pixel(25, y), kGround);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(wide.pixel(x, 9), kGround);
}

TEST(NinePart, MagentaStaysOutOfEdgesAndCentreAndOfTheCornersOnlyWhenTransparent) {
  QImage image = CodedImage(74, 21);
  image.setPixel(37, 10, kMagenta);  // the centre's source
  image.setPixel(37, 2, kMagenta);   // a top edge row
  image.setPixel(0, 0, kMagenta);    // a corner
  image.setPixel(73, 20, kMagenta);
  TBitmap b;
  b.SetImage(image);
  for (bool transparent : {false, true}) {
    const QImage out = Paint(90, 25, [&](QPainter& p) { DrawNinePart(b, p, QRect(0, 0, 90, 25), transparent); });
    EXPECT_EQ(out.pixel(45, 12), kGround);
    EXPECT_EQ(out.pixel(40, 2), kGround);
    EXPECT_EQ(out.pixel(40, 3), Code(37, 3));
    EXPECT_EQ(out.pixel(0, 0), transparent ? kGround : kMagenta);
    EXPECT_EQ(out.pixel(89, 24), transparent ? kGround : kMagenta);
    EXPECT_EQ(out.pixel(1, 0), Code(1, 0));
  }
}

TEST(NinePart, AFinePictureOnADenseTargetIsDrawnFromItsOwnPixels) {
  TBitmap button;
  LoadSkinBitmap(button, 0, "PROTEIN_BUTTON_NORMAL");
  ASSERT_TRUE(button.Has2x());
  const QImage dense = Paint(
      90, 25, [&](QPainter& p) { DrawNinePart(button, p, QRect(0, 0, 90, 25), false); }, 2);
  ASSERT_EQ(dense.size(), QSize(180, 50));
  const QImage fine = button.Image2x();
  const QImage plain = button.Image();
  // The top-left corner, 37 x 10 logical, is the fine picture's own 74 x 20 pixels.
  int unlikeUpscaled = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 74; ++x) {
      ASSERT_EQ(dense.pixel(x, y) & 0xFFFFFF, fine.pixel(x, y) & 0xFFFFFF) << x << "," << y;
      if ((dense.pixel(x, y) & 0xFFFFFF) != (plain.pixel(x / 2, y / 2) & 0xFFFFFF)) ++unlikeUpscaled;
    }
  // Its rounded edge and border are finer than doubled plain pixels.
  EXPECT_GT(unlikeUpscaled, 20);
  // The bottom-right corner sits against the target's corner at full resolution.
  EXPECT_EQ(dense.pixel(179, 49) & 0xFFFFFF, fine.pixel(147, 41) & 0xFFFFFF);
}

TEST(ThreePart, EndsKeepTheirWidthAndTheMiddleStretches) {
  TCoded b(9, 5);
  const QImage out = Paint(50, 8, [&](QPainter& p) { DrawThreePart(b, p, QRect(10, 2, 30, 5), false); });
  EXPECT_EQ(out.pixel(9, 2), kGround);
  EXPECT_EQ(out.pixel(10, 2), Code(0, 0));
  EXPECT_EQ(out.pixel(12, 6), Code(2, 4));
  EXPECT_EQ(out.pixel(13, 2), Code(3, 0));
  EXPECT_EQ(out.pixel(36, 6), Code(5, 4));
  EXPECT_EQ(out.pixel(37, 2), Code(6, 0));
  EXPECT_EQ(out.pixel(39, 6), Code(8, 4));
  EXPECT_EQ(out.pixel(40, 2), kGround);
  EXPECT_EQ(out.pixel(20, 7), kGround);

  // With transparency the pixel (0, 0) is the key, in every frame.
  QImage keyed = b.Image();
  keyed.setPixel(0, 0, qRgb(1, 2, 3));
  keyed.setPixel(7, 1, qRgb(1, 2, 3));
  TBitmap k;
  k.SetImage(keyed);
  const QImage t = Paint(50, 8, [&](QPainter& p) { DrawThreePart(k, p, QRect(10, 2, 30, 5), true); });
  EXPECT_EQ(t.pixel(10, 2), kGround);
  EXPECT_EQ(t.pixel(38, 3), kGround);
  EXPECT_EQ(t.pixel(11, 2), Code(1, 0));
  const QImage plain = Paint(50, 8, [&](QPainter& p) { DrawThreePart(k, p, QRect(10, 2, 30, 5), false); });
  EXPECT_EQ(plain.pixel(10, 2), qRgb(1, 2, 3));
}

TEST(Tiled, RepeatsFromTheCanvasOriginPastTheRectangle) {
  TCoded b(3, 2);
  const QImage out = Paint(16, 12, [&](QPainter& p) { DrawTiled(p, b, QRect(5, 5, 7, 5)); });
  EXPECT_EQ(out.pixel(0, 0), Code(0, 0));
  EXPECT_EQ(out.pixel(4, 3), Code(1, 1));
  // Tiles start below w + width and h + height: x = 0..9 (to 11), y = 0..6 (to 7).
  EXPECT_EQ(out.pixel(11, 7), Code(2, 1));
  EXPECT_EQ(out.pixel(12, 0), kGround);
  EXPECT_EQ(out.pixel(0, 8), kGround);

  // Asked for a part only, the tiles reaching into it are drawn where they
  // always are, and no other: here the one at (3, 2), which covers x 4..5, y 3.
  const QImage part = Paint(16, 12, [&](QPainter& p) { DrawTiled(p, b, QRect(5, 5, 7, 5), QRect(4, 3, 2, 1)); });
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(part.pixel(x, y), x >= 3 && x < 6 && y >= 2 && y < 4 ? out.pixel(x, y) : kGround) << x << "," << y;
}

TEST(WindowFrame, TwoRingsOfOnePixel) {
  const QImage out = Paint(10, 6, [](QPainter& p) { DrawWindowFrame(p, QRect(3, 3, 10, 6), clBlack, clBtnFace); });
  const QRgb face = ToQColor(clBtnFace).rgb();
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(out.pixel(x, 0), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(x, 5), qRgb(0, 0, 0));
  }
  for (int y = 0; y < 6; ++y) {
    EXPECT_EQ(out.pixel(0, y), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(9, y), qRgb(0, 0, 0));
  }
  for (int x = 1; x < 9; ++x) {
    EXPECT_EQ(out.pixel(x, 1), face);
    EXPECT_EQ(out.pixel(x, 4), face);
  }
  EXPECT_EQ(out.pixel(1, 2), face);
  EXPECT_EQ(out.pixel(8, 3), face);
  EXPECT_EQ(out.pixel(2, 2), kGround);
  EXPECT_EQ(out.pixel(7, 3), kGround);
}

TEST(Rotate, QuarterTurnsMovePixelsAsWhole) {
  TCoded b(16, 8);
  RotateBitmapLeft(b);
  ASSERT_EQ(b.Width(), 8);
  ASSERT_EQ(b.Height(), 16);
  EXPECT_EQ(b.Image().pixel(0, 0), Code(15, 0));  // the source's top-right pixel
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(b.Image().pixel(y, 16 - 1 - x), Code(x, y));

  TCoded r(16, 8);
  RotateBitmapRight(r);
  ASSERT_EQ(r.Width(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(r.Image().pixel(8 - 1 - y, x), Code(x, y));

  // A fine picture turns with it and keeps matching the plain one.
  TBitmap fine;
  LoadSkinBitmap(fine, 0, "PROTEIN_SCROLLBAR_TRACK");
  RotateBitmapLeft(fine);
  EXPECT_EQ(fine.Image().size(), QSize(21, 16));
  EXPECT_EQ(fine.Image2x().size(), QSize(42, 32));
  TBitmap empty;
  RotateBitmapLeft(empty);
  EXPECT_TRUE(empty.Empty());
}

TEST(Geometry, PointInRectCountsAllFourEdges) {
  const QRect r(10, 20, 5, 4);  // left 10, top 20, right 15, bottom 24
  EXPECT_TRUE(PointInRect({10, 20}, r));
  EXPECT_TRUE(PointInRect({15, 24}, r));
  EXPECT_FALSE(PointInRect({16, 22}, r));
  EXPECT_FALSE(PointInRect({12, 19}, r));
  EXPECT_FALSE(PointInRect({9, 24}, r));
  EXPECT_FALSE(PointInRect({12, 25}, r));

  QWidget form;
  SetFormBounds(&form, QRect(30, 40, 200, 120));
  EXPECT_EQ(form.geometry(), QRect(30, 40, 200, 120));
  QRect area;
  GetWorkArea(area);
  EXPECT_FALSE(area.isEmpty());
  EXPECT_EQ(GetWorkArea(&form), form.screen()->availableGeometry());
  EXPECT_EQ(GetWorkArea(nullptr), area);
}

namespace {
class TStriped : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::blue);
    p.fillRect(QRect(0, 0, width(), 10), Qt::red);
  }
};
// A transparent control: the parent's background, then a mark of its own.
class TSeeThrough : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PaintParentBackground(p, this);
    p.fillRect(QRect(0, 0, 2, 2), Qt::black);
  }
};
}  // namespace

TEST(ParentBackground, WorksFromTheControlsOwnPaint) {
  TStriped parent;
  parent.resize(60, 40);
  auto* child = new TSeeThrough(&parent);
  child->setGeometry(5, 6, 20, 10);
  const QImage shot = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shot.pixel(5, 6), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(10, 8), qRgb(255, 0, 0));
  EXPECT_EQ(shot.pixel(10, 12), qRgb(0, 0, 255));
  EXPECT_EQ(shot.pixel(24, 15), qRgb(0, 0, 255));
}

TEST(ParentBackground, TheParentShowsThroughAtTheControlsPlace) {
  TStriped parent;
  parent.resize(60, 40);
  auto* child = new QWidget(&parent);
  child->setGeometry(5, 6, 20, 10);
  // The child covers parent rows 6..15: red above row 10 of the parent, blue below.
  const QImage out = Paint(20, 10, [&](QPainter& p) { PaintParentBackground(p, child); });
  EXPECT_EQ(out.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(out.pixel(19, 3), qRgb(255, 0, 0));
  EXPECT_EQ(out.pixel(0, 4), qRgb(0, 0, 255));
  EXPECT_EQ(out.pixel(19, 9), qRgb(0, 0, 255));

  QWidget orphan;
  const QImage none = Paint(20, 10, [&](QPainter& p) { PaintParentBackground(p, &orphan); });
  EXPECT_EQ(none.pixel(5, 5), kGround);
}
