#pragma once
// The program's command line. --help and --version are answered on the
// terminal before any window system is needed; anything else the program does
// not know stops the start with a message on standard error, as desktop
// programs do.
#include <QStringList>
#include <optional>

// Before the application object exists: the exit code when the command line
// asks for help or the version (printed on standard output), or nothing when
// the program should start.
std::optional<int> AnswerCommandLine(int argc, char** argv);
// Once the application object has taken out the options of its own (-platform,
// -style, ...): the exit code when something is left that the program does not
// take, or nothing when it may start.
std::optional<int> RefuseCommandLine(const QStringList& arguments);
