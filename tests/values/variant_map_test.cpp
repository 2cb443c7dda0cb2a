#include "values/variant_map.h"

#include <gtest/gtest.h>

#include <QSet>

#include "support/qt_print.h"
#include "support/user_locale.h"
#include "values/archive.h"
#include "values/safe_array.h"

namespace {

QByteArray Archived(const CVariantMap& map, bool terminated) {
  CArchive out;
  map.Serialize(out, terminated);
  return out.Buffer();
}

CVariantMap Read(const QByteArray& bytes, bool terminated) {
  CArchive in(bytes);
  CVariantMap map;
  map.Deserialize(in, terminated);
  return map;
}

CVariantMap Sample() {
  CVariantMap map;
  map.SetInteger("Graphics.Margin", 5);
  map.SetText("Title", "Survey");
  map.SetVariant("Ratio", CVariant::FromDouble(0.75));
  map.SetVariant("Photo", CVariant::FromBytes(QByteArray("\x00\x01\x02", 3)));
  map.SetVariant("Nothing", CVariant::Null());
  map.SetVariant("Flag", CVariant::FromBool(true));
  return map;
}

}  // namespace

TEST(VariantMapKeys, AKeyIsFoundInAnyCase) {
  CVariantMap map;
  map.SetInteger("Graphics.Margin", 7);
  EXPECT_EQ(map.GetInteger("graphics.margin", 0), 7);
  EXPECT_EQ(map.GetInteger("GRAPHICS.MARGIN", 0), 7);
  ASSERT_NE(map.Find("GrApHiCs.MaRgIn"), nullptr);
  int keys = 0;
  map.ForEach([&keys](const QString& key, const CVariant&) {
    EXPECT_EQ(key, "graphics.margin");
    ++keys;
  });
  EXPECT_EQ(keys, 1);
}

TEST(VariantMapKeys, SettingUnderAnotherCaseReplacesTheEntry) {
  CVariantMap map;
  map.SetText("Name", "first");
  map.SetText("NAME", "second");
  map.SetVariant("name", CVariant::FromInt32(3));
  EXPECT_EQ(map.Count(), 1);
  EXPECT_EQ(map.GetInteger("Name", 0), 3);
  EXPECT_TRUE(map.Remove("nAmE"));
  EXPECT_EQ(map.Count(), 0);
  EXPECT_FALSE(map.Remove("name"));
}

TEST(VariantMapKeys, NonAsciiKeysFoldToo) {
  CVariantMap map;
  map.SetText(QString::fromUtf16(u"\u00c4RGER"), "x");
  EXPECT_EQ(map.GetText(QString::fromUtf16(u"\u00e4rger")), "x");
}

TEST(VariantMapGetInteger, FollowsTheStandardConversionOrTheDefault) {
  CVariantMap map;
  map.SetInteger("i4", -12);
  map.SetText("digits", " 42 ");
  map.SetText("word", "forty");
  map.SetVariant("half", CVariant::FromDouble(2.5));
  map.SetVariant("odd half", CVariant::FromDouble(3.5));
  map.SetVariant("huge", CVariant::FromDouble(3e9));
  map.SetVariant("true", CVariant::FromBool(true));
  map.SetVariant("short", CVariant::FromInt16(-3));
  map.SetVariant("byte", CVariant::FromByte(200));
  map.SetVariant("currency", CVariant::FromCurrency(25000));  // 2.5
  map.SetVariant("empty", CVariant());
  map.SetVariant("null", CVariant::Null());
  map.SetVariant("error", CVariant::FromError(5));
  map.SetVariant("bytes", CVariant::FromBytes("1"));
  EXPECT_EQ(map.GetInteger("missing", 99), 99);
  EXPECT_EQ(map.GetInteger("i4", 99), -12);
  EXPECT_EQ(map.GetInteger("digits", 99), 42);
  EXPECT_EQ(map.GetInteger("word", 99), 99);
  EXPECT_EQ(map.GetInteger("half", 99), 2);
  EXPECT_EQ(map.GetInteger("odd half", 99), 4);
  EXPECT_EQ(map.GetInteger("huge", 99), 99);
  EXPECT_EQ(map.GetInteger("true", 99), -1);
  EXPECT_EQ(map.GetInteger("short", 99), -3);
  EXPECT_EQ(map.GetInteger("byte", 99), 200);
  EXPECT_EQ(map.GetInteger("currency", 99), 2);
  EXPECT_EQ(map.GetInteger("empty", 99), 0);  // empty converts to 0
  EXPECT_EQ(map.GetInteger("null", 99), 99);
  EXPECT_EQ(map.GetInteger("error", 99), 99);
  EXPECT_EQ(map.GetInteger("bytes", 99), 99);
}

TEST(VariantMapGetText, FollowsTheTable) {
  CVariantMap map = Sample();
  map.SetVariant("Error", CVariant::FromError(1));
  EXPECT_EQ(map.GetText("missing"), "");
  EXPECT_EQ(map.GetText("title"), "Survey");
  EXPECT_EQ(map.GetText("photo"), "(Binary)");
  EXPECT_EQ(map.GetText("graphics.margin"), "5");
  EXPECT_EQ(map.GetText("ratio"), "0.75");
  EXPECT_EQ(map.GetText("flag"), "True");
  EXPECT_EQ(map.GetText("nothing"), "");
  EXPECT_EQ(map.GetText("error"), "");
  map.SetVariant("strings", CVariant::FromArray(CSafeArray(kVtBstr, {{0, 1}})));
  EXPECT_EQ(map.GetText("strings"), "(Binary)");
}

TEST(VariantMapGetText, NumbersUseTheUsersDecimalSeparator) {
  ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(Sample().GetText("ratio"), "0,75");
}

TEST(VariantMapAccess, GetVariantAndCopyIntoGiveCopies) {
  CVariantMap map = Sample();
  EXPECT_TRUE(map.GetVariant("missing").IsEmpty());
  EXPECT_TRUE(map.GetVariant("RATIO") == CVariant::FromDouble(0.75));
  CVariant destination = CVariant::FromInt32(1);
  EXPECT_FALSE(map.CopyInto("missing", destination));
  EXPECT_TRUE(destination == CVariant::FromInt32(1));
  EXPECT_TRUE(map.CopyInto("Title", destination));
  EXPECT_EQ(destination.StringPayload(), "Survey");
  destination = CVariant::FromString("changed");
  EXPECT_EQ(map.GetText("title"), "Survey");
}

TEST(VariantMapAccess, AssignFromReplacesEverythingAndClearEmpties) {
  CVariantMap map;
  map.SetText("Leftover", "x");
  const CVariantMap sample = Sample();
  map.AssignFrom(sample);
  EXPECT_TRUE(map == sample);
  EXPECT_EQ(map.Find("leftover"), nullptr);
  map.AssignFrom(map);
  EXPECT_TRUE(map == sample);
  map.Clear();
  EXPECT_EQ(map.Count(), 0);
}

TEST(VariantMapAccess, ForEachVisitsEveryEntryOnce) {
  QSet<QString> seen;
  int visits = 0;
  Sample().ForEach([&](const QString& key, const CVariant&) {
    seen.insert(key);
    ++visits;
  });
  EXPECT_EQ(visits, 6);
  EXPECT_EQ(seen, (QSet<QString>{"graphics.margin", "title", "ratio", "photo", "nothing", "flag"}));
}

TEST(VariantMapArchive, CountedFormIsACountThenKeyValuePairs) {
  CVariantMap map;
  map.SetInteger("A", 1);
  EXPECT_EQ(Archived(map, false), QByteArray::fromHex("0100"
                                                      "fffeff016100"
                                                      "030001000000"));
}

TEST(VariantMapArchive, TerminatedFormEndsWithAnEmptyKey) {
  CVariantMap map;
  map.SetInteger("A", 1);
  EXPECT_EQ(Archived(map, true), QByteArray::fromHex("fffeff016100"
                                                     "030001000000"
                                                     "fffeff00"));
  EXPECT_EQ(Archived(CVariantMap(), true), QByteArray::fromHex("fffeff00"));
  EXPECT_EQ(Archived(CVariantMap(), false), QByteArray::fromHex("0000"));
}

TEST(VariantMapArchive, BothFormsRoundTrip) {
  for (bool terminated : {false, true}) {
    const CVariantMap sample = Sample();
    CArchive out;
    sample.Serialize(out, terminated);
    out.WriteInt32(0x5A5A5A5A);  // whatever follows the map stays in place
    CArchive in(out.Buffer());
    CVariantMap back;
    back.Deserialize(in, terminated);
    EXPECT_TRUE(back == sample) << terminated;
    EXPECT_EQ(in.ReadInt32(), 0x5A5A5A5A);
  }
}

TEST(VariantMapArchive, LargeCountedMapUsesTheLongCount) {
  CVariantMap map;
  for (int i = 0; i < 0x10005; ++i) map.SetInteger(QString::number(i), i);
  const QByteArray bytes = Archived(map, false);
  EXPECT_EQ(bytes.left(6), QByteArray::fromHex("ffff05000100"));
  EXPECT_TRUE(Read(bytes, false) == map);
}

TEST(VariantMapArchive, ObjectReferencesAreLeftOut) {
  int object = 0;
  CVariantMap map;
  map.SetInteger("Kept", 1);
  map.SetVariant("Site", CVariant::FromObject(kVtDispatch, &object));
  map.SetVariant("Control", CVariant::FromObject(kVtUnknown, &object));
  CVariantMap expected;
  expected.SetInteger("kept", 1);
  EXPECT_EQ(Archived(map, false), Archived(expected, false));
  EXPECT_EQ(Archived(map, true), Archived(expected, true));
  EXPECT_TRUE(Read(Archived(map, false), false) == expected);
}

TEST(VariantMapArchive, TerminatedFormLeavesOutAnEmptyKey) {
  CVariantMap map;
  map.SetInteger("", 1);
  map.SetInteger("after", 2);
  const CVariantMap back = Read(Archived(map, true), true);
  EXPECT_EQ(back.Count(), 1);
  EXPECT_EQ(back.GetInteger("after", 0), 2);
  // The counted form can carry it.
  EXPECT_TRUE(Read(Archived(map, false), false) == map);
}

TEST(VariantMapArchive, ReadingLowerCasesKeysAndClearsTheMap) {
  CArchive out;
  out.WriteCount(2);
  out.WriteString("MixedCase");
  CVariant::FromInt32(1).Serialize(out);
  out.WriteString("UPPER");
  CVariant::FromString("v").Serialize(out);
  CArchive in(out.Buffer());
  CVariantMap map;
  map.SetText("stale", "x");
  map.Deserialize(in, false);
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(map.Find("stale"), nullptr);
  int lowerCaseKeys = 0;
  map.ForEach([&](const QString& key, const CVariant&) { lowerCaseKeys += key == key.toLower(); });
  EXPECT_EQ(lowerCaseKeys, 2);
  EXPECT_EQ(map.GetText("uPpEr"), "v");
}

TEST(VariantMapArchive, ZeroOrNegativeCountIsAnEmptyMap) {
  for (const char* count : {"0000", "ffff00000000", "fffffbffffff"}) {
    CArchive in(QByteArray::fromHex(QByteArray(count) + "07000000"));
    CVariantMap map;
    map.SetText("stale", "x");
    map.Deserialize(in, false);
    EXPECT_EQ(map.Count(), 0) << count;
    EXPECT_EQ(in.ReadInt32(), 7) << count;
  }
}

TEST(VariantMapArchive, TerminatedReadStopsAtTheFirstEmptyKey) {
  CArchive out;
  out.WriteString("one");
  CVariant::FromInt32(1).Serialize(out);
  out.WriteString("");
  out.WriteString("two");
  CVariant::FromInt32(2).Serialize(out);
  CArchive in(out.Buffer());
  CVariantMap map;
  map.Deserialize(in, true);
  EXPECT_EQ(map.Count(), 1);
  EXPECT_EQ(in.ReadString(), "two");
}

TEST(VariantMapArchive, ShortOrMalformedInputThrows) {
  const QByteArray counted = Archived(Sample(), false);
  const QByteArray terminated = Archived(Sample(), true);
  for (qsizetype length = 0; length < counted.size(); ++length) {
    EXPECT_THROW(Read(counted.left(length), false), CArchiveError) << length;
  }
  for (qsizetype length = 0; length < terminated.size(); ++length) {
    EXPECT_THROW(Read(terminated.left(length), true), CArchiveError) << length;
  }
  // A count far beyond the input fails on the missing bytes, without reserving for it.
  EXPECT_THROW(Read(QByteArray::fromHex("ffffffffff7f"), false), CArchiveError);
  // A value with a bad array shape ends the read.
  EXPECT_THROW(Read(QByteArray::fromHex("0100"
                                        "fffeff016100"
                                        "1120"
                                        "00000000"),
                    false),
               CArchiveError);
}

TEST(VariantMapArchive, ReadingThenWritingKeepsTheStoredOrder) {
  // A file written elsewhere may hold its entries in any order; saving it again must give the
  // same bytes, whatever order a hash would choose.
  CArchive out;
  out.WriteCount(40);
  for (int i = 40; i > 0; --i) {
    out.WriteString(QStringLiteral("key%1").arg(i));
    CVariant::FromInt32(i).Serialize(out);
  }
  const QByteArray stored = out.Buffer();
  CVariantMap map = Read(stored, false);
  EXPECT_EQ(Archived(map, false), stored);

  // Removing and replacing entries keeps the others where they were.
  map.Remove("KEY20");
  map.SetInteger("key10", 100);
  QStringList keys;
  map.ForEach([&](const QString& key, const CVariant&) { keys.append(key); });
  EXPECT_EQ(keys.size(), 39);
  EXPECT_EQ(keys.first(), "key40");
  EXPECT_EQ(keys.last(), "key1");
  EXPECT_FALSE(keys.contains("key20"));
  EXPECT_EQ(map.GetInteger("key10", 0), 100);
  EXPECT_EQ(map.GetInteger("key19", 0), 19);
  EXPECT_EQ(map.GetInteger("key21", 0), 21);
}

TEST(VariantMapAccess, EqualityIgnoresEntryOrder) {
  CVariantMap a;
  a.SetInteger("one", 1);
  a.SetText("two", "2");
  CVariantMap b;
  b.SetText("TWO", "2");
  b.SetInteger("One", 1);
  EXPECT_TRUE(a == b);
  b.SetInteger("one", 3);
  EXPECT_FALSE(a == b);
}

TEST(VariantMapKeys, LargeMapsFindReplaceAndRemoveLikeSmallOnes) {
  // Past a dozen entries the map looks keys up through an index; it must agree with the plain
  // search of small maps on every operation and keep the order of arrival.
  CVariantMap map;
  for (int i = 0; i < 40; ++i) map.SetInteger(QStringLiteral("Key.%1").arg(i), i);
  ASSERT_EQ(map.Count(), 40);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(map.GetInteger(QStringLiteral("KEY.%1").arg(i), -1), i) << i;
  }
  map.SetText("key.5", "five");
  EXPECT_EQ(map.Count(), 40);
  EXPECT_EQ(map.GetText("Key.5"), "five");
  for (int i = 0; i < 40; i += 3) EXPECT_TRUE(map.Remove(QStringLiteral("key.%1").arg(i))) << i;
  EXPECT_FALSE(map.Remove("key.0"));
  EXPECT_EQ(map.Count(), 26);
  QStringList order;
  map.ForEach([&order](const QString& key, const CVariant&) { order.append(key); });
  QStringList expected;
  for (int i = 0; i < 40; ++i) {
    if (i % 3 != 0) expected.append(QStringLiteral("key.%1").arg(i));
  }
  EXPECT_EQ(order, expected);
  for (int i = 0; i < 40; ++i) {
    const CVariant* value = map.Find(QStringLiteral("Key.%1").arg(i));
    if (i % 3 == 0) {
      EXPECT_EQ(value, nullptr) << i;
    } else {
      ASSERT_NE(value, nullptr) << i;
      if (i == 5) {
        EXPECT_EQ(value->StringPayload(), "five");
      } else {
        EXPECT_EQ(value->IntegerPayload(), i);
      }
    }
  }
  // A map read back and a copy find the same entries.
  const CVariantMap read = Read(Archived(map, false), false);
  CVariantMap copy;
  copy.AssignFrom(map);
  EXPECT_EQ(read, map);
  EXPECT_EQ(copy.GetInteger("KEY.38", -1), 38);
  EXPECT_EQ(read.GetInteger("KEY.38", -1), 38);
  // Growing again after removals keeps every position right.
  map.SetInteger("Late", 99);
  EXPECT_EQ(map.GetInteger("late", -1), 99);
  EXPECT_EQ(map.GetInteger("key.37", -1), 37);
}
