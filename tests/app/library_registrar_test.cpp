// The custom-point library sweep: successes counted, failures and foreign files survived,
// obsolete libraries deleted, and at most one sweep a minute on the tick counter.
#include "app/library_registrar.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/services.h"
#include "app/twkf_app.h"
#include "support/harness.h"

namespace {

class LibrarySweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = CServices::Install(std::make_unique<CServices>());
    CServices::Instance().SetTickCounter([this] { return m_ticks; });
    ASSERT_TRUE(m_program.isValid());
    m_marker = qlt::test::TestHome() + QStringLiteral("/sweep-marker");
    setenv("QLT_TEST_SWEEP_MARKER", qPrintable(m_marker), 1);
  }
  void TearDown() override {
    unsetenv("QLT_TEST_SWEEP_MARKER");
    CServices::Install(std::move(m_previous));
  }

  void Place(const char* library, const QString& name) {
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(library), Path(name))) << library;
  }
  void PlaceText(const QString& name) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library");
  }
  QString Path(const QString& name) const { return m_program.path() + QLatin1Char('/') + name; }
  // The calls of DllRegisterServer so far, in order.
  QStringList Calls() const {
    QFile file(m_marker);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  uint32_t m_ticks = 5000000;
  QTemporaryDir m_program;
  QString m_marker;
  std::unique_ptr<CServices> m_previous;
};

TEST_F(LibrarySweepTest, SweepCountsSuccessesAndDeletesObsoleteLibraries) {
  Place(QLT_TEST_SWEEP_OK, QStringLiteral("libalpha.so"));
  Place(QLT_TEST_SWEEP_OK, QStringLiteral("libbeta.so"));
  Place(QLT_TEST_SWEEP_FAIL, QStringLiteral("libgamma.so"));
  PlaceText(QStringLiteral("libbroken.so"));
  PlaceText(QStringLiteral("DateTime_X86.dll"));
  PlaceText(QStringLiteral("Voice_X86.dll"));
  PlaceText(QStringLiteral("libGPS_X86.so"));
  PlaceText(QStringLiteral("Numpad_X86.so"));
  PlaceText(QStringLiteral("Other_X86.dll"));
  PlaceText(QStringLiteral("datetime_x86.dll"));

  CLibraryRegistrar registrar;
  EXPECT_TRUE(registrar.Register(m_program.path()));
  EXPECT_EQ(registrar.LastSuccessCount(), 2);
  EXPECT_EQ(Calls(), (QStringList{QStringLiteral("registered"), QStringLiteral("registered"),
                                  QStringLiteral("failed")}));

  for (const char* gone : {"DateTime_X86.dll", "Voice_X86.dll", "libGPS_X86.so", "Numpad_X86.so"}) {
    EXPECT_FALSE(QFileInfo::exists(Path(QString::fromLatin1(gone)))) << gone;
  }
  for (const char* kept : {"Other_X86.dll", "datetime_x86.dll", "libbroken.so", "libalpha.so"}) {
    EXPECT_TRUE(QFileInfo::exists(Path(QString::fromLatin1(kept)))) << kept;
  }
}

TEST_F(LibrarySweepTest, OnlyFailuresGiveFalse) {
  Place(QLT_TEST_SWEEP_FAIL, QStringLiteral("libgamma.so"));
  PlaceText(QStringLiteral("libbroken.so"));
  CLibraryRegistrar registrar;
  EXPECT_FALSE(registrar.Register(m_program.path()));
  EXPECT_EQ(registrar.LastSuccessCount(), 0);
  EXPECT_EQ(Calls(), QStringList{QStringLiteral("failed")});
}

TEST_F(LibrarySweepTest, FirstSweepRunsAtAnyTickAndTheIntervalHoldsAcrossTheWrap) {
  Place(QLT_TEST_SWEEP_OK, QStringLiteral("libalpha.so"));
  // Right after boot the counter is below a minute; the first sweep still runs.
  m_ticks = 1000;
  CLibraryRegistrar early;
  EXPECT_TRUE(early.Register(m_program.path()));
  EXPECT_EQ(Calls().size(), 1);

  m_ticks = UINT32_MAX - 10000;
  CLibraryRegistrar registrar;
  EXPECT_TRUE(registrar.Register(m_program.path()));
  m_ticks = 20000;  // 30 001 ms later, after the wrap
  EXPECT_FALSE(registrar.Register(m_program.path()));
  m_ticks = 50001;  // 60 002 ms later
  EXPECT_TRUE(registrar.Register(m_program.path()));
  EXPECT_EQ(Calls().size(), 3);
}

TEST_F(LibrarySweepTest, StartUpSweepsTheProgramFolderOnce) {
  Place(QLT_TEST_SWEEP_OK, QStringLiteral("libalpha.so"));
  CServices::Instance().programFolderOverride = m_program.path();
  CTWKFApp app;
  ASSERT_TRUE(app.InitInstance(QString()));
  EXPECT_EQ(Calls().size(), 1);
  // Custom-point hosting asks again within the minute: nothing happens.
  m_ticks += CLibraryRegistrar::kMinimumIntervalMs - 1;
  EXPECT_FALSE(app.RegisterCustomPointLibraries());
  EXPECT_EQ(Calls().size(), 1);
  m_ticks += 1;
  EXPECT_TRUE(app.RegisterCustomPointLibraries());
  EXPECT_EQ(Calls().size(), 2);
}

}  // namespace
