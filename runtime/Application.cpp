#include "Application.h"
#include "Classes.h"
#include "Description.h"
#include "Exceptions.h"
#include "Forms.h"
#include "Languages.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <QWidget>
#include <exception>

QString CurrentExceptionMessage() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error.");
  }
}

void HandleException() {
  if (TApplication* app = TApplication::Instance()) {
    app->HandleException();
    return;
  }
  qWarning("%s", qPrintable(CurrentExceptionMessage()));
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TApplication::~TApplication() {
  while (!FForms.empty()) FForms.pop_back();
}

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

void TApplication::Initialize() {
  setQuitOnLastWindowClosed(true);
  LoadTranslations(QLocale::system(), TranslationsFolder());
}

bool TApplication::LoadTranslations(const QLocale& locale, const QString& folder) {
  if (FProgramTranslator) removeTranslator(FProgramTranslator.get());
  FProgramTranslator.reset();
  const QString language = TranslationLanguage(locale);
  // Qt's dialogs speak what the window speaks, not a third language.
  LoadQtTranslations(language.isEmpty() ? locale : QLocale(language));
  if (language.isEmpty()) return true;
  FProgramTranslator = LoadProgramTranslation(locale, folder);
  if (!FProgramTranslator) return false;
  installTranslator(FProgramTranslator.get());
  return true;
}

bool TApplication::LoadQtTranslations(const QLocale& locale) {
  for (const auto& t : FTranslators) removeTranslator(t.get());
  FTranslators.clear();
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* module : {"qtbase", "qt"}) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QString::fromLatin1(module), QStringLiteral("_"), folder)) continue;
    installTranslator(translator.get());
    FTranslators.push_back(std::move(translator));
    break;  // qt_ only bundles qtbase_ where the split files are missing
  }
  return !FTranslators.empty();
}

void TApplication::SetTitle(const QString& title) {
  FTitle = title;
  setApplicationName(title);
}

void TApplication::AddForm(std::unique_ptr<TComponent> form, QWidget* widget, const QString& description) {
  if (!description.isEmpty()) {
    ReadDescriptionFile(form.get(), description);
    if (auto* f = dynamic_cast<TForm*>(form.get())) f->DoCreate();
  }
  FForms.push_back(std::move(form));
  if (!FMainForm) FMainForm = widget;
}

int TApplication::Run() {
  if (FMainForm) FMainForm->show();
  return exec();
}

void TApplication::Terminate() { quit(); }

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException();
    return false;
  }
}

void TApplication::HandleException() { ShowException(CurrentExceptionMessage()); }

void TApplication::ShowException(const QString& message) {
  // One box at a time. What fails while a box is open (inside its own loop)
  // waits its turn instead of being lost; a message already showing or
  // waiting is not queued again, so a failure that repeats (a timer, a
  // stream of notices) does not stack up boxes.
  if (message == FShown || FWaiting.contains(message)) return;
  FWaiting.push_back(message);
  if (FShowing) return;
  FShowing = true;
  while (!FWaiting.isEmpty()) {
    FShown = FWaiting.takeFirst();
    Present(FShown);
  }
  FShown.clear();
  FShowing = false;
}

void TApplication::Present(const QString& message) {
  if (FOnException) {
    FOnException(message);
    return;
  }
  QWidget* parent = activeWindow() ? activeWindow() : FMainForm;
  QMessageBox box(QMessageBox::Critical, FTitle.isEmpty() ? applicationName() : FTitle, message, QMessageBox::Ok,
                  parent);
  box.exec();
}
