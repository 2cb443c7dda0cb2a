// CToolArguments: walks the arguments of one `qlt` command the usual way: an argument that
// begins with "-" (other than "-" alone) is an option, the first "--" ends the options so every
// later argument is an operand, and an option's value is the next argument taken as it stands.
// "-h" and "--help" ask for the command's help. A plain value for one parse; main thread.
#pragma once

#include <QString>
#include <QStringList>

class CToolArguments {
 public:
  explicit CToolArguments(const QStringList& arguments) : m_arguments(arguments) {}

  // Moves to the next argument (passing over the "--" that ends the options); false at the end.
  bool Next();
  const QString& Current() const { return m_current; }
  // The current argument is an option (it came before "--" and begins with "-").
  bool IsOption() const { return m_isOption; }
  // The current argument is -h or --help as an option.
  bool IsHelp() const;
  // Takes the argument after the current option as its value; false when none is left.
  bool TakeValue(QString& value);

  static bool IsOptionText(const QString& argument);
  // What a command says of a first word it does not know: an unknown option or subcommand.
  static QString UnknownWordMessage(const QString& word);
  static bool IsHelpText(const QString& argument);

 private:
  QStringList m_arguments;
  qsizetype m_next = 0;
  QString m_current;
  bool m_isOption = false;
  bool m_optionsEnded = false;
};
