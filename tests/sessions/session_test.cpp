// The session record: construction, clone, values, identity helpers, times and the archive form.
#include "sessions/session.h"

#include <gtest/gtest.h>

#include "support/scoped_services.h"
#include "support/session_files.h"
#include "values/archive.h"

namespace {

using qlt::test::CScopedServices;

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// A SYSTEMTIME written as 16 raw bytes.
void WriteTime(CArchive& ar, uint16_t year, uint16_t month, uint16_t day, uint16_t hour) {
  for (uint16_t field :
       {year, month, uint16_t(0), day, hour, uint16_t(30), uint16_t(15), uint16_t(250)}) {
    ar.WriteWord(field);
  }
}

TEST(SessionTest, FreshSessionHasIdentityAndNothingElse) {
  CScopedServices services;
  const CSessionPtr session = CSession::Create(u"Van 9"_qs, true);
  EXPECT_FALSE(session->Guid().isNull());
  EXPECT_TRUE(session->IsNew());
  EXPECT_EQ(session->State(), 0u);
  EXPECT_EQ(session->StateTime(), 0);
  EXPECT_EQ(session->Flags(), 0u);
  EXPECT_TRUE(session->Saved().IsZero());
  EXPECT_EQ(session->Created().ToDateTime(), services.Now());
  EXPECT_EQ(session->Values().Count(), 0);
  EXPECT_EQ(session->UnitId(), u"Van 9"_qs);
  EXPECT_NE(CSession::Create(QString(), true)->Guid(), session->Guid());

  const CSessionPtr blank = CSession::Create(QString(), false);
  EXPECT_TRUE(blank->Guid().isNull());
  EXPECT_TRUE(blank->Created().IsZero());
  EXPECT_TRUE(blank->IsNew());
}

TEST(SessionTest, CloneCopiesTimesUnitAndValuesButNotIdentityFlagsOrState) {
  CScopedServices services;
  CSessionPtr source = CSession::Create(QString(), true);
  source->SetNew(false);
  source->SetUnitId(u"Van 3"_qs);
  source->SetSaved(CSystemTime::FromDateTime(QDateTime(QDate(2021, 2, 3), QTime(4, 5, 6))));
  source->AssignFlags(3);
  source->SetState(1);
  source->SetStateTime(99);
  source->SetValue(u"Colour"_qs, CVariant::FromString(u"red"_qs));
  source->SetValue(u"n"_qs, CVariant::FromDouble(2.5));

  const CSessionPtr copy = source->Clone();
  EXPECT_NE(copy->Guid(), source->Guid());
  EXPECT_FALSE(copy->Guid().isNull());
  EXPECT_TRUE(copy->IsNew());
  EXPECT_EQ(copy->UnitId(), u"Van 3"_qs);
  EXPECT_EQ(copy->Created(), source->Created());
  EXPECT_EQ(copy->Saved(), source->Saved());
  EXPECT_TRUE(copy->Values() == source->Values());
  EXPECT_EQ(copy->Flags(), 0u);
  EXPECT_EQ(copy->State(), 0u);
  EXPECT_EQ(copy->StateTime(), 0);
}

TEST(SessionTest, GetValueFallsBackToTheDefault) {
  CScopedServices services;
  CSessionPtr session = CSession::Create(QString(), true);
  session->SetValue(u"Empty"_qs, CVariant());
  session->SetValueText(u"Name"_qs, u"Ann"_qs);

  CVariant value;
  EXPECT_FALSE(session->GetValue(u"empty"_qs, value, u"fallback"_qs));
  EXPECT_TRUE(value == CVariant::FromString(u"fallback"_qs));
  EXPECT_FALSE(session->GetValue(u"missing"_qs, value, QString()));
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_TRUE(session->GetValue(u"NAME"_qs, value, u"fallback"_qs));
  EXPECT_TRUE(value == CVariant::FromString(u"Ann"_qs));
  EXPECT_FALSE(session->GetValue(u"missing"_qs, value, CVariant::FromInt32(4)));
  EXPECT_TRUE(value == CVariant::FromInt32(4));
  EXPECT_EQ(session->GetValueText(u"name"_qs), u"Ann"_qs);
  EXPECT_EQ(session->GetValueText(u"missing"_qs), QString());

  CVariantMap map;
  EXPECT_FALSE(session->CopyValues(map));
  EXPECT_EQ(session->Values().Count(), 0);
  map.SetText(u"A"_qs, u"1"_qs);
  EXPECT_TRUE(session->CopyValues(map));
  EXPECT_EQ(session->GetValueText(u"a"_qs), u"1"_qs);
}

TEST(SessionTest, GuidTextAndBytesFollowTheGuidStructure) {
  const QUuid guid(0x00112233, 0x4455, 0x6677, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF);
  EXPECT_EQ(CSession::GuidText(guid), u"00112233-4455-6677-8899-AABBCCDDEEFF"_qs);
  EXPECT_EQ(CSession::GuidBytes(guid), Hex("33221100554477668899aabbccddeeff"));
  const QByteArray bytes = CSession::GuidBytes(guid);
  EXPECT_EQ(CSession::GuidFromBytes(bytes.constData(), bytes.size()), guid);
  EXPECT_TRUE(CSession::GuidFromBytes(bytes.constData(), 15).isNull());
  EXPECT_EQ(CSession::GuidFromText(u"{00112233-4455-6677-8899-aabbccddeeff}"_qs), guid);
  EXPECT_EQ(CSession::GuidFromText(u"00112233-4455-6677-8899-AABBCCDDEEFF"_qs), guid);
  EXPECT_TRUE(CSession::GuidFromText(u"not a guid"_qs).isNull());
  EXPECT_EQ(CSession::GuidText(QUuid()), u"00000000-0000-0000-0000-000000000000"_qs);
}

TEST(SystemTimeTest, FileTimeCountsWallClockTicksSince1601) {
  const CSystemTime epoch = CSystemTime::FromDateTime(QDateTime(QDate(1970, 1, 1), QTime(0, 0)));
  EXPECT_EQ(epoch.ToFileTime(), 116444736000000000LL);
  EXPECT_EQ(epoch.dayOfWeek, 4);  // a Thursday
  const CSystemTime time =
      CSystemTime::FromDateTime(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 999)));
  EXPECT_EQ(CSystemTime::FromFileTime(time.ToFileTime()), time);
  EXPECT_EQ(CSystemTime::FromFileTime(0).year, 1601);
  EXPECT_TRUE(CSystemTime::FromFileTime(-1).IsZero());
  int64_t fileTime = 5;
  EXPECT_FALSE(CSystemTime().ToFileTime(fileTime));
  EXPECT_EQ(fileTime, 0);
  CSystemTime bad = time;
  bad.month = 13;
  EXPECT_FALSE(bad.ToFileTime(fileTime));
}

TEST(SessionArchiveTest, WritesVersionFourInItsLayout) {
  CScopedServices services;
  CSessionPtr session = CSession::Create(QString(), false);
  session->SetGuid(
      QUuid(0x00112233, 0x4455, 0x6677, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF));
  session->SetUnitId(u"U"_qs);
  session->SetCreated(CSystemTime::FromDateTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 6))));
  session->SetValueText(u"A"_qs, u"b"_qs);
  const QByteArray bytes = session->WriteArchive();

  CArchive expected;
  expected.WriteInt32(4);
  expected.WriteBytes(Hex("33221100554477668899aabbccddeeff"));
  expected.WriteInt32(0);
  expected.WriteString(u"U"_qs);
  for (uint16_t field : {2020, 1, 4, 2, 3, 4, 5, 6}) expected.WriteWord(field);
  expected.WriteBytes(QByteArray(16, '\0'));
  CVariantMap values;
  values.SetText(u"a"_qs, u"b"_qs);
  values.Serialize(expected, false);
  EXPECT_EQ(bytes, expected.Buffer());
}

TEST(SessionArchiveTest, RoundTripKeepsTheFieldsAndResetsTheRest) {
  CScopedServices services;
  CSessionPtr session = CSession::Create(QString(), true);
  session->SetNew(false);
  session->SetUnitId(u"Unit ü"_qs);
  session->SetSaved(CSystemTime::FromDateTime(QDateTime(QDate(2022, 7, 8), QTime(9, 10, 11))));
  session->AssignFlags(3);
  session->SetState(2);
  session->SetStateTime(1234);
  session->SetValue(u"n"_qs, CVariant::FromDouble(1.5));
  session->SetValue(u"t"_qs, CVariant::FromString(u"text"_qs));
  session->SetValue(u"b"_qs, CVariant::FromBytes(QByteArray("\x01\x02", 2)));

  CSessionPtr read = CSession::Create(QString(), false);
  read->AssignFlags(7);
  read->SetState(1);
  read->SetStateTime(5);
  read->SetNew(false);
  ASSERT_TRUE(read->ReadArchive(session->WriteArchive()));
  EXPECT_EQ(read->Guid(), session->Guid());
  EXPECT_EQ(read->UnitId(), session->UnitId());
  EXPECT_EQ(read->Created(), session->Created());
  EXPECT_EQ(read->Saved(), session->Saved());
  EXPECT_TRUE(read->Values() == session->Values());
  EXPECT_EQ(read->Flags(), 0u);
  EXPECT_EQ(read->State(), 0u);
  EXPECT_EQ(read->StateTime(), 0);
  EXPECT_TRUE(read->IsNew());
}

TEST(SessionArchiveTest, ReadsEveryOlderVersion) {
  CScopedServices services;
  const QByteArray guid = Hex("33221100554477668899aabbccddeeff");
  for (int version = 1; version <= 5; ++version) {
    CArchive ar;
    ar.WriteInt32(version);
    if (version >= 2) ar.WriteBytes(guid);
    if (version == 4) ar.WriteInt32(12345);
    if (version >= 3) ar.WriteString(u"Unit9"_qs);
    WriteTime(ar, 2019, 12, 31, 22);
    WriteTime(ar, 2020, 1, 1, 1);
    if (version <= 3) {
      ar.WriteCount(2);
      ar.WriteString(u"Colour"_qs);
      ar.WriteString(u"red"_qs);
      ar.WriteString(u"Count"_qs);
      ar.WriteString(u"12"_qs);
    } else {
      CVariantMap values;
      values.SetVariant(u"Count"_qs, CVariant::FromInt32(12));
      values.Serialize(ar, false);
    }
    CSessionPtr session = CSession::Create(QString(), false);
    session->SetUnitId(u"current"_qs);
    ASSERT_TRUE(session->ReadArchive(ar.Buffer())) << version;
    if (version == 1) {
      EXPECT_FALSE(session->Guid().isNull());  // a new one
      EXPECT_NE(CSession::GuidBytes(session->Guid()), guid);
    } else {
      EXPECT_EQ(CSession::GuidBytes(session->Guid()), guid) << version;
    }
    EXPECT_EQ(session->UnitId(), version >= 3 ? u"Unit9"_qs : u"current"_qs) << version;
    EXPECT_EQ(session->Created().year, 2019);
    EXPECT_EQ(session->Created().milliseconds, 250);
    EXPECT_EQ(session->Saved().year, 2020);
    if (version <= 3) {
      // The old form holds texts only.
      EXPECT_TRUE(*session->Values().Find(u"colour"_qs) == CVariant::FromString(u"red"_qs));
      EXPECT_TRUE(*session->Values().Find(u"count"_qs) == CVariant::FromString(u"12"_qs));
    } else {
      EXPECT_TRUE(*session->Values().Find(u"count"_qs) == CVariant::FromInt32(12));
    }
  }
}

TEST(SessionArchiveTest, ZeroGuidIsReplaced) {
  CScopedServices services;
  CSessionPtr session = CSession::Create(QString(), false);
  session->SetCreated(CSystemTime::Now());
  const QByteArray bytes = session->WriteArchive();
  CSessionPtr read = CSession::Create(QString(), false);
  ASSERT_TRUE(read->ReadArchive(bytes));
  EXPECT_FALSE(read->Guid().isNull());
}

TEST(SessionArchiveTest, BadVersionsAndShortInputAreRefusedAndChangeNothing) {
  CScopedServices services;
  CSessionPtr source = CSession::Create(QString(), true);
  source->SetValueText(u"a"_qs, u"b"_qs);
  const QByteArray good = source->WriteArchive();

  CSessionPtr target = CSession::Create(QString(), true);
  target->SetValueText(u"keep"_qs, u"me"_qs);
  const QUuid guid = target->Guid();
  for (int32_t version : {0, 6, -1, 0x7FFFFFFF}) {
    CArchive ar;
    ar.WriteInt32(version);
    ar.WriteBytes(good.mid(4));
    EXPECT_FALSE(target->ReadArchive(ar.Buffer())) << version;
  }
  for (qsizetype cut = 0; cut < good.size(); ++cut) {
    EXPECT_FALSE(target->ReadArchive(good.left(cut))) << cut;
  }
  // A throwing read leaves the session as it was.
  CArchive ar(good.left(good.size() - 1));
  EXPECT_THROW(target->Serialize(ar), CArchiveError);
  EXPECT_EQ(target->Guid(), guid);
  EXPECT_EQ(target->GetValueText(u"keep"_qs), u"me"_qs);
  EXPECT_EQ(target->Values().Count(), 1);
}

TEST(SessionTest, ReferenceCountingReleasesWithTheLastReference) {
  CScopedServices services;
  CSession* session = new CSession(nullptr, true);
  EXPECT_EQ(session->AddRef(), 1u);
  EXPECT_EQ(session->AddRef(), 2u);
  {
    const CSessionPtr held(session);
    EXPECT_EQ(session->Release(), 2u);
  }
  EXPECT_EQ(session->Release(), 0u);  // deleted here; ASan reports any later use
}

}  // namespace
