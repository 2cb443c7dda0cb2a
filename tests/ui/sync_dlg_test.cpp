// The sync window over a real run: automatic sending after Finish shows it with its title, the
// project title in bold, the status and the progress, and closes it when the run ends; Send
// Selected sends the selected sessions; Cancel ends the run with the unacknowledged session still
// marked.
#include "ui/sync_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/test_sync_server.h"
#include "sync/sync_test_peer.h"
#include "ui/client_frame.h"
#include "ui/session_list_ctrl.h"

namespace qlt::test {
namespace {

class SyncDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString section = QStringLiteral("Settings");
    m_settings.WriteString(section, QStringLiteral("Server"),
                           QStringLiteral("127.0.0.1:%1").arg(m_server.Port()));
    m_settings.WriteString(section, QStringLiteral("Password"), QStringLiteral("secret"));
    m_settings.WriteInt(section, QStringLiteral("Auto"), 1);
    CProject project;
    project.MutableHeader().title = QStringLiteral("Pump survey");
    project.MutableHeader().uniqueNumber = 77;
    AddPoint<CEditPoint>(project.AddPage(), QStringLiteral("Name"));
    project.SetPath(m_data.path() + QStringLiteral("/Survey.ppc"));
    ASSERT_TRUE(project.Save());
    m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path());
    m_frame->show();
    m_frame->OpenProject(project.Path());
    ASSERT_NE(m_frame->Database(), nullptr);
    ASSERT_TRUE(ProcessEventsUntil(
        [&] { return m_frame->Connection() == CClientFrame::ConnectionState::kAuthenticated; }));
  }

  // While a modal sync window is open, `step` runs every few milliseconds with it.
  void WhileOpen(const std::function<void(CSyncDlg&)>& step) {
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, step] {
      m_peer.Pump();
      if (auto* dialog = qobject_cast<CSyncDlg*>(QApplication::activeModalWidget())) {
        ++m_seenOpen;
        step(*dialog);
      }
    });
    m_timer.start();
  }
  CScopedServices m_services{CScopedServices::Clock::kWall};
  QTemporaryDir m_data;
  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
  CTestSyncServer m_server;
  CSyncPeer m_peer{m_server};
  std::unique_ptr<CClientFrame> m_frame;
  QTimer m_timer;
  int m_seenOpen = 0;
};

TEST_F(SyncDlgTest, FinishingWithAutomaticSendingShowsTheWindowAndSendsTheSession) {
  QString title;
  QString projectTitle;
  bool bold = false;
  QStringList statuses;
  int maximum = 0;
  WhileOpen([&](CSyncDlg& dialog) {
    title = dialog.windowTitle();
    projectTitle = dialog.ProjectLabel()->text();
    bold = dialog.ProjectLabel()->font().bold();
    if (!statuses.contains(dialog.StatusLabel()->text())) {
      statuses.append(dialog.StatusLabel()->text());
    }
    maximum = dialog.Progress()->maximum();
    EXPECT_EQ(dialog.CancelButton()->text(), CScopedServices::Text("System.Cancel"));
  });
  ASSERT_TRUE(m_frame->StartEditing(QUuid(), nullptr));
  ASSERT_TRUE(m_frame->Finish());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_GT(m_seenOpen, 0);
  EXPECT_EQ(title, CScopedServices::Text("Sync.Title") + QStringLiteral("..."));
  EXPECT_EQ(projectTitle, QStringLiteral("Pump survey"));
  EXPECT_TRUE(bold);
  EXPECT_EQ(maximum, 1 + CSyncRun::kExtraSteps);
  EXPECT_FALSE(statuses.isEmpty());
  ASSERT_EQ(m_peer.sent.size(), 1);
  CSessionPtr session = m_frame->Database()->LoadSession(m_peer.sent[0], false);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->State(), CSession::kStateSent);
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(SyncDlgTest, SendSelectedSendsOnlyTheSelectedSessionsAndCancelKeepsTheMark) {
  m_settings.WriteInt(QStringLiteral("Settings"), QStringLiteral("Auto"), 0);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(m_frame->StartEditing(QUuid(), nullptr));
    ASSERT_TRUE(m_frame->Finish());
  }
  EXPECT_EQ(m_seenOpen, 0);  // no automatic sending
  CSessionListCtrl* list = m_frame->SessionList();
  list->selectionModel()->select(list->model()->index(1, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const QUuid chosen = m_frame->SessionList()->SelectedGuids().value(0);
  ASSERT_TRUE(m_frame->Database()->SetSessionFlags(chosen, CSession::kFlagMarked));
  m_peer.ack = nullptr;  // the server never answers: the user cancels
  WhileOpen([&](CSyncDlg& dialog) {
    if (m_peer.sent.size() == 1) QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
  });
  ASSERT_TRUE(m_frame->OnCommand(CClientFrame::kCmdSend));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(m_peer.sent, QList<QUuid>{chosen});
  CSessionPtr session = m_frame->Database()->LoadSession(chosen, false);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->State(), CSession::kStateActive);
  EXPECT_EQ(session->Flags(), CSession::kFlagMarked);
}

}  // namespace
}  // namespace qlt::test
