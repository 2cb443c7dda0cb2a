// CScriptedMessageService: the message service of tests. It records every message and answers as
// told (queued answers first, then the default); styles and answers keep the message-box numbers
// of app/message_service.h. Owned by the services object it is installed in; the test's thread.
#pragma once

#include <QList>
#include <QString>

#include "app/message_service.h"

class CScriptedMessageService : public CMessageService {
 public:
  struct Shown {
    QString text;
    unsigned style;
  };

  int ShowMessage(const QString& text, unsigned style) override;

  void QueueAnswer(int answer) { m_answers.append(answer); }
  void SetDefaultAnswer(int answer) { m_defaultAnswer = answer; }
  const QList<Shown>& Messages() const { return m_messages; }
  void ClearMessages() { m_messages.clear(); }

 private:
  QList<int> m_answers;
  QList<Shown> m_messages;
  int m_defaultAnswer = 0;  // 0: the natural answer of the style (OK, or Yes)
};
