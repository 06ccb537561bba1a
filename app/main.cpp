#include "Application.h"
#include "MainForm.h"

int main(int argc, char** argv) {
  // Resources live in a static library; pull them in explicitly.
  Q_INIT_RESOURCE(tamsel);
  TApplication app(argc, argv);
  app.Initialize();
  app.SetTitle(QString::fromUtf8("Tamsel录音机"));
  TForm1* form = nullptr;
  try {
    app.CreateForm(form, QStringLiteral(":/Form1.json"));
  } catch (...) {
    app.HandleException();
    return 1;
  }
  return app.Run();
}
