#include "PeerProgram.h"

#include <QProcess>

int RunProgram(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err,
               const QStringList& environment) {
  QProcess p;
  if (!environment.isEmpty()) p.setEnvironment(QProcess::systemEnvironment() + environment);
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
