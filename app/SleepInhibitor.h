#pragma once
// Keeps the desktop from going to sleep while a take runs. It asks the login
// manager (system bus) for a sleep and idle block, and the screen saver
// (session bus) not to treat the user as idle. Both are tied to this
// program's connections and its open descriptor, so they end by themselves
// if the program dies. Every call is asynchronous: a slow or missing bus never
// holds up the window, and a desktop without them is simply not asked.
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <cstdint>

class TSleepInhibitor : public QObject {
  Q_OBJECT
 public:
  // The buses to ask; one that is not connected is skipped.
  TSleepInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus);
  // On the desktop's own buses.
  TSleepInhibitor();
  ~TSleepInhibitor() override;

  // Asks not to sleep, for why (shown by the desktop); again while held does nothing.
  void Inhibit(const QString& why);
  // Gives the request back; answers still on their way are given back when they come.
  void Release();
  // True while the screen saver or the login manager holds a request of ours.
  bool Held() const { return FCookie != 0 || FLock.isValid(); }

 private:
  void AskLoginManager(const QString& why);
  void AskScreenSaver(const QString& why);
  QDBusPendingCall ScreenSaverCall(const QString& method, const QVariantList& arguments);

  QDBusConnection FSystem;
  QDBusConnection FSession;
  bool FWanted = false;
  uint32_t FCookie = 0;           // the screen saver's
  QDBusUnixFileDescriptor FLock;  // the login manager's: closing it releases
  int FGeneration = 0;            // answers to an earlier Inhibit are given back
};
