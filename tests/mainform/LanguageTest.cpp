// The window in the user's language: English for every locale without a
// translation of its own, the original Chinese texts, unchanged, where the
// locale is Chinese or names no language.
#include "MainFormFixture.h"

#include "Application.h"
#include "ControlBoxMenu.h"
#include "Languages.h"
#include "Menus.h"
#include "Places.h"
#include "SUIMainMenu.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMap>
#include <QMetaProperty>
#include <QRegularExpression>

namespace {

const QString kTranslations = QStringLiteral(TAMSEL_BINARY_DIR "/share/tamsel/translations");

// Component name -> caption, as the stored description in the sources has them.
void StoredCaptions(const QJsonObject& entry, QMap<QString, QString>& captions) {
  const QJsonValue caption = entry.value(QLatin1String("Properties")).toObject().value(QLatin1String("Caption"));
  if (caption.isString()) captions.insert(entry.value(QLatin1String("Name")).toString(), caption.toString());
  for (const QJsonValue child : entry.value(QLatin1String("Children")).toArray())
    StoredCaptions(child.toObject(), captions);
}

QMap<QString, QString> StoredCaptions() {
  QFile f(QStringLiteral(TAMSEL_SOURCE_DIR "/resources/Form1.json"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QMap<QString, QString> captions;
  StoredCaptions(QJsonDocument::fromJson(f.readAll()).object(), captions);
  return captions;
}

// Every text of the window a user can see or hear read: the stored texts of
// each component (captions, hints, filters), menu items included, and the
// status panels.
QStringList ShownTexts(TComponent* component) {
  QStringList texts;
  if (QObject* o = component->Object())
    for (const char* name : {"Caption", "Hint", "Filter", "Title"}) {
      const int index = o->metaObject()->indexOfProperty(name);
      if (index >= 0) texts << o->metaObject()->property(index).read(o).toString();
    }
  for (int i = 0; i < component->ComponentCount(); ++i) texts << ShownTexts(component->Components(i));
  return texts;
}

void AddMenuTexts(const TMenuItem* parent, QStringList& texts) {
  for (int i = 0; i < parent->Count(); ++i) {
    texts << parent->Items(i)->Caption();
    AddMenuTexts(parent->Items(i), texts);
  }
}

bool HasChinese(const QString& text) {
  static const QRegularExpression kHan(QStringLiteral("\\p{Han}"));
  return text.contains(kHan);
}

class LanguageTest : public MainFormTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    // The window reads its texts when it is created: the language comes first.
    ASSERT_TRUE(TApplication::Instance()->LoadTranslations(QLocale(QString::fromLatin1(GetParam())), kTranslations));
    MainFormTest::SetUp();
    Wave.SetDevices(TWaveDirection::Input, {{"default", "Sound server"}, {"usbmic", "USB Mic"}});
    Wave.SetDevices(TWaveDirection::Output, {{"default", "Sound server"}});
  }
  void TearDown() override {
    MainFormTest::TearDown();
    TApplication::Instance()->LoadTranslations(QLocale::c(), kTranslations);
  }
  // What the window shows once it records, with the control-box menu filled.
  QStringList RecordingTexts() {
    Press(Form->btnRecord);
    Form->ControlBoxMenu()->Refresh();
    QStringList texts = ShownTexts(Form.get());
    AddMenuTexts(Form->ControlBoxMenu()->Menu()->Items(), texts);
    texts << Panel(0) << Panel(1) << Form->lbSteps->Items();
    return texts;
  }
};

class EnglishTest : public LanguageTest {};
class OriginalTest : public LanguageTest {};

TEST_P(EnglishTest, theButtonsAndTheStatusBarSpeakEnglish_andNoShownTextIsLeftInChinese) {
  EXPECT_EQ(QStringLiteral("Tamsel Recorder"), Form->Caption());
  EXPECT_EQ(QStringLiteral("Record"), Form->btnRecord->Caption());
  EXPECT_EQ(QStringLiteral("Stop"), Form->btnStop->Caption());
  EXPECT_EQ(QStringLiteral("Play"), Form->btnPlay->Caption());
  EXPECT_EQ(QStringLiteral("Format"), Form->btnFormat->Caption());
  EXPECT_EQ(QStringLiteral("Exit"), Form->suiButton2->Caption());
  EXPECT_EQ(QStringLiteral("Save"), Form->suiButton3->Caption());
  EXPECT_EQ(QStringLiteral("Stopped"), Panel(0));
  const QStringList texts = RecordingTexts();
  EXPECT_TRUE(Panel(0).startsWith(QStringLiteral("Recording 00:00:0"))) << Panel(0).toStdString();
  EXPECT_EQ(QStringLiteral("Recording conversion steps:"), Form->lbSteps->Items().value(0));
  EXPECT_TRUE(texts.contains(QStringLiteral("Pause Recording")));
  EXPECT_TRUE(texts.contains(QStringLiteral("Recent Recordings")));
  for (const QString& t : texts) EXPECT_FALSE(HasChinese(t)) << "untranslated: " << t.toStdString();
  // 关于 and the links open the English page, which the build keeps beside
  // the original (unless the build names a home page of its own).
  if (QString::fromUtf8(TAMSEL_HOME_PAGE).isEmpty()) {
    const QString about = QUrl(HomePageAddress()).toLocalFile();
    EXPECT_TRUE(about.endsWith(QLatin1String("/about.en.html"))) << about.toStdString();
    QFile page(about);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << about.toStdString();
    EXPECT_FALSE(HasChinese(QString::fromUtf8(page.readAll())));
  }
  Press(Form->btnStop);
  EXPECT_EQ(QStringLiteral("Stopped"), Panel(0));
}

INSTANTIATE_TEST_SUITE_P(Locales, EnglishTest, ::testing::Values("en_US", "en_GB", "de_DE", "ja_JP"));

TEST_P(OriginalTest, everyTextIsTheOriginal_byteForByte) {
  const QMap<QString, QString> stored = StoredCaptions();
  ASSERT_GE(stored.size(), 8);
  for (auto it = stored.begin(); it != stored.end(); ++it) {
    TComponent* c =
        it.key() == QLatin1String("Form1") || it.key().isEmpty() ? Form.get() : Form->FindComponent(it.key());
    ASSERT_NE(nullptr, c) << it.key().toStdString();
    EXPECT_EQ(it.value().toUtf8(), c->Object()->property("Caption").toString().toUtf8()) << it.key().toStdString();
  }
  EXPECT_EQ(QByteArray("已停止"), Panel(0).toUtf8());
  const QStringList texts = RecordingTexts();
  EXPECT_TRUE(Panel(0).toUtf8().startsWith("正在录制 00:00:0"));
  EXPECT_EQ(QByteArray("录制转换步骤："), Form->lbSteps->Items().value(0).toUtf8());
  QStringList menu;
  AddMenuTexts(Form->ControlBoxMenu()->Menu()->Items(), menu);
  EXPECT_EQ(
      (QStringList{QStringLiteral("暂停录制"), QStringLiteral("-"), QStringLiteral("删除此处之前的部分"),
                   QStringLiteral("删除此处之后的部分"), QStringLiteral("-"), QStringLiteral("输入设备"),
                   QStringLiteral("默认设备（Sound server）"), QStringLiteral("USB Mic"), QStringLiteral("输出设备"),
                   QStringLiteral("默认设备（Sound server）"), QStringLiteral("-"),
                   QStringLiteral("打开录音所在文件夹"), QStringLiteral("最近的录音"), QStringLiteral("-"),
                   QStringLiteral("外观"), QStringLiteral("MacOS"), QStringLiteral("WinXP"), QStringLiteral("DeepBlue"),
                   QStringLiteral("Protein"), QStringLiteral("BlueGlass"), QStringLiteral("关于")}),
      menu);
  EXPECT_FALSE(texts.contains(QStringLiteral("Record")));
  if (QString::fromUtf8(TAMSEL_HOME_PAGE).isEmpty()) {
    EXPECT_TRUE(QUrl(HomePageAddress()).toLocalFile().endsWith(QLatin1String("/about.html")));
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, OriginalTest, ::testing::Values("zh_CN", "zh_TW", "C", "POSIX"));

// Run by CTest only, under several LANG values (tests.cmake): the locale the
// program starts in picks the language, as QLocale::system() reads it.
TEST(LanguageFromEnvironment, followsLangAsTheProgramStartsIt) {
  const QByteArray expected = qgetenv("TAMSEL_EXPECTED_LANGUAGE");
  ASSERT_TRUE(expected == "en" || expected == "original") << "TAMSEL_EXPECTED_LANGUAGE says what LANG must give";
  TApplication::Instance()->Initialize();
  {
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tamsel"), QStringLiteral("recorder")).clear();
    const auto form = CreateStoredWindow();
    EXPECT_EQ(expected == "en" ? QByteArray("Record") : QByteArray("录制"), form->btnRecord->Caption().toUtf8());
    EXPECT_EQ(expected == "en" ? QByteArray("Stopped") : QByteArray("已停止"),
              form->sbStatus->Panel(0)->Text().toUtf8());
  }
  TApplication::Instance()->LoadTranslations(QLocale::c(), kTranslations);
}

}  // namespace
