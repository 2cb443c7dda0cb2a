// Test harness shared by every test binary: each test runs with a fresh temporary HOME and
// XDG folders and the offscreen platform, so no test touches the real home or sees another's files.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

namespace qlt::test {

// Sets the process environment a test binary needs before any Qt application object exists
// and registers the per-test folder listener with GoogleTest.
void InstallHarness();

// The temporary home of the running test (empty outside a test).
QString TestHome();

// A file of the repository's fixtures (tests/data), and of the third-party files among them
// (tests/data/thirdparty, listed with origin and licence in its NOTICE).
QString FixturePath(const QString& relative);
QString ThirdPartyData(const QString& relative);

// The bytes of the file at `path`. A file that cannot be read adds a failure naming it and gives
// an empty array, so a test stops with ASSERT_FALSE(bytes.isEmpty()) before using them.
QByteArray ReadFixture(const QString& path);

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
