#include "Languages.h"
#include "Classes.h"
#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QMetaProperty>
#include <QTranslator>

QString TranslationLanguage(const QLocale& locale) {
  if (locale.language() == QLocale::C || locale.language() == QLocale::Chinese) return QString();
  return QStringLiteral("en");
}

std::unique_ptr<QTranslator> LoadProgramTranslation(const QLocale& locale, const QString& folder) {
  const QString language = TranslationLanguage(locale);
  if (language.isEmpty()) return nullptr;
  auto translator = std::make_unique<QTranslator>();
  const QString name = QStringLiteral("tamsel_") + language;
  if (!translator->load(name, folder)) {
    qWarning("Cannot read the translation %s.qm in %s; showing the original texts.", qPrintable(name),
             qPrintable(QDir::toNativeSeparators(folder)));
    return nullptr;
  }
  return translator;
}

QString TranslationsFolder() { return DataFolder() + QStringLiteral("/translations"); }

namespace {

void TranslateTexts(TComponent* component, const QByteArray& context) {
  if (QObject* object = component->Object()) {
    for (const char* name : {"Caption", "Hint", "Filter", "Title"}) {
      const int index = object->metaObject()->indexOfProperty(name);
      if (index < 0) continue;
      const QMetaProperty property = object->metaObject()->property(index);
      if (property.metaType().id() != QMetaType::QString || !property.isWritable()) continue;
      const QString text = property.read(object).toString();
      if (text.isEmpty()) continue;
      const QString translated = QCoreApplication::translate(context.constData(), text.toUtf8().constData());
      if (translated != text) property.write(object, translated);
    }
  }
  for (int i = 0; i < component->ComponentCount(); ++i) TranslateTexts(component->Components(i), context);
}

}  // namespace

void TranslateStoredTexts(TComponent* root) { TranslateTexts(root, root->ClassName().toUtf8()); }
