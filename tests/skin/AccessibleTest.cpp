// The skinned controls as a screen reader meets them: each painted part has
// a role, the name the user reads on screen, its state and an action that
// does what a click does.
#include "SkinWindow.h"

#include "SUIAccessible.h"
#include "SUICheckListBox.h"
#include "SUIForm.h"
#include "SUIGrid.h"
#include "SUISideChannel.h"
#include "SUITabControl.h"
#include "SUITitleBar.h"
#include "SUIToolBar.h"

#include "AccessibleTree.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QToolButton>
#include <functional>

namespace {

bool Does(QAccessibleInterface* part, const QString& action) {
  if (!part || !part->actionInterface() || !part->actionInterface()->actionNames().contains(action)) return false;
  part->actionInterface()->doAction(action);
  return true;
}

}  // namespace

TEST(SkinAccessible, titleBarButtonsOfAFrameArePushButtonsThatPress) {
  InstallSkinAccessibility();
  TSkinWindow w(400, 300);
  auto* frame = w.Make<TsuiForm>();
  frame->SetUIStyle(DeepBlue);
  frame->SetCaption(QStringLiteral("样例"));
  w.Show();
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&w.Form);
  EXPECT_EQ(QAccessible::Window, root->role());
  EXPECT_EQ(QStringLiteral("样例"), root->text(QAccessible::Name));
  QAccessibleInterface* bar = Find(root, [](QAccessibleInterface* i) { return i->role() == QAccessible::TitleBar; });
  ASSERT_TRUE(bar);
  QStringList names;
  for (int i = 0; i < bar->childCount(); ++i) names << bar->child(i)->text(QAccessible::Name);
  EXPECT_TRUE(names.contains(QStringLiteral("最大化"))) << names.join(QLatin1Char(',')).toStdString();
  EXPECT_TRUE(
      Does(Named(bar, QAccessible::PushButton, QStringLiteral("最大化")), QAccessibleActionInterface::pressAction()));
  EXPECT_TRUE(w.Form.isMaximized());
  EXPECT_TRUE(Named(bar, QAccessible::PushButton, QStringLiteral("还原"))) << "the name follows what it will do";
}

// A screen reader may ask after a button the bar no longer has.
TEST(SkinAccessible, aTitleButtonThatIsGoneAnswersAsInvisible) {
  InstallSkinAccessibility();
  TSkinWindow w(400, 300);
  auto* frame = w.Make<TsuiForm>();
  frame->SetUIStyle(DeepBlue);
  w.Show();
  QAccessibleInterface* bar = Find(QAccessible::queryAccessibleInterface(&w.Form),
                                   [](QAccessibleInterface* i) { return i->role() == QAccessible::TitleBar; });
  ASSERT_TRUE(bar);
  ASSERT_GT(bar->childCount(), 0);
  QAccessibleInterface* button = bar->child(0);
  ASSERT_TRUE(button && button->isValid());
  frame->TitleBar()->Buttons()->Clear();
  EXPECT_FALSE(button->isValid());
  const QAccessible::State state = button->state();
  EXPECT_TRUE(state.invisible);
  EXPECT_FALSE(state.hasPopup);
  EXPECT_TRUE(button->text(QAccessible::Name).isEmpty());
}

TEST(SkinAccessible, galleryControlsHaveRoleNameStateAndAction) {
  InstallSkinAccessibility();
  TSkinWindow w(640, 420, clWhite);

  auto* tools = w.Add<TsuiToolBar>(QRect(0, 0, 300, 30));
  auto* record = new TToolButton(&w.Form);
  record->SetCaption(QStringLiteral("录制"));
  int recordClicks = 0;
  record->SetOnClick([&](TComponent*) { ++recordClicks; });
  tools->AddButton(record);

  auto* tabs = w.Add<TsuiTabControl>(QRect(10, 40, 300, 120));
  tabs->SetTabs({QStringLiteral("录制"), QStringLiteral("播放")});

  auto* ticks = w.Add<TsuiCheckListBox>(QRect(320, 40, 150, 90));
  ticks->SetItems({QStringLiteral("one"), QStringLiteral("two")});
  ticks->SetChecked(1, true);

  auto* grid = w.Add<TsuiStringGrid>(QRect(10, 170, 300, 120));
  grid->SetCells(1, 1, QStringLiteral("单元"));

  auto* channel = w.Add<TsuiSideChannel>(QRect(500, 0, 120, 400));
  channel->SetCaption(QStringLiteral("工具"));
  w.Show();
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&w.Form);

  QAccessibleInterface* button = Named(root, QAccessible::Button, QStringLiteral("录制"));
  ASSERT_TRUE(button) << "tool bar button";
  EXPECT_TRUE(Does(button, QAccessibleActionInterface::pressAction()));
  QCoreApplication::processEvents();
  EXPECT_EQ(1, recordClicks);

  QAccessibleInterface* play = Named(root, QAccessible::PageTab, QStringLiteral("播放"));
  ASSERT_TRUE(play) << "tab";
  EXPECT_FALSE(play->state().selected);
  EXPECT_TRUE(Named(root, QAccessible::PageTab, QStringLiteral("录制"))->state().selected);
  EXPECT_TRUE(Does(play, QAccessibleActionInterface::pressAction()));
  EXPECT_EQ(1, tabs->TopPanel()->TabIndex());
  EXPECT_TRUE(play->state().selected);
  QAccessibleInterface* strip = play->parent();
  ASSERT_TRUE(strip);
  EXPECT_EQ(QAccessible::PageTabList, strip->role());
  EXPECT_EQ(play, strip->childAt(play->rect().center().x(), play->rect().center().y()));

  QAccessibleInterface* two = Named(root, QAccessible::ListItem, QStringLiteral("two"));
  ASSERT_TRUE(two) << "check list item";
  EXPECT_TRUE(two->state().checkable);
  EXPECT_TRUE(two->state().checked);
  EXPECT_FALSE(Named(root, QAccessible::ListItem, QStringLiteral("one"))->state().checked);
  int checkClicks = 0;
  ticks->SetOnClickCheck([&](TComponent*) { ++checkClicks; });
  EXPECT_TRUE(Does(two, QAccessibleActionInterface::toggleAction()));
  EXPECT_FALSE(ticks->Checked(1));
  EXPECT_FALSE(two->state().checked);
  EXPECT_EQ(1, checkClicks) << "as a click on the tick";

  QAccessibleInterface* cell = Named(root, QAccessible::Cell, QStringLiteral("单元"));
  EXPECT_TRUE(cell) << "grid cell";
  EXPECT_TRUE(Find(root, [](QAccessibleInterface* i) { return i->role() == QAccessible::Table; }));

  QAccessibleInterface* side = Find(root, [&](QAccessibleInterface* i) { return i->object() == channel; });
  ASSERT_TRUE(side);
  EXPECT_EQ(QStringLiteral("工具"), side->text(QAccessible::Name));
  EXPECT_NE(QAccessible::Client, side->role());
  QAccessibleInterface* pin = Find(side, [&](QAccessibleInterface* i) { return i->object() == channel->PinButton(); });
  ASSERT_TRUE(pin);
  EXPECT_EQ(QStringLiteral("固定"), pin->text(QAccessible::Name));
  EXPECT_EQ(QAccessible::Pane, side->role());
  EXPECT_EQ(channel->IsOpen(), bool(side->state().expanded));
  const bool wasOpen = channel->IsOpen();
  EXPECT_TRUE(Does(side, QAccessibleActionInterface::pressAction()));
  EXPECT_NE(wasOpen, channel->IsOpen());
  EXPECT_EQ(channel->IsOpen(), bool(side->state().expanded));
  EXPECT_NE(bool(side->state().expanded), bool(side->state().collapsed));
}
