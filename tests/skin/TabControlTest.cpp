// Tab and page controls as a user drives them: clicks, keys, pages coming and
// going, and what the window description keeps.
#include "Description.h"
#include "Forms.h"
#include "SUIButton.h"
#include "SUIPageControl.h"
#include "SUIPublic.h"
#include "SUIRegister.h"
#include "SUITabControl.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QTest>
#include <memory>

namespace {

struct TTabWindow : TSkinWindow {
  TTabWindow() : TSkinWindow(360, 240, clWhite, QRect(10, 10, 300, 160)) {}
  TsuiTabSheet* AddSheet(TsuiPageControl* pages, const QString& caption, const QString& name = {}) {
    auto* sheet = new TsuiTabSheet(&Form);
    sheet->SetName(name);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pages);
    return sheet;
  }
};

// The centre of tab index on the strip, as a user aims at it.
QPoint TabCentre(TsuiTab* tabs, int index) {
  const TsuiTabStripLayout l = TsuiTabControlTopPanel::LayOut(tabs->TopPanel()->State());
  return QPoint(l.Lefts[size_t(index)] + l.Widths[size_t(index)] / 2, l.ActiveHeight / 2);
}

void ClickTab(TsuiTab* tabs, int index) {
  QTest::mouseClick(tabs->TopPanel(), Qt::LeftButton, {}, TabCentre(tabs, index));
}

// Which of the sheets a user sees.
std::vector<bool> Shown(TsuiPageControl* pages) {
  std::vector<bool> shown;
  for (int i = 0; i < pages->PageCount(); ++i) shown.push_back(pages->Pages(i)->isVisible());
  return shown;
}

TEST(SkinTabStrip, tabWidthsFollowCaptionsAndHitTestingExcludesEdges) {
  const QFont font;
  EXPECT_EQ(80, TsuiTabControlTopPanel::TabWidth(QString(), font));
  EXPECT_EQ(QFontMetrics(font).horizontalAdvance(QStringLiteral("播放")) + 20,
            TsuiTabControlTopPanel::TabWidth(QStringLiteral("播放"), font));
  // The accelerator mark is not measured.
  EXPECT_EQ(TsuiTabControlTopPanel::TabWidth(QStringLiteral("Play"), font),
            TsuiTabControlTopPanel::TabWidth(QStringLiteral("&Play"), font));

  TsuiTabStripState s;
  s.Tabs = {QStringLiteral("A"), QStringLiteral("B"), QString()};
  s.Visible = {true, false, true};
  s.LeftMargin = 10;
  s.ActivePicName = QStringLiteral("PROTEIN_TAB_ACTIVE");
  const TsuiTabStripLayout l = TsuiTabControlTopPanel::LayOut(s);
  EXPECT_EQ(17, l.ActiveHeight);
  ASSERT_EQ(3u, l.Widths.size());
  EXPECT_EQ(0, l.Widths[1]);
  EXPECT_EQ(l.Lefts[0] + l.Widths[0], l.Lefts[2]);
  EXPECT_EQ(80, l.Widths[2]);
  EXPECT_EQ(-1, l.TabAt(QPoint(10, 5)));  // left edge belongs to no tab
  EXPECT_EQ(0, l.TabAt(QPoint(11, 5)));
  EXPECT_EQ(2, l.TabAt(QPoint(l.Lefts[2] + 1, 16)));
  EXPECT_EQ(-1, l.TabAt(QPoint(l.Lefts[2] + 1, 17)));  // below the tabs
  EXPECT_EQ(-1, l.TabAt(QPoint(l.Lefts[2] + 1, 0)));
}

TEST(SkinTabControl, clickAsksOnChangingButCodeDoesNot) {
  RegisterSkinControls();
  TTabWindow w;
  auto* tabs = w.Add<TsuiTabControl>();
  tabs->SetTabs({QStringLiteral("录制"), QStringLiteral("播放"), QStringLiteral("格式")});
  w.Show();
  QStringList events;
  bool allow = true;
  tabs->SetOnChanging([&](TComponent*, bool& allowChange) {
    events << QStringLiteral("changing");
    allowChange = allow;
  });
  tabs->SetOnTabActive([&](TComponent*, int index) { events << QStringLiteral("active %1").arg(index); });
  tabs->SetOnChange([&](TComponent*) { events << QStringLiteral("change"); });

  ClickTab(tabs, 2);
  EXPECT_EQ(2, tabs->TabIndex());
  EXPECT_EQ((QStringList{"changing", "active 2", "change"}), events);

  events.clear();
  allow = false;
  ClickTab(tabs, 0);
  EXPECT_EQ(2, tabs->TabIndex());
  EXPECT_EQ(2, tabs->TopPanel()->currentIndex());
  EXPECT_EQ(QStringList{"changing"}, events);

  events.clear();
  tabs->SetTabIndex(1);
  EXPECT_EQ(1, tabs->TabIndex());
  EXPECT_EQ((QStringList{"active 1", "change"}), events);

  events.clear();
  tabs->SetTabIndex(5);
  EXPECT_EQ(1, tabs->TabIndex());
  EXPECT_TRUE(events.isEmpty());

  // Fewer tabs than the index: the last one is current.
  tabs->SetTabs({QStringLiteral("Only")});
  EXPECT_EQ(0, tabs->TabIndex());
  tabs->SetTabs({});
  EXPECT_EQ(-1, tabs->TabIndex());
}

TEST(SkinTabControl, ctrlTabAndArrowKeysWalkTheVisibleTabs) {
  TTabWindow w;
  auto* tabs = w.Add<TsuiTabControl>();
  tabs->SetTabs({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
  tabs->TopPanel()->SetTabVisible(1, false);
  auto* button = new TsuiButton(&w.Form);
  button->setParent(tabs);
  button->SetBounds(10, 40, 80, 25);
  w.Show();
  int changes = 0;
  tabs->SetOnChange([&](TComponent*) { ++changes; });
  button->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return button->hasFocus(); }));

  QTest::keyClick(button, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(2, tabs->TabIndex());  // B is hidden
  QTest::keyClick(button, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(0, tabs->TabIndex());  // wraps
  QTest::keyClick(button, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(2, tabs->TabIndex());
  EXPECT_EQ(3, changes);

  // A refusal holds for keys as for clicks.
  tabs->SetOnChanging([](TComponent*, bool& allow) { allow = false; });
  QTest::keyClick(button, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(2, tabs->TabIndex());
  tabs->SetOnChanging(nullptr);

  ClickTab(tabs, 0);
  ASSERT_TRUE(tabs->TopPanel()->hasFocus());
  QTest::keyClick(tabs->TopPanel(), Qt::Key_Right);
  EXPECT_EQ(2, tabs->TabIndex());
  QTest::keyClick(tabs->TopPanel(), Qt::Key_Left);
  EXPECT_EQ(0, tabs->TabIndex());
}

TEST(SkinTabControl, stylesColourTheBodyStripAndBorder) {
  TTabWindow w;
  auto* tabs = w.Add<TsuiTabControl>();
  w.Show();
  for (TsuiUIStyle style : {WinXP, Protein, MacOS}) {
    tabs->SetUIStyle(style);
    const QImage shot = Shot(tabs);
    const int h = tabs->TopPanel()->height();
    EXPECT_EQ(GetThemeInt(style, 73), h);
    EXPECT_EQ(GetThemeColor(style, 9), tabs->TopPanel()->Color());
    const QRgb body = shot.pixel(tabs->width() / 2, (h + tabs->height()) / 2);
    EXPECT_EQ(style == WinXP ? QColor(Qt::white).rgb() : ToQColor(GetThemeColor(style, 9)).rgb(), body)
        << "style " << int(style);
    const QRgb border = ToQColor(GetThemeColor(style, 8)).rgb();
    EXPECT_EQ(border, shot.pixel(0, tabs->height() - 5));
    EXPECT_EQ(border, shot.pixel(tabs->width() - 1, tabs->height() - 1));
    EXPECT_EQ(border, shot.pixel(tabs->width() / 2, tabs->height() - 1));
  }
  // Custom leaves the control as it was.
  tabs->SetUIStyle(Custom);
  EXPECT_EQ(MacOS, tabs->UIStyle());
}

TEST(SkinTabControl, eachStylesTabAndLinePicturesFillItsStrip) {
  for (TsuiUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    TBitmap tab, line;
    LoadSkinBitmap(tab, 0, GetThemeString(style, 70));
    LoadSkinBitmap(line, 0, GetThemeString(style, 72));
    EXPECT_EQ(GetThemeInt(style, 73), tab.Height() + line.Height()) << "style " << int(style);
  }
}

TEST(SkinTabControl, theActiveTabIsDrawnFromTheActivePicture) {
  TTabWindow w;
  auto* tabs = w.Add<TsuiTabControl>();
  tabs->SetUIStyle(Protein);
  tabs->SetTabs({QStringLiteral("One"), QStringLiteral("Two")});
  w.Show();
  const QImage first = Shot(tabs->TopPanel());
  tabs->SetTabIndex(1);
  const QImage second = Shot(tabs->TopPanel());
  const TsuiTabStripLayout l = TsuiTabControlTopPanel::LayOut(tabs->TopPanel()->State());
  // The same tab looks the same whenever it is in the same state.
  const QRect tab0(l.Lefts[0], 0, l.Widths[0], l.ActiveHeight + 1);
  const QRect tab1(l.Lefts[1], 0, l.Widths[1], l.ActiveHeight + 1);
  EXPECT_NE(first.copy(tab0), second.copy(tab0));
  EXPECT_NE(first.copy(tab1), second.copy(tab1));
  // Both the left end frame of the picture and the stretched middle show:
  // the active picture sits one row lower than the inactive one.
  TBitmap active;
  LoadSkinBitmap(active, 0, tabs->TopPanel()->ActivePicName());
  const int fw = active.Width() / 3;
  const QColor middle = ToQColor(active.Pixel(fw, active.Height() / 2));
  EXPECT_EQ(middle.rgb(), second.pixel(l.Lefts[1] + fw + 1, active.Height() / 2 + 1));
}

TEST(SkinPageControl, oneSheetShownAndPagesComeAndGo) {
  TTabWindow w;
  auto* pages = w.Add<TsuiPageControl>();
  w.Show();
  EXPECT_EQ(0, pages->PageCount());
  EXPECT_EQ(nullptr, pages->ActivePage());
  EXPECT_EQ(-1, pages->TopPanel()->TabIndex());

  auto* a = w.AddSheet(pages, QStringLiteral("A"));
  auto* b = w.AddSheet(pages, QStringLiteral("B"));
  auto* c = w.AddSheet(pages, QStringLiteral("C"));
  EXPECT_EQ(3, pages->PageCount());
  EXPECT_EQ(a, pages->ActivePage());
  EXPECT_EQ((std::vector<bool>{true, false, false}), Shown(pages));
  EXPECT_EQ((QStringList{"A", "B", "C"}), pages->TopPanel()->Tabs());
  EXPECT_EQ(QRect(1, pages->TopPanel()->height(), 298, 160 - pages->TopPanel()->height() - 1), a->geometry());

  int changes = 0;
  pages->SetOnChange([&](TComponent*) { ++changes; });
  ClickTab(pages, 2);
  EXPECT_EQ(c, pages->ActivePage());
  EXPECT_EQ((std::vector<bool>{false, false, true}), Shown(pages));
  EXPECT_EQ(1, changes);

  // Removing the active page shows the one that takes its place.
  b->SetPageIndex(2);
  EXPECT_EQ((QStringList{"A", "C", "B"}), pages->TopPanel()->Tabs());
  EXPECT_EQ(1, c->PageIndex());
  delete c;
  EXPECT_EQ(b, pages->ActivePage());
  EXPECT_EQ((QStringList{"A", "B"}), pages->TopPanel()->Tabs());
  EXPECT_EQ(2, changes);
  EXPECT_TRUE(b->isVisible());

  // Hiding the active page's tab moves to the next visible one.
  b->SetTabVisible(false);
  EXPECT_EQ(a, pages->ActivePage());
  EXPECT_TRUE(a->isVisible());
  EXPECT_FALSE(b->isVisible());

  b->SetPageControl(nullptr);
  EXPECT_EQ(-1, b->PageIndex());
  EXPECT_FALSE(b->isVisible());
  a->SetPageControl(nullptr);
  EXPECT_EQ(0, pages->PageCount());
  EXPECT_EQ(nullptr, pages->ActivePage());
  EXPECT_EQ(-1, pages->TopPanel()->TabIndex());
  delete b;
  delete a;
}

TEST(SkinPageControl, controlsOnASheetTakeTheStyle) {
  TTabWindow w;
  auto* pages = w.Add<TsuiPageControl>();
  auto* sheet = w.AddSheet(pages, QStringLiteral("A"));
  auto* button = new TsuiButton(&w.Form);
  button->setParent(sheet);
  pages->SetUIStyle(BlueGlass);
  EXPECT_EQ(BlueGlass, button->UIStyle());
  ApplyUIStyleToContainers(&w.Form, WinXP);
  EXPECT_EQ(WinXP, pages->UIStyle());
  EXPECT_EQ(WinXP, button->UIStyle());
}

TEST(SkinPageControl, pagesOrderAndActivePageComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TTabWindow w;
  auto* tabs = w.Add<TsuiTabControl>(QStringLiteral("tabMode"));
  tabs->SetTabs({QStringLiteral("录制"), QString(), QStringLiteral("格式")});
  tabs->SetTabIndex(2);
  tabs->SetLeftMargin(4);
  tabs->SetUIStyle(WinXP);
  auto* pages = w.Add<TsuiPageControl>(QStringLiteral("pgcMain"));
  w.AddSheet(pages, QStringLiteral("常规"), QStringLiteral("tsGeneral"));
  auto* input = w.AddSheet(pages, QStringLiteral("Input"), QStringLiteral("tsInput"));
  auto* output = w.AddSheet(pages, QStringLiteral("Output"), QStringLiteral("tsOutput"));
  auto* button = new TsuiButton(&w.Form);
  button->setParent(output);
  button->SetName(QStringLiteral("btnTest"));
  output->SetPageIndex(0);
  input->SetTabVisible(false);
  pages->SetActivePage(output);
  const QByteArray json = WriteDescription(&w.Form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* tabsBack = FindComponentAs<TsuiTabControl>(&copy, QStringLiteral("tabMode"));
  EXPECT_EQ(tabs->Tabs(), tabsBack->Tabs());
  EXPECT_EQ(2, tabsBack->TabIndex());
  EXPECT_EQ(4, tabsBack->LeftMargin());
  EXPECT_EQ(WinXP, tabsBack->UIStyle());
  auto* back = FindComponentAs<TsuiPageControl>(&copy, QStringLiteral("pgcMain"));
  ASSERT_EQ(3, back->PageCount());
  EXPECT_EQ((QStringList{"tsOutput", "tsGeneral", "tsInput"}), back->PageNames());
  EXPECT_EQ(QStringLiteral("tsOutput"), back->ActivePage()->Name());
  EXPECT_FALSE(back->Pages(2)->TabVisible());
  EXPECT_EQ(QStringLiteral("常规"), back->Pages(1)->Caption());
  EXPECT_EQ(back->Pages(0), FindComponentAs<TsuiButton>(&copy, QStringLiteral("btnTest"))->parentWidget());
  EXPECT_TRUE(back->Pages(0)->isVisibleTo(back));
  EXPECT_FALSE(back->Pages(1)->isVisibleTo(back));
  EXPECT_EQ(json, WriteDescription(&copy));
}

}  // namespace
