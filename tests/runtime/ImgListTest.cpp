#include "Description.h"
#include "ImgList.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <memory>

namespace {

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

QImage Canvas(int w, int h, qreal ratio = 1) {
  QImage image(int(w * ratio), int(h * ratio), QImage::Format_ARGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(qRgb(0, 0, 255));
  return image;
}

}  // namespace

TEST(ImageList, AddsDeletesAndDrawsPicturesOfItsSize) {
  TImageList list(nullptr);
  list.SetWidth(8);
  list.SetHeight(6);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Add(Filled(8, 6, qRgb(255, 0, 0))), 0);
  // A picture of another size is fitted to the list's.
  EXPECT_EQ(list.Add(Filled(16, 3, qRgb(0, 255, 0))), 1);
  EXPECT_EQ(list.Add(Filled(8, 6, qRgb(0, 0, 0))), 2);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Image(1).size(), QSize(8, 6));
  EXPECT_EQ(list.Image(1).pixel(7, 5), qRgb(0, 255, 0));

  list.Delete(0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Image(0).pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(list.Image(1).pixel(0, 0), qRgb(0, 0, 0));
  list.Delete(5);
  EXPECT_EQ(list.Count(), 2);

  QImage canvas = Canvas(20, 10);
  {
    QPainter p(&canvas);
    list.Draw(p, 2, 3, 0);
    list.Draw(p, 12, 3, 7);  // out of range: nothing
  }
  EXPECT_EQ(canvas.pixel(2, 3), qRgb(0, 255, 0));
  EXPECT_EQ(canvas.pixel(9, 8), qRgb(0, 255, 0));
  EXPECT_EQ(canvas.pixel(10, 8), qRgb(0, 0, 255));
  EXPECT_EQ(canvas.pixel(14, 5), qRgb(0, 0, 255));
  EXPECT_FALSE(list.ValidIndex(-1));
  EXPECT_FALSE(list.ValidIndex(2));
}

TEST(ImageList, MaskColourIsLeftOutAndDisabledPicturesAreGrey) {
  TImageList list(nullptr);
  list.SetWidth(4);
  list.SetHeight(4);
  QImage picture = Filled(4, 4, qRgb(255, 255, 255));
  picture.setPixel(1, 1, qRgb(200, 0, 0));
  list.Add(picture, {}, clWhite);

  QImage canvas = Canvas(4, 4);
  {
    QPainter p(&canvas);
    list.Draw(p, 0, 0, 0);
  }
  EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(canvas.pixel(1, 1), qRgb(200, 0, 0));

  canvas = Canvas(4, 4);
  {
    QPainter p(&canvas);
    list.Draw(p, 0, 0, 0, false);
  }
  EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 255));
  const QRgb grey = canvas.pixel(1, 1);
  EXPECT_EQ(qRed(grey), qGreen(grey));
  EXPECT_EQ(qGreen(grey), qBlue(grey));
  EXPECT_GE(qRed(grey), 128);
}

TEST(ImageList, FineVersionsAreDrawnOnDenseTargetsAndStoredWithTheWindow) {
  TImageList list(nullptr);
  list.SetName("Icons");
  list.SetWidth(4);
  list.SetHeight(4);
  list.Add(Filled(4, 4, qRgb(255, 0, 0)));
  list.Add(Filled(4, 4, qRgb(0, 0, 0)), Filled(8, 8, qRgb(0, 255, 0)));

  QImage dense = Canvas(8, 4, 2);
  {
    QPainter p(&dense);
    list.Draw(p, 0, 0, 0);
    list.Draw(p, 4, 0, 1);
  }
  // The first has no fine version and is scaled up; the second uses its own.
  EXPECT_EQ(dense.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(dense.pixel(9, 1), qRgb(0, 255, 0));

  std::unique_ptr<TComponent> back(ReadComponent(WriteDescription(&list)));
  auto* read = dynamic_cast<TImageList*>(back.get());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Width(), 4);
  ASSERT_EQ(read->Count(), 2);
  EXPECT_EQ(read->Image(0).pixel(2, 2), qRgb(255, 0, 0));
  EXPECT_EQ(read->Image(1, 2).pixel(5, 5), qRgb(0, 255, 0));
}
