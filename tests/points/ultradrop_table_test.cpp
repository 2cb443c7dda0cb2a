// The ultradrop's data-file reader (encodings, delimiters, damaged and huge files), its templates,
// filter and choices, without a window.
#include "points/ultradrop_table.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QStringEncoder>
#include <algorithm>

#include "points/ultradrop_data_file.h"
#include "points/ultradrop_point.h"
#include "support/files.h"

namespace {

using Reader = CUltraDataFile;
using Encoding = CUltraDataFile::Encoding;

QString Data(const char* name) {
  return QStringLiteral(QLT_TEST_DATA_DIR "/thirdparty/delimited/") + QString::fromLatin1(name);
}

QList<QStringList> Cells(const Reader::Result& result) {
  QList<QStringList> rows;
  for (const CUltraItem& item : result.items) rows.append(item.cells);
  return rows;
}

QByteArray Utf16Le(const QString& text) {
  QStringEncoder encoder(QStringEncoder::Utf16LE);
  return encoder(text);
}

TEST(UltraDataFile, ReadsTheCitiesInEveryEncodingAndDelimiterAlike) {
  struct Case {
    const char* file;
    Encoding encoding;
  };
  const Case cases[] = {
      {"world-cities.PL-CZ-IS-NO-DK.csv", Encoding::kAnsi},
      {"world-cities.PL-CZ-IS-NO-DK.utf16le-bom.crlf.csv", Encoding::kUtf16Le},
      {"world-cities.PL-CZ-IS-NO-DK.utf16be-bom.tsv", Encoding::kUtf16Be},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Reader::Result read = Reader::ReadFile(Data(c.file), {.columns = 4});
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.encoding, c.encoding);
    EXPECT_FALSE(read.markOverruled || read.truncated);
    ASSERT_EQ(read.items.size(), 600);  // the header row is an item like any other
    EXPECT_EQ(read.items[0].cells, QStringList({"name", "country", "subcountry", "geonameid"}));
    EXPECT_EQ(read.items[1].cells, QStringList({QStringLiteral("Dvůr Králové nad Labem"), "Czechia",
                                                "Hradec Kralove Region", "3061284"}));
    EXPECT_EQ(read.items.last().cells.first(), QStringLiteral("Psie Pole"));
    EXPECT_TRUE(std::any_of(read.items.begin(), read.items.end(), [](const CUltraItem& item) {
      return item.cells ==
             QStringList({QStringLiteral("Łódź"), "Poland", "Lodz Voivodeship", "3093133"});
    }));
  }
}

TEST(UltraDataFile, QuotedCellsKeepTheirCommasAndExtraColumnsAreDropped) {
  const Reader::Result read =
      Reader::ReadFile(Data("country-codes.utf8-bom.crlf.csv"), {.columns = 56});
  ASSERT_TRUE(read.opened);
  EXPECT_EQ(read.encoding, Encoding::kUtf8);
  ASSERT_EQ(read.items.size(), 250);
  const QStringList header = read.items[0].cells;
  const qsizetype alpha2 = header.indexOf("ISO3166-1-Alpha-2");
  const qsizetype languages = header.indexOf("Languages");
  const qsizetype french = header.indexOf("official_name_fr");
  ASSERT_TRUE(alpha2 >= 0 && languages >= 0 && french >= 0);
  QHash<QString, QStringList> byCode;
  for (const CUltraItem& item : read.items) {
    EXPECT_EQ(item.cells.size(), 56);
    byCode.insert(item.cells[alpha2], item.cells);
  }
  EXPECT_EQ(byCode["RU"][languages],
            "ru,tt,xal,cau,ady,kv,ce,tyv,cv,udm,tut,mns,bua,myv,mdf,chm,"
            "ba,inh,kbd,krc,av,sah,nog");
  EXPECT_EQ(byCode["AX"][french], QStringLiteral("Îles d’Åland"));
  EXPECT_EQ(
      Reader::ReadFile(Data("country-codes.utf8-bom.crlf.csv"), {.columns = 2}).items[0].cells,
      QStringList({"FIFA", "Dial"}));
}

TEST(UltraDataFile, SplitsCellsByTheGivenOrFirstDelimiter) {
  struct Case {
    const char* text;
    Reader::Options options;
    QList<QStringList> cells;
  };
  const Case cases[] = {
      {"a\tb,c\nd,e\tf", {}, {{"a", "b,c"}, {"d,e", "f"}}},
      {"a,b\tc\n\n\r\nd", {}, {{"a", "b c"}, {"d", ""}}},
      {"abc\nd,e", {}, {{"abc", ""}, {"d,e", ""}}},  // no delimiter in the first line: TAB
      {"a;b,c", {.delimiter = u';'}, {{"a", "b,c"}}},
      {"  a,   b", {}, {{"a", "b"}}},
      {"one\\ntwo,x", {.newlines = true}, {{"one\ntwo", "x"}}},
      {"one\\ntwo,x", {}, {{"one\\ntwo", "x"}}},
      {"\"say \"\"hi\"\"\" now,x", {}, {{"say \"hi\" now", "x"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Cells(Reader::ReadText(QString::fromUtf8(c.text), c.options)), c.cells);
  }
  EXPECT_EQ(Reader::DelimiterOf(0), 0);
  EXPECT_EQ(Reader::DelimiterOf(';'), u';');
  EXPECT_EQ(Reader::DelimiterOf('\n'), 0);
}

TEST(UltraDataFile, DamagedFilesGiveWhatTheyHoldAndSayWhatWasCut) {
  struct Case {
    const char* name;
    QByteArray bytes;
    QList<QStringList> cells;
    bool overruled;
  };
  const Case cases[] = {
      {"empty", "", {}, false},
      {"blank lines", "\n\r\n\n", {}, false},
      {"ragged rows", "a,b,c\nd\ne,f\n", {{"a", "b"}, {"d", ""}, {"e", "f"}}, false},
      {"quote never closes", "\"open,x\nnext,y\n", {{"open,x", ""}, {"next", "y"}}, false},
      {"UTF-16 mark on 8-bit text",
       "\xFF\xFE"
       "a,b\r\nc,d\r\n",
       {{"a", "b"}, {"c", "d"}},
       true},
      {"UTF-8 mark on UTF-16 text",
       "\xEF\xBB\xBF" + Utf16Le("a,b\nc,d\n"),
       {{"a", "b"}, {"c", "d"}},
       true},
      {"UTF-8 mark on Windows-1252",
       "\xEF\xBB\xBF"
       "caf\xE9,x\n",
       {{QStringLiteral("café"), "x"}},
       false},
      {"odd UTF-16 length", "\xFF\xFE" + Utf16Le("a,b\n") + "A", {{"a", "b"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reader::Result read = Reader::ReadBytes(c.bytes, {});
    EXPECT_TRUE(read.opened);
    EXPECT_EQ(Cells(read), c.cells);
    EXPECT_EQ(read.markOverruled, c.overruled);
  }
  EXPECT_EQ(Reader::ReadBytes("\"open,x\n", {}).unclosedQuotes, 1);

  const Reader::Result longLine = Reader::ReadBytes(QByteArray(10 * 1024 * 1024, 'x'), {});
  ASSERT_EQ(longLine.items.size(), 1);
  EXPECT_EQ(longLine.items[0].cells[0].size(), Reader::kMaxCellChars);
  EXPECT_EQ(longLine.cutCells, 1);

  QByteArray million;
  for (int i = 0; i < 1'000'000; ++i) million += "row,1\n";
  const Reader::Result many = Reader::ReadBytes(million, {});
  EXPECT_EQ(many.items.size(), Reader::kMaxRows);
  EXPECT_TRUE(many.truncated);

  EXPECT_FALSE(Reader::ReadFile(Data("missing.csv"), {}).opened);
  EXPECT_FALSE(Reader::ReadFile(QString(), {}).opened);
}

TEST(UltraTemplate, FillsColumnsByNameWithoutRegardToCase) {
  const QList<CUltraColumn> columns = {{"Display", {}}, {"Value", {}}, {"Owner", {}}};
  const CUltraItem item{{"Apple", "01", "Ann"}};
  const std::pair<const char*, const char*> cases[] = {
      {"<% Display %>", "Apple"},
      {"<%value%>", "01"},
      {"<% Display %> (<%  OWNER%>)", "Apple (Ann)"},
      {"<% Missing %>!", "(Missing: not found)!"},
      {"x <% Display", "x <% Display"},
      {"plain", "plain"},
      {"", ""},
  };
  for (const auto& [text, filled] : cases) {
    EXPECT_EQ(CUltraTemplate(text, columns).Fill(item), filled) << text;
  }
}

TEST(UltraChoice, FilterKeepsTheItemsItsConditionAsksFor) {
  CUltraTable table;
  table.columns = {{"Name", {}}, {"Region", {}}};
  for (const char* region : {"North", "South", "Northeast", ""}) {
    table.items.append(CUltraItem{{"x", region}});
  }
  struct Case {
    const char* name;
    CUltraFilter filter;
    QList<int> kept;
  };
  const Case cases[] = {
      {"no filter", {}, {0, 1, 2, 3}},
      {"an empty filter value and Filter.All 0 shows no items",
       {.set = true, .value = "", .column = 1},
       {}},
      {"empty value, Filter.All 1",
       {.set = true, .value = "", .column = 1, .all = true},
       {0, 1, 2, 3}},
      {"equal", {.set = true, .value = "NORTH", .column = 1}, {0}},
      {"contains", {.set = true, .value = "east", .column = 1, .condition = 1}, {2}},
      {"starts with", {.set = true, .value = "north", .column = 1, .condition = 2}, {0, 2}},
      {"no such column", {.set = true, .value = "north", .column = -1}, {}},
      {"unknown condition",
       {.set = true, .value = "north", .column = 1, .condition = 7},
       {0, 1, 2, 3}},
  };
  for (const Case& c : cases) EXPECT_EQ(CUltraChoice::Kept(table, c.filter), c.kept) << c.name;

  const QStringList shown = {"Apple pie", "Pear", "Pineapple", "Plum"};
  EXPECT_EQ(CUltraChoice::Matching(shown, {0, 1, 2, 3}, "APPLE", 10), QList<int>({0, 2}));
  EXPECT_EQ(CUltraChoice::Matching(shown, {1, 2, 3}, "", 2), QList<int>({1, 2}));
}

TEST(UltraChoice, ValueTextsChooseItemsAndJoinThem) {
  const QStringList outputs = {"A", "B", "AB"};
  struct Case {
    const char* text;
    bool multi;
    QList<int> chosen;
    const char* joined;
  };
  const Case cases[] = {
      {"A; B; ", true, {0, 1}, "A; B; "},
      {"AB; ", true, {2}, "AB; "},
      {"B; A; ", true, {0, 1}, "A; B; "},
      {"b", false, {1}, "B"},
      {"zz", false, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const QList<int> chosen = CUltraChoice::Chosen(outputs, c.text, c.multi, ";");
    EXPECT_EQ(chosen, c.chosen);
    EXPECT_EQ(CUltraChoice::Joined(outputs, chosen, c.multi, ";"), c.joined);
  }
  EXPECT_EQ(CUltraChoice::Chosen(outputs, "A| B| ", true, "|"), QList<int>({0, 1}));

  CUltraTable table;
  table.items = {CUltraItem{{"one\nline\r", "x"}}, CUltraItem{{"two", "y"}}};
  EXPECT_EQ(CUltraChoice::ColumnText(table, 0, {0}, false, ";"), "one\r\nline");
  EXPECT_EQ(CUltraChoice::ColumnText(table, 1, {0, 1}, true, ";"), "x; y; ");
  EXPECT_EQ(CUltraChoice::ColumnText(table, 1, {}, true, ";"), "");
}

TEST(UltraChoice, SortedOrderReadsCaseAndNumbersAsPeopleDo) {
  const QStringList shown = {u"item 10"_qs, u"Item 9"_qs, u"apple"_qs, u"Item 9"_qs, u"Banana"_qs};
  EXPECT_EQ(CUltraChoice::TextRanks(shown), QList<int>({4, 2, 0, 3, 1}));
}

TEST(UltraDropPoint, CachedResourceFileIsNamedAfterProjectAndDesignerPath) {
  EXPECT_EQ(CUltraDropPoint::ResourcePath("/opt/qlt", 4711, "C:\\Data/parts.csv"),
            "/opt/qlt/Resources/4711d-C__Data_parts.csv.res");
}

}  // namespace
