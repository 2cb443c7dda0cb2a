// Fuzz target: any bytes read as a session's archive form. Reading must refuse what it cannot
// read without crashing and leave the session as it was; what it reads must write back and read
// again to the same session.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sessions/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  CSessionPtr session = CSession::Create(QString(), false);
  session->SetValueText(QStringLiteral("marker"), QStringLiteral("before"));
  if (!session->ReadArchive(bytes)) {
    // A refused archive changes nothing.
    if (!session->Guid().isNull() || session->Values().Count() != 1 ||
        session->GetValueText(QStringLiteral("marker")) != QStringLiteral("before")) {
      std::abort();
    }
    return 0;
  }
  if (session->Guid().isNull() || !session->IsNew() || session->Flags() != 0) std::abort();
  CSessionPtr again = CSession::Create(QString(), false);
  if (!again->ReadArchive(session->WriteArchive())) std::abort();
  if (again->Guid() != session->Guid() || again->UnitId() != session->UnitId() ||
      again->Created() != session->Created() || again->Saved() != session->Saved() ||
      !(again->Values() == session->Values())) {
    std::abort();
  }
  return 0;
}
