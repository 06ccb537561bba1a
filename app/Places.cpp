#include "Places.h"

#include "DataFolder.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char* const kWorkingFile = "Recorded.wav";

bool FolderWritable(const QString& folder) {
  return !folder.isEmpty() && QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

}  // namespace

QString WorkingFolder(const QString& programFolder) {
  if (FolderWritable(programFolder)) return programFolder;
  const QString data =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel");
  QDir().mkpath(data);
  return data;
}

QString WorkingFileName() {
  return QDir(WorkingFolder(QCoreApplication::applicationDirPath())).filePath(QString::fromLatin1(kWorkingFile));
}

QString TakesFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel/takes");
}

QString HomePageAddress() {
  const QString configured = QString::fromUtf8(TAMSEL_HOME_PAGE);
  if (!configured.isEmpty()) return configured;
  // The page in the language the window speaks.
  return QUrl::fromLocalFile(DataFolder() + QLatin1Char('/') + QCoreApplication::translate("Places", "about.html"))
      .toString();
}

std::unique_ptr<QSettings> UserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"),
                                     QStringLiteral("recorder"));
}
