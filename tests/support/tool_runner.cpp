#include "support/tool_runner.h"

#include <QJsonDocument>
#include <QProcess>

namespace qlt::test {

QJsonObject ToolRun::Values() const { return QJsonDocument::fromJson(out).object(); }

ToolRun RunQlt(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(QLT_BINARY_DIR "/qlt"), arguments);
  ToolRun result;
  // A ceiling for a hung tool, not a measure of speed.
  if (!process.waitForFinished(120000)) return result;
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
  result.out = process.readAllStandardOutput();
  result.err = process.readAllStandardError();
  return result;
}

}  // namespace qlt::test
