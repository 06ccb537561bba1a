#include "Application.h"
#include "CommandLine.h"
#include "DeviceChoices.h"
#include "MainForm.h"

int main(int argc, char** argv) {
  if (const auto answered = AnswerCommandLine(argc, argv)) return *answered;
  // Resources live in a static library; pull them in explicitly.
  Q_INIT_RESOURCE(tamsel);
  TApplication app(argc, argv);
  // First, so that a refused command line is answered in the user's language.
  app.Initialize();
  if (const auto refused = RefuseCommandLine(app.arguments())) return *refused;
  // After the translation, so the desktop's mixer shows our name in the user's language.
  InstallSoundSystem();
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tamsel.Recorder"));
  app.SetTitle(QCoreApplication::translate("main", "Tamsel录音机"));
  TForm1* form = nullptr;
  try {
    app.CreateForm(form, QStringLiteral(":/Form1.json"));
  } catch (...) {
    app.HandleException();
    return 1;
  }
  return app.Run();
}
