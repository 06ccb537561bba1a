#include "Description.h"
#include "Forms.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

static void InitResources() { Q_INIT_RESOURCE(tamsel); }

// The program's own description: the window it opens at start.
TEST(Startup, StoredDescriptionMakesTheTitledMainWindow) {
  InitResources();
  QFile file(":/Form1.json");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray json = file.readAll();
  const QJsonObject root = QJsonDocument::fromJson(json).object();
  ASSERT_EQ(root["Name"].toString(), "Form1");
  if (root["Class"].toString() != "TForm") GTEST_SKIP() << "the main window has a class of its own now";

  TForm form(nullptr);
  ReadDescriptionFile(&form, ":/Form1.json");
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Tamsel录音机"));
  EXPECT_EQ(form.size(), QSize(490, 395));
  EXPECT_EQ(form.Position(), poScreenCenter);
  form.show();
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
}
