#include "support/tool_runner.h"

#include <QJsonDocument>
#include <QProcess>

#include "support/harness.h"

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

CToolProcess::~CToolProcess() {
  if (m_process.state() != QProcess::NotRunning) {
    m_process.kill();
    m_process.waitForFinished();
  }
}

bool CToolProcess::Start(const QString& program, const QStringList& arguments) {
  m_process.start(QStringLiteral(QLT_BINARY_DIR "/") + program, arguments);
  return m_process.waitForStarted();
}

bool CToolProcess::ReadLine(QByteArray& line) {
  // The server's output arrives while the test's own connections are served by the same loop.
  ProcessEventsUntil(
      [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; });
  if (!m_process.canReadLine()) return false;
  line = m_process.readLine().trimmed();
  m_lines.append(line);
  return true;
}

QByteArray CToolProcess::WaitForLine(const QByteArray& text) {
  QByteArray line;
  while (ReadLine(line)) {
    if (line.contains(text)) return line;
  }
  return QByteArray();
}

int CToolProcess::Stop() {
  if (m_process.state() != QProcess::NotRunning) {
    m_process.terminate();
    // A ceiling for a hung program, not a measure of speed.
    if (!m_process.waitForFinished(120000)) return -1;
  }
  while (m_process.canReadLine()) m_lines.append(m_process.readLine().trimmed());
  return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
}

}  // namespace qlt::test
