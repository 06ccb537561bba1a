#pragma once
// Where the recorder keeps and finds things outside its window: the working
// file, the user's configuration and the home page.
#include <QSettings>
#include <QString>
#include <memory>

// Where the working file lives: the program's folder when it is writable
// (a program run from its build or unpacked folder), otherwise the user's
// data folder for the program ($XDG_DATA_HOME/tamsel), created when missing.
QString WorkingFolder(const QString& programFolder);
// The working file's full name for the running program.
QString WorkingFileName();
// Where takes never saved are kept: $XDG_DATA_HOME/tamsel/takes (not created here).
QString TakesFolder();
// The address the home-page actions open: the configured one, or the about
// page installed with the program (or, run from the build tree, its source).
QString HomePageAddress();
// The user's configuration: $XDG_CONFIG_HOME/tamsel/recorder.ini.
std::unique_ptr<QSettings> UserSettings();
