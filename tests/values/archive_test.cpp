#include "values/archive.h"

#include <gtest/gtest.h>

TEST(ArchivePrimitives, StringRoundTripsAtEveryLengthPrefixBoundary) {
  for (int length : {0, 1, 0xFE, 0xFF, 0x100, 0xFFFD, 0xFFFE, 0x10000}) {
    const QString text(length, QChar(0x263A));
    CArchive out;
    out.WriteString(text);
    CArchive in(out.Buffer());
    EXPECT_EQ(in.ReadString(), text) << length;
    EXPECT_TRUE(in.AtEnd()) << length;
  }
}

TEST(ArchiveReading, ReadingLeavesTheInputSharedAndUncopied) {
  CArchive out;
  out.WriteByte(7);
  out.WriteString(QStringLiteral("Auditmoor"));
  out.WriteInt32(-2);
  out.WriteBytes(QByteArray(64, 'x'));
  const QByteArray bytes = out.Buffer();
  CArchive in(bytes);
  EXPECT_EQ(in.ReadByte(), 7);
  EXPECT_EQ(in.ReadString(), QStringLiteral("Auditmoor"));
  EXPECT_EQ(in.ReadInt32(), -2);
  EXPECT_EQ(in.ReadBytes(64), QByteArray(64, 'x'));
  EXPECT_TRUE(in.AtEnd());
  // A whole project file passes through here; a detached copy would double its cost.
  EXPECT_EQ(in.Buffer().constData(), bytes.constData());
}

TEST(ArchiveReading, ReadIntoTakesExactlyTheBytesOrThrowsWithoutMoving) {
  const QByteArray bytes("0123456789", 10);
  CArchive in(bytes);
  char first[4] = {};
  in.ReadInto(first, 4);
  EXPECT_EQ(QByteArray(first, 4), QByteArray("0123"));
  char tooMany[7] = {};
  EXPECT_THROW(in.ReadInto(tooMany, 7), CArchiveError);
  EXPECT_EQ(in.Position(), 4);
  EXPECT_THROW(in.ReadInto(tooMany, -1), CArchiveError);
  char rest[6] = {};
  in.ReadInto(rest, 6);
  EXPECT_EQ(QByteArray(rest, 6), QByteArray("456789"));
  EXPECT_TRUE(in.AtEnd());
}

TEST(ArchiveReading, EmptyStringsInBothFormsAndTruncatedTextThrow) {
  CArchive out;
  out.WriteString(QString());
  out.WriteByte(0);  // an 8-bit string of length 0
  const QByteArray bytes = out.Buffer();
  CArchive in(bytes);
  EXPECT_TRUE(in.ReadString().isEmpty());
  EXPECT_TRUE(in.ReadString().isEmpty());
  EXPECT_TRUE(in.AtEnd());
  // The length promises three code units, two bytes follow.
  const QByteArray cut = QByteArray::fromHex("fffeff03") + QByteArray("a\0", 2);
  CArchive truncated(cut);
  EXPECT_THROW(truncated.ReadString(), CArchiveError);
}

TEST(ArchiveReading, EightBitStringsAreUtf8OrWindows1252) {
  // Older files keep 8-bit text as their maker wrote it: the Windows code page, or UTF-8.
  const QByteArray windows("Caf\xE9 \x80 \x93ok\x94");
  const QByteArray utf8("Caf\xC3\xA9 \xE2\x82\xAC");
  const QByteArray longer(300, '\xE9');  // behind the 0xFF, word length prefix
  CArchive out;
  for (const QByteArray& text : {windows, utf8}) {
    out.WriteByte(static_cast<uint8_t>(text.size()));
    out.WriteBytes(text);
  }
  out.WriteByte(0xFF);
  out.WriteWord(static_cast<uint16_t>(longer.size()));
  out.WriteBytes(longer);
  CArchive in(out.Buffer());
  EXPECT_EQ(in.ReadString(),
            QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D"));
  EXPECT_EQ(in.ReadString(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
  EXPECT_EQ(in.ReadString(), QString(300, QChar(0xE9)));
  EXPECT_TRUE(in.AtEnd());
}
