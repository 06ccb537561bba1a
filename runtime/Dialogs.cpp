#include "Dialogs.h"

#include "Application.h"

#include <QFileDialog>
#include <QMessageBox>

TSaveDialog::TSaveDialog(TComponent* owner) : TQComponent(owner) {}

QString TSaveDialog::QtFilter() const {
  const QStringList parts = FFilter.split(QLatin1Char('|'));
  QStringList lines;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    lines << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return lines.join(QStringLiteral(";;"));
}

bool TSaveDialog::Execute() {
  if (FExecuteHook) return FExecuteHook(*this);
  QFileDialog dialog(
      qobject_cast<TApplication*>(QCoreApplication::instance()) ? TApplication::Instance()->MainForm() : nullptr,
      FTitle, FFileName, QtFilter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(FDefaultExt);
  // The window system's dialog asks before replacing unless told not to.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !FOptions.testFlag(ofOverwritePrompt));
  dialog.setSizeGripEnabled(FOptions.testFlag(ofEnableSizing));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  FFileName = dialog.selectedFiles().constFirst();
  return true;
}

namespace {
void ShowBox(QMessageBox::Icon icon, const QString& text) {
  TApplication* app = TApplication::Instance();
  QMessageBox box(icon, app && !app->Title().isEmpty() ? app->Title() : QCoreApplication::applicationName(), text,
                  QMessageBox::Ok, app ? app->MainForm() : nullptr);
  box.exec();
}
}  // namespace

void ShowMessage(const QString& text) { ShowBox(QMessageBox::NoIcon, text); }
void ShowError(const QString& text) { ShowBox(QMessageBox::Critical, text); }
