// Runs the built programs (the command-line tool `qlt`, the client) as their own processes, as a
// user would, and keeps what it printed. Test code only; the test's thread.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <string>

namespace qlt::test {

struct ToolRun {
  int exitCode = -1;  // -1: it did not finish; -2: it crashed
  QByteArray out;
  QByteArray err;
  // Standard output read as a JSON object, and standard error for failure messages.
  QJsonObject Values() const;
  std::string Err() const { return err.toStdString(); }
};

// Runs one of the built programs ("qlt", "quillet") with the arguments.
ToolRun RunProgram(const QString& program, const QStringList& arguments);
ToolRun RunQlt(const QStringList& arguments);

// A built program that keeps running (a server): started with its arguments, its standard output
// read line by line while the test's event loop runs, stopped by SIGTERM. A program still running
// when this goes is killed.
class CToolProcess {
 public:
  CToolProcess() = default;
  ~CToolProcess();
  CToolProcess(const CToolProcess&) = delete;
  CToolProcess& operator=(const CToolProcess&) = delete;

  bool Start(const QString& program, const QStringList& arguments);
  // The next line of standard output without its line end; false when the program ended (or
  // stayed silent for the harness's ceiling) first.
  bool ReadLine(QByteArray& line);
  // Reads lines until one contains `text`, and returns it; empty when none came.
  QByteArray WaitForLine(const QByteArray& text);
  // Every line read so far.
  const QList<QByteArray>& Lines() const { return m_lines; }
  // Sends SIGTERM and waits: the exit code, -2 for a crash, -1 when it did not end.
  int Stop();
  QByteArray Err() { return m_process.readAllStandardError(); }

 private:
  QProcess m_process;
  QList<QByteArray> m_lines;
};

}  // namespace qlt::test
