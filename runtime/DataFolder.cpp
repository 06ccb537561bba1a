#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString DataFolder(const QString& programFolder) {
  // The install's own layout first, then the build tree's, which keeps the
  // default layout even where the install's folders are set otherwise.
  const QString candidates[] = {
      QDir(programFolder).filePath(QStringLiteral(TAMSEL_DATA_FROM_PROGRAM)),
      QDir(programFolder).filePath(QStringLiteral("../share/tamsel")),
  };
  for (const QString& c : candidates)
    if (QFileInfo(c).isDir()) return QDir::cleanPath(QFileInfo(c).absoluteFilePath());
  return QStringLiteral(TAMSEL_CONFIGURED_DATADIR);
}

QString DataFolder() { return DataFolder(QCoreApplication::applicationDirPath()); }
