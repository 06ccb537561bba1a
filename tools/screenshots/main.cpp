// Shows the recorder's window stopped, recording and playing, fed with a tone through the scripted device layer,
// and with the format chooser open over it, and saves each as a PNG in the folder given as the only argument.
#include "Application.h"
#include "ControlBoxMenu.h"
#include "Description.h"
#include "MainForm.h"
#include "Menus.h"
#include "SUIButton.h"
#include "SUIMainMenu.h"
#include "WaveScripted.h"
#include "deAudioIO.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <vector>

namespace {

void Settle() {
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
}

bool Save(QWidget* widget, const QString& fileName) {
  Settle();
  const bool ok = widget->grab().save(fileName);
  if (!ok) qWarning("cannot write %s", qPrintable(fileName));
  return ok;
}

// One input buffer of a two-tone signal, 8-bit unsigned stereo.
std::vector<uint8_t> Tone(uint32_t bytes, int& frame) {
  std::vector<uint8_t> block(bytes);
  for (uint32_t i = 0; i + 1 < bytes; i += 2, ++frame) {
    const double t = frame / 11025.0;
    block[i] = static_cast<uint8_t>(128 + 90 * std::sin(2 * M_PI * 220 * t));
    block[i + 1] = static_cast<uint8_t>(128 + 60 * std::sin(2 * M_PI * 330 * t + 1));
  }
  return block;
}

// The control-box menu open over the window, the item captioned active under the pointer: the screen's picture of both.
bool SaveMenu(TForm1* form, const QString& active, const QString& fileName) {
  form->PopupControlBoxMenu();
  Settle();
  QMenu* menu = form->ControlBoxMenu()->Menu()->Menu();
  for (QAction* action : menu->actions())
    if (action->text().startsWith(active)) menu->setActiveAction(action);
  Settle();
  const QRect area = form->frameGeometry().united(menu->frameGeometry()).adjusted(-8, -8, 8, 8);
  const bool ok = form->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(fileName);
  menu->close();
  Settle();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Q_INIT_RESOURCE(tamsel);
  TApplication app(argc, argv);
  app.Initialize();
  app.SetTitle(QString::fromUtf8("Tamsel录音机"));
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QDir().mkpath(out);
  bool ok = true;
  {
    TScriptedWave wave;
    TForm1* form = nullptr;
    app.CreateForm(form, QStringLiteral(":/Form1.json"));
    QFile::remove(form->FileName());
    form->FormCreate(form);
    form->show();
    ok &= Save(form, out + QStringLiteral("/main-window.png"));

    form->btnRecord->Click();
    int frame = 0;
    for (int i = 0; i < 16; ++i) {
      const std::vector<uint8_t> block = Tone(form->deAudioIn->BufferSize(), frame);
      wave.Complete(block.data(), static_cast<uint32_t>(block.size()));
      Settle();
    }
    ok &= Save(form, out + QStringLiteral("/main-window-recording.png"));

    // The control-box menu over the recording window, its first item under the pointer.
    ok &= SaveMenu(form, form->ControlBoxMenu()->PauseItem()->Caption(),
                   out + QStringLiteral("/main-window-control-box-menu.png"));
    form->btnStop->Click();

    form->btnPlay->Click();
    for (int i = 0; i < 6; ++i) {
      wave.Complete();
      Settle();
    }
    form->tmStatusBarTimer(form);
    ok &= Save(form, out + QStringLiteral("/main-window-playing.png"));

    // Paused: the menu offers to cut the take there.
    form->btnPlay->Click();
    ok &= SaveMenu(form, form->ControlBoxMenu()->DeleteBeforeItem()->Caption(),
                   out + QStringLiteral("/main-window-cut-menu.png"));
    form->btnStop->Click();

    // The chooser is a window of its own: the screen's picture of both.
    bool chooserShown = false;
    QTimer::singleShot(300, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog) return;
      Settle();
      const QRect area = form->frameGeometry().united(dialog->frameGeometry()).adjusted(-8, -8, 8, 8);
      chooserShown = form->screen()
                         ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                         .save(out + QStringLiteral("/main-window-format-chooser.png"));
      dialog->close();
    });
    form->btnFormat->Click();
    if (!chooserShown) qWarning("the format chooser did not open");
    ok &= chooserShown;

    form->close();
    QFile::remove(form->FileName());
  }
  return ok ? 0 : 1;
}
