// The control-box menu: opened by its button and by Alt+Space, its items
// enabled by the window's state, the device lists with the choice checked.
#include "MainFormFixture.h"

#include "ControlBoxMenu.h"
#include "Menus.h"
#include "SUIForm.h"
#include "SUIMainMenu.h"
#include "SUITitleBar.h"
#include "WaveDevice.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace {

QStringList Texts(const TMenuItem* parent) {
  QStringList texts;
  for (int i = 0; i < parent->Count(); ++i)
    if (!parent->Items(i)->IsLine())
      texts << parent->Items(i)->Caption() + (parent->Items(i)->Checked() ? QStringLiteral(" *") : QString());
  return texts;
}

TMenuItem* Named(const TMenuItem* parent, const QString& caption) {
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->Items(i)->Caption() == caption) return parent->Items(i);
  return nullptr;
}

class ControlBoxMenuTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Menu = Form->ControlBoxMenu();
    Wave.SetDevices(TWaveDirection::Input, {{"default", "Sound server"}, {"usbmic", "USB Mic"}});
    Wave.SetDevices(TWaveDirection::Output, {{"default", "Sound server"}});
  }
  TControlBoxMenu* Menu = nullptr;
};

TEST_F(ControlBoxMenuTest, opensFromTheControlBoxAndFromAltSpace_underTheTitleBar) {
  Form->show();
  Form->activateWindow();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->isActiveWindow(); }, 5000));
  TsuiTitleBar* bar = Form->suiForm1->TitleBar();
  QMenu* shown = Menu->Menu()->Menu();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(5, 8));
  ASSERT_TRUE(ProcessEventsUntil([&] { return shown->isVisible(); }, 5000));
  EXPECT_EQ(bar->mapToGlobal(QPoint(0, bar->height())), shown->pos());
  shown->close();

  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : Form.get(), Qt::Key_Space,
                  Qt::AltModifier);
  ASSERT_TRUE(ProcessEventsUntil([&] { return shown->isVisible(); }, 5000));
  EXPECT_EQ((QStringList{QStringLiteral("暂停录制"), QStringLiteral("删除此处之前的部分"),
                         QStringLiteral("删除此处之后的部分"), QStringLiteral("输入设备"), QStringLiteral("输出设备"),
                         QStringLiteral("打开录音所在文件夹"), QStringLiteral("最近的录音"), QStringLiteral("外观"),
                         QStringLiteral("关于")}),
            Texts(Menu->Menu()->Items()));
  EXPECT_FALSE(Menu->PauseItem()->Enabled()) << "brought up to the window's state as it opened";
  shown->close();
  EXPECT_EQ(TForm1::Stopped, Form->State()) << "Alt+Space is not Space";
}

TEST_F(ControlBoxMenuTest, pauseIsOfferedOnlyWhileRecording_andSaysWhatItWillDo) {
  Menu->Refresh();
  EXPECT_FALSE(Menu->PauseItem()->Enabled());
  Press(Form->btnRecord);
  Menu->Refresh();
  ASSERT_TRUE(Menu->PauseItem()->Enabled());
  EXPECT_EQ(QStringLiteral("暂停录制"), Menu->PauseItem()->Caption());
  Menu->PauseItem()->Click();
  EXPECT_TRUE(Form->RecordingPaused());
  Menu->Refresh();
  EXPECT_EQ(QStringLiteral("继续录制"), Menu->PauseItem()->Caption());
  Menu->PauseItem()->Click();
  EXPECT_FALSE(Form->RecordingPaused());
  ASSERT_TRUE(Wave.Complete());
  Settle();
  Press(Form->btnStop);

  Press(Form->btnPlay);
  ASSERT_EQ(TForm1::Playing, Form->State());
  Menu->Refresh();
  EXPECT_FALSE(Menu->PauseItem()->Enabled()) << "playback pauses with Play";
  EXPECT_TRUE(Menu->FolderItem()->Enabled());
  EXPECT_TRUE(Menu->AboutItem()->Enabled());
}

TEST_F(ControlBoxMenuTest, deviceMenusListTheDevicesDefaultFirst_andTheChoiceIsChecked) {
  Menu->Refresh();
  EXPECT_EQ((QStringList{QStringLiteral("默认设备（Sound server） *"), QStringLiteral("USB Mic")}),
            Texts(Menu->InputItem()));
  EXPECT_EQ(QStringList{QStringLiteral("默认设备（Sound server） *")}, Texts(Menu->OutputItem()));

  Named(Menu->InputItem(), QStringLiteral("USB Mic"))->Click();
  EXPECT_EQ(QStringLiteral("usbmic"), Form->Devices().Input().Name);
  Menu->Refresh();
  EXPECT_EQ((QStringList{QStringLiteral("默认设备（Sound server）"), QStringLiteral("USB Mic *")}),
            Texts(Menu->InputItem()));

  // Unplugged: still shown, so the user sees why the default is used.
  Wave.SetDevices(TWaveDirection::Input, {{"default", "Sound server"}});
  Menu->Refresh();
  EXPECT_EQ((QStringList{QStringLiteral("默认设备（Sound server）"), QStringLiteral("USB Mic（未连接） *")}),
            Texts(Menu->InputItem()));
  EXPECT_FALSE(Named(Menu->InputItem(), QStringLiteral("USB Mic（未连接）"))->Enabled());
  Named(Menu->InputItem(), QStringLiteral("默认设备（Sound server）"))->Click();
  EXPECT_EQ(QString(), Form->Devices().Input().Name);
}

TEST_F(ControlBoxMenuTest, foldersOpenTheWorkingFilesFolderAndTheRecentTakes) {
  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
  Menu->FolderItem()->Click();
  QDir(TakesFolder()).removeRecursively();
  Menu->TakesItem()->Click();
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  ASSERT_EQ(2, catcher.Opened.size());
  EXPECT_EQ(QFileInfo(Form->FileName()).absolutePath(), catcher.Opened[0].toLocalFile());
  EXPECT_EQ(TakesFolder(), catcher.Opened[1].toLocalFile());
  EXPECT_TRUE(QFileInfo(TakesFolder()).isDir()) << "made, so there is something to open";
}

}  // namespace
