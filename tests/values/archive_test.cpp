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
