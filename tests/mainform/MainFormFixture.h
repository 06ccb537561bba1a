#pragma once
// The recorder's window as the program creates it, on the scripted device
// layer, with its working file removed before each test.
#include "Description.h"
#include "EventLoopHelpers.h"
#include "MainForm.h"
#include "SUIButton.h"
#include "StoredWindow.h"
#include "WaveScripted.h"
#include "deAudioIO.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QSettings>
#include <QUrl>
#include <memory>

// Takes the addresses the program opens (QDesktopServices::setUrlHandler) instead of the desktop.
class TUrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> Opened;
 public slots:
  void Open(const QUrl& url) { Opened << url; }
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every window starts with no device chosen.
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"), QStringLiteral("recorder")).clear();
    Form = CreateStoredWindow();
  }
  void TearDown() override {
    if (Form->deAudioIn->Active() || Form->deAudioOut->Active()) Form->suitempbtnStopClick(Form->btnStop);
    Form.reset();
    QFile::remove(WorkingFileName());
  }

  // Lets the posted device notices (and deferred work) run.
  static void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  // A press of the button as the user makes it: failures go to the error display.
  static void Press(TsuiButton* button) {
    button->Click();
    Settle();
  }
  QString Panel(int index) const { return Form->sbStatus->Panel(index)->Text(); }
  static QByteArray ReadAll(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Records blocks input buffers of distinct bytes and returns what was fed.
  QByteArray RecordBlocks(int blocks);

  TScriptedWave Wave;  // installed before the window exists, removed after it
  std::unique_ptr<TForm1> Form;
};
