// Image panels, group frames and the check group as they look and react.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "SUICheckBox.h"
#include "SUIForm.h"
#include "SUIGroupBox.h"
#include "SUIImagePanel.h"
#include "SUIRadioGroup.h"
#include "SUIRegister.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QTest>

namespace {

const QRgb kKey = qRgb(255, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

bool Is(const QImage& image, int x, int y, QRgb colour) {
  return (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
}

// A 20 x 10 picture: the left half the key colour (its bottom-left pixel
// is the key), the right half blue.
void HalfKeyed(TBitmap& picture) {
  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(kKey);
  QPainter(&image).fillRect(QRect(10, 0, 10, 10), QColor(kBlue));
  picture.SetImage(image);
}

struct TPanelWindow : TSkinWindow {
  TPanelWindow() : TSkinWindow(300, 200, clRed) {}
};

}  // namespace

TEST(SkinImagePanel, transparentPanelShowsItsParentWhereThePictureHasItsKey) {
  TPanelWindow w;
  auto* opaque = w.Add<TsuiImagePanel>(QRect(10, 10, 40, 20));
  auto* clear = w.Add<TsuiImagePanel>(QRect(60, 10, 40, 20));
  opaque->SetColor(clWhite);
  clear->SetColor(clWhite);
  HalfKeyed(*opaque->Picture());
  HalfKeyed(*clear->Picture());
  clear->SetTransparent(true);
  w.Show();

  const QImage a = Shot(opaque), b = Shot(clear);
  EXPECT_TRUE(Is(a, 15, 5, kBlue));
  EXPECT_TRUE(Is(a, 5, 5, kKey)) << "an opaque panel draws the key colour as it is";
  EXPECT_TRUE(Is(b, 15, 5, kBlue));
  EXPECT_TRUE(Is(b, 5, 5, kRed)) << "the parent's red shows through the key";
  // Outside the picture the transparent panel shows the parent, the other its own colour.
  EXPECT_TRUE(Is(a, 30, 15, clWhite.Value));
  EXPECT_TRUE(Is(b, 30, 15, kRed));
}

TEST(SkinImagePanel, drawStylesPlaceThePictureAndEmptyPanelsFillWithTheirColour) {
  TPanelWindow w;
  auto* panel = w.Add<TsuiImagePanel>(QRect(10, 10, 40, 20));
  panel->SetColor(clWhite);
  w.Show();
  EXPECT_TRUE(Is(Shot(panel), 39, 19, clWhite.Value));

  HalfKeyed(*panel->Picture());
  EXPECT_TRUE(Is(Shot(panel), 25, 5, clWhite.Value)) << "normal: once at the origin";
  panel->SetDrawStyle(suiTile);
  QImage tiled = Shot(panel);
  EXPECT_TRUE(Is(tiled, 35, 5, kBlue));
  EXPECT_TRUE(Is(tiled, 35, 15, kBlue)) << "the second row of tiles";
  panel->SetDrawStyle(suiStretch);
  QImage stretched = Shot(panel);
  EXPECT_TRUE(Is(stretched, 19, 15, kKey));
  EXPECT_TRUE(Is(stretched, 21, 15, kBlue));
}

TEST(SkinImagePanel, autoSizeTakesThePictureSizeExceptAlongItsAlignment) {
  TPanelWindow w;
  auto* free = w.Add<TsuiImagePanel>(QRect(0, 0, 50, 50));
  free->SetAutoSize(true);
  HalfKeyed(*free->Picture());
  EXPECT_EQ(QSize(20, 10), free->size());

  auto* client = w.Add<TsuiImagePanel>(QRect(0, 0, 50, 50));
  client->SetAlign(alClient);
  client->SetAutoSize(true);
  const QSize before = client->size();
  HalfKeyed(*client->Picture());
  EXPECT_EQ(before, client->size());

  auto* top = w.Add<TsuiImagePanel>(QRect(0, 0, 50, 50));
  top->SetAlign(alTop);
  const int width = top->width();
  top->SetAutoSize(true);
  HalfKeyed(*top->Picture());
  EXPECT_EQ(QSize(width, 10), top->size()) << "a top panel keeps its width and takes the height";
}

TEST(SkinImagePanel, captionIsPlacedByAlignmentUnlessItsPositionIsSet) {
  TPanelWindow w;
  auto* panel = w.Add<TsuiImagePanel>(QRect(10, 10, 200, 30));
  panel->SetCaption(QStringLiteral("录音"));
  w.Show();
  Shot(panel);
  const QRect centred = panel->CaptionRect();
  EXPECT_NEAR(100, centred.center().x(), 2);
  panel->SetAlignment(taLeftJustify);
  Shot(panel);
  EXPECT_EQ(0, panel->CaptionRect().left());
  panel->SetAlignment(taRightJustify);
  Shot(panel);
  EXPECT_NEAR(200, panel->CaptionRect().right() + 1, 1);
  panel->SetCaptionPos(30, 4);
  Shot(panel);
  EXPECT_EQ(QPoint(30, 4), panel->CaptionRect().topLeft()) << "a set position wins over the alignment";
  panel->SetCaption(QStringLiteral("   "));
  Shot(panel);
  EXPECT_TRUE(panel->CaptionRect().isEmpty()) << "blanks only draw no caption";
}

TEST(SkinGroupBox, frameLeavesAGapForTheCaptionAndDisabledGreysItAndItsChildren) {
  TPanelWindow w;
  auto* group = w.Add<TsuiGroupBox>(QRect(10, 10, 150, 80));
  group->SetColor(clWhite);
  group->SetBorderColor(clBlue);
  group->SetCaption(QStringLiteral("Format"));
  auto* child = new TsuiCheckBox(&w.Form);
  child->setParent(group);
  child->SetBounds(8, 40, 100, 17);
  w.Show();

  const QFontMetrics metrics(group->font());
  const int y = metrics.ascent() + metrics.descent();
  const int lineY = (group->font().pixelSize() > 0 ? group->font().pixelSize() : y) / 2 + 1;
  const int gapEnd = 6 + metrics.horizontalAdvance(QStringLiteral("Format"));
  const QImage image = Shot(group);
  const QRgb blue = ToQColor(clBlue).rgb();
  EXPECT_TRUE(Is(image, 0, lineY, blue));
  EXPECT_TRUE(Is(image, 1, lineY, blue));
  EXPECT_TRUE(Is(image, 0, 79, blue));
  EXPECT_TRUE(Is(image, 149, 40, blue));
  EXPECT_TRUE(Is(image, gapEnd + 1, lineY, blue));
  EXPECT_TRUE(Is(image, 148, lineY, blue));
  for (int x = 3; x < gapEnd; ++x) EXPECT_FALSE(Is(image, x, lineY, blue)) << "the gap at x " << x;

  // The darkest caption pixel: the font's black, grey $808080 while disabled.
  auto darkest = [&](const QImage& shot) {
    int least = 255;
    for (int x = 5; x < gapEnd; ++x)
      for (int yy = 0; yy < y; ++yy) least = std::min(least, qGray(shot.pixel(x, yy)));
    return least;
  };
  EXPECT_LT(darkest(image), 0x40);
  group->SetEnabled(false);
  EXPECT_FALSE(child->isEnabled());
  EXPECT_NEAR(0x80, darkest(Shot(group)), 8);
  // Enabled again, every child comes back, even one disabled on its own before.
  child->setEnabled(false);
  group->SetEnabled(true);
  EXPECT_TRUE(child->isEnabled());
}

TEST(SkinGroupBox, aFormsStyleReachesTheGroupAndThroughItItsChildren) {
  TForm form(nullptr);
  auto* frame = new TsuiForm(&form);
  frame->setParent(&form);
  auto* group = new TsuiGroupBox(&form);
  group->setParent(&form);
  auto* inner = new TsuiCheckBox(&form);
  inner->setParent(group);
  auto* nested = new TsuiGroupBox(&form);
  nested->setParent(group);
  ApplyUIStyleToContainers(&form, MacOS);
  EXPECT_EQ(MacOS, inner->UIStyle());
  ApplyUIStyleToChildren(&form, MacOS);
  EXPECT_EQ(GetThemeColor(MacOS, 8), group->BorderColor());
  EXPECT_EQ(GetThemeColor(MacOS, 10), group->FontColor());
  EXPECT_EQ(GetThemeColor(MacOS, 9), group->Color());
  EXPECT_EQ(GetThemeColor(MacOS, 8), nested->BorderColor()) << "the group's children get the group colours too";
}

TEST(SkinCheckGroup, itemsMakeBoxesInColumnsAndFewerLinesFreeTheLast) {
  TPanelWindow w;
  auto* group = w.Add<TsuiCheckGroup>(QRect(10, 10, 210, 100));
  group->SetColumns(2);
  group->SetItems({"a", "b", "c", "d", "e"});
  ASSERT_EQ(5, group->ButtonCount());
  const int colWidth = (210 - 10) / 2;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(8, group->Button(i)->x()) << i;
  for (int i = 3; i < 5; ++i) EXPECT_EQ(colWidth + 8, group->Button(i)->x()) << i;
  EXPECT_EQ(group->Button(0)->y(), group->Button(3)->y());
  EXPECT_EQ(group->Button(1)->y(), group->Button(4)->y());
  EXPECT_LT(group->Button(0)->y(), group->Button(1)->y());
  EXPECT_LT(group->Button(1)->y(), group->Button(2)->y());
  const QRect inner = group->InnerRect();
  const int top = inner.y() + 8, bottom = inner.y() + inner.height();
  EXPECT_EQ(top + ((bottom - top) % 3) / 2, group->Button(0)->y());

  QPointer<TsuiCheckBox> last = group->Button(4);
  group->SetItems({"a", "B", "c"});
  EXPECT_EQ(3, group->ButtonCount());
  EXPECT_TRUE(last.isNull());
  EXPECT_EQ(QStringLiteral("B"), group->Button(1)->Caption());
  EXPECT_EQ(colWidth + 8, group->Button(2)->x()) << "three lines in two columns: two rows, so c moves right";
  group->SetColumns(0);
  EXPECT_EQ(2, group->Columns());
}

TEST(SkinCheckGroup, clicksOnTheGroupOrABoxReachOnClickOnceAndKeysToggle) {
  TPanelWindow w;
  auto* group = w.Add<TsuiCheckGroup>(QRect(10, 10, 200, 100));
  group->SetItems({"left", "right"});
  int clicks = 0;
  group->SetOnClick([&](TComponent* sender) {
    EXPECT_EQ(group, sender);
    ++clicks;
  });
  w.Show();
  TsuiCheckBox* box = group->Button(1);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
  EXPECT_TRUE(group->Checked(1));
  EXPECT_EQ(1, clicks);
  QTest::mouseClick(group, Qt::LeftButton, {}, QPoint(150, 90));
  EXPECT_EQ(2, clicks);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_FALSE(group->Checked(1));
  EXPECT_EQ(3, clicks);
}

TEST(SkinCheckGroup, aLineThatIsNotThereRaisesTheListIndexError_andChangesNoBox) {
  TPanelWindow w;
  auto* group = w.Add<TsuiCheckGroup>(QRect(10, 10, 200, 100));
  group->SetItems({"left", "right"});
  for (int index : {-1, 2}) {
    try {
      (void)group->Checked(index);
      ADD_FAILURE() << index;
    } catch (const EListError& e) {
      EXPECT_EQ(QStringLiteral("List index out of bounds (%1).").arg(index), e.Message());
    }
    EXPECT_THROW(group->SetChecked(index, true), EListError) << index;
  }
  EXPECT_FALSE(group->Checked(0));
  EXPECT_FALSE(group->Checked(1));
}

TEST(SkinCheckGroup, styleSetsTheGroupColoursAndEveryBox) {
  TPanelWindow w;
  auto* group = w.Add<TsuiCheckGroup>(QRect(10, 10, 200, 100));
  group->SetItems({"x", "y"});
  group->SetColor(clWhite);
  group->SetUIStyle(WinXP);
  EXPECT_EQ(GetThemeColor(WinXP, 8), group->BorderColor());
  EXPECT_EQ(GetThemeColor(WinXP, 10), group->FontColor());
  EXPECT_EQ(GetThemeColor(WinXP, 9), group->Color());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(WinXP, group->Button(i)->UIStyle());
    EXPECT_EQ(group->Color(), group->Button(i)->Color());
  }
  group->SetTransparent(true);
  EXPECT_TRUE(group->Button(0)->Transparent());
}

TEST(SkinPanels, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto* panel = new TsuiImagePanel(&form);
  panel->setParent(&form);
  panel->SetName(QStringLiteral("imgBack"));
  HalfKeyed(*panel->Picture());
  panel->SetDrawStyle(suiTile);
  panel->SetTransparent(true);
  panel->SetAlignment(taRightJustify);
  panel->SetCaption(QStringLiteral("背景"));
  auto* group = new TsuiGroupBox(&form);
  group->setParent(panel);
  group->SetName(QStringLiteral("grpFormat"));
  group->SetCaption(QStringLiteral("格式"));
  group->SetBorderColor(clBlue);
  auto* checks = new TsuiCheckGroup(&form);
  checks->setParent(&form);
  checks->SetName(QStringLiteral("chkChannels"));
  checks->SetItems({QStringLiteral("左"), QStringLiteral("右"), QStringLiteral("中")});
  checks->SetColumns(3);
  checks->SetTopMargin(4);
  checks->SetUIStyle(Protein);
  const QByteArray json = WriteDescription(&form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* p = FindComponentAs<TsuiImagePanel>(&copy, QStringLiteral("imgBack"));
  EXPECT_EQ(panel->Picture()->Image(), p->Picture()->Image());
  EXPECT_EQ(suiTile, p->DrawStyle());
  EXPECT_TRUE(p->Transparent());
  EXPECT_EQ(taRightJustify, p->Alignment());
  EXPECT_EQ(QStringLiteral("背景"), p->Caption());
  auto* g = FindComponentAs<TsuiGroupBox>(&copy, QStringLiteral("grpFormat"));
  EXPECT_EQ(p, g->parentWidget());
  EXPECT_EQ(QStringLiteral("格式"), g->Caption());
  EXPECT_EQ(clBlue, g->BorderColor());
  auto* c = FindComponentAs<TsuiCheckGroup>(&copy, QStringLiteral("chkChannels"));
  EXPECT_EQ(3, c->ButtonCount());
  EXPECT_EQ(3, c->Columns());
  EXPECT_EQ(4, c->TopMargin());
  EXPECT_EQ(Protein, c->UIStyle());
  EXPECT_EQ(json, WriteDescription(&copy));
  EXPECT_FALSE(json.contains("suiCheckBox")) << "the boxes come from Items and are not stored";
}
