// Runs the built programs (the command-line tool `qlt`, the client) as their own processes, as a
// user would, and keeps what it printed. Test code only; the test's thread.
#pragma once

#include <QByteArray>
#include <QJsonObject>
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

}  // namespace qlt::test
