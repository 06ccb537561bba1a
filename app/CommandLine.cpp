#include "CommandLine.h"
#include "DeviceChoices.h"
#include "Languages.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <cstdio>

namespace {

const char kProgram[] = "tamsel";

void Print(FILE* to, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), to);
  std::fflush(to);
}

// One parser for both passes, so the help lists exactly what is accepted.
void Describe(QCommandLineParser& parser) {
  QCoreApplication::setApplicationVersion(QStringLiteral(TAMSEL_VERSION));
  parser.setApplicationDescription(
      QCoreApplication::translate("CommandLine",
                                  "Tamsel录音机, a sound recorder: records from the input device in the format you "
                                  "choose, plays the take back and saves a copy.\n"
                                  "Takes no files; it records into its working file Recorded.wav."));
  // Not Qt's own help option: its --help-all would list the window system's
  // options, which only an application with a display can tell.
  parser.addOption(
      QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                         QCoreApplication::translate("CommandLine", "Displays help on commandline options.")));
  parser.addVersionOption();
  parser.addOption(QCommandLineOption(
      QStringLiteral("list-devices"),
      QCoreApplication::translate("CommandLine", "Lists the input and output devices as the menus show them, each "
                                                 "with the name TAMSEL_CAPTURE_DEVICE and TAMSEL_PLAYBACK_DEVICE take.")));
}

// Both device menus as they are now, each line the caption and the sound system's name.
QString DeviceListing() {
  TDeviceChoices choices(nullptr);
  QString text;
  for (bool input : {true, false}) {
    text += (input ? QCoreApplication::translate("CommandLine", "输入设备（%1）：")
                   : QCoreApplication::translate("CommandLine", "输出设备（%1）："))
                .arg(SoundSystemInUse()) +
            QLatin1Char('\n');
    for (const TDeviceOffer& offer : choices.Offers(input)) {
      if (offer.Caption == QLatin1String("-"))
        text += QStringLiteral("  ----\n");
      else
        text += QStringLiteral("  %1\n      %2\n")
                    .arg(offer.Caption, offer.Choice.Name.isEmpty() ? QStringLiteral("default") : offer.Choice.Name);
    }
  }
  return text;
}

QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv) {
  QCommandLineParser parser;
  Describe(parser);
  // Options of the window system are not known yet; they do not stop help or
  // the version, and the second pass judges them once Qt has taken its own.
  parser.parse(Arguments(argc, argv));
  if (parser.isSet(QStringLiteral("version"))) {
    Print(stdout, QStringLiteral("%1 %2\n").arg(QString::fromLatin1(kProgram), QCoreApplication::applicationVersion()));
    return 0;
  }
  if (parser.isSet(QStringLiteral("list-devices"))) {
    QCoreApplication core(argc, argv);
    const auto translation = LoadProgramTranslation(QLocale::system(), TranslationsFolder());
    if (translation) QCoreApplication::installTranslator(translation.get());
    InstallSoundSystem();
    Print(stdout, DeviceListing());
    return 0;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    // The help names the program as it was called; that needs an application
    // object, and one without a window system is enough. It speaks the
    // user's language, so it is described again once the translation is in.
    QCoreApplication core(argc, argv);
    const auto translation = LoadProgramTranslation(QLocale::system(), TranslationsFolder());
    if (translation) QCoreApplication::installTranslator(translation.get());
    QCommandLineParser translated;
    Describe(translated);
    Print(stdout, translated.helpText());
    return 0;
  }
  return std::nullopt;
}

std::optional<int> RefuseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  Describe(parser);
  QString error;
  if (!parser.parse(arguments))
    error = parser.errorText();
  else if (!parser.positionalArguments().isEmpty())
    error = QCoreApplication::translate("CommandLine", "Takes no files or other arguments: %1")
                .arg(parser.positionalArguments().join(u' '));
  if (error.isEmpty()) return std::nullopt;
  Print(stderr, QCoreApplication::translate("CommandLine", "%1: %2\nTry '%1 --help'.\n")
                    .arg(QString::fromLatin1(kProgram), error));
  return 2;
}
