#include "support/session_operations.h"

#include <gtest/gtest.h>

#include "sessions/session_database.h"

namespace qlt::test {

CSessionPtr MakeSession(const QUuid& guid, SessionValues values) {
  CSessionPtr session = NewSession(values);
  session->SetGuid(guid);
  return session;
}

void StoreTwo(CSessionDatabase& db) {
  ASSERT_TRUE(db.SaveSession(*MakeSession(
      kFirstSession, {{"a", CVariant::FromString(u"one"_qs)}, {"b", CVariant::FromDouble(1.5)}})));
  CSessionPtr sent = MakeSession(kSecondSession, {{"a", CVariant::FromString(u"two"_qs)}});
  sent->SetState(CSession::kStateSent);
  ASSERT_TRUE(db.SaveSession(*sent));
}

std::vector<SessionOperation> SessionOperations() {
  return {
      {"first save rebuilds the table", [](CSessionDatabase&) {},
       [](CSessionDatabase& db) {
         return db.SaveSession(*MakeSession(kThirdSession, {{"x", CVariant::FromString(u"new"_qs)},
                                                            {"y", CVariant::FromInt32(4)}}));
       }},
      {"save adding columns", StoreTwo,
       [](CSessionDatabase& db) {
         return db.SaveSession(
             *MakeSession(kThirdSession, {{"a", CVariant::FromString(u"three"_qs)},
                                          {"c", CVariant::FromInt32(3)},
                                          {"d", CVariant::FromBytes("photo")}}));
       }},
      {"save replacing a row", StoreTwo,
       [](CSessionDatabase& db) {
         return db.SaveSession(*MakeSession(
             kFirstSession, {{"a", CVariant::FromString(u"changed"_qs)}, {"b", CVariant()}}));
       }},
      {"delete", StoreTwo, [](CSessionDatabase& db) { return db.DeleteSession(kFirstSession); }},
      {"state", StoreTwo,
       [](CSessionDatabase& db) {
         return db.SetSessionState(kFirstSession, CSession::kStateDeleted);
       }},
      {"flags", StoreTwo,
       [](CSessionDatabase& db) { return db.SetSessionFlags(kSecondSession, 2); }},
      {"purge", StoreTwo, [](CSessionDatabase& db) { return db.Purge(0); }},
      {"sort index", StoreTwo,
       [](CSessionDatabase& db) { return db.SetSort(0, u"a"_qs, true, false); }},
      {"transaction of two saves", StoreTwo,
       [](CSessionDatabase& db) {
         if (!db.BeginTransaction()) return false;
         const bool saved =
             db.SaveSession(*MakeSession(kThirdSession, {{"e", CVariant::FromString(u"3"_qs)}})) &&
             db.SaveSession(*MakeSession(kFirstSession, {{"a", CVariant::FromString(u"1b"_qs)}}));
         return db.EndTransaction(saved) && saved;
       }},
  };
}

}  // namespace qlt::test
