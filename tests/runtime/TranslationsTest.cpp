// Qt's own dialogs speak the user's language.
#include "Application.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLocale>

TEST(Translations, QtsOwnButtonsFollowTheLocale_andAnotherLocaleReplacesThem) {
  TApplication* app = TApplication::Instance();
  ASSERT_NE(nullptr, app);
  const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
  ASSERT_TRUE(app->LoadQtTranslations(QLocale(QLocale::Chinese, QLocale::China)))
      << "Qt's translations are not installed (qt6-translations-l10n)";
  EXPECT_EQ(QStringLiteral("取消"), cancel());
  ASSERT_TRUE(app->LoadQtTranslations(QLocale(QLocale::German, QLocale::Germany)));
  EXPECT_EQ(QStringLiteral("Abbrechen"), cancel()) << "the earlier language is removed";
  EXPECT_FALSE(app->LoadQtTranslations(QLocale(QLocale::C)));
  EXPECT_EQ(QStringLiteral("Cancel"), cancel());
}
