// The operations the fault and power-loss families of the session database run, each with the
// database it starts from: saves (the first one, one adding columns, one replacing a row),
// deletion, state and flag changes, the purge, a sort index and a transaction of two saves. Test
// code only; the thread that opens the databases.
#pragma once

#include <QUuid>
#include <functional>
#include <vector>

#include "sessions/session.h"
#include "support/session_files.h"

class CSessionDatabase;

namespace qlt::test {

inline const QUuid kFirstSession(0x11111111, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
inline const QUuid kSecondSession(0x22222222, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2);
inline const QUuid kThirdSession(0x33333333, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3);

struct SessionOperation {
  const char* name;
  // Prepares the database the operation starts from (runs without faults).
  std::function<void(CSessionDatabase&)> setUp;
  // The operation under test; its result is what the caller would see.
  std::function<bool(CSessionDatabase&)> run;
};

// A new session with the given identity holding the values.
CSessionPtr MakeSession(const QUuid& guid, SessionValues values);
// Stores an active session with a text and a real value, and a sent one with a text.
void StoreTwo(CSessionDatabase& db);

std::vector<SessionOperation> SessionOperations();

}  // namespace qlt::test
