#include "tool_arguments.h"

bool CToolArguments::Next() {
  if (!m_optionsEnded && m_next < m_arguments.size() && m_arguments[m_next] == u"--"_qs) {
    m_optionsEnded = true;
    ++m_next;
  }
  if (m_next >= m_arguments.size()) {
    m_current.clear();
    m_isOption = false;
    return false;
  }
  m_current = m_arguments[m_next++];
  m_isOption = !m_optionsEnded && IsOptionText(m_current);
  return true;
}

bool CToolArguments::IsHelp() const { return m_isOption && IsHelpText(m_current); }

bool CToolArguments::TakeValue(QString& value) {
  if (m_next >= m_arguments.size()) return false;
  value = m_arguments[m_next++];
  return true;
}

bool CToolArguments::IsOptionText(const QString& argument) {
  // "-" alone names the standard input or output by convention, so it is an operand.
  return argument.size() > 1 && argument.startsWith(u'-');
}

QString CToolArguments::UnknownWordMessage(const QString& word) {
  return (IsOptionText(word) ? QStringLiteral("unknown option \"%1\"")
                             : QStringLiteral("unknown subcommand \"%1\""))
      .arg(word);
}

bool CToolArguments::IsHelpText(const QString& argument) {
  return argument == u"-h"_qs || argument == u"--help"_qs;
}
