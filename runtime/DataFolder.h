#pragma once
// Where the program finds its own data (the about page, translations).
#include <QString>

// The data folder of a program that lives in programFolder: share/tamsel
// beside the program's bin folder, so an installed tree works under any
// prefix (and after it is moved), and a program run from the build tree
// finds the copy the build keeps in the same layout. Failing those, the
// folder under the prefix the build was configured for, whether it exists or not.
QString DataFolder(const QString& programFolder);
// The same for the running program.
QString DataFolder();
