// The program finds its data from its own folder: in an installed tree under
// any prefix, and in the build tree, which keeps the same layout.
#include "DataFolder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(DataFolder, isShareTamselBesideTheProgramsFolder_underAnyPrefix_elseTheConfiguredOne) {
  QTemporaryDir prefix;
  QDir root(prefix.path());
  ASSERT_TRUE(root.mkpath(QStringLiteral("bin")));
  // Without the data beside it, a moved program falls back to the prefix it was built for.
  const QString fallback = DataFolder(root.filePath(QStringLiteral("bin")));
  EXPECT_TRUE(QDir::isAbsolutePath(fallback));
  EXPECT_FALSE(fallback.startsWith(prefix.path())) << fallback.toStdString();
  ASSERT_TRUE(root.mkpath(QStringLiteral("share/tamsel")));
  EXPECT_EQ(root.filePath(QStringLiteral("share/tamsel")), DataFolder(root.filePath(QStringLiteral("bin"))));
}

TEST(DataFolder, aProgramOfTheBuildTreeFindsTheAboutPageThere) {
  QFile built(DataFolder() + QStringLiteral("/about.html"));
  QFile source(QStringLiteral(TAMSEL_SOURCE_DIR "/resources/about.html"));
  ASSERT_TRUE(built.open(QIODevice::ReadOnly)) << built.fileName().toStdString();
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  EXPECT_EQ(source.readAll(), built.readAll());
  EXPECT_TRUE(built.fileName().startsWith(QStringLiteral(TAMSEL_BINARY_DIR))) << built.fileName().toStdString();
}
