#include "support/tool_runner.h"

#include <QJsonDocument>
#include <QProcess>

namespace qlt::test {

QJsonObject ToolRun::Values() const { return QJsonDocument::fromJson(out).object(); }

ToolRun RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(QLT_BINARY_DIR "/") + program, arguments);
  ToolRun result;
  // A ceiling for a hung program, not a measure of speed.
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
  result.out = process.readAllStandardOutput();
  result.err = process.readAllStandardError();
  return result;
}

ToolRun RunQlt(const QStringList& arguments) {
  return RunProgram(QStringLiteral("qlt"), arguments);
}

}  // namespace qlt::test
