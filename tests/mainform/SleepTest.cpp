// No sleep mid-take: the window asks the login manager (on a private system
// bus) and a screen saver (on a private session bus), each our own dbus-daemon
// with a stand-in service, while it records, and gives the requests back at
// Stop and at close; without any bus it records as before.
#include "MainFormFixture.h"

#include "SleepInhibitor.h"

#include <poll.h>
#include <unistd.h>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
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

// As the login manager does: the lock is the write end of a pipe handed to the
// caller, and it is given back when the last copy of that end is closed.
class TStandInLoginManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
 public:
  ~TStandInLoginManager() override {
    if (FReadEnd >= 0) ::close(FReadEnd);
  }
  QStringList Calls;
  // True once every copy of the handed-out end is closed.
  bool Released() const {
    if (FReadEnd < 0) return false;
    pollfd p{FReadEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
  }
  bool Handed() const { return FReadEnd >= 0; }
 public slots:
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
    Calls << QStringLiteral("Inhibit %1 %2 %3 %4").arg(what, who, why, mode);
    int ends[2];
    if (::pipe(ends) != 0) return {};
    if (FReadEnd >= 0) ::close(FReadEnd);
    FReadEnd = ends[0];
    QDBusUnixFileDescriptor lock(ends[1]);  // keeps a copy of its own
    ::close(ends[1]);
    return lock;
  }

 private:
  int FReadEnd = -1;
};

// A private bus: its own dbus-daemon and two connections, the service's and the recorder's.
struct TPrivateBus {
  QProcess Daemon;
  QString Address;
  bool Start() {
    Daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!Daemon.waitForStarted(5000)) return false;
    if (!ProcessEventsUntil([&] { return Daemon.canReadLine(); }, 10000)) return false;
    Address = QString::fromUtf8(Daemon.readLine()).trimmed();
    return !Address.isEmpty();
  }
  ~TPrivateBus() {
    Daemon.kill();
    Daemon.waitForFinished(5000);
  }
};

class SleepTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    ASSERT_TRUE(SessionBus.Start()) << "dbus-daemon is part of the set-up";
    ASSERT_TRUE(SystemBus.Start());
    Service = QDBusConnection::connectToBus(SessionBus.Address, QStringLiteral("stand-in"));
    ASSERT_TRUE(Service.isConnected());
    ASSERT_TRUE(Service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    ASSERT_TRUE(Service.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &ScreenSaver,
                                       QDBusConnection::ExportAllSlots));
    Login = QDBusConnection::connectToBus(SystemBus.Address, QStringLiteral("stand-in login"));
    ASSERT_TRUE(Login.isConnected());
    ASSERT_TRUE(Login.registerService(QStringLiteral("org.freedesktop.login1")));
    ASSERT_TRUE(Login.registerObject(QStringLiteral("/org/freedesktop/login1"), &LoginManager,
                                     QDBusConnection::ExportAllSlots));
    Client = QDBusConnection::connectToBus(SessionBus.Address, QStringLiteral("recorder"));
    ASSERT_TRUE(Client.isConnected());
    SystemClient = QDBusConnection::connectToBus(SystemBus.Address, QStringLiteral("recorder system"));
    ASSERT_TRUE(SystemClient.isConnected());
    Form->SetSleepInhibitor(std::make_unique<TSleepInhibitor>(SystemClient, Client));
  }
  void TearDown() override {
    MainFormTest::TearDown();
    for (const char* name : {"recorder", "recorder system", "stand-in", "stand-in login"})
      QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
  }
  bool Called(const QString& call) {
    return ProcessEventsUntil([&] { return ScreenSaver.Calls.contains(call); }, 10000);
  }

  TPrivateBus SessionBus, SystemBus;
  QDBusConnection Service{QString()};
  QDBusConnection Login{QString()};
  QDBusConnection Client{QString()};
  QDBusConnection SystemClient{QString()};
  TStandInScreenSaver ScreenSaver;
  TStandInLoginManager LoginManager;
};

TEST_F(SleepTest, theLoginManagersLockIsHeldWhileRecording_andItsDescriptorClosedAtStop) {
  Press(Form->btnRecord);
  ASSERT_TRUE(ProcessEventsUntil([&] { return LoginManager.Handed(); }, 10000)) << "the login manager was not asked";
  EXPECT_EQ(QStringList{QStringLiteral("Inhibit sleep:idle Tamsel录音机 正在录音 block")}, LoginManager.Calls);
  // Settle until the answer has arrived; the lock is ours from then on.
  ASSERT_TRUE(Called(QStringLiteral("Inhibit Tamsel录音机 正在录音")));
  ProcessEventsUntil([] { return false; }, 300);
  EXPECT_FALSE(LoginManager.Released()) << "the recorder keeps its copy of the lock";
  Press(Form->btnStop);
  ASSERT_TRUE(ProcessEventsUntil([&] { return LoginManager.Released(); }, 10000)) << "the lock was never given back";

  // Closing the window while recording gives it back too.
  Press(Form->btnRecord);
  ASSERT_TRUE(ProcessEventsUntil([&] { return LoginManager.Calls.size() == 2 && !LoginManager.Released(); }, 10000));
  Form->close();
  ASSERT_TRUE(ProcessEventsUntil([&] { return LoginManager.Released(); }, 10000));
}

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
