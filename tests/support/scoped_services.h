// CScopedServices: fresh process-wide services for one test, and the previous ones back when it
// goes out of scope. The test gets a scripted message service, a clock it moves itself (standing
// at FixedNow() until then; widget tests that compare with the time of day take the wall clock),
// the embedded translation table and "Unit-7" as the unit ID. One per test, on the test's thread.
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

#include "support/scripted_message_service.h"

class CServices;

namespace qlt::test {

class CScopedServices {
 public:
  enum class Clock { kFixed, kWall };

  // The time the fixed clock stands at until a test moves it (local time, with milliseconds, so
  // stored times show whether they keep them).
  static QDateTime FixedNow();
  // The text of a translation key in the embedded table.
  static QString Text(const char* key);

  explicit CScopedServices(Clock clock = Clock::kFixed);
  ~CScopedServices();
  CScopedServices(const CScopedServices&) = delete;
  CScopedServices& operator=(const CScopedServices&) = delete;

  CScriptedMessageService& Messages() const { return *m_messages; }
  CServices& Services() const { return *m_services; }

  // The clock stands at `now` from here on.
  void SetNow(const QDateTime& now) { m_now = now; }
  // What the clock shows now.
  QDateTime Now() const;

 private:
  CScriptedMessageService* m_messages;
  CServices* m_services;
  QDateTime m_now;  // invalid: the wall clock
  std::unique_ptr<CServices> m_previous;
};

}  // namespace qlt::test
