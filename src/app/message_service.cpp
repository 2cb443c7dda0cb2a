#include "app/message_service.h"

#include <cstdio>

namespace {

int NaturalAnswer(unsigned style) {
  switch (style & kMbButtonMask) {
    case kMbYesNo:
    case kMbYesNoCancel:
      return kIdYes;
    default:
      return kIdOk;
  }
}

}  // namespace

int CScriptedMessageService::ShowMessage(const QString& text, unsigned style) {
  m_messages.append({text, style});
  if (!m_answers.isEmpty()) return m_answers.takeFirst();
  return m_defaultAnswer != 0 ? m_defaultAnswer : NaturalAnswer(style);
}

int CConsoleMessageService::ShowMessage(const QString& text, unsigned style) {
  std::fprintf(stderr, "%s\n", qPrintable(text));
  return NaturalAnswer(style);
}
