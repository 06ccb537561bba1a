// The bordered edit and list controls: their frame, the native behaviour they
// keep, the check list's marks and what they store.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "Forms.h"
#include "SUICheckListBox.h"
#include "SUIEdit.h"
#include "SUIListBox.h"
#include "SUIListView.h"
#include "SUIMemo.h"
#include "SUIPublic.h"
#include "SUIRegister.h"
#include "SUITreeView.h"
#include "SkinWindow.h"

#include <gtest/gtest.h>
#include <QTest>
#include <functional>

namespace {

QRgb At(const QImage& image, QPoint p) { return image.pixel(p) | 0xFF000000u; }

struct TWindow : TSkinWindow {
  TWindow() : TSkinWindow(400, 300) {}
};

// Each bordered control, made on a window, with some content so that the
// native paint covers its inside.
struct TBorderedCase {
  const char* Name;
  std::function<TControlBase*(TWindow&)> Make;
};

template <class T>
T* Filled(TWindow& w) {
  auto* c = w.Add<T>(QRect(10, 10, 150, 90));
  if constexpr (requires { c->SetItems(QStringList()); })
    c->SetItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
  return c;
}

const TBorderedCase kBordered[] = {
    {"edit", [](TWindow& w) -> TControlBase* { return Filled<TsuiEdit>(w); }},
    {"memo", [](TWindow& w) -> TControlBase* { return Filled<TsuiMemo>(w); }},
    {"list box", [](TWindow& w) -> TControlBase* { return Filled<TsuiListBox>(w); }},
    {"check list box", [](TWindow& w) -> TControlBase* { return Filled<TsuiCheckListBox>(w); }},
    {"list view", [](TWindow& w) -> TControlBase* { return Filled<TsuiListView>(w); }},
    {"tree view", [](TWindow& w) -> TControlBase* { return Filled<TsuiTreeView>(w); }},
};

TColor BorderOf(TControlBase* c) { return c->ControlWidget()->property("BorderColor").value<TColor>(); }

}  // namespace

TEST(SkinBordered, outerRingIsTheBorderColourAndInnerRingTheControlsColour) {
  for (const TBorderedCase& k : kBordered) {
    TWindow w;
    TControlBase* c = k.Make(w);
    QWidget* widget = c->ControlWidget();
    widget->setProperty("BorderColor", QVariant::fromValue(TColor(clRed)));
    c->SetColor(clLime);
    w.Show();
    const QImage shot = Shot(widget);
    const int r = shot.width() - 1, b = shot.height() - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b), QPoint(r / 2, 0), QPoint(0, b / 2)})
      EXPECT_EQ(qRgb(255, 0, 0), At(shot, p)) << k.Name << " outer ring at " << p.x() << "," << p.y();
    for (QPoint p : {QPoint(1, 1), QPoint(r - 1, b - 1), QPoint(r / 2, b - 1), QPoint(r - 1, b / 2)})
      EXPECT_EQ(qRgb(0, 255, 0), At(shot, p)) << k.Name << " inner ring at " << p.x() << "," << p.y();
  }
}

TEST(SkinBordered, borderIsBlackWithoutASkinnedFormAndFollowsAContainersStyle) {
  for (const TBorderedCase& k : kBordered) {
    TWindow w;
    TControlBase* c = k.Make(w);
    EXPECT_EQ(clBlack, BorderOf(c)) << k.Name << ": no skinned form, black";
    ApplyUIStyleToChildren(&w.Form, WinXP);
    EXPECT_EQ(GetThemeColor(WinXP, 8), BorderOf(c)) << k.Name;
  }
}

TEST(SkinBordered, editKeepsNativeTypingAndReportsEachChange) {
  TWindow w;
  auto* e = w.Add<TsuiEdit>(QRect(10, 10, 121, 21));
  int changes = 0;
  e->SetOnChange([&](TComponent*) { ++changes; });
  e->SetMaxLength(5);
  w.Show();
  e->setFocus();
  QTest::keyClicks(e, QStringLiteral("abcdefg"));
  EXPECT_EQ(QStringLiteral("abcde"), e->Text()) << "MaxLength holds";
  EXPECT_EQ(5, changes);
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(QStringLiteral("abcd"), e->Text());
  EXPECT_EQ(qRgb(0, 0, 0), At(Shot(e), QPoint(0, 0))) << "the frame survives typing";
  e->SetPasswordChar(QStringLiteral("*"));
  EXPECT_EQ(QLineEdit::Password, e->echoMode());
}

TEST(SkinCheckListBox, aClickOnTheMarkOrSpaceTogglesAndAClickOnTheTextOnlySelects) {
  TWindow w;
  auto* list = w.Add<TsuiCheckListBox>(QRect(10, 10, 150, 90));
  list->SetUIStyle(Protein);
  list->SetItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
  list->SetItemEnabled(2, false);
  int clickChecks = 0;
  list->SetOnClickCheck([&](TComponent*) { ++clickChecks; });
  w.Show();
  QWidget* port = list->viewport();
  const QRect item1 = list->visualItemRect(list->item(1));
  const QRect mark1 = list->CheckRect(item1);
  EXPECT_EQ(QSize(11, 11), mark1.size()) << "the Protein mark's size";

  QTest::mouseClick(port, Qt::LeftButton, {}, mark1.center());
  EXPECT_TRUE(list->Checked(1));
  EXPECT_EQ(1, clickChecks);
  // What the mark looks like: the checked picture, drawn unscaled.
  TBitmap checked;
  LoadSkinBitmap(checked, 0, QStringLiteral("PROTEIN_CHECKLIST_CHECK"));
  const QImage shot = port->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(checked.Image().convertToFormat(QImage::Format_RGB32), shot.copy(mark1));

  const QRect item0 = list->visualItemRect(list->item(0));
  QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(item0.right() - 10, item0.center().y()));
  EXPECT_FALSE(list->Checked(0)) << "a click on the text does not tick";
  EXPECT_EQ(0, list->ItemIndex());
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_TRUE(list->Checked(0));
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_FALSE(list->Checked(0));
  EXPECT_EQ(3, clickChecks);

  const QRect mark2 = list->CheckRect(list->visualItemRect(list->item(2)));
  QTest::mouseClick(port, Qt::LeftButton, {}, mark2.center());
  EXPECT_FALSE(list->Checked(2)) << "a disabled item cannot be ticked";
  EXPECT_EQ(3, clickChecks);
  EXPECT_EQ(Qt::Checked, list->item(1)->checkState()) << "screen readers see the state";
}

TEST(SkinTreeView, itemsNestByLeadingTabsAndComeBackTheSame) {
  TWindow w;
  auto* tree = w.Add<TsuiTreeView>(QRect(10, 10, 150, 90));
  const QStringList items = {QStringLiteral("Music"), QStringLiteral("\tRock"), QStringLiteral("\t\tLive"),
                             QStringLiteral("\tJazz"), QStringLiteral("Talk")};
  tree->SetItems(items);
  ASSERT_EQ(2, tree->topLevelItemCount());
  EXPECT_EQ(2, tree->topLevelItem(0)->childCount());
  EXPECT_EQ(QStringLiteral("Live"), tree->topLevelItem(0)->child(0)->child(0)->text(0));
  EXPECT_EQ(items, tree->Items());
  // A line too deep hangs under the line before it.
  tree->SetItems({QStringLiteral("\t\tOrphan"), QStringLiteral("\t\t\t\tDeep")});
  EXPECT_EQ(QStringList({QStringLiteral("Orphan"), QStringLiteral("\tDeep")}), tree->Items());
}

TEST(SkinBordered, storedPropertiesComeBackFromTheWindowDescription) {
  RegisterSkinControls();
  TForm form(nullptr);
  auto add = [&form]<class T>(T* c, const char* name) {
    c->setParent(&form);
    c->SetName(QString::fromLatin1(name));
    c->SetBorderColor(0x123456);
    return c;
  };
  auto* edit = add(new TsuiEdit(&form), "edName");
  edit->SetText(QStringLiteral("录音"));
  edit->SetMaxLength(20);
  edit->SetReadOnly(true);
  auto* memo = add(new TsuiMemo(&form), "mmNotes");
  memo->SetLines({QStringLiteral("first"), QString(), QStringLiteral("third")});
  memo->SetWordWrap(false);
  memo->SetScrollBars(ssBoth);
  memo->SetColor(clYellow);
  auto* list = add(new TsuiListBox(&form), "lbFiles");
  list->SetItems({QStringLiteral("a"), QStringLiteral("b")});
  list->SetItemIndex(1);
  list->SetMultiSelect(true);
  auto* checks = add(new TsuiCheckListBox(&form), "clbParts");
  checks->SetUIStyle(MacOS);
  checks->SetBorderColor(0x123456);
  checks->SetBorderWidth(4);
  checks->SetItems({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")});
  checks->SetChecked(0, true);
  checks->SetChecked(2, true);
  auto* view = add(new TsuiListView(&form), "lvTakes");
  view->SetViewStyle(vsReport);
  view->SetColumns({QStringLiteral("Name"), QStringLiteral("Length")});
  view->SetItems({QStringLiteral("take 1\t0:42")});
  auto* tree = add(new TsuiTreeView(&form), "tvBins");
  tree->SetItems({QStringLiteral("root"), QStringLiteral("\tleaf")});
  tree->SetShowButtons(false);
  const QByteArray json = WriteDescription(&form);

  TForm copy(nullptr);
  ReadDescription(&copy, json);
  auto* e = FindComponentAs<TsuiEdit>(&copy, QStringLiteral("edName"));
  EXPECT_EQ(QStringLiteral("录音"), e->Text());
  EXPECT_EQ(20, e->MaxLength());
  EXPECT_TRUE(e->ReadOnly());
  EXPECT_EQ(TColor(0x123456), e->BorderColor());
  auto* m = FindComponentAs<TsuiMemo>(&copy, QStringLiteral("mmNotes"));
  EXPECT_EQ(memo->Lines(), m->Lines());
  EXPECT_EQ(ssBoth, m->ScrollBars());
  EXPECT_EQ(clYellow, m->Color());
  auto* l = FindComponentAs<TsuiListBox>(&copy, QStringLiteral("lbFiles"));
  EXPECT_EQ(1, l->ItemIndex());
  EXPECT_TRUE(l->MultiSelect());
  auto* c = FindComponentAs<TsuiCheckListBox>(&copy, QStringLiteral("clbParts"));
  EXPECT_EQ(MacOS, c->UIStyle());
  EXPECT_EQ(TColor(0x123456), c->BorderColor()) << "a stored border colour wins over the style's";
  EXPECT_EQ(4, c->BorderWidth());
  EXPECT_TRUE(c->Checked(0) && !c->Checked(1) && c->Checked(2)) << "the ticks are kept";
  auto* v = FindComponentAs<TsuiListView>(&copy, QStringLiteral("lvTakes"));
  EXPECT_EQ(view->Items(), v->Items());
  EXPECT_EQ(2, v->columnCount());
  auto* t = FindComponentAs<TsuiTreeView>(&copy, QStringLiteral("tvBins"));
  EXPECT_EQ(tree->Items(), t->Items());
  EXPECT_FALSE(t->ShowButtons());
  EXPECT_EQ(json, WriteDescription(&copy));
}
