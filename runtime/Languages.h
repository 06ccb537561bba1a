#pragma once
// Which language the program speaks. Its texts are written in Chinese; one
// English translation serves every locale that has none of its own.
#include <QLocale>
#include <QString>
#include <memory>

class QTranslator;
class TComponent;

// Empty where the original texts are shown: Chinese locales, and the C or
// POSIX locale (what a system that names no language runs in). Otherwise
// the language of the translation to load ("en").
QString TranslationLanguage(const QLocale& locale);

// The program's translation for locale, read from folder (tamsel_en.qm);
// nullptr where the original is shown or the file cannot be read, which is
// reported as a warning.
std::unique_ptr<QTranslator> LoadProgramTranslation(const QLocale& locale, const QString& folder);

// Where the built and the installed program keep their translations.
QString TranslationsFolder();

// Translates the texts the window description stored for root and every
// component it owns (captions, hints, file filters, titles), keyed by the
// source text in the context of root's class name.
void TranslateStoredTexts(TComponent* root);
