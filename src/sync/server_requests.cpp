#include "sync/server_requests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "project/project.h"
#include "project/safe_save.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"
#include "sync/sync_host.h"
#include "values/archive.h"

namespace {

const QString kMagic = QStringLiteral("Auditmoor");

}  // namespace

CServerRequests::CServerRequests(CSyncHost& host, Sender send)
    : m_host(host), m_send(std::move(send)) {}

bool CServerRequests::IsSafeName(const QString& name) {
  return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
         !name.contains(QLatin1String("..")) && !name.contains(QChar(0));
}

bool CServerRequests::ReadProjectHeader(const QString& path, int32_t& version, uint32_t& unique) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  try {
    CArchive ar(file.read(kHeaderBytes));
    if (ar.ReadString() != kMagic) return false;
    version = ar.ReadInt32();
    unique = ar.ReadUInt32();
  } catch (const CArchiveError&) {
    return false;
  }
  return true;
}

bool CServerRequests::Handle(CNetMessage& message) {
  message.Rewind();
  switch (message.Code()) {
    case SyncCode::kNewUnitId:
      return OnNewUnitId(message);
    case SyncCode::kProjectFile:
      return OnProjectFile(message);
    case SyncCode::kPushedSession:
      return OnPushedSession(message);
    case SyncCode::kProjectInventoryRequest:
      return OnInventory(message);
    case SyncCode::kRemoveProject:
      return OnRemove(message);
    case SyncCode::kFetchProjectFile:
      return OnFetch(message);
    default:
      return true;
  }
}

QString CServerRequests::PathOf(const QString& name) const {
  return QDir(m_host.DataFolder()).filePath(name);
}

bool CServerRequests::IsOpenProject(const QString& name) const {
  const QString open = m_host.OpenProjectName();
  return !open.isEmpty() && open.compare(name, Qt::CaseInsensitive) == 0;
}

bool CServerRequests::Receipt(const QString& name, uint32_t unique, uint16_t result) {
  CNetMessage answer(SyncCode::kProjectFileReceipt);
  answer.WriteString(name);
  answer.WriteU32(unique);
  answer.WriteU16(result);
  return m_send(answer);
}

bool CServerRequests::MatchesProject(const QString& name, uint32_t unique) const {
  int32_t version = 0;
  uint32_t fileUnique = 0;
  return ReadProjectHeader(PathOf(name), version, fileUnique) && fileUnique == unique;
}

// ---- new unit ID

bool CServerRequests::OnNewUnitId(CNetMessage& message) {
  QString unitId;
  if (!message.ReadString(unitId)) return false;
  m_host.StoreUnitId(unitId);
  CNetMessage answer(SyncCode::kUnitIdAcknowledgement);
  answer.WriteString(unitId);
  return m_send(answer);
}

// ---- project file

bool CServerRequests::OnProjectFile(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  uint16_t status = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  message.ReadU16(status);
  if (message.Failed()) return false;
  // A name that could leave the data folder is ignored like a file the server did not send.
  if (status != SyncCode::kAccepted || !IsSafeName(name)) return true;
  if (IsOpenProject(name) && m_host.IsEditingSession()) {
    return Receipt(name, unique, SyncCode::kResultRefused);
  }
  if (m_hooks.forgetProject) m_hooks.forgetProject(name);
  const uint16_t result = Install(name, message.ReadRest());
  if (!Receipt(name, unique, result)) return false;
  if (result == SyncCode::kResultOk && m_hooks.projectInstalled) {
    m_hooks.projectInstalled(name, unique);
  }
  return true;
}

uint16_t CServerRequests::Install(const QString& name, const QByteArray& bytes) {
  const QString path = PathOf(name);
  // The new file is loaded from memory before it goes anywhere: a damaged, foreign or too new
  // file is refused while the installed one is still untouched.
  {
    CProject check;
    if (!check.LoadFromBytes(bytes, path)) return SyncCode::kResultRefused;
  }
  QString errorText;
  if (!CSafeSave::Write(path, bytes, errorText)) return SyncCode::kResultRefused;

  const QString openName = m_host.OpenProjectName();
  if (IsOpenProject(name)) {
    m_host.CloseProject();
    if (!m_host.OpenProject(openName)) return SyncCode::kResultRefused;
  } else {
    m_host.RefreshProjectList();
  }
  m_host.PlaySound(kSoundProjectInstalled);
  return SyncCode::kResultOk;
}

// ---- pushed session

bool CServerRequests::OnPushedSession(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed()) return false;
  QUuid guid;
  const uint16_t result = StorePushed(name, message.ReadRest(), guid);
  CNetMessage answer(SyncCode::kPushedSessionReceipt);
  answer.WriteString(name);
  answer.WriteU32(unique);
  answer.WriteU16(result);
  if (result == SyncCode::kResultOk) answer.WriteBytes(CSession::GuidBytes(guid));
  return m_send(answer);
}

uint16_t CServerRequests::StorePushed(const QString& name, const QByteArray& archive, QUuid& guid) {
  if (!IsSafeName(name)) return SyncCode::kResultNotFound;
  const QString path = PathOf(name);
  if (!QFileInfo(path).isFile()) return SyncCode::kResultNotFound;
  CProject project;
  if (!project.Load(path)) return SyncCode::kResultNotFound;
  CSessionDatabase database(path);
  if (!database.Open()) return SyncCode::kResultRefused;
  CSessionPtr session = CSession::Create(CProject::UnitId(), true);
  if (!session->ReadArchive(archive)) return SyncCode::kResultRefused;
  // Received from the server: never queued for sending back.
  session->AssignFlags(CSession::kFlagReceived);
  if (!database.SaveSession(*session)) return SyncCode::kResultRefused;
  database.Close();
  guid = session->Guid();
  if (IsOpenProject(name)) m_host.RefreshProjectView();
  if (project.GetHeader().arrivalSound != 0) m_host.PlaySound(kSoundSessionPushed);
  return SyncCode::kResultOk;
}

// ---- inventory

bool CServerRequests::OnInventory(CNetMessage& message) {
  uint8_t flags = 0;
  if (message.Remaining() > 0 && !message.ReadU8(flags)) return false;
  const bool withCounts = (flags & 1) != 0;

  struct Entry {
    QString name;
    uint32_t unique;
    int active;
  };
  QList<Entry> entries;
  const QDir folder(m_host.DataFolder());
  const QStringList names =
      folder.entryList({QStringLiteral("*.ppc")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : names) {
    int32_t version = 0;
    uint32_t unique = 0;
    const QString path = folder.filePath(name);
    if (!ReadProjectHeader(path, version, unique)) continue;
    const int active =
        withCounts ? CSessionDatabase::CountActiveSessions(CSessionDatabase::DatabasePath(path))
                   : 0;
    entries.append({name, unique, active});
  }

  CNetMessage answer(SyncCode::kProjectInventory);
  if (withCounts) {
    answer.WriteU32(SyncCode::kInventoryCountsMarker);
    answer.WriteU8(1);
  }
  answer.WriteU32(static_cast<uint32_t>(entries.size()));
  for (const Entry& entry : entries) {
    answer.WriteString(entry.name);
    answer.WriteU32(entry.unique);
    if (withCounts) answer.WriteU32(static_cast<uint32_t>(entry.active));
  }
  answer.WriteU8(SyncCode::kInventoryEnd);
  return m_send(answer);
}

// ---- remove and fetch

bool CServerRequests::OnRemove(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed() || !IsSafeName(name)) return false;

  uint32_t result = SyncCode::kResultNotFound;
  if (MatchesProject(name, unique)) {
    if (IsOpenProject(name) && m_host.IsEditingSession()) {
      result = SyncCode::kResultRefused;
    } else {
      if (IsOpenProject(name)) m_host.CloseProject();
      // The file named is the one removed, with the database beside it; a name that does not end
      // in ".ppc" never lets the cut reach into the folder's own name.
      const QString path = PathOf(name);
      const QString database = CSessionDatabase::DatabasePath(path);
      const bool removed = QFile::remove(path);
      if (removed && QFileInfo::exists(database)) QFile::remove(database);
      result = removed ? SyncCode::kResultOk : SyncCode::kResultRefused;
      m_host.RefreshProjectList();
    }
  }
  CNetMessage answer(SyncCode::kProjectRemovalResult);
  answer.WriteString(name);
  answer.WriteU32(result);
  return m_send(answer);
}

bool CServerRequests::OnFetch(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed() || !IsSafeName(name)) return false;

  QByteArray bytes;
  bool found = false;
  if (MatchesProject(name, unique)) {
    QFile file(PathOf(name));
    if (file.open(QIODevice::ReadOnly)) {
      found = true;
      while (!file.atEnd()) {
        const QByteArray piece = file.read(kUploadPiece);
        if (piece.isEmpty()) {
          found = false;
          break;
        }
        bytes.append(piece);
      }
    }
  }
  CNetMessage answer(SyncCode::kProjectFileUpload);
  answer.WriteString(name);
  answer.WriteU32(unique);
  answer.WriteU16(found ? SyncCode::kResultOk : SyncCode::kResultNotFound);
  if (found) answer.WriteBytes(bytes);
  return m_send(answer);
}
