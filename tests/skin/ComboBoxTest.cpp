// Combo, colour and font boxes: the skin over Qt's combo, the items they
// list and what the window description keeps.
#include "Description.h"
#include "Forms.h"
#include "SUIColorBox.h"
#include "SUIComboBox.h"
#include "SUIFontComboBox.h"
#include "SUIPublic.h"
#include "SUIRegister.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QFontDatabase>
#include <QLineEdit>
#include <QTest>

namespace {

struct TComboWindow : TSkinWindow {
  TComboWindow() : TSkinWindow(320, 200, clWhite, QRect(10, 10, 160, 24)) {}
};

int Count(const QImage& image, const QRect& area, QRgb colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  return n;
}

TEST(SkinComboBox, buttonArrowAndFrameArePaintedOverTheNativeCombo) {
  TComboWindow w;
  auto* combo = w.Add<TsuiComboBox>();
  combo->SetUIStyle(Protein);
  combo->SetButtonColor(TColor(0x00C000));
  combo->SetArrowColor(clBlue);
  combo->SetBorderColor(clRed);
  w.Show();
  const TsuiComboBoxState s = combo->State();
  ASSERT_FALSE(s.ButtonRect.isEmpty());
  QImage shot = Shot(combo);
  const QRect r = s.ButtonRect.intersected(combo->rect().adjusted(2, 2, -2, -2));
  const QPoint tip(s.ButtonRect.left() + s.ButtonRect.width() / 2 - 4, s.ButtonRect.height() / 2);
  EXPECT_EQ(Rgb(clBlue), shot.pixel(tip + QPoint(3, 1)));
  EXPECT_GT(Count(shot, r, Rgb(TColor(0x00C000))), r.width() * r.height() / 2);
  // Two rings: the border colour outside, the combo's colour inside.
  EXPECT_EQ(Rgb(clRed), shot.pixel(0, 0));
  EXPECT_EQ(Rgb(clRed), shot.pixel(combo->width() - 1, combo->height() - 1));
  EXPECT_EQ(Rgb(clWhite), shot.pixel(1, combo->height() / 2));

  combo->setEnabled(false);
  shot = Shot(combo);
  EXPECT_EQ(Rgb(clGray), shot.pixel(tip + QPoint(3, 1)));
  EXPECT_EQ(Rgb(clWhite), shot.pixel(tip + QPoint(4, 4)));  // the raised edge below the grey arrow
  EXPECT_EQ(0, Count(shot, r, Rgb(clBlue)));
}

TEST(SkinComboBox, macOSShowsTheButtonPictureWhateverButtonColorSays) {
  TComboWindow w;
  auto* combo = w.Add<TsuiComboBox>();
  combo->SetUIStyle(MacOS);
  combo->SetButtonColor(TColor(0x00C000));
  w.Show();
  const QImage shot = Shot(combo);
  const QRect r = combo->State().ButtonRect.intersected(combo->rect().adjusted(2, 2, -2, -2));
  EXPECT_EQ(0, Count(shot, r, Rgb(TColor(0x00C000))));

  TBitmap picture;
  LoadSkinBitmap(picture, 0, QStringLiteral("MACOS_COMBOBOX_BUTTON"));
  QImage expected(combo->size(), QImage::Format_RGB32);
  expected.fill(Qt::black);
  {
    QPainter p(&expected);
    picture.StretchDraw(p, combo->State().ButtonRect);
  }
  // Away from the arrow the button shows the stretched picture.
  const QPoint at(r.left() + 1, r.top() + 1);
  EXPECT_EQ(expected.pixel(at), shot.pixel(at));
}

TEST(SkinComboBox, styleSetsTheThemeColoursAndCustomLooksUpBlack) {
  TComboWindow w;
  auto* combo = w.Add<TsuiComboBox>();
  combo->SetUIStyle(BlueGlass);
  EXPECT_EQ(TColor(0xE9D6D5), combo->ButtonColor());
  EXPECT_EQ(GetThemeColor(BlueGlass, 8), combo->ArrowColor());
  EXPECT_EQ(GetThemeColor(BlueGlass, 8), combo->BorderColor());
  combo->SetUIStyle(Custom);
  EXPECT_EQ(TColor(0), combo->ButtonColor());
}

TEST(SkinComboBox, pickingWithTheKeysRunsSelectAndChange) {
  TComboWindow w;
  auto* combo = w.Add<TsuiComboBox>();
  combo->SetStyle(csDropDownList);
  combo->SetItems({QStringLiteral("PCM"), QStringLiteral("GSM 6.10"), QStringLiteral("IMA ADPCM")});
  combo->SetItemIndex(0);
  QStringList events;
  combo->SetOnSelect([&](TComponent*) { events << QStringLiteral("select"); });
  combo->SetOnChange([&](TComponent*) { events << QStringLiteral("change"); });
  w.Show();
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(1, combo->ItemIndex());
  EXPECT_EQ(QStringLiteral("GSM 6.10"), combo->Text());
  EXPECT_EQ((QStringList{"select", "change"}), events);
  events.clear();
  combo->SetItemIndex(2);  // code, not the user
  EXPECT_TRUE(events.isEmpty());
}

TEST(SkinFontComboBox, listsTheInstalledFontsEachDrawnInItsOwnFont) {
  TComboWindow w;
  auto* fonts = w.Add<TsuiFontComboBox>();
  QStringList installed;
  for (const QString& f : QFontDatabase::families())
    if (!QFontDatabase::isPrivateFamily(f)) installed << f;
  ASSERT_FALSE(installed.isEmpty()) << "the test machine has no fonts";
  EXPECT_EQ(installed, fonts->Items());
  EXPECT_FALSE(fonts->FontName().isEmpty());

  fonts->SetUseFonts(true);
  int own = 0;
  for (int i = 0; i < fonts->count(); ++i)
    if (fonts->ItemFont(i).families().value(0) == fonts->itemText(i)) ++own;
  EXPECT_GT(own, 0);
  fonts->SetUseFonts(false);
  EXPECT_EQ(fonts->font().family(), fonts->ItemFont(0).family());

  fonts->SetFontName(installed.last());
  EXPECT_EQ(installed.last(), fonts->FontName());
  fonts->SetFontName(QStringLiteral("No Such Font Family"));
  EXPECT_EQ(installed.last(), fonts->FontName());

  fonts->SetOptions(foFixedPitchOnly);
  for (const QString& f : fonts->Items()) EXPECT_TRUE(QFontDatabase::isFixedPitch(f)) << f.toStdString();
  EXPECT_LE(fonts->count(), installed.size());
}

TEST(SkinFontSizeComboBox, offersTheUsualSizesAndTakesTypedOnes) {
  TComboWindow w;
  auto* sizes = w.Add<TsuiFontSizeComboBox>();
  EXPECT_EQ((QStringList{"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"}),
            sizes->Items());
  w.Show();
  sizes->setFocus();
  QTest::keyClicks(sizes->lineEdit(), QStringLiteral("13x"));
  EXPECT_EQ(13, sizes->FontSize());
  sizes->SetFontSize(36);
  EXPECT_EQ(QStringLiteral("36"), sizes->Text());
  EXPECT_EQ(13, sizes->Items().indexOf(QStringLiteral("36")));
  EXPECT_EQ(13, sizes->ItemIndex());
}

TEST(SkinColorBox, showsSwatchesAndKeepsTheChosenColour) {
  TComboWindow w;
  auto* box = w.Add<TsuiColorBox>();
  EXPECT_EQ(16 + 4 + 25, box->ColorCount());
  EXPECT_EQ(QStringLiteral("clBlack"), box->ColorNames(0));
  box->SetSelected(clTeal);
  EXPECT_EQ(clTeal, box->Selected());
  EXPECT_EQ(QStringLiteral("clTeal"), box->Text());
  const QImage swatch = box->itemIcon(box->ItemIndex()).pixmap(QSize(22, 12)).toImage();
  EXPECT_EQ(Rgb(clTeal), swatch.pixel(11, 6) | 0xFF000000u);
  EXPECT_EQ(qRgb(0, 0, 0), swatch.pixel(0, 6) | 0xFF000000u);

  // A colour the list lacks, without a custom item, changes nothing.
  box->SetSelected(TColor(0x123456));
  EXPECT_EQ(clTeal, box->Selected());

  box->SetColorStyle(TColorBoxStyle(cbStandardColors | cbIncludeNone | cbPrettyNames));
  box->SetNoneColorColor(clRed);
  EXPECT_EQ(QStringLiteral("None"), box->ColorNames(0));
  EXPECT_EQ(clTeal, box->Selected());
  EXPECT_EQ(Rgb(clRed), box->itemIcon(0).pixmap(QSize(22, 12)).toImage().pixel(11, 6) | 0xFF000000u);
}

TEST(SkinColorBox, customAsksForAColourAndACancelKeepsTheOldOne) {
  TComboWindow w;
  auto* box = w.Add<TsuiColorBox>();
  box->SetColorStyle(TColorBoxStyle(cbStandardColors | cbCustomColor | cbPrettyNames));
  box->SetSelected(clRed);
  TColor answer = TColor(0x336699);
  bool accept = true;
  box->SetColorQuery([&](TColor& c) {
    c = answer;
    return accept;
  });
  int changes = 0;
  box->SetOnChange([&](TComponent*) { ++changes; });
  w.Show();
  box->setFocus();

  accept = false;
  QTest::keyClick(box, Qt::Key_Home);  // the custom item is the first
  EXPECT_EQ(clRed, box->Selected());
  EXPECT_EQ(0, changes);

  accept = true;
  QTest::keyClick(box, Qt::Key_Home);
  EXPECT_EQ(TColor(0x336699), box->Selected());
  EXPECT_EQ(1, changes);
  EXPECT_EQ(QStringLiteral("Custom..."), box->Text());

  box->SetSelected(TColor(0x010203));
  EXPECT_EQ(0, box->ItemIndex());
  EXPECT_EQ(TColor(0x010203), box->Selected());
}

TEST(SkinComboBox, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TComboWindow w;
  auto* combo = w.Add<TsuiComboBox>(QStringLiteral("cbFormat"));
  combo->SetUIStyle(WinXP);
  combo->SetStyle(csDropDownList);
  combo->SetItems({QStringLiteral("PCM"), QStringLiteral("GSM 6.10")});
  combo->SetItemIndex(1);
  combo->SetDropDownCount(12);
  combo->SetArrowColor(clNavy);
  auto* colors = w.Add<TsuiColorBox>(QStringLiteral("cbColor"));
  colors->SetColorStyle(TColorBoxStyle(cbStandardColors | cbCustomColor));
  colors->SetSelected(TColor(0x445566));
  auto* fonts = w.Add<TsuiFontComboBox>(QStringLiteral("cbFont"));
  fonts->SetUseFonts(true);
  fonts->SetFontName(fonts->Items().last());
  auto* sizes = w.Add<TsuiFontSizeComboBox>(QStringLiteral("cbSize"));
  sizes->SetFontSize(14);
  const QByteArray json = WriteDescription(&w.Form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* comboBack = FindComponentAs<TsuiComboBox>(&copy, QStringLiteral("cbFormat"));
  EXPECT_EQ(csDropDownList, comboBack->Style());
  EXPECT_EQ(combo->Items(), comboBack->Items());
  EXPECT_EQ(1, comboBack->ItemIndex());
  EXPECT_EQ(12, comboBack->DropDownCount());
  EXPECT_EQ(clNavy, comboBack->ArrowColor());
  EXPECT_EQ(WinXP, comboBack->UIStyle());
  EXPECT_EQ(TColor(0x445566), FindComponentAs<TsuiColorBox>(&copy, QStringLiteral("cbColor"))->Selected());
  auto* fontsBack = FindComponentAs<TsuiFontComboBox>(&copy, QStringLiteral("cbFont"));
  EXPECT_TRUE(fontsBack->UseFonts());
  EXPECT_EQ(fonts->FontName(), fontsBack->FontName());
  EXPECT_EQ(14, FindComponentAs<TsuiFontSizeComboBox>(&copy, QStringLiteral("cbSize"))->FontSize());
  EXPECT_EQ(json, WriteDescription(&copy));
}

}  // namespace
