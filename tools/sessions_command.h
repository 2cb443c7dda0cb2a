// CSessionsCommand: `qlt sessions ...`: lists the sessions stored for a project and exports them
// (CSV or JSON, file values written into a folder). It reads the project's session database and
// never creates one. Created by the tool's dispatcher for one run; main thread.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <optional>

class CSession;
class CVariant;
class QIODevice;

class CSessionsCommand {
 public:
  // Exit codes: 0 done, 1 a file could not be read or written, 2 bad arguments.
  static constexpr int kExitOk = 0;
  static constexpr int kExitFailure = 1;
  static constexpr int kExitUsage = 2;

  // The arguments after "qlt sessions".
  static int Main(const QStringList& arguments);
  // The usage lines; `full` adds what the options do and the exit codes (the help).
  static void PrintUsage(std::FILE* out, bool full);

  int Run(const QStringList& arguments);

 private:
  struct Options {
    QString subcommand;
    QString project;
    std::optional<uint32_t> state;
    QString format;
    QString out;
    QString files;
    bool help = false;
  };

  bool ParseArguments(const QStringList& arguments, Options& options);
  int List(const Options& options);
  int Export(const Options& options);
  // The text a value shows; a file value is written into the files folder when one is given.
  QString CellText(const CVariant& value);
  // Writes a file value's content into the files folder under its stored name (made unique);
  // the name written, or empty when the name is refused or the file cannot be written.
  QString WriteFileValue(const QString& storedName, const QByteArray& content);

  static QString StateName(uint32_t state);
  static QString TimeText(const CSession& session, bool created);
  static QString CsvField(const QString& text);

  QString m_filesDir;
  QSet<QString> m_usedNames;
  bool m_hadProblem = false;
};
