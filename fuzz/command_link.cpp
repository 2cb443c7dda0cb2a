// libFuzzer target: any text run as a command line by the link runner over a temporary data
// folder holding one project with a session database, beside a file outside it. Every question
// is answered Yes, so whatever a link may delete it deletes; nothing outside the data folder may
// ever change, and nothing may crash.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "editing/editing_flow.h"
#include "project/project.h"
#include "sync/command_link_runner.h"
#include "sync/connection.h"
#include "sync/online_router.h"

namespace {

class CYesMessageService : public CMessageService {
 public:
  int ShowMessage(const QString&, unsigned style) override { return NaturalAnswer(style); }
};

// A window without widgets: the open project is an editing flow of its own.
class CFuzzLinkHost : public CCommandLinkHost {
 public:
  explicit CFuzzLinkHost(QString folder) : m_folder(std::move(folder)) {}
  QString DataFolder() const override { return m_folder; }
  CEditingFlow* Flow() const override { return m_flow.get(); }
  bool FinishEditing() override {
    if (m_flow) m_flow->Abandon();
    return true;
  }
  void CloseProject() override { m_flow.reset(); }
  void OpenProject(const QString& path) override { m_flow = CEditingFlow::Open(path, nullptr); }
  bool StartEditing(const QUuid& guid, const QHash<QString, QString>& arguments) override {
    return m_flow && m_flow->Start(guid, nullptr, &arguments);
  }
  void OpenSettings(const QString&) override {}
  void RefreshProjectList() override {}
  void RefreshSessionList() override {}

 private:
  QString m_folder;
  std::unique_ptr<CEditingFlow> m_flow;
};

struct CWorld {
  CWorld() {
    auto services = std::make_unique<CServices>();
    services->SetMessageService(std::make_unique<CYesMessageService>());
    CServices::Install(std::move(services));
    folder = root.filePath(QStringLiteral("data"));
    QDir().mkpath(folder);
    CProject project;
    project.MutableHeader().title = QStringLiteral("Fuzz");
    project.AddPage();
    seed = project.SaveToBytes();
    outside = root.filePath(QStringLiteral("outside.ppc"));
    QFile file(outside);
    if (!file.open(QIODevice::WriteOnly) || file.write(seed) != seed.size()) std::abort();
    connection = std::make_unique<CConnection>(CConnectionSettings(), CHandshake::Identity(), 0);
    router = std::make_unique<COnlineRouter>(*connection, nullptr);
  }
  void Reset() {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/a.ppc"));
    if (!file.open(QIODevice::WriteOnly) || file.write(seed) != seed.size()) std::abort();
  }

  QTemporaryDir root;
  QString folder;
  QString outside;
  QByteArray seed;
  std::unique_ptr<CConnection> connection;
  std::unique_ptr<COnlineRouter> router;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CWorld world;
  world.Reset();
  // The link's prefix is given, so the runs reach the commands rather than stop at the prefix.
  const QString line =
      QStringLiteral("qlt://") +
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  {
    CFuzzLinkHost host(world.folder);
    CCommandLinkRunner runner(host, *world.router, nullptr);
    if (!runner.Run(line)) std::abort();
  }
  QFile outside(world.outside);
  if (!outside.open(QIODevice::ReadOnly) || outside.readAll() != world.seed) std::abort();
  const QStringList beside =
      QDir(world.root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
  if (beside.size() != 2) std::abort();  // the data folder and the file outside
  return 0;
}
