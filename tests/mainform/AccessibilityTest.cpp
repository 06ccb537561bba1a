// The window as a screen reader walks it through Qt's accessibility
// interfaces: every control has its role and the name the user reads on
// screen, each title-bar button presses as a click does, and the status
// bar's panels read the state.
#include "MainFormFixture.h"

#include "ControlBoxMenu.h"
#include "SUIForm.h"
#include "SUIMainMenu.h"
#include "SUITitleBar.h"
#include "deAudioControls.h"

#include "AccessibleTree.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QDesktopServices>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <functional>

namespace {

void PressPart(QAccessibleInterface* part) {
  ASSERT_TRUE(part->actionInterface());
  ASSERT_TRUE(part->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  part->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

}  // namespace

class AccessibilityTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    Root = QAccessible::queryAccessibleInterface(Form.get());
    ASSERT_TRUE(Root);
  }
  QAccessibleInterface* Root = nullptr;
};

TEST_F(AccessibilityTest, theWindowIsAFrameAndEveryControlHasItsRoleAndName) {
  EXPECT_EQ(QAccessible::Window, Root->role());
  EXPECT_EQ(QStringLiteral("Tamsel录音机"), Root->text(QAccessible::Name));

  QAccessibleInterface* bar = Find(Root, [](QAccessibleInterface* i) { return i->role() == QAccessible::TitleBar; });
  ASSERT_TRUE(bar);
  EXPECT_EQ(QStringLiteral("Tamsel录音机"), bar->text(QAccessible::Name));
  QStringList buttons;
  for (int i = 0; i < bar->childCount(); ++i) {
    QAccessibleInterface* b = bar->child(i);
    EXPECT_EQ(QAccessible::PushButton, b->role());
    EXPECT_EQ(b, bar->child(i)) << "one interface per button";
    EXPECT_EQ(i, bar->indexOfChild(b));
    EXPECT_EQ(bar, b->parent());
    EXPECT_FALSE(b->state().invisible);
    // Where the button is drawn, so a reader's pointer review lands on it.
    EXPECT_EQ(b, bar->childAt(b->rect().center().x(), b->rect().center().y()));
    buttons << b->text(QAccessible::Name);
  }
  EXPECT_EQ((QStringList{QStringLiteral("窗口菜单"), QStringLiteral("关闭"), QStringLiteral("最小化")}), buttons);

  for (const char* name : {"录制", "停止", "播放", "格式", "退出", "保存", "官网"})
    EXPECT_TRUE(Named(Root, QAccessible::Button, QString::fromUtf8(name))) << name;

  QAccessibleInterface* scope =
      Find(Root, [&](QAccessibleInterface* i) { return i->object() == Form->deOscilloscope1; });
  ASSERT_TRUE(scope);
  EXPECT_EQ(QAccessible::Graphic, scope->role());
  EXPECT_EQ(QStringLiteral("示波器"), scope->text(QAccessible::Name));
  EXPECT_FALSE(scope->text(QAccessible::Description).isEmpty());

  QAccessibleInterface* steps =
      Find(Root, [&](QAccessibleInterface* i) { return i->object() == Form->lbSteps->Widget(); });
  ASSERT_TRUE(steps);
  EXPECT_EQ(QAccessible::List, steps->role());
  EXPECT_EQ(QStringLiteral("转换步骤"), steps->text(QAccessible::Name));

  QAccessibleInterface* progress =
      Find(Root, [&](QAccessibleInterface* i) { return i->object() == Form->pbPlayback->Widget(); });
  ASSERT_TRUE(progress);
  EXPECT_EQ(QAccessible::ProgressBar, progress->role());
  EXPECT_EQ(QStringLiteral("播放进度"), progress->text(QAccessible::Name));
  ASSERT_TRUE(progress->valueInterface());
  EXPECT_EQ(0, progress->valueInterface()->currentValue().toInt());

  QAccessibleInterface* status =
      Find(Root, [](QAccessibleInterface* i) { return i->role() == QAccessible::StatusBar; });
  ASSERT_TRUE(status);
  ASSERT_GE(status->childCount(), 2);
  EXPECT_EQ(QAccessible::StaticText, status->child(0)->role());
  EXPECT_EQ(QStringLiteral("已停止"), status->child(0)->text(QAccessible::Name));
}

TEST_F(AccessibilityTest, titleBarButtonsPressAsAClickDoes) {
  QAccessibleInterface* bar = Find(Root, [](QAccessibleInterface* i) { return i->role() == QAccessible::TitleBar; });
  ASSERT_TRUE(bar);
  QMenu* menu = Form->ControlBoxMenu()->Menu()->Menu();
  PressPart(Named(bar, QAccessible::PushButton, QStringLiteral("窗口菜单")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return menu->isVisible(); }, 5000));
  menu->close();

  PressPart(Named(bar, QAccessible::PushButton, QStringLiteral("最小化")));
  EXPECT_TRUE(Form->isMinimized());
  Form->showNormal();

  PressPart(Named(Root, QAccessible::Button, QStringLiteral("录制")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->State() == TForm1::Recording; }, 5000));
  PressPart(Named(bar, QAccessible::PushButton, QStringLiteral("关闭")));
  Settle();
  EXPECT_FALSE(Form->isVisible());
  EXPECT_EQ(TForm1::Stopped, Form->State()) << "closing stops the recording first";
}

TEST_F(AccessibilityTest, statusPanelsReadTheStateAfterRecord_andLinksAreFollowed) {
  // A button's press action clicks it as a short animation does.
  PressPart(Named(Root, QAccessible::Button, QStringLiteral("录制")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->State() == TForm1::Recording; }, 5000));
  QAccessibleInterface* status =
      Find(Root, [](QAccessibleInterface* i) { return i->role() == QAccessible::StatusBar; });
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->child(0)->text(QAccessible::Name).startsWith(QStringLiteral("正在录制 00:00:0")))
      << status->child(0)->text(QAccessible::Name).toStdString();
  EXPECT_EQ(Panel(1), status->child(1)->text(QAccessible::Name));
  EXPECT_FALSE(Panel(1).isEmpty()) << "the format";
  EXPECT_TRUE(status->text(QAccessible::Name).contains(Panel(1)));
  PressPart(Named(Root, QAccessible::Button, QStringLiteral("停止")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->State() == TForm1::Stopped; }, 5000));
  EXPECT_EQ(QStringLiteral("已停止"), status->child(0)->text(QAccessible::Name));

  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
  QAccessibleInterface* home = Named(Root, QAccessible::Link, Form->Label1->Caption());
  ASSERT_TRUE(home);
  EXPECT_TRUE(home->state().linked);
  EXPECT_EQ(0, home->childCount()) << "the caption is read once";
  PressPart(home);
  // The keyboard follows the link too.
  Form->Label1->setFocus();
  QTest::keyClick(Form->Label1, Qt::Key_Return);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  EXPECT_EQ(2, catcher.Opened.size());
  EXPECT_TRUE(Named(Root, QAccessible::Link, Form->Label2->Caption()));
}
