// The project's session database: opened beside the project file on first use, kept while the
// path stays, and found by stored sessions through the installed database source.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/harness.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::CScopedServices;

class ProjectDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString dir = qlt::test::TestHome() + QStringLiteral("/data");
    QDir().mkpath(dir);
    m_path = dir + QStringLiteral("/Survey.ppc");
  }
  void TearDown() override { CSession::SetDatabaseSource(nullptr); }

  CScopedServices m_services;
  QString m_path;
};

TEST_F(ProjectDatabaseTest, OpensBesideTheProjectOnFirstUseAndKeepsIt) {
  CProject project;
  EXPECT_EQ(project.Database(), nullptr);  // no path: nothing to open
  project.SetPath(m_path);
  EXPECT_FALSE(QFile::exists(CSessionDatabase::DatabasePath(m_path)));
  CSessionDatabase* database = project.Database();
  ASSERT_NE(database, nullptr);
  EXPECT_TRUE(database->IsOpen());
  EXPECT_EQ(database->Project(), &project);
  EXPECT_EQ(database->FilePath(), CSessionDatabase::DatabasePath(m_path));
  EXPECT_EQ(project.Database(), database);
  project.SetPath(m_path);
  EXPECT_EQ(project.Database(), database);

  // Another path is another database.
  const QString other = QFileInfo(m_path).absolutePath() + QStringLiteral("/Other.ppc");
  project.SetPath(other);
  ASSERT_NE(project.Database(), nullptr);
  EXPECT_EQ(project.Database()->FilePath(), CSessionDatabase::DatabasePath(other));
}

TEST_F(ProjectDatabaseTest, UnusableDatabaseGivesNoneAndIsTriedAgain) {
  CProject project;
  project.SetPath(m_path);
  const QString file = CSessionDatabase::DatabasePath(m_path);
  {
    QFile foreign(file);
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("not a database at all");
  }
  EXPECT_EQ(project.Database(), nullptr);
  ASSERT_TRUE(QFile::remove(file));
  EXPECT_NE(project.Database(), nullptr);
}

TEST_F(ProjectDatabaseTest, StoredSessionFlagsReachTheProjectsDatabase) {
  CProject::InstallSessionDatabaseSource();
  CProject project;
  project.SetPath(m_path);
  CSessionDatabase* database = project.Database();
  ASSERT_NE(database, nullptr);
  CSessionPtr session = CSession::Create(&project, true);
  ASSERT_TRUE(database->SaveSession(*session));
  ASSERT_FALSE(session->IsNew());
  EXPECT_TRUE(session->SetFlags(CSession::kFlagMarked));
  const CSessionPtr stored = database->LoadSession(session->Guid(), false);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->Flags(), CSession::kFlagMarked);
}

}  // namespace
