// No sleep mid-take: the window asks a screen saver on a private session bus
// (our own dbus-daemon with a stand-in service) while it records, and gives
// the request back at Stop and at close; without any bus it records as before.
#include "MainFormFixture.h"

#include "SleepInhibitor.h"

#include <QDBusConnection>
#include <QProcess>

namespace {

class TStandInScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
 public:
  QStringList Calls;
 public slots:
  uint Inhibit(const QString& application, const QString& why) {
    Calls << QStringLiteral("Inhibit %1 %2").arg(application, why);
    return 42;
  }
  void UnInhibit(uint cookie) { Calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

class SleepTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    ASSERT_TRUE(Daemon.waitForStarted(5000)) << "dbus-daemon is part of the set-up";
    ASSERT_TRUE(ProcessEventsUntil([&] { return Daemon.canReadLine(); }, 10000));
    const QString address = QString::fromUtf8(Daemon.readLine()).trimmed();
    Service = QDBusConnection::connectToBus(address, QStringLiteral("stand-in"));
    ASSERT_TRUE(Service.isConnected());
    ASSERT_TRUE(Service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    ASSERT_TRUE(Service.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &ScreenSaver,
                                       QDBusConnection::ExportAllSlots));
    Client = QDBusConnection::connectToBus(address, QStringLiteral("recorder"));
    ASSERT_TRUE(Client.isConnected());
    Form->SetSleepInhibitor(std::make_unique<TSleepInhibitor>(QDBusConnection(QStringLiteral("no bus")), Client));
  }
  void TearDown() override {
    MainFormTest::TearDown();
    QDBusConnection::disconnectFromBus(QStringLiteral("recorder"));
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
    Daemon.kill();
    Daemon.waitForFinished(5000);
  }
  bool Called(const QString& call) {
    return ProcessEventsUntil([&] { return ScreenSaver.Calls.contains(call); }, 10000);
  }

  QProcess Daemon;
  QDBusConnection Service{QString()};
  QDBusConnection Client{QString()};
  TStandInScreenSaver ScreenSaver;
};

TEST_F(SleepTest, recordingHoldsTheRequest_stopAndCloseGiveItBack) {
  Press(Form->btnRecord);
  ASSERT_TRUE(Called(QStringLiteral("Inhibit Tamsel录音机 正在录音")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->SleepInhibitor()->Held(); }, 10000));
  Press(Form->btnStop);
  ASSERT_TRUE(Called(QStringLiteral("UnInhibit 42")));
  EXPECT_FALSE(Form->SleepInhibitor()->Held());

  ScreenSaver.Calls.clear();
  Press(Form->btnRecord);
  ASSERT_TRUE(Called(QStringLiteral("Inhibit Tamsel录音机 正在录音")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return Form->SleepInhibitor()->Held(); }, 10000));
  Form->close();
  ASSERT_TRUE(Called(QStringLiteral("UnInhibit 42")));
  EXPECT_EQ(2, ScreenSaver.Calls.size());
}

TEST_F(SleepTest, aStopBeforeTheAnswerCameGivesTheLateAnswerBack) {
  Form->btnRecord->Click();
  Form->btnStop->Click();
  ASSERT_TRUE(Called(QStringLiteral("UnInhibit 42")));
  EXPECT_FALSE(Form->SleepInhibitor()->Held());
  EXPECT_EQ(TForm1::Stopped, Form->State());
}

TEST_F(MainFormTest, withoutAnyBusTheTakeIsRecordedAndNothingIsSaid) {
  Form->SetSleepInhibitor(std::make_unique<TSleepInhibitor>(QDBusConnection(QStringLiteral("none")),
                                                            QDBusConnection(QStringLiteral("none"))));
  TExceptionCapture errors;
  Press(Form->btnRecord);
  RecordBlocks(2);
  Press(Form->btnStop);
  EXPECT_TRUE(errors.Messages.isEmpty());
  EXPECT_FALSE(Form->SleepInhibitor()->Held());
  EXPECT_EQ(TForm1::Stopped, Form->State());
}

}  // namespace

#include "SleepTest.moc"
