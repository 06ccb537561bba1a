// The skinned progress bar: what it fills, what it writes and how thick it stays.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "SUIProgressBar.h"
#include "SUIPublic.h"
#include "SUIRegister.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QTest>

namespace {

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// A Protein bar of 150 x 12 on a shown window.
struct TBarWindow : TSkinWindow {
  TsuiProgressBar* Bar;
  TBitmap Fill;
  explicit TBarWindow(TsuiProgressBarOrientation orientation = suiHorizontal) : TSkinWindow(300, 200) {
    Bar = Make<TsuiProgressBar>();
    Bar->SetUIStyle(Protein);
    Bar->SetOrientation(orientation);
    Bar->SetLeft(10);
    Bar->SetTop(10);
    LoadSkinBitmap(Fill, 0,
                   QString::fromLatin1(orientation == suiVertical ? "PROTEIN_PROGRESSBAR_V" : "PROTEIN_PROGRESSBAR"));
    Show();
  }
  // The columns (or rows) the fill picture covers, read along the bar's middle line.
  int FilledLength(const QImage& shot) const {
    int n = 0;
    if (Bar->Orientation() == suiHorizontal) {
      for (int x = 1; x < shot.width() - 1; ++x) n += At(shot, x, 1) == (Fill.Image().pixel(0, 0) | 0xFF000000u);
    } else {
      for (int y = 1; y < shot.height() - 1; ++y) n += At(shot, 1, y) == (Fill.Image().pixel(0, 0) | 0xFF000000u);
    }
    return n;
  }
};

// The pixels where two shots differ, as a bounding rectangle.
QRect Difference(const QImage& a, const QImage& b) {
  QRect r;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) r |= QRect(x, y, 1, 1);
  return r;
}

}  // namespace

TEST(SkinProgressBar, fillsItsPictureInProportionAndFramesTheBar) {
  TBarWindow w;
  w.Bar->SetShowCaption(false);
  const QRgb unfilled = Rgb(GetThemeColor(Protein, 9));
  struct {
    int Position, Filled;
  } cases[] = {{0, 0}, {50, 73}, {100, 148}};
  for (const auto& c : cases) {
    w.Bar->SetPosition(c.Position);
    const QImage shot = Shot(w.Bar);
    ASSERT_EQ(QSize(150, 12), shot.size());
    EXPECT_EQ(c.Filled, w.FilledLength(shot)) << "position " << c.Position;
    // Every row of the picture is drawn: the fill is the picture stretched, not one colour.
    if (c.Filled > 0) {
      for (int y = 1; y <= 10; ++y) EXPECT_EQ(w.Fill.Image().pixel(0, y - 1) | 0xFF000000u, At(shot, 1, y)) << y;
    }
    if (c.Filled < 148) {
      EXPECT_EQ(unfilled, At(shot, 147, 6));
    }
    for (QPoint edge : {QPoint(0, 0), QPoint(149, 11), QPoint(75, 0), QPoint(0, 6)})
      EXPECT_EQ(Rgb(GetThemeColor(Protein, 8)), At(shot, edge.x(), edge.y()));
  }
}

TEST(SkinProgressBar, writesThePercentageCentredAndHidesItAtMinWhenSmart) {
  TBarWindow w;
  w.Bar->SetPosition(50);
  EXPECT_EQ(QStringLiteral("50%"), w.Bar->text());
  const QImage withText = Shot(w.Bar);
  w.Bar->SetShowCaption(false);
  const QImage bare = Shot(w.Bar);
  const QRect text = Difference(withText, bare);
  ASSERT_FALSE(text.isEmpty()) << "the percentage is drawn";
  EXPECT_NEAR(75, text.center().x(), 2);
  EXPECT_NEAR(6, text.center().y(), 2);

  w.Bar->SetShowCaption(true);
  w.Bar->SetSmartShowCaption(true);
  w.Bar->SetPosition(0);
  const QImage atMin = Shot(w.Bar);
  w.Bar->SetShowCaption(false);
  EXPECT_EQ(Shot(w.Bar), atMin) << "no text while the position is at Min";

  // Outside the range the text says so; the fill stops at the ends.
  w.Bar->SetPosition(-10);
  EXPECT_EQ(QStringLiteral("-10%"), w.Bar->text());
  EXPECT_EQ(0, w.FilledLength(Shot(w.Bar)));
  w.Bar->SetPosition(120);
  EXPECT_EQ(QStringLiteral("120%"), w.Bar->text());
  EXPECT_EQ(148, w.FilledLength(Shot(w.Bar)));
  w.Bar->SetMin(5);
  w.Bar->SetMax(5);
  EXPECT_EQ(QStringLiteral("0%"), w.Bar->text());
  EXPECT_EQ(0, w.FilledLength(Shot(w.Bar)));
}

TEST(SkinProgressBar, verticalBarFillsFromTheBottomWithoutText) {
  TBarWindow w(suiVertical);
  EXPECT_EQ(QSize(12, 150), w.Bar->size());
  w.Bar->SetPosition(50);
  w.Bar->SetShowCaption(true);
  const QImage shot = Shot(w.Bar);
  EXPECT_EQ(74, w.FilledLength(shot));
  EXPECT_EQ(w.Fill.Image().pixel(0, 0) | 0xFF000000u, At(shot, 1, 140)) << "the bottom is filled";
  EXPECT_EQ(Rgb(GetThemeColor(Protein, 9)), At(shot, 1, 10)) << "the top is not";
  w.Bar->SetShowCaption(false);
  EXPECT_EQ(Shot(w.Bar), shot) << "no text on a vertical bar";
}

TEST(SkinProgressBar, staysTwelvePixelsThick) {
  TBarWindow w;
  w.Bar->SetHeight(20);
  EXPECT_EQ(QSize(150, 12), w.Bar->size()) << "another height is refused";
  w.Bar->SetBounds(5, 5, 200, 30);
  EXPECT_EQ(QRect(10, 10, 150, 12), w.Bar->geometry()) << "the whole change is refused";
  w.Bar->SetBounds(5, 5, 200, 12);
  EXPECT_EQ(QRect(5, 5, 200, 12), w.Bar->geometry());
  // Nor can a layout or a plain resize make it thicker.
  w.Bar->resize(200, 40);
  EXPECT_EQ(12, w.Bar->height());

  w.Bar->SetOrientation(suiVertical);
  EXPECT_EQ(QSize(12, 200), w.Bar->size()) << "the length is kept, the thickness turns";
  w.Bar->SetWidth(30);
  EXPECT_EQ(12, w.Bar->width());
  w.Bar->SetHeight(80);
  EXPECT_EQ(QSize(12, 80), w.Bar->size());
}

TEST(SkinProgressBar, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* bar = new TsuiProgressBar(&form);
  bar->setParent(&form);
  bar->SetName(QStringLiteral("pbLevel"));
  bar->SetUIStyle(WinXP);
  bar->SetOrientation(suiVertical);
  bar->SetBounds(4, 6, 12, 90);
  bar->SetMin(10);
  bar->SetMax(60);
  bar->SetPosition(30);
  bar->SetCaptionColor(clRed);
  bar->SetSmartShowCaption(true);
  bar->SetBorderColor(clBlue);
  const QByteArray json = WriteDescription(&form);
  EXPECT_FALSE(json.contains("\"Picture\"")) << "a themed bar does not store the theme's picture";

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* back = FindComponentAs<TsuiProgressBar>(&copy, QStringLiteral("pbLevel"));
  EXPECT_EQ(WinXP, back->UIStyle());
  EXPECT_EQ(suiVertical, back->Orientation());
  EXPECT_EQ(QRect(4, 6, 12, 90), back->geometry());
  EXPECT_EQ(QStringLiteral("40%"), back->text());
  EXPECT_EQ(clRed, back->CaptionColor());
  EXPECT_EQ(clBlue, back->BorderColor()) << "a stored colour wins over the style's";
  EXPECT_TRUE(back->SmartShowCaption());
  EXPECT_EQ(json, WriteDescription(&copy));

  // A Custom bar keeps a picture of its own.
  bar->SetUIStyle(Custom);
  QImage own(1, 10, QImage::Format_RGB32);
  own.fill(Qt::green);
  bar->Picture()->SetImage(own);
  const QByteArray custom = WriteDescription(&form);
  ASSERT_TRUE(custom.contains("\"Picture\"")) << custom.constData();
  TForm third(nullptr);
  ReadDescription(&third, custom);
  EXPECT_EQ(bar->Picture()->Image(),
            FindComponentAs<TsuiProgressBar>(&third, QStringLiteral("pbLevel"))->Picture()->Image());
}
