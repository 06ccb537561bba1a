// The devices chosen in the window: used for the next take, remembered across
// runs, and a device that has gone away named once while the default is used.
#include "MainFormFixture.h"

#include "WaveDevice.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

// Answers every message box that opens while it lives and keeps their texts.
class TBoxWatcher {
 public:
  TBoxWatcher() {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        Texts << box->text();
        box->accept();
      }
    });
    FTimer.start();
  }
  QStringList Texts;

 private:
  QTimer FTimer;
};

class DeviceTest : public MainFormTest {
 protected:
  void SetUp() override {
    Wave.SetDevices(TWaveDirection::Input, {{"default", "Sound server"}, {"usbmic", "USB Mic — Analog"}});
    Wave.SetDevices(TWaveDirection::Output, {{"default", "Sound server"}, {"hdmi", "HDMI Out"}});
    MainFormTest::SetUp();
  }
  void RecordAndStop() {
    Press(Form->btnRecord);
    ASSERT_EQ(TForm1::Recording, Form->State());
    ASSERT_TRUE(Wave.Complete());
    Settle();
    Press(Form->btnStop);
  }
};

TEST_F(DeviceTest, theChoiceHoldsForTheNextTake_andIsRememberedAcrossRuns) {
  RecordAndStop();
  EXPECT_EQ("", Wave.LastDeviceName()) << "the default device at first";

  Form->Devices().SetInput({QStringLiteral("usbmic"), QStringLiteral("USB Mic — Analog")});
  Form->Devices().SetOutput({QStringLiteral("hdmi"), QStringLiteral("HDMI Out")});
  RecordAndStop();
  EXPECT_EQ("usbmic", Wave.LastDeviceName());
  Press(Form->btnPlay);
  EXPECT_EQ("hdmi", Wave.LastDeviceName());
  Press(Form->btnStop);

  Form = CreateStoredWindow(false);
  EXPECT_EQ(QStringLiteral("usbmic"), Form->Devices().Input().Name);
  EXPECT_EQ(QStringLiteral("USB Mic — Analog"), Form->Devices().Input().Description);
  EXPECT_EQ(QStringLiteral("hdmi"), Form->Devices().Output().Name);
  RecordAndStop();
  EXPECT_EQ("usbmic", Wave.LastDeviceName());

  Form->Devices().SetInput({});
  RecordAndStop();
  EXPECT_EQ("", Wave.LastDeviceName());
}

TEST_F(DeviceTest, aDeviceThatHasGoneIsNamedOnce_andTheDefaultIsUsed) {
  Form->Devices().SetInput({QStringLiteral("usbmic"), QStringLiteral("USB Mic — Analog")});
  Wave.SetDevices(TWaveDirection::Input, {{"default", "Sound server"}});
  // The message takes its turn in the error queue, one box at a time, never a box of its own.
  TExceptionCapture queued;
  TBoxWatcher boxes;
  RecordAndStop();
  EXPECT_EQ("", Wave.LastDeviceName());
  ASSERT_TRUE(ProcessEventsUntil([&] { return !queued.Messages.isEmpty() || !boxes.Texts.isEmpty(); }, 5000));
  EXPECT_EQ(QStringList{QStringLiteral("找不到输入设备“USB Mic — Analog（usbmic）”，改用默认设备。")}, queued.Messages);
  EXPECT_TRUE(boxes.Texts.isEmpty()) << "a box beside the queue";

  RecordAndStop();
  Settle();
  EXPECT_EQ(1, queued.Messages.size()) << "named once";
  EXPECT_EQ(QStringLiteral("usbmic"), Form->Devices().Input().Name) << "kept for when it comes back";

  Wave.SetDevices(TWaveDirection::Input, {{"default", "Sound server"}, {"usbmic", "USB Mic — Analog"}});
  RecordAndStop();
  EXPECT_EQ("usbmic", Wave.LastDeviceName()) << "plugged in again, it is used again";
}

}  // namespace
