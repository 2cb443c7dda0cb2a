// CRecordingShell: a shell for tests: records the addresses and files it is asked to open
// instead of handing them to the desktop, and answers as told. Set in the test's CServices,
// which owns it; UI thread.
#pragma once

#include <QStringList>

#include "platform/shell.h"

namespace qlt::test {

class CRecordingShell : public CShell {
 public:
  explicit CRecordingShell(QStringList* opened, bool succeed = true)
      : m_opened(opened), m_succeed(succeed) {}
  bool Open(const QString& address) override {
    m_opened->append(address);
    return m_succeed;
  }

 private:
  QStringList* m_opened;
  bool m_succeed;
};

}  // namespace qlt::test
