#include "PeerProgram.h"

#include <QProcess>

int RunProgram(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForStarted(10000)) return -1;
  p.closeWriteChannel();
  if (!p.waitForFinished(180000)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (out) *out = p.readAllStandardOutput();
  if (err) *err = p.readAllStandardError();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
