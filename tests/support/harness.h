// Test harness shared by every test binary: each test runs with a fresh temporary HOME and
// XDG folders and the offscreen platform, so no test touches the real home or sees another's files.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

namespace qlt::test {

// Sets the process environment a test binary needs before any Qt application object exists
// and registers the per-test folder listener with GoogleTest.
void InstallHarness();

// The temporary home of the running test (empty outside a test).
QString TestHome();

// A folder with the project's own fixtures and the shared third-party test data.
QString FixturePath(const QString& relative);
QString SharedTestData(const QString& relative);

// Runs the event loop until `done` holds or a generous time has passed; returns `done()`.
template <typename Done>
bool ProcessEventsUntil(Done done) {
  const QDeadlineTimer deadline(20000);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return done();
}

}  // namespace qlt::test
