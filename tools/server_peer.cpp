#include "server_peer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <algorithm>
#include <cstdio>

#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"

namespace {

// Codes the connection itself uses: pings, and the unit's answer to a new unit ID.
enum : uint32_t { kPing = 0, kPingAnswer = 1 };
// A telegram from a unit, and the same relayed to the others.
enum : uint32_t { kTelegramFromUnit = 41, kTelegramToUnit = 42 };

QString GuidOf(const QByteArray& bytes) {
  return CSession::GuidText(CSession::GuidFromBytes(bytes.constData(), bytes.size()));
}

}  // namespace

// ---- CServerData

CServerData::~CServerData() = default;

bool CServerData::IsSafeName(const QString& name) {
  if (name.isEmpty() || name == u"."_qs) return false;
  if (name.contains(u'/') || name.contains(u'\\') || name.contains(u"..")) return false;
  return std::none_of(name.cbegin(), name.cend(),
                      [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

CServerData::Project CServerData::FindProject(const QString& name) {
  const QFileInfo info(QDir(m_folder).filePath(name));
  if (!IsSafeName(name) || !info.isFile()) return Project();
  Cached& cached = m_projects[name];
  const qint64 modified = info.lastModified().toMSecsSinceEpoch();
  if (cached.size == info.size() && cached.modified == modified) return cached.project;
  cached.size = info.size();
  cached.modified = modified;
  CProject project;
  if (project.Load(info.filePath())) {
    cached.project = {Project::kFound, project.GetHeader().uniqueNumber,
                      project.GetHeader().revision};
  } else {
    cached.project = {Project::kUnreadable, 0, 0};
  }
  return cached.project;
}

CSessionDatabase* CServerData::Database(const QString& name) {
  auto found = m_databases.find(name);
  if (found != m_databases.end()) return found->second.get();
  auto database = std::make_unique<CSessionDatabase>(QDir(m_folder).filePath(name));
  if (!database->Open()) return nullptr;
  return m_databases.emplace(name, std::move(database)).first->second.get();
}

void CServerData::Log(const QString& line) {
  std::fprintf(stdout, "%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

void CServerData::Join(CServerPeer* peer) {
  if (!m_online.contains(peer)) m_online.append(peer);
}

void CServerData::Leave(CServerPeer* peer) { m_online.removeAll(peer); }

// ---- CServerPeer

CServerPeer::CServerPeer(CServerData& data, const CServerLink::Options& options, QTcpSocket* socket,
                         int number, QObject* parent)
    : QObject(parent), m_data(data), m_socket(socket), m_number(number) {
  socket->setParent(this);
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  m_link = std::make_unique<CServerLink>(
      options,
      [this](const QByteArray& bytes) {
        if (m_socket) m_socket->write(bytes);
      },
      static_cast<CServerLink::CListener*>(this));
  Log(QStringLiteral("connected from %1").arg(socket->peerAddress().toString()));
  connect(socket, &QTcpSocket::readyRead, this, [this] {
    if (!m_socket) return;
    const QByteArray bytes = m_socket->readAll();
    if (!m_link->Feed(bytes.constData(), static_cast<size_t>(bytes.size()))) {
      Log(QStringLiteral("closed: the unit sent a damaged frame"));
      m_socket->abort();
    }
  });
  connect(socket, &QTcpSocket::disconnected, this, [this] {
    Log(QStringLiteral("disconnected"));
    m_data.Leave(this);
    deleteLater();
  });
}

CServerPeer::~CServerPeer() { m_data.Leave(this); }

void CServerPeer::Log(const QString& text) const {
  CServerData::Log(QStringLiteral("#%1 %2").arg(m_number).arg(text));
}

void CServerPeer::Send(const CNetMessage& message) { m_link->SendSession(message); }

void CServerPeer::OnRefused(uint16_t code) {
  Log(QStringLiteral("refused unit %1 (handshake result %2)").arg(m_link->UnitId()).arg(code));
  if (m_socket) m_socket->disconnectFromHost();
}

void CServerPeer::OnOnline() {
  Log(QStringLiteral("unit %1 online (variant %2, %3)")
          .arg(m_link->UnitId())
          .arg(m_link->GetOptions().secondVariant ? 2 : 1)
          .arg(m_link->IsEncrypted() ? u"encrypted"_qs : u"not encrypted"_qs));
  m_data.Join(this);
  if (m_data.AskInventory()) {
    CNetMessage request(SyncCode::kProjectInventoryRequest);
    request.WriteU8(1);  // with session counts
    Send(request);
    Log(QStringLiteral("asked for the project inventory"));
  }
}

void CServerPeer::OnMessage(CNetMessage& message) {
  switch (message.Code()) {
    case kPing:
    case kPingAnswer:
      return;
    case SyncCode::kProjectCheck:
      OnProjectCheck(message);
      return;
    case SyncCode::kProjectUpdateRequest:
      OnUpdateRequest(message);
      return;
    case SyncCode::kSession:
      OnSession(message);
      return;
    case SyncCode::kRequestPushed:
      OnPushRequest(message);
      return;
    case SyncCode::kPushedSessionReceipt:
      OnPushReceipt(message);
      return;
    case SyncCode::kProjectInventory:
      OnInventory(message);
      return;
    case kTelegramFromUnit:
      OnTelegram(message);
      return;
    case SyncCode::kProjectFileReceipt: {
      QString name;
      uint32_t unique = 0;
      uint16_t result = 0;
      message.ReadString(name);
      message.ReadU32(unique);
      message.ReadU16(result);
      Log(QStringLiteral("project file %1 receipt: result %2").arg(name).arg(result));
      return;
    }
    default:
      Log(QStringLiteral("ignored message %1").arg(message.Code()));
  }
}

uint16_t CServerPeer::StatusOf(const QString& name, int32_t unique, CServerData::Project& project) {
  project = m_data.FindProject(name);
  switch (project.status) {
    case CServerData::Project::kMissing:
      return SyncCode::kProjectNotOpen;
    case CServerData::Project::kUnreadable:
      return SyncCode::kProjectUnavailable;
    case CServerData::Project::kFound:
      break;
  }
  // Another unique number under the same name is another project: the unit's sessions were not
  // made with the form the server holds.
  return project.unique == unique ? SyncCode::kAccepted : SyncCode::kProjectUnavailable;
}

void CServerPeer::OnProjectCheck(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  uint32_t revision = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  message.ReadU32(revision);
  if (message.Failed()) {
    Log(QStringLiteral("ignored a malformed project check"));
    return;
  }
  CServerData::Project project;
  uint16_t status = StatusOf(name, static_cast<int32_t>(unique), project);
  if (status == SyncCode::kAccepted && project.revision > static_cast<int32_t>(revision)) {
    status = SyncCode::kAcceptedUpdateAvailable;
  }
  CNetMessage answer(SyncCode::kProjectCheckAnswer);
  answer.WriteString(name);
  answer.WriteU32(unique);
  answer.WriteU16(status);
  Send(answer);
  Log(QStringLiteral("project check %1 (revision %2): status %3")
          .arg(name)
          .arg(revision)
          .arg(status));
}

void CServerPeer::OnUpdateRequest(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed()) {
    Log(QStringLiteral("ignored a malformed project update request"));
    return;
  }
  const CServerData::Project project = m_data.FindProject(name);
  QByteArray bytes;
  uint16_t status = project.status == CServerData::Project::kMissing
                        ? SyncCode::kProjectNotOpen
                        : SyncCode::kProjectUnavailable;
  if (project.status == CServerData::Project::kFound) {
    QFile file(QDir(m_data.Folder()).filePath(name));
    if (file.open(QIODevice::ReadOnly)) {
      bytes = file.readAll();
      status = file.error() == QFileDevice::NoError ? SyncCode::kAccepted
                                                    : SyncCode::kProjectUnavailable;
    }
  }
  // The file goes out under the server's own unique number: it is the project the unit gets.
  CNetMessage answer(SyncCode::kProjectFile);
  answer.WriteString(name);
  answer.WriteU32(status == SyncCode::kAccepted ? static_cast<uint32_t>(project.unique) : unique);
  answer.WriteU16(status);
  if (status == SyncCode::kAccepted) answer.WriteBytes(bytes);
  Send(answer);
  Log(QStringLiteral("project update %1: status %2, %3 bytes")
          .arg(name)
          .arg(status)
          .arg(bytes.size()));
}

void CServerPeer::OnSession(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed()) {
    Log(QStringLiteral("ignored a malformed session"));
    return;
  }
  CServerData::Project project;
  uint16_t status = StatusOf(name, static_cast<int32_t>(unique), project);
  CSessionPtr session = CSession::Create(QString(), false);
  QString problem;
  if (status == SyncCode::kAccepted && !session->ReadArchive(message.ReadRest())) {
    status = SyncCode::kProjectUnavailable;
    problem = QStringLiteral(" (the session could not be read)");
  }
  if (status == SyncCode::kAccepted) {
    CSessionDatabase* database = m_data.Database(name);
    // A session sent again (its acknowledgement was lost) replaces its row: never a second copy.
    if (database == nullptr || !database->SaveSession(*session)) {
      status = SyncCode::kProjectLocked;
      problem = QStringLiteral(" (the session database could not be written)");
    }
  }
  CNetMessage answer(SyncCode::kSessionAcknowledgement);
  answer.WriteString(name);
  answer.WriteU32(unique);
  answer.WriteU16(status);
  if (status == SyncCode::kAccepted) answer.WriteBytes(CSession::GuidBytes(session->Guid()));
  Send(answer);
  if (status == SyncCode::kAccepted) {
    Log(QStringLiteral("session %1 for %2 stored").arg(session->GuidText(), name));
  } else {
    Log(QStringLiteral("session for %1 refused: status %2%3").arg(name).arg(status).arg(problem));
  }
}

int CServerPeer::Push(const QString& name, int32_t unique) {
  const QString pushPath = QDir(m_data.Folder()).filePath(QLatin1String(kPushFolder) + u'/' + name);
  if (!QFileInfo::exists(CSessionDatabase::DatabasePath(pushPath))) return 0;
  CSessionDatabase database(pushPath);
  if (!database.Open()) return 0;
  database.SetShownState(CSession::kStateActive);
  if (!database.Refresh()) return 0;
  int pushed = 0;
  for (int i = 0; i < database.ListCount(); ++i) {
    const CSessionPtr session = database.ListSessionAt(i, false);
    if (!session) continue;
    CNetMessage message(SyncCode::kPushedSession);
    message.WriteString(name);
    message.WriteU32(static_cast<uint32_t>(unique));
    message.WriteBytes(session->WriteArchive());
    Send(message);
    Log(QStringLiteral("pushed session %1 of %2").arg(session->GuidText(), name));
    ++pushed;
  }
  return pushed;
}

void CServerPeer::OnPushRequest(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed()) {
    Log(QStringLiteral("ignored a malformed push request"));
    return;
  }
  if (name.isEmpty()) {
    // Every project of the data folder that has sessions waiting in the push folder.
    const QDir push(QDir(m_data.Folder()).filePath(QLatin1String(kPushFolder)));
    const QStringList files = push.entryList({u"*.ppd"_qs}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
      const QString project = file.chopped(4) + u".ppc"_qs;
      const CServerData::Project found = m_data.FindProject(project);
      if (found.status == CServerData::Project::kFound) Push(project, found.unique);
    }
  } else {
    CServerData::Project project;
    if (StatusOf(name, static_cast<int32_t>(unique), project) == SyncCode::kAccepted) {
      Push(name, project.unique);
    }
  }
  CNetMessage end(SyncCode::kEndOfPushed);
  end.WriteString(name);
  end.WriteU32(unique);
  Send(end);
  Log(QStringLiteral("end of pushed sessions%1")
          .arg(name.isEmpty() ? QString() : u" for "_qs + name));
}

void CServerPeer::OnPushReceipt(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  uint16_t result = 0;
  QByteArray guid;
  message.ReadString(name);
  message.ReadU32(unique);
  message.ReadU16(result);
  if (message.Failed()) {
    Log(QStringLiteral("ignored a malformed pushed session receipt"));
    return;
  }
  if (result != SyncCode::kResultOk || !message.ReadBytes(16, guid) ||
      !CServerData::IsSafeName(name)) {
    Log(QStringLiteral("pushed session of %1 not stored by the unit: result %2")
            .arg(name)
            .arg(result));
    return;
  }
  // Delivered once: the session is re-stated as sent, so no later push repeats it.
  const QString pushPath = QDir(m_data.Folder()).filePath(QLatin1String(kPushFolder) + u'/' + name);
  CSessionDatabase database(pushPath);
  const bool marked =
      QFileInfo::exists(CSessionDatabase::DatabasePath(pushPath)) && database.Open() &&
      database.SetSessionState(CSession::GuidFromBytes(guid.constData(), 16), CSession::kStateSent);
  Log(QStringLiteral("pushed session %1 of %2 stored by the unit%3")
          .arg(GuidOf(guid), name, marked ? u""_qs : u" (not found in the push folder)"_qs));
}

void CServerPeer::OnInventory(CNetMessage& message) {
  uint32_t count = 0;
  message.ReadU32(count);
  bool counts = false;
  if (count == SyncCode::kInventoryCountsMarker && message.Remaining() >= 5) {
    uint8_t one = 0;
    message.ReadU8(one);
    counts = one == 1;
    message.ReadU32(count);
  }
  QStringList entries;
  for (uint32_t i = 0; i < count && !message.Failed(); ++i) {
    QString name;
    uint32_t unique = 0;
    uint32_t active = 0;
    message.ReadString(name);
    message.ReadU32(unique);
    if (counts) message.ReadU32(active);
    entries.append(
        counts ? QStringLiteral("%1 (unique %2, %3 active)").arg(name).arg(unique).arg(active)
               : QStringLiteral("%1 (unique %2)").arg(name).arg(unique));
  }
  uint8_t end = 0;
  message.ReadU8(end);
  if (message.Failed() || end != SyncCode::kInventoryEnd) {
    Log(QStringLiteral("ignored a malformed project inventory"));
    return;
  }
  Log(QStringLiteral("inventory of unit %1: %2 project(s)%3")
          .arg(m_link->UnitId())
          .arg(count)
          .arg(entries.isEmpty() ? QString() : u": "_qs + entries.join(u", "_qs)));
}

void CServerPeer::OnTelegram(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  if (!message.ReadString(name) || !message.ReadU32(unique)) {
    Log(QStringLiteral("telegram dropped: the message is damaged"));
    return;
  }
  if (!CServerData::IsSafeName(name) ||
      m_data.FindProject(name).status != CServerData::Project::kFound) {
    Log(QStringLiteral("telegram for %1 dropped: no such project").arg(name));
    return;
  }
  // The payload goes on unchanged: the receiving units read the telegram themselves.
  const CNetMessage relayed(kTelegramToUnit, message.Payload());
  int count = 0;
  for (CServerPeer* peer : m_data.OnlinePeers()) {
    if (peer == this) continue;
    peer->Send(relayed);
    ++count;
  }
  Log(QStringLiteral("telegram for %1 from unit %2 relayed to %3 unit(s)")
          .arg(name, m_link->UnitId())
          .arg(count));
}
