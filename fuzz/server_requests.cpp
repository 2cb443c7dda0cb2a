// libFuzzer target: the requests the server makes while online, served over a temporary data
// folder holding one project. The first byte chooses the request, the rest is its payload. A
// malformed request must be refused without a crash, and nothing may ever appear beside the
// data folder.
#include "sync/server_requests.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "project/project.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"
#include "sync/sync_host.h"

namespace {

// Loading shows its refusals as messages; they are answered as nobody at the screen would.
class CSilentMessageService : public CMessageService {
 public:
  int ShowMessage(const QString&, unsigned style) override { return NaturalAnswer(style); }
};

// A window with no project open that does nothing with what it is told.
class CQuietHost : public CSyncHost {
 public:
  explicit CQuietHost(QString folder) : m_folder(std::move(folder)) {}
  QString DataFolder() const override { return m_folder; }
  QString OpenProjectName() const override { return QString(); }
  bool IsEditingSession() const override { return false; }
  void CloseProject() override {}
  bool OpenProject(const QString&) override { return true; }
  void RefreshProjectList() override {}
  void RefreshProjectView() override {}
  void PlaySound(int) override {}
  void StoreUnitId(const QString&) override {}

 private:
  QString m_folder;
};

struct CWorld {
  CWorld() {
    auto services = std::make_unique<CServices>();
    services->SetMessageService(std::make_unique<CSilentMessageService>());
    CServices::Install(std::move(services));
    folder = root.filePath(QStringLiteral("data"));
    QDir().mkpath(folder);
    CProject project;
    project.MutableHeader().uniqueNumber = 11;
    project.AddPage();
    seed = project.SaveToBytes();
    host = std::make_unique<CQuietHost>(folder);
    requests = std::make_unique<CServerRequests>(*host, [](const CNetMessage&) { return true; });
  }
  QTemporaryDir root;
  QString folder;
  QByteArray seed;
  std::unique_ptr<CQuietHost> host;
  std::unique_ptr<CServerRequests> requests;
};

const uint32_t kCodes[] = {SyncCode::kNewUnitId,     SyncCode::kProjectFile,
                           SyncCode::kPushedSession, SyncCode::kProjectInventoryRequest,
                           SyncCode::kRemoveProject, SyncCode::kFetchProjectFile};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CWorld world;
  if (size == 0) return 0;
  const QString project = QDir(world.folder).filePath(QStringLiteral("p.ppc"));
  if (!QFile::exists(project)) {
    QFile file(project);
    if (file.open(QIODevice::WriteOnly)) file.write(world.seed);
  }
  CNetMessage message(
      kCodes[data[0] % std::size(kCodes)],
      QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)));
  world.requests->Handle(message);
  // The data folder is the only thing the requests may touch.
  const QStringList beside =
      QDir(world.root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  if (beside != QStringList{QStringLiteral("data")}) std::abort();
  return 0;
}
