// The window's keys, typed as a user types them: each one clicks its button
// only while that button is enabled.
#include "MainFormFixture.h"

#include "ControlBoxMenu.h"
#include "Menus.h"
#include "SUIMainMenu.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class ShortcutTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(ProcessEventsUntil([&] { return Form->isActiveWindow(); }, 5000));
  }
  void Type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Form.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    Settle();
  }
  // Tabs through the window until button has the focus.
  bool TabTo(QWidget* button) {
    for (int i = 0; i < 20 && !button->hasFocus(); ++i) Type(Qt::Key_Tab);
    return button->hasFocus();
  }
};

TEST_F(ShortcutTest, keysFollowTheButtonsEnabledState) {
  // Space is Play's even where a focused button would take it as its own click.
  Form->btnRecord->setFocus();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->btnRecord->hasFocus(); }, 5000));
  Type(Qt::Key_Escape);
  EXPECT_EQ(TForm1::Stopped, Form->State());
  Type(Qt::Key_Space);
  EXPECT_EQ(TForm1::Stopped, Form->State()) << "no working file: Play is disabled";

  Type(Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(TForm1::Recording, Form->State());
  Type(Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(1u, Wave.Count("waveInOpen")) << "Record is disabled while recording";
  int choosers = 0;
  QTimer::singleShot(0, [&] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) ++choosers, d->reject();
  });
  Type(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(0, choosers) << "Format is disabled while recording";
  RecordBlocks(12);
  Type(Qt::Key_Escape);
  ASSERT_EQ(TForm1::Stopped, Form->State());

  Type(Qt::Key_Space);
  ASSERT_EQ(TForm1::Playing, Form->State());
  Type(Qt::Key_Space);
  EXPECT_TRUE(Form->deAudioOut->Paused());
  Type(Qt::Key_Space);
  EXPECT_FALSE(Form->deAudioOut->Paused());
  Type(Qt::Key_Escape);
  EXPECT_EQ(TForm1::Stopped, Form->State());

  QTimer::singleShot(0, [&] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) ++choosers, d->reject();
  });
  Type(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(1, choosers);
  // Back from the dialog, as the window manager gives the window back its focus.
  Form->activateWindow();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->isActiveWindow(); }, 5000));

  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("take.wav"));
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog& d) {
    d.SetFileName(target);
    return true;
  });
  Type(Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(QFile::exists(target));

  Type(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(ShortcutTest, spacePausesARecording_andPressesOnlyAButtonReachedWithTab) {
  Type(Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(TForm1::Recording, Form->State());
  Type(Qt::Key_Space);
  EXPECT_TRUE(Form->RecordingPaused());
  Type(Qt::Key_Space);
  EXPECT_FALSE(Form->RecordingPaused());
  RecordBlocks(4);
  Type(Qt::Key_Escape);
  ASSERT_EQ(TForm1::Stopped, Form->State());

  // A click leaves its button with the focus, but Space stays the transport key.
  int saves = 0;
  Form->SaveDialog1->SetExecuteHook([&](TSaveDialog&) { return ++saves, false; });
  QTest::mouseClick(Form->suiButton3, Qt::LeftButton);
  Settle();
  ASSERT_EQ(1, saves);
  ASSERT_TRUE(Form->suiButton3->hasFocus());
  Type(Qt::Key_Space);
  EXPECT_EQ(1, saves);
  EXPECT_EQ(TForm1::Playing, Form->State());
  Type(Qt::Key_Space);
  EXPECT_TRUE(Form->deAudioOut->Paused());
  Type(Qt::Key_Escape);
  ASSERT_EQ(TForm1::Stopped, Form->State());

  // Reached with Tab, 录制 takes Space as its own press.
  ASSERT_TRUE(TabTo(Form->btnRecord));
  Type(Qt::Key_Space);
  ASSERT_EQ(TForm1::Recording, Form->State());
  EXPECT_EQ(2u, Wave.Count("waveInOpen"));
  // The disabled 录制 handed the focus on; the user did not tab to 停止.
  Type(Qt::Key_Space);
  EXPECT_TRUE(Form->RecordingPaused());
  EXPECT_EQ(TForm1::Recording, Form->State());
  ASSERT_TRUE(TabTo(Form->btnStop));
  Type(Qt::Key_Space);
  EXPECT_EQ(TForm1::Stopped, Form->State());
}

TEST_F(ShortcutTest, altSpaceThenEnterPausesTheRecording) {
  Type(Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(TForm1::Recording, Form->State());
  QMenu* menu = Form->ControlBoxMenu()->Menu()->Menu();
  Type(Qt::Key_Space, Qt::AltModifier);
  ASSERT_TRUE(ProcessEventsUntil([&] { return menu->isVisible(); }, 5000));
  EXPECT_EQ(Form->ControlBoxMenu()->PauseItem()->Action(), menu->activeAction());
  QTest::keyClick(menu, Qt::Key_Return);
  Settle();
  EXPECT_TRUE(Form->RecordingPaused());
  EXPECT_FALSE(menu->isVisible());
}

TEST_F(ShortcutTest, toolTipsNameTheKeys) {
  EXPECT_EQ(QStringLiteral("录制 (Ctrl+R)；录制时按 Space 暂停或继续"), Form->btnRecord->toolTip());
  EXPECT_EQ(QStringLiteral("停止 (Esc)"), Form->btnStop->toolTip());
  EXPECT_EQ(QStringLiteral("播放 (Space)；播放时按 Space 暂停或继续"), Form->btnPlay->toolTip());
  EXPECT_EQ(QStringLiteral("格式 (Ctrl+F)"), Form->btnFormat->toolTip());
  EXPECT_EQ(QStringLiteral("保存 (Ctrl+S)"), Form->suiButton3->toolTip());
  EXPECT_EQ(QStringLiteral("退出 (Ctrl+Q)"), Form->suiButton2->toolTip());
}

}  // namespace
