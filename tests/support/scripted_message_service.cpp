#include "support/scripted_message_service.h"

int CScriptedMessageService::ShowMessage(const QString& text, unsigned style) {
  m_messages.append({text, style});
  if (!m_answers.isEmpty()) return m_answers.takeFirst();
  return m_defaultAnswer != 0 ? m_defaultAnswer : CMessageService::NaturalAnswer(style);
}
