// CProjectCommand: `qlt project ...`: dumps a project file as a JSON form and builds a project
// file from a form (see CProjectJson for the mapping), so forms can be written and reviewed as
// text. A build writes through the project's safe save and only after the whole form has been
// read and checked, so bad input never leaves a half-written file. Created by the tool's
// dispatcher for one run; main thread.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

class CProjectCommand {
 public:
  // Exit codes: 0 done, 1 a file could not be read or written, 2 bad arguments or bad input.
  static constexpr int kExitOk = 0;
  static constexpr int kExitFailure = 1;
  static constexpr int kExitBadInput = 2;

  // A larger form is refused (images inline make a form about a third larger than its project).
  static constexpr qint64 kMaxFormBytes = qint64{256} << 20;

  // The arguments after "qlt project".
  static int Main(const QStringList& arguments);
  // The usage lines; `full` adds what the options do and the exit codes (the help).
  static void PrintUsage(std::FILE* out, bool full);

 private:
  static int Dump(const QStringList& arguments);
  static int Build(const QStringList& arguments);
};
