// Command links reaching the window as a start or a later start hands them over: they finish
// what is being edited, switch projects, open sessions with the link's values, ask before
// deleting, and leave the window as it was for anything else.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/services.h"
#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "ui/client_frame.h"
#include "ui/session_list_ctrl.h"

namespace {

using qlt::test::CScopedServices;

class CommandLinkFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_data.isValid());
    for (const char* name : {"Alpha", "Beta"}) WriteProject(QString::fromLatin1(name));
  }

  QString PathOf(const QString& name) const { return m_data.filePath(name + u".ppc"_qs); }

  void WriteProject(const QString& name) {
    CProject project;
    project.MutableHeader().title = name + u" survey"_qs;
    project.MutableHeader().sessionListColumns = QStringLiteral("Name;");
    for (const char* point : {"Name", "Count"}) {
      qlt::test::AddPoint<CEditPoint>(project.AddPage(), QString::fromLatin1(point));
    }
    project.SetPath(PathOf(name));
    ASSERT_TRUE(project.Save());
  }

  CClientFrame& MakeFrame(const QString& startLink = QString()) {
    m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path(), startLink);
    m_frame->resize(800, 600);
    m_frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    return *m_frame;
  }
  void Post(const QString& link) {
    m_frame->PostCommandLine(link);
    Pump();
  }
  static void Pump() {
    for (int i = 0; i < 3; ++i) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
    }
  }

  CScopedServices m_services{CScopedServices::Clock::kWall};
  QTemporaryDir m_data;
  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
  std::unique_ptr<CClientFrame> m_frame;
};

TEST_F(CommandLinkFrameTest, AStartLinkOpensANewSessionWithItsValuesAndALaterOneSwitchesProject) {
  CClientFrame& frame = MakeFrame(
      u"qlt://new/session?project=Alpha.ppc&values=%7B%22Name%22%3A%22J%C3%BCrgen%22%7D&page=1"_qs);
  ASSERT_TRUE(qlt::test::ProcessEventsUntil([&] { return frame.IsEditing(); }));
  EXPECT_EQ(frame.Project()->Path(), PathOf(u"Alpha"_qs));
  EXPECT_EQ(frame.EditedSession()->GetValueText(u"Name"_qs), u"Jürgen"_qs);
  EXPECT_EQ(frame.ShownPageIndex(), 1);
  const QUuid first = frame.EditedSession()->Guid();

  // A later link (as a second start forwards it) finishes the session, closes Alpha, opens Beta.
  Post(u"\"qlt://New/Session?project=Beta.ppc&values={\"Count\":12}\""_qs);
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_EQ(frame.Project()->Path(), PathOf(u"Beta"_qs));
  EXPECT_EQ(frame.EditedSession()->GetValueText(u"Count"_qs), u"12"_qs);
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  CSessionDatabase alpha(PathOf(u"Alpha"_qs));
  ASSERT_TRUE(alpha.Open());
  CSessionPtr saved = alpha.LoadSession(first, false);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->GetValueText(u"Name"_qs), u"Jürgen"_qs);

  // Back to Alpha to open the stored session; Finish returns to its list.
  Post(u"qlt://open/session?project=Alpha.ppc&session="_qs +
       first.toString(QUuid::WithoutBraces).toUpper());
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_EQ(frame.EditedSession()->Guid(), first);
  ASSERT_TRUE(frame.Finish());
  EXPECT_TRUE(frame.SessionList()->isVisible());
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(CommandLinkFrameTest, DeletingByLinkAsksAndRebuildsWhatShows) {
  CClientFrame& frame = MakeFrame();
  Post(u"qlt://new/session?project=Alpha.ppc&values={\"Name\":\"x\"}"_qs);
  ASSERT_TRUE(frame.Finish());
  ASSERT_EQ(frame.SessionList()->model()->rowCount(), 1);
  const QUuid guid = frame.SessionList()->AllGuids().value(0);

  m_services.Messages().QueueAnswer(kIdYes);
  Post(u"qlt://delete/session?project=Alpha.ppc&sessions=[\"%1\"]"_qs.arg(
      guid.toString(QUuid::WithoutBraces)));
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(frame.SessionList()->model()->rowCount(), 0);

  // Deleting the open project closes it first; No keeps the file and shows the project list.
  m_services.Messages().QueueAnswer(kIdNo);
  Post(u"qlt://delete/project?project=Alpha.ppc"_qs);
  EXPECT_EQ(frame.Project(), nullptr);
  EXPECT_TRUE(QFile::exists(PathOf(u"Alpha"_qs)));
  m_services.Messages().QueueAnswer(kIdYes);
  Post(u"qlt://delete/project?projects=[\"Alpha.ppc\",\"../Alpha.ppc\"]"_qs);
  EXPECT_FALSE(QFile::exists(PathOf(u"Alpha"_qs)));
  EXPECT_TRUE(QFile::exists(PathOf(u"Beta"_qs)));
  EXPECT_EQ(m_services.Messages().Messages().size(), 3);
}

}  // namespace
