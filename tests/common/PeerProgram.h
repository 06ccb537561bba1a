#pragma once
// Running the peer programs the tests compare with (ffmpeg, ffprobe, sox) and
// the tools under test.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs program with arguments and an empty standard input; returns its exit
// code (-1 when it could not start or did not finish in time) and what it wrote.
// environment ("NAME=value" entries) is added to the test's own.
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
               const QStringList& environment = {});
