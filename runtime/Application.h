#pragma once
// The application object: owns the forms, runs the message loop and shows
// every exception that escapes an event handler, timer or delivered notice
// in a message box; the loop goes on.
#include <QApplication>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QTranslator;
class TComponent;

class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  // The application object, nullptr when the program runs a plain QApplication.
  static TApplication* Instance();

  // Speaks the user's language (LoadTranslations for the system's locale).
  void Initialize();
  // Installs the program's translation for locale from folder, and Qt's own
  // for the language the program then speaks; false when the program's
  // translation is needed but cannot be read (the original texts show).
  // A second call replaces the first.
  bool LoadTranslations(const QLocale& locale, const QString& folder);
  // Installs Qt's own translations for locale (the file dialog, message box
  // buttons); false when the system has none for it. A second call replaces
  // the first.
  bool LoadQtTranslations(const QLocale& locale);
  const QString& Title() const { return FTitle; }
  void SetTitle(const QString& title);

  // Creates a form whose constructor reads its own window description (and
  // runs DoCreate); the first form becomes the main form. The application owns it.
  template <class T>
  void CreateForm(T*& reference) {
    auto form = std::make_unique<T>(nullptr);
    reference = form.get();
    AddForm(std::move(form), reference, QString());
  }
  // The same for a form that does not read its description itself: reads it
  // from a file or resource (":/Form1.json") after construction, so the
  // form's Loaded can bind its fields, then runs DoCreate (OnCreate).
  template <class T>
  void CreateForm(T*& reference, const QString& description) {
    auto form = std::make_unique<T>(nullptr);
    T* created = form.get();
    AddForm(std::move(form), created, description);
    reference = created;
  }
  QWidget* MainForm() const { return FMainForm; }
  // Shows the main form and runs the loop until it closes; returns the exit code.
  int Run();
  void Terminate();

  bool notify(QObject* receiver, QEvent* event) override;
  // Call inside a catch block: shows the exception being handled.
  void HandleException();
  // Shows message in an error box. Messages that arrive while a box is open
  // are shown one after the other once it closes, each once.
  void ShowException(const QString& message);

  // Replaces the message box (tests capture the text instead of showing it);
  // it is called one message at a time, like the box.
  using TExceptionHook = std::function<void(const QString& message)>;
  void SetOnException(TExceptionHook hook) { FOnException = std::move(hook); }

 private:
  void AddForm(std::unique_ptr<TComponent> form, QWidget* widget, const QString& description);
  void Present(const QString& message);

  QString FTitle;
  std::vector<std::unique_ptr<QTranslator>> FTranslators;
  std::unique_ptr<QTranslator> FProgramTranslator;
  std::vector<std::unique_ptr<TComponent>> FForms;  // freed newest first
  QWidget* FMainForm = nullptr;
  TExceptionHook FOnException;
  bool FShowing = false;
  QString FShown;        // the message on screen now
  QStringList FWaiting;  // to be shown after it, oldest first
};

// The message text of the exception being handled (call inside a catch block).
QString CurrentExceptionMessage();

// Inside a catch block: hands the exception to the application object, or
// logs it when there is none. Code that must not let an exception unwind
// through the event loop (notification channels) calls this.
void HandleException();
