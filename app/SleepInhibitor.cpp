#include "SleepInhibitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const char* const kScreenSaverService = "org.freedesktop.ScreenSaver";
const char* const kScreenSaverPath = "/org/freedesktop/ScreenSaver";
const char* const kLoginService = "org.freedesktop.login1";
const char* const kLoginPath = "/org/freedesktop/login1";
const char* const kLoginInterface = "org.freedesktop.login1.Manager";

}  // namespace

TSleepInhibitor::TSleepInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus)
    : FSystem(std::move(systemBus)), FSession(std::move(sessionBus)) {}

TSleepInhibitor::TSleepInhibitor() : TSleepInhibitor(QDBusConnection::systemBus(), QDBusConnection::sessionBus()) {}

TSleepInhibitor::~TSleepInhibitor() { Release(); }

void TSleepInhibitor::Inhibit(const QString& why) {
  if (FWanted) return;
  FWanted = true;
  ++FGeneration;
  AskLoginManager(why);
  AskScreenSaver(why);
}

void TSleepInhibitor::AskLoginManager(const QString& why) {
  if (!FSystem.isConnected()) return;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kLoginService), QString::fromLatin1(kLoginPath),
                                     QString::fromLatin1(kLoginInterface), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QCoreApplication::translate("TSleepInhibitor", "Tamsel录音机") << why
       << QStringLiteral("block");
  auto* watcher = new QDBusPendingCallWatcher(FSystem.asyncCall(call), this);
  const int generation = FGeneration;
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
    // Refused or absent: the screen saver's request still stands.
    if (reply.isError()) return;
    // Dropping a late answer's descriptor gives it back at once.
    if (FWanted && generation == FGeneration) FLock = reply.value();
  });
}

void TSleepInhibitor::AskScreenSaver(const QString& why) {
  if (!FSession.isConnected()) return;
  auto* watcher = new QDBusPendingCallWatcher(
      ScreenSaverCall(QStringLiteral("Inhibit"), {QCoreApplication::translate("TSleepInhibitor", "Tamsel录音机"), why}),
      this);
  const int generation = FGeneration;
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<uint32_t> reply = *w;
    if (reply.isError()) return;
    if (FWanted && generation == FGeneration) {
      FCookie = reply.value();
      return;
    }
    ScreenSaverCall(QStringLiteral("UnInhibit"), {reply.value()});
  });
}

QDBusPendingCall TSleepInhibitor::ScreenSaverCall(const QString& method, const QVariantList& arguments) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kScreenSaverService), QString::fromLatin1(kScreenSaverPath),
                                     QString::fromLatin1(kScreenSaverService), method);
  call.setArguments(arguments);
  return FSession.asyncCall(call);
}

void TSleepInhibitor::Release() {
  if (!FWanted) return;
  FWanted = false;
  ++FGeneration;
  FLock = QDBusUnixFileDescriptor();
  if (FCookie != 0 && FSession.isConnected()) {
    ScreenSaverCall(QStringLiteral("UnInhibit"), {FCookie});
  }
  FCookie = 0;
}
