// The editing flow without widgets: the project's database, opening sessions, stepping through
// the visible pages with verification, finishing and duplicating.
#include "editing/editing_flow.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <memory>

#include "app/services.h"
#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "points/logic_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/harness.h"
#include "support/scoped_services.h"

namespace {

class EditingFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = qlt::test::TestHome() + QStringLiteral("/data");
    QDir().mkpath(m_folder);
    m_services.Services().SetTickCounter([this] { return m_tick; });
  }

  // A project of pages; each character of `pages` is one page: 'e' an edit point named after
  // the page ("P0", "P1", ...), 'h' a hidden edit point, 'l' a logic point only, '-' no points,
  // 'r' an edit point that must be filled.
  CEditingFlow& MakeFlow(const char* pages, const QString& name = QStringLiteral("Survey")) {
    auto project = std::make_unique<CProject>();
    for (int i = 0; pages[i]; ++i) {
      CPage* page = project->AddPage();
      if (pages[i] == '-') continue;
      CBasePoint* point =
          page->AddPoint(pages[i] == 'l' ? CLogicPoint::kTypeCode : CEditPoint::kTypeCode);
      point->SetName(QStringLiteral("P%1").arg(i));
      if (pages[i] == 'h') point->SetVisible(0);
      if (pages[i] == 'r') point->SetRequiredMode(2);
    }
    project->SetPath(m_folder + u'/' + name + QStringLiteral(".ppc"));
    m_flow = std::make_unique<CEditingFlow>(std::move(project), &m_settings);
    return *m_flow;
  }
  // Stores a session with P0 = `value` in the given state; returns its GUID.
  QUuid Store(const QString& value, uint32_t state = CSession::kStateActive, uint32_t flags = 0) {
    CSessionPtr session = CSession::Create(QStringLiteral("Unit-1"), true);
    session->SetValueText(QStringLiteral("P0"), value);
    session->AssignFlags(flags);
    EXPECT_TRUE(m_flow->Database()->SaveSession(*session));
    if (state != CSession::kStateActive) {
      EXPECT_TRUE(m_flow->Database()->SetSessionState(session->Guid(), state));
    }
    return session->Guid();
  }
  CSessionPtr Load(const QUuid& guid) { return m_flow->Database()->LoadSession(guid, false); }
  QStringList MessageTexts() {
    QStringList texts;
    for (const auto& shown : m_services.Messages().Messages()) texts.append(shown.text);
    return texts;
  }

  qlt::test::CScopedServices m_services;
  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
  QString m_folder;
  uint32_t m_tick = 1000;
  std::unique_ptr<CEditingFlow> m_flow;
};

TEST_F(EditingFlowTest, DatabaseOpensBesideTheProjectOnFirstUseAndFollowsItsPath) {
  CEditingFlow flow(std::make_unique<CProject>(), nullptr);
  EXPECT_EQ(flow.Database(), nullptr);  // no path: nothing to open
  const QString path = m_folder + QStringLiteral("/Survey.ppc");
  flow.Project().SetPath(path);
  CSessionDatabase* database = flow.Database();
  ASSERT_NE(database, nullptr);
  EXPECT_EQ(database->FilePath(), CSessionDatabase::DatabasePath(path));
  EXPECT_EQ(flow.Database(), database);

  // A file that is not a database gives none, and is tried again once it is gone.
  const QString other = m_folder + QStringLiteral("/Other.ppc");
  {
    QFile foreign(CSessionDatabase::DatabasePath(other));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("not a database at all");
  }
  flow.Project().SetPath(other);
  EXPECT_EQ(flow.Database(), nullptr);
  ASSERT_TRUE(QFile::remove(CSessionDatabase::DatabasePath(other)));
  ASSERT_NE(flow.Database(), nullptr);
  EXPECT_EQ(flow.Database()->FilePath(), CSessionDatabase::DatabasePath(other));
}

TEST_F(EditingFlowTest, OpeningAStoredActiveSessionUnmarksItInItsDatabaseAtOnce) {
  CEditingFlow& flow = MakeFlow("ee");
  const QUuid guid = Store(QStringLiteral("stored"), CSession::kStateActive,
                           CSession::kFlagMarked | CSession::kFlagReceived | 8);
  ASSERT_TRUE(flow.Start(guid));
  EXPECT_EQ(Load(guid)->Flags(), 8u);
  EXPECT_EQ(flow.Project().FindPointByName(QStringLiteral("P0"))->OutputText(), u"stored"_qs);
  EXPECT_FALSE(flow.Start(QUuid()));  // one session at a time
  flow.Abandon();
  EXPECT_FALSE(flow.Start(CSession::NewGuid()));  // gone meanwhile: nothing opens
  EXPECT_FALSE(flow.IsEditing());
}

TEST_F(EditingFlowTest, PreviousAndNextStopOnlyAtVisiblePages) {
  // Hidden points and conditions alone do not make a page worth a stop; an empty page does.
  CEditingFlow& flow = MakeFlow("ehl-le");
  ASSERT_TRUE(flow.Start(QUuid()));
  EXPECT_EQ(flow.ShownPageIndex(), 0);
  EXPECT_EQ(flow.FindVisiblePage(-1), -1);
  const int forward[] = {3, 5};
  for (int expected : forward) {
    ASSERT_TRUE(flow.NextPage());
    EXPECT_EQ(flow.ShownPageIndex(), expected);
  }
  EXPECT_FALSE(flow.NextPage());
  EXPECT_EQ(flow.ShownPageIndex(), 5);
  EXPECT_EQ(MessageTexts(), QStringList{qlt::test::CScopedServices::Text("Project.EndOfProject")});
  ASSERT_TRUE(flow.PreviousPage());
  EXPECT_EQ(flow.ShownPageIndex(), 3);
  ASSERT_TRUE(flow.PreviousPage());
  EXPECT_EQ(flow.ShownPageIndex(), 0);
  EXPECT_FALSE(flow.PreviousPage());
}

TEST_F(EditingFlowTest, ARefusingPointKeepsTheSessionOnItsPageAndNothingIsSaved) {
  CEditingFlow& flow = MakeFlow("re");
  ASSERT_TRUE(flow.Start(QUuid()));
  EXPECT_FALSE(flow.NextPage());
  EXPECT_EQ(flow.ShownPageIndex(), 0);
  EXPECT_EQ(flow.Finish().result, CEditingFlow::FinishResult::kRefused);
  EXPECT_TRUE(flow.IsEditing());
  EXPECT_EQ(flow.ShownPageIndex(), 0);
  EXPECT_EQ(flow.Database()->StateCount(CSession::kStateActive), 0);

  flow.Project().FindPointByName(QStringLiteral("P0"))->SetValue(QStringLiteral("filled"));
  EXPECT_EQ(flow.Finish().result, CEditingFlow::FinishResult::kSaved);
  EXPECT_FALSE(flow.IsEditing());
  EXPECT_EQ(flow.Display().ShownPage(), nullptr);
}

TEST_F(EditingFlowTest, FinishMarksForSendingAsTheSettingsSayAndStartsTheNextWhenAsked) {
  struct Case {
    int autoNew, autoOld;
    bool stored;
    uint32_t openFor;
    bool autoNewSession;
    bool send, startNext;
  } const cases[] = {
      {1, 0, false, 10, false, true, false},    {1, 0, true, 10, false, false, false},
      {0, 1, true, 10, false, true, false},     {0, 1, false, 10, false, false, false},
      {0, 0, false, 2000, true, false, false},  {0, 0, false, 2001, true, false, true},
      {0, 0, false, 5000, false, false, false},
  };
  for (const Case& c : cases) {
    CEditingFlow& flow = MakeFlow("e");
    flow.Project().MutableHeader().autoNewSession = c.autoNewSession ? 1 : 0;
    m_settings.WriteInt(QStringLiteral("Settings"), QStringLiteral("Auto"), c.autoNew);
    m_settings.WriteInt(QStringLiteral("Settings"), QStringLiteral("AutoOld"), c.autoOld);
    const QUuid stored = c.stored ? Store(QStringLiteral("old")) : QUuid();
    ASSERT_TRUE(flow.Start(stored));
    const QUuid guid = flow.Session()->Guid();
    m_tick += c.openFor;
    const CEditingFlow::FinishOutcome outcome = flow.Finish();
    ASSERT_EQ(outcome.result, CEditingFlow::FinishResult::kSaved);
    EXPECT_EQ(outcome.send, c.send) << c.autoNew << c.autoOld << c.stored;
    EXPECT_EQ(outcome.startNext, c.startNext) << c.openFor;
    EXPECT_EQ(Load(guid)->Flags(), c.send ? CSession::kFlagMarked : 0u);
    m_flow.reset();
    QFile::remove(CSessionDatabase::DatabasePath(m_folder + QStringLiteral("/Survey.ppc")));
  }
}

TEST_F(EditingFlowTest, ASentSessionIsSavedAgainWithoutTakingTheChanges) {
  CEditingFlow& flow = MakeFlow("e");
  const QUuid guid = Store(QStringLiteral("as sent"), CSession::kStateSent);
  ASSERT_TRUE(flow.Start(guid));
  EXPECT_TRUE(flow.Binding().IsLocked());
  flow.Project().FindPointByName(QStringLiteral("P0"))->SetValue(QStringLiteral("changed"));
  ASSERT_EQ(flow.Finish().result, CEditingFlow::FinishResult::kSaved);
  const CSessionPtr saved = Load(guid);
  EXPECT_EQ(saved->State(), CSession::kStateSent);
  EXPECT_EQ(saved->GetValueText(QStringLiteral("P0")), u"as sent"_qs);
}

TEST_F(EditingFlowTest, ACommandLinkFillsNamedValuesAndChoosesAPageInRange) {
  struct Case {
    const char* page;
    int shown;
  } const cases[] = {{"2", 2}, {"99", 0}, {"-1", 0}, {"two", 0}, {"", 0}};
  for (const Case& c : cases) {
    CEditingFlow& flow = MakeFlow("eeeee");
    const QHash<QString, QString> link{
        {QStringLiteral("values"), QStringLiteral(R"({"p1": "from link", "Nope": "x", "": "y"})")},
        {QStringLiteral("page"), QString::fromLatin1(c.page)}};
    ASSERT_TRUE(flow.Start(QUuid(), nullptr, &link));
    EXPECT_EQ(flow.ShownPageIndex(), c.shown) << c.page;
    EXPECT_EQ(flow.Session()->GetValueText(QStringLiteral("P1")), u"from link"_qs);
    EXPECT_EQ(flow.Session()->Values().Count(), 1);
  }
}

TEST_F(EditingFlowTest, DuplicateMakesANewCopyUnlessTheSettingsPreventIt) {
  CEditingFlow& flow = MakeFlow("e");
  const QUuid original = Store(QStringLiteral("copied"));
  m_settings.WriteInt(QStringLiteral("Settings"), QStringLiteral("Dedupe"), 1);
  EXPECT_FALSE(flow.Duplicate(original));
  m_settings.WriteInt(QStringLiteral("Settings"), QStringLiteral("Dedupe"), 0);
  const CSessionPtr copy = flow.Duplicate(original);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy->Guid(), original);
  EXPECT_TRUE(copy->IsNew());
  EXPECT_EQ(copy->Created().ToDateTime(), m_services.Services().Now());
  EXPECT_EQ(copy->GetValueText(QStringLiteral("P0")), u"copied"_qs);
  EXPECT_FALSE(flow.Duplicate(CSession::NewGuid()));
}

}  // namespace
