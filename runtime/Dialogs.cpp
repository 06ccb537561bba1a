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

QString TSaveDialog::FilterExtension(int index) const {
  const QStringList parts = FFilter.split(QLatin1Char('|'));
  if (index < 1 || 2 * index - 1 >= parts.size()) return {};
  const QString first = parts[2 * index - 1].split(QLatin1Char(';')).constFirst().trimmed();
  if (!first.startsWith(QLatin1String("*."))) return {};
  const QString extension = first.mid(2);
  if (extension.isEmpty() || extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?'))) return {};
  return extension;
}

bool TSaveDialog::Execute() {
  if (FExecuteHook) return FExecuteHook(*this);
  const QString filter = QtFilter();
  const QStringList filters = filter.split(QStringLiteral(";;"));
  QFileDialog dialog(
      qobject_cast<TApplication*>(QCoreApplication::instance()) ? TApplication::Instance()->MainForm() : nullptr,
      FTitle, FFileName, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(FDefaultExt);
  if (FFilterIndex >= 1 && FFilterIndex <= filters.size()) dialog.selectNameFilter(filters[FFilterIndex - 1]);
  auto follow = [&](const QString& chosen) {
    const int index = static_cast<int>(filters.indexOf(chosen)) + 1;
    if (index < 1) return;
    FFilterIndex = index;
    const QString extension = FilterExtension(index);
    if (!FDefaultExt.isEmpty() && !extension.isEmpty()) dialog.setDefaultSuffix(extension);
  };
  follow(dialog.selectedNameFilter());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
  // The window system's dialog asks before replacing unless told not to.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !FOptions.testFlag(ofOverwritePrompt));
  dialog.setSizeGripEnabled(FOptions.testFlag(ofEnableSizing));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  follow(dialog.selectedNameFilter());
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
