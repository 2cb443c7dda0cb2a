#include "support/harness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace qlt::test {
namespace {

std::unique_ptr<QTemporaryDir> g_home;

void SetFreshHome() {
  g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/qlt-test-XXXXXX");
  const QString home = g_home->path();
  for (const char* sub : {"config", "data", "cache", "Pictures", "runtime"}) {
    QDir(home).mkpath(sub);
  }
  QFile::setPermissions(home + "/runtime",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  setenv("HOME", qPrintable(home), 1);
  setenv("XDG_CONFIG_HOME", qPrintable(home + "/config"), 1);
  setenv("XDG_DATA_HOME", qPrintable(home + "/data"), 1);
  setenv("XDG_CACHE_HOME", qPrintable(home + "/cache"), 1);
  setenv("XDG_PICTURES_DIR", qPrintable(home + "/Pictures"), 1);
  setenv("XDG_RUNTIME_DIR", qPrintable(home + "/runtime"), 1);
}

class FreshHomeListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { SetFreshHome(); }
  void OnTestEnd(const ::testing::TestInfo&) override { g_home.reset(); }
};

}  // namespace

void InstallHarness() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Tests compare formatted numbers and dates; a fixed locale keeps them repeatable unless a test
  // sets its own.
  setenv("LC_ALL", "C.UTF-8", 1);
  setenv("LANG", "C.UTF-8", 1);
  SetFreshHome();
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshHomeListener);
}

QString TestHome() { return g_home ? g_home->path() : QString(); }

QString FixturePath(const QString& relative) {
  return QStringLiteral(QLT_TEST_DATA_DIR "/") + relative;
}

QString ThirdPartyData(const QString& relative) {
  return FixturePath(QStringLiteral("thirdparty/") + relative);
}

QByteArray ReadFixture(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "missing test file " << qPrintable(path) << ": "
                  << qPrintable(file.errorString());
    return {};
  }
  return file.readAll();
}

}  // namespace qlt::test
