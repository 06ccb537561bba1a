#pragma once
// Writing a window description (its format is described in Description.h).
#include "Classes.h"

#include <QByteArray>

// The description of root and everything it owns, indented JSON.
QByteArray WriteDescription(TComponent* root);
