#include "editing/project_summary.h"

#include <QFile>

#include "sessions/session_database.h"
#include "values/archive.h"

namespace {

const QString kSignature = QStringLiteral("Auditmoor");
// The signature, version, number and a title: the title may be long, but the list needs no more.
constexpr qint64 kHeadBytes = 64 * 1024;

}  // namespace

std::optional<CProjectSummary> CProjectSummary::Read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray head = file.read(kHeadBytes);
  file.close();
  CProjectSummary summary;
  summary.path = path;
  try {
    CArchive ar(head);
    if (ar.ReadString() != kSignature) return std::nullopt;
    summary.version = ar.ReadInt32();
    summary.uniqueNumber = ar.ReadInt32();
    summary.title = ar.ReadString();
  } catch (const CArchiveError&) {
    return std::nullopt;
  }
  summary.activeSessions =
      CSessionDatabase::CountActiveSessions(CSessionDatabase::DatabasePath(path));
  return summary;
}
