#include "BitmapTestTypes.h"
#include "Description.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <memory>

namespace {

// A picture whose every pixel tells where it came from.
QImage Pattern(int w, int h, int salt) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, qRgb((x * 37 + salt) & 0xFF, (y * 53) & 0xFF, (x + y + salt) & 0xFF));
  return image;
}

std::unique_ptr<TPictureHolder> RoundTrip(TPictureHolder& holder) {
  RegisterClass<TPictureHolder>();
  const QByteArray json = WriteDescription(&holder);
  return std::unique_ptr<TPictureHolder>(dynamic_cast<TPictureHolder*>(ReadComponent(json)));
}

}  // namespace

TEST(Bitmap, StoresBothImagesWithTheWindowAndReadsThemBack) {
  TPictureHolder holder(nullptr);
  holder.SetName("Holder");
  holder.Glyph()->SetImages(Pattern(12, 11, 1), Pattern(24, 22, 2));
  auto back = RoundTrip(holder);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Glyph()->Width(), 12);
  EXPECT_EQ(back->Glyph()->Height(), 11);
  ASSERT_TRUE(back->Glyph()->Has2x());
  EXPECT_EQ(back->Glyph()->Image().convertToFormat(QImage::Format_RGB32), Pattern(12, 11, 1));
  EXPECT_EQ(back->Glyph()->Image2x().convertToFormat(QImage::Format_RGB32), Pattern(24, 22, 2));

  // A plain-only picture writes no fine image; an empty one writes nothing.
  holder.Glyph()->SetImage(Pattern(5, 4, 3));
  QJsonObject glyph =
      QJsonDocument::fromJson(WriteDescription(&holder)).object()["Properties"].toObject()["Glyph"].toObject();
  EXPECT_TRUE(glyph.contains("Data"));
  EXPECT_FALSE(glyph.contains("Data2x"));
  back = RoundTrip(holder);
  EXPECT_FALSE(back->Glyph()->Has2x());
  EXPECT_EQ(back->Glyph()->Pixel(4, 3), FromQColor(QColor(Pattern(5, 4, 3).pixel(4, 3))));
  holder.Glyph()->Clear();
  glyph = QJsonDocument::fromJson(WriteDescription(&holder)).object()["Properties"].toObject()["Glyph"].toObject();
  EXPECT_FALSE(glyph.contains("Data"));
}

TEST(Bitmap, DataThatIsNoPictureIsADescriptionError) {
  RegisterClass<TPictureHolder>();
  const QByteArray json = R"({"Class": "TPictureHolder", "Name": "H", "Properties": {"Glyph": {"Data": "00112233"}}})";
  try {
    std::unique_ptr<TComponent> c(ReadComponent(json));
    FAIL() << "read garbage as a picture";
  } catch (const EDescriptionError& e) {
    EXPECT_TRUE(e.Message().contains("Bitmap image is not valid.")) << e.Message().toStdString();
  }
}

TEST(Bitmap, AssignCopiesPixelsAndTransparencyAndReportsTheChange) {
  TBitmap a, b;
  a.SetImages(Pattern(6, 4, 0), Pattern(12, 8, 0));
  a.SetTransparent(true);
  a.SetTransparentColor(clFuchsia);
  int changes = 0;
  b.SetOnChange([&](TGraphicsObject*) { ++changes; });
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Image(), a.Image());
  EXPECT_TRUE(b.Has2x());
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.KeyColor(), clFuchsia);
  // A new size is a blank picture, whatever it held, even at the same size.
  TBitmap c;
  c.SetImages(Pattern(6, 4, 0), Pattern(12, 8, 0));
  c.SetSize(6, 4);
  EXPECT_EQ(c.Pixel(5, 3), clWhite);
  EXPECT_FALSE(c.Has2x());
  c.SetSize(0, 4);
  EXPECT_TRUE(c.Empty());
  // Editing a pixel leaves the fine image behind: it would no longer match.
  b.SetPixel(0, 0, clRed);
  EXPECT_FALSE(b.Has2x());
  EXPECT_EQ(a.Pixel(0, 0), FromQColor(QColor(Pattern(6, 4, 0).pixel(0, 0))));
}

TEST(Bitmap, DrawsTheFineImageOnADenseTargetAndKeysOutItsColour) {
  TBitmap b;
  QImage plain(2, 2, QImage::Format_RGB32), fine(4, 4, QImage::Format_RGB32);
  plain.fill(Qt::red);
  fine.fill(Qt::blue);
  fine.setPixel(3, 3, qRgb(255, 0, 255));
  b.SetImages(plain, fine);
  EXPECT_EQ(b.KeyColor(), FromQColor(QColor(Qt::red)));  // the bottom-left pixel by default

  QImage dense(8, 8, QImage::Format_RGB32);
  dense.setDevicePixelRatio(2);
  dense.fill(Qt::white);
  {
    QPainter p(&dense);
    b.DrawPart(p, QRect(1, 1, 2, 2), QRect(0, 0, 2, 2), true, clFuchsia);
  }
  EXPECT_EQ(dense.pixel(2, 2), qRgb(0, 0, 255));
  EXPECT_EQ(dense.pixel(5, 5), qRgb(255, 255, 255));  // the keyed pixel left the target alone

  QImage plainTarget(4, 4, QImage::Format_RGB32);
  plainTarget.fill(Qt::white);
  {
    QPainter p(&plainTarget);
    b.Draw(p, 1, 1);
  }
  EXPECT_EQ(plainTarget.pixel(1, 1), qRgb(255, 0, 0));
}

// Keyed pictures are kept between paints; a picture that changed, or another
// key, must never be drawn from what was kept for the old one.
TEST(Bitmap, AKeptKeyedPictureFollowsItsPixelsAndItsKey) {
  TBitmap b;
  QImage plain(3, 1, QImage::Format_RGB32);
  plain.setPixel(0, 0, qRgb(255, 0, 255));
  plain.setPixel(1, 0, qRgb(0, 0, 255));
  plain.setPixel(2, 0, qRgb(0, 255, 0));
  b.SetImages(plain, QImage());
  auto draw = [&b](TColor key) {
    QImage target(3, 1, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter p(&target);
    b.DrawPart(p, QRect(0, 0, 3, 1), QRect(0, 0, 3, 1), true, key);
    p.end();
    return std::vector<QRgb>{target.pixel(0, 0), target.pixel(1, 0), target.pixel(2, 0)};
  };
  const QRgb white = qRgb(255, 255, 255), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
  EXPECT_EQ(draw(clFuchsia), (std::vector<QRgb>{white, blue, green}));
  EXPECT_EQ(draw(clFuchsia), (std::vector<QRgb>{white, blue, green})) << "the kept picture draws the same";
  EXPECT_EQ(draw(clLime), (std::vector<QRgb>{qRgb(255, 0, 255), blue, white})) << "another key";
  b.SetPixel(1, 0, clFuchsia);
  EXPECT_EQ(draw(clFuchsia), (std::vector<QRgb>{white, white, green})) << "an edited pixel";
  // A part of the picture stretched: only that part's pixels show, none of its neighbours'.
  QImage target(6, 2, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    QPainter p(&target);
    b.DrawPart(p, QRect(0, 0, 6, 2), QRect(2, 0, 1, 1), true, clFuchsia);
  }
  for (int x = 0; x < 6; ++x) EXPECT_EQ(target.pixel(x, 1), green) << x;
}
