// The frame's side of the server's requests: a pushed session shows in the open project's list, a
// project file replacing the open project is opened again, a removal closes it, and a new unit ID
// reaches the settings and the connection.
#include "ui/frame_sync_host.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/settings_store.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/files.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/server_requests.h"
#include "sync/sync_codes.h"
#include "ui/client_frame.h"

namespace {

using qlt::test::CScopedServices;

QByteArray ProjectBytes(const QString& title) {
  CProject project;
  project.MutableHeader().uniqueNumber = 11;
  project.MutableHeader().title = title;
  project.AddPage();
  return project.SaveToBytes();
}

CNetMessage Named(uint32_t code, uint32_t unique = 11) {
  CNetMessage m(code);
  m.WriteString(QStringLiteral("p.ppc"));
  m.WriteU32(unique);
  return m;
}

TEST(FrameSyncHostTest, RequestsReachTheOpenProjectAndTheSettings) {
  CScopedServices services{CScopedServices::Clock::kWall};
  QTemporaryDir data;
  CSettingsStore settings{CSettingsStore::DefaultFilePath()};
  const QString path = QDir(data.path()).filePath(QStringLiteral("p.ppc"));
  ASSERT_TRUE(qlt::test::WriteFileBytes(path, ProjectBytes(QStringLiteral("First"))));
  CClientFrame frame(settings, data.path());
  CFrameSyncHost host(frame, settings, data.path());
  QList<uint16_t> results;
  CServerRequests requests(host, [&](const CNetMessage& sent) {
    CNetMessage answer(sent.Code(), sent.Payload());
    QString name;
    uint32_t unique = 0;
    uint16_t result = 0xFFFF;
    answer.ReadString(name);
    answer.ReadU32(unique);
    // The removal result is the 32-bit field after the name.
    if (sent.Code() == SyncCode::kProjectRemovalResult) {
      result = static_cast<uint16_t>(unique);
    } else {
      answer.ReadU16(result);
    }
    results.append(result);
    return true;
  });
  frame.OpenProject(path);
  ASSERT_EQ(host.OpenProjectName(), QStringLiteral("p.ppc"));
  EXPECT_FALSE(host.IsEditingSession());

  CNetMessage push = Named(SyncCode::kPushedSession);
  push.WriteBytes(qlt::test::NewSession()->WriteArchive());
  ASSERT_TRUE(requests.Handle(push));
  ASSERT_TRUE(frame.Database());
  EXPECT_EQ(frame.Database()->ListCount(), 1);

  CNetMessage install = Named(SyncCode::kProjectFile);
  install.WriteU16(0);
  install.WriteBytes(ProjectBytes(QStringLiteral("Second")));
  ASSERT_TRUE(requests.Handle(install));
  ASSERT_TRUE(frame.Project());
  EXPECT_EQ(frame.Project()->GetHeader().title, QStringLiteral("Second"));

  CNetMessage remove = Named(SyncCode::kRemoveProject);
  ASSERT_TRUE(requests.Handle(remove));
  EXPECT_FALSE(frame.Project());
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_EQ(results, (QList<uint16_t>{0, 0, 0}));

  CNetMessage unit(SyncCode::kNewUnitId);
  unit.WriteString(QStringLiteral("Depot-5"));
  ASSERT_TRUE(requests.Handle(unit));
  EXPECT_EQ(settings.ReadString(QStringLiteral("Unit"), QStringLiteral("ID")),
            QStringLiteral("Depot-5"));
  EXPECT_EQ(frame.ServerConnection().Identity().unitId, QStringLiteral("Depot-5"));
}

}  // namespace
