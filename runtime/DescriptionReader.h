#pragma once
// Reading a window description (its format is described in Description.h).
// Every failure raises EDescriptionError naming the entry.
#include "Classes.h"

#include <QByteArray>
#include <QString>

// Reads a description into root (a form already constructed): creates the
// components, sets properties, binds events, resolves references, then runs
// Loaded on root and every created component in description order. The
// description's root entry must name root's class.
void ReadDescription(TComponent* root, const QByteArray& json);
// The same from a file or resource (":/forms/Form1.json").
void ReadDescriptionFile(TComponent* root, const QString& fileName);
// Creates a standalone component from a one-component description (no owner).
TComponent* ReadComponent(const QByteArray& json);
