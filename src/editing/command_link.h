// CCommandLink: one "qlt://" command link read without acting on it: the enclosing quotes taken
// off, the prefix checked, the command found by the first known text it contains, and the query
// parameters read (first match wins, percent-decoded as UTF-8). It also reads the parameters'
// forms: GUID lists, project name lists, and whether a project name stays inside the data
// folder. A plain value; any thread.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

class CCommandLink {
 public:
  enum class Command {
    kNone,  // a link whose command holds no known text: nothing runs
    kConfigure,
    kDeleteProject,
    kOpenSession,
    kNewSession,
    kDeleteSession,
    kSendSessions,
  };

  // The link in a command line, or nothing when the line is not a command link.
  static std::optional<CCommandLink> Read(const QString& line);
  // The line without one pair of enclosing double quotes.
  static QString StripQuotes(const QString& line);

  Command GetCommand() const { return m_command; }
  // The command as written (before lowering) and the query after the first "?".
  const QString& CommandText() const { return m_commandText; }
  const QString& Query() const { return m_query; }

  // The value of the first piece "name=value" of the query, percent-decoded; empty when missing.
  QString Param(const QString& name) const;
  // The arguments the editing flow takes from a link ("values" and "page").
  QHash<QString, QString> EditingArguments() const;

  // Every "%" with two hexadecimal digits is one byte; each run of them is read as UTF-8.
  static QString PercentDecode(const QString& value);
  // A GUID text of 8-4-4-4-12 hexadecimal digits without braces; null otherwise.
  static QUuid ReadGuid(const QString& text);
  // The GUIDs of a JSON array of strings (or, with `single`, one GUID when the text does not
  // start with "["), in order without repeats; texts that do not read are dropped.
  static QList<QUuid> ReadGuids(const QString& text, bool single);
  // The strings of a JSON array; empty when it does not read.
  static QStringList ReadStrings(const QString& text);
  // Whether a project name from a link names a project file directly inside the data folder: a
  // plain ".ppc" file name without folder parts, "..", control characters or a leading "-".
  static bool IsSafeProjectName(const QString& name);

 private:
  Command m_command = Command::kNone;
  QString m_commandText;
  QString m_query;
};
