#include "values/ansi_text.h"

#include <gtest/gtest.h>

#include <QStringDecoder>
#include <string_view>

namespace {

using namespace std::string_view_literals;

QString Decode(std::string_view bytes) {
  return DecodeAnsiText(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

TEST(AnsiText, ValidUtf8ReadsAsUtf8AndAnythingElseAsWindows1252) {
  const struct {
    std::string_view bytes;
    std::u16string_view text;
    const char* what;
  } cases[] = {
      {""sv, u"", "nothing"},
      {"plain\tASCII\r\n\0end"sv, u"plain\tASCII\r\n\0end"sv, "ASCII, a NUL included"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"sv, u"caf\u00E9 \u20AC \U0001F600", "UTF-8"},
      {"\xEF\xBB\xBFx"sv, u"\uFEFFx", "a UTF-8 mark is kept as text"},
      {"caf\xE9 Stra\xDF"
       "e"sv,
       u"caf\u00E9 Stra\u00DFe", "the Latin-1 half"},
      {"\x80 \x93quoted\x94 \x85 \x99 \x96"sv, u"\u20AC \u201Cquoted\u201D \u2026 \u2122 \u2013",
       "the 0x80-0x9F block"},
      {"\x8C\x9C \x8A\x9A \x8E\x9E \x9F \x83"sv,
       u"\u0152\u0153 \u0160\u0161 \u017D\u017E \u0178 \u0192", "letters of the block"},
      {"\x81\x8D\x8F\x90\x9D"sv, u"\u0081\u008D\u008F\u0090\u009D",
       "bytes the code page leaves out"},
      {"\xC3\xA9 \xE9"sv, u"\u00C3\u00A9 \u00E9", "UTF-8 beside an 8-bit letter"},
      {"Stra\xC3"sv, u"Stra\u00C3", "UTF-8 cut off at the end"},
      {"\xC0\xAF"sv, u"\u00C0\u00AF", "an overlong form"},
      {"\xED\xA0\x80"sv, u"\u00ED\u00A0\u20AC", "an encoded surrogate"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decode(c.bytes), QStringView(c.text.data(), qsizetype(c.text.size()))) << c.what;
  }
}

TEST(AnsiText, NoByteBecomesAReplacementCharacter) {
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const QString alone = DecodeAnsiText(QByteArrayView(&c, 1));
    ASSERT_EQ(alone.size(), 1) << byte;
    EXPECT_NE(alone[0], QChar::ReplacementCharacter) << byte;
    if (byte < 0x80 || byte >= 0xA0) {
      EXPECT_EQ(alone[0].unicode(), byte) << byte;
    }
  }
}

TEST(AnsiText, Windows1252AgreesWithTheCodePageOfQtsIcuCodecs) {
  QStringDecoder reference("windows-1252");
  if (!reference.isValid()) GTEST_SKIP() << "this Qt has no Windows-1252 codec to compare with";
  QByteArray every(256, '\0');
  for (int i = 0; i < 256; ++i) every[i] = static_cast<char>(i);
  const QString expected = reference.decode(every);
  EXPECT_EQ(DecodeWindows1252(every), expected);
}

}  // namespace
