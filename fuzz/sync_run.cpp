// libFuzzer target: a synchronisation run of a project with three marked sessions fed any online
// messages: check answers, acknowledgements and ends of pushed sessions shaped from the input (for
// the run's project or another, with any status and any stored or foreign GUID), or any code with
// any payload. The run must never crash, never move past its progress range, and leave every
// session sent, deleted or still active and marked.
#include "sync/sync_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/message_service.h"
#include "app/services.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"

namespace {

class CSilentMessageService : public CMessageService {
 public:
  int ShowMessage(const QString&, unsigned style) override { return NaturalAnswer(style); }
};

// Answers the run's questions from the input: Retry or Cancel, Yes or No.
class CFuzzView : public CSyncRun::CView {
 public:
  int Ask(const QString&, unsigned style) override {
    const bool first = (m_answers++ & 1) == 0;
    if ((style & 0xF) == CSyncRun::kRetryCancel) return first ? CSyncRun::kIdRetry : kIdCancel;
    return first ? kIdYes : kIdNo;
  }
  unsigned m_answers = 0;
};

const QString& Folder() {
  static QTemporaryDir dir;
  static const QString path = dir.path();
  return path;
}

void InstallQuietServices() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  auto services = std::make_unique<CServices>();
  services->SetMessageService(std::make_unique<CSilentMessageService>());
  CServices::Install(std::move(services));
}

// Reads the next byte, 0 once the input is used up.
uint8_t Next(const uint8_t* data, size_t size, size_t& at) { return at < size ? data[at++] : 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InstallQuietServices();
  CProject project;
  project.SetPath(Folder() + QStringLiteral("/Fuzz.ppc"));
  project.MutableHeader().uniqueNumber = 99;
  QFile::remove(CSessionDatabase::DatabasePath(project.Path()));
  CSessionDatabase database(project.Path());
  if (!database.Open()) return 0;
  std::vector<QUuid> guids;
  for (int i = 0; i < 3; ++i) {
    CSessionPtr session = CSession::Create(QStringLiteral("Unit"), true);
    session->AssignFlags(CSession::kFlagMarked);
    if (!database.SaveSession(*session)) std::abort();
    guids.push_back(session->Guid());
  }
  guids.push_back(QUuid::createUuid());  // never stored

  CConnection connection(CConnectionSettings(), CHandshake::Identity(), 0);
  CSyncRun run(connection, &project, &database, size > 0 && (data[0] & 1) != 0 ? 0 : 30, nullptr,
               false);
  CFuzzView view;
  run.SetView(&view);
  run.Start();
  run.OnOnline();
  size_t at = 1;
  while (at < size && !run.IsEnded()) {
    const uint8_t kind = Next(data, size, at);
    CNetMessage message;
    if (kind % 4 == 3) {
      message = CNetMessage(Next(data, size, at));
      const size_t length = std::min<size_t>(Next(data, size, at), size - at);
      message.WriteBytes(
          QByteArrayView(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(length)));
      at += length;
    } else {
      static const uint32_t codes[] = {SyncCode::kProjectCheckAnswer,
                                       SyncCode::kSessionAcknowledgement, SyncCode::kEndOfPushed};
      message = CNetMessage(codes[kind % 4]);
      const bool own = (kind & 0x10) == 0;
      message.WriteString(own ? project.FileName() : QStringLiteral("fuzz.ppc"));
      message.WriteU32(own ? 99 : 98);
      if (kind % 4 != 2) message.WriteU16(Next(data, size, at) % 8);
      message.WriteBytes(CSession::GuidBytes(guids[Next(data, size, at) % guids.size()]));
    }
    if (CSyncRun::IsRunCode(message.Code())) run.Dispatch(message);
    if (run.Position() > run.Total() + CSyncRun::kExtraSteps) std::abort();
  }
  run.Cancel();
  // Every session is sent, deleted (only without a purge period) or still active and marked: a
  // session whose acknowledgement never came gets back the mark that sending cleared.
  for (size_t i = 0; i < 3; ++i) {
    CSessionPtr session = database.LoadSession(guids[i], false);
    if (!session) {
      if (size == 0 || (data[0] & 1) == 0) std::abort();
    } else if (session->State() == CSession::kStateActive) {
      if ((session->Flags() & CSession::kFlagMarked) == 0) std::abort();
    } else if (session->State() != CSession::kStateSent) {
      std::abort();
    }
  }
  return 0;
}
