// Filling a formatter's Format text: fields, their widths and decimals, missing points,
// registration of precedents, expansion of markers inside values and its bounds, and the
// "Format" property.
#include "points/formatter_fill.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QStringList>

#include "support/qt_print.h"
#include "values/variant_map.h"

namespace {

// Point values by lower-cased name, and the names registered as precedents.
class FormatterFillTest : public ::testing::Test {
 protected:
  void Set(const QString& name, const QString& value) { m_values[name.toLower()] = value; }

  QString Fill(const QString& format, bool registering = false) {
    const CFormatterFill::ValueLookup lookup = [this](const QString& name, QString& text) {
      ++m_lookups;
      const auto it = m_values.constFind(name.toLower());
      if (it == m_values.constEnd()) return false;
      text = *it;
      return true;
    };
    if (!registering) return CFormatterFill::Fill(format, lookup);
    return CFormatterFill::Fill(format, lookup,
                                [this](const QString& name) { m_registered.append(name); });
  }

  QMap<QString, QString> m_values;
  QStringList m_registered;
  int m_lookups = 0;
};

TEST_F(FormatterFillTest, FormatWithoutMarkersIsTheValue) {
  EXPECT_EQ(Fill("Plain text 100% <b>"), "Plain text 100% <b>");
  EXPECT_EQ(Fill(""), "");
  EXPECT_EQ(m_lookups, 0);
}

TEST_F(FormatterFillTest, NumericFieldsPadWithZerosToTheWidthWithTheDecimals) {
  Set("Sum", "3.14159");
  EXPECT_EQ(Fill("Total: <%Sum (6.2)%>"), "Total: 003.14");
  EXPECT_EQ(Fill("<%Sum(.3)%>"), "3.142");
  EXPECT_EQ(Fill("<%Sum(5.)%>"), "00003");  // width only: no decimals
  EXPECT_EQ(Fill("<%Sum(2.4)%>"), "3.1416");
  Set("Neg", "-2.5");
  EXPECT_EQ(Fill("<%Neg(7.1)%>"), "-0002.5");
  EXPECT_EQ(Fill("<%Neg(.0)%>"), "-2");  // ties of the binary value go to even, as printf
}

TEST_F(FormatterFillTest, NumericFieldsReadTheLeadingNumberOrZero) {
  Set("Mixed", "12.5 kg");
  Set("Word", "abc");
  Set("Empty", "");
  EXPECT_EQ(Fill("<%Mixed(.1)%>"), "12.5");
  EXPECT_EQ(Fill("<%Word(4.1)%>"), "00.0");
  EXPECT_EQ(Fill("<%Empty(.2)%>"), "0.00");
}

TEST_F(FormatterFillTest, NumberTextWithADecimalCommaKeepsItsDecimals) {
  // A math point shows its result with the user's decimal separator.
  Set("Rate", "2,5");
  EXPECT_EQ(Fill("<%Rate(6.2)%>"), "002.50");
}

TEST_F(FormatterFillTest, TextFieldsPadWithBlanksOnTheLeft) {
  Set("Name", "Ann");
  EXPECT_EQ(Fill("<%Name(8)%>"), "     Ann");
  EXPECT_EQ(Fill("<%Name(2)%>"), "Ann");  // never cut
  EXPECT_EQ(Fill("[<%  Name  %>]"), "[Ann]");
  EXPECT_EQ(Fill("<%name%>"), "Ann");  // the site finds names without regard to case
}

TEST_F(FormatterFillTest, MissingPointsShowTheirNameOrNotFoundWithAWidth) {
  EXPECT_EQ(Fill("a <%Nobody%> b"), "a Nobody b");
  EXPECT_EQ(Fill("<%Nobody(5)%>"), "(Nobody: not found)");
  EXPECT_EQ(Fill("<%Nobody(6.2)%>"), "(Nobody: not found)");
  EXPECT_EQ(Fill("<%Nobody(.2)%>"), "Nobody");  // no width
  EXPECT_EQ(Fill("<%Nobody(0)%>"), "Nobody");
}

TEST_F(FormatterFillTest, FieldSizesReadLikeTheCLibrary) {
  using Field = CFormatterFill::Field;
  EXPECT_EQ(CFormatterFill::ParseField(" Sum (6.2) "), (Field{"Sum", 6, 2, true}));
  EXPECT_EQ(CFormatterFill::ParseField("Sum(.2)"), (Field{"Sum", -1, 2, true}));
  // "(6.)" reads the width before the decimals fail; the width stays read.
  EXPECT_EQ(CFormatterFill::ParseField("Sum(6.)"), (Field{"Sum", 6, -1, true}));
  EXPECT_EQ(CFormatterFill::ParseField("Name(8)"), (Field{"Name", 8, -1, false}));
  // A "." with neither number is no numeric field.
  EXPECT_EQ(CFormatterFill::ParseField("Sum(.)"), (Field{"Sum", -1, -1, false}));
  EXPECT_EQ(CFormatterFill::ParseField("Name(x)"), (Field{"Name", -1, -1, false}));
  // "%i" reads hexadecimal and octal forms.
  EXPECT_EQ(CFormatterFill::ParseField("N(0x10)"), (Field{"N", 16, -1, false}));
  EXPECT_EQ(CFormatterFill::ParseField("N(010.1)"), (Field{"N", 8, 1, true}));
  EXPECT_EQ(CFormatterFill::ParseField("Plain"), (Field{"Plain", -1, -1, false}));
}

TEST_F(FormatterFillTest, HugeWidthsAndDecimalsAreBounded) {
  Set("Sum", "1");
  const CFormatterFill::Field field = CFormatterFill::ParseField("Sum(999999999.999999999)");
  EXPECT_EQ(field.width, CFormatterFill::kMaxFieldWidth);
  EXPECT_EQ(field.precision, CFormatterFill::kMaxFieldWidth);
  const QString text = Fill("<%Sum(2147483647.2)%>");
  EXPECT_EQ(text.size(), CFormatterFill::kMaxFieldWidth);
  EXPECT_TRUE(text.endsWith("1.00"));
}

TEST_F(FormatterFillTest, RegistrationNamesEveryFoundPointInFieldOrder) {
  Set("B", "2");
  Set("A", "1");
  EXPECT_EQ(Fill("<%A%><%Missing%><%B(3)%><%A%>", true), "1Missing  21");
  EXPECT_EQ(m_registered, (QStringList{"A", "B", "A"}));
  m_registered.clear();
  Fill("<%A%>", false);
  EXPECT_TRUE(m_registered.isEmpty());
}

TEST_F(FormatterFillTest, MarkersInsideValuesAreExpandedToo) {
  Set("Outer", "[<%Inner%>]");
  Set("Inner", "x");
  EXPECT_EQ(Fill("<%Outer%>"), "[x]");
  // A value ending in "<" and one starting with "%" make a new marker together.
  Set("Lt", "<");
  Set("Rest", "%Inner%>");
  EXPECT_EQ(Fill("<%Lt%><%Rest%>"), "x");
}

TEST_F(FormatterFillTest, UnterminatedMarkerStopsTheFill) {
  Set("A", "1");
  EXPECT_EQ(Fill("<%A%> and <%A"), "1 and <%A");
  // The first "<%" pairs with the first "%>"; the name "A <%A" is no point's.
  EXPECT_EQ(Fill("<%A <%A%>"), "A <%A");
}

TEST_F(FormatterFillTest, SelfReferenceStopsAtTheSubstitutionBound) {
  // The formatter's own value holds a field naming the formatter.
  Set("Me", "<%Me%>");
  const QString text = Fill("start <%Me%> end");
  EXPECT_EQ(text, "start <%Me%> end");
  EXPECT_EQ(m_lookups, CFormatterFill::kMaxSubstitutions);
}

TEST_F(FormatterFillTest, GrowingExpansionStopsAtTheLengthBound) {
  Set("Grow", "<%Grow%><%Grow%>");
  const QString text = Fill("<%Grow%>");
  EXPECT_LE(text.size(), CFormatterFill::kMaxLength);
  EXPECT_TRUE(text.startsWith("<%Grow%>"));
  Set("Big", QString(CFormatterFill::kMaxLength / 3, QLatin1Char('b')) + "<%Big%>");
  const QString big = Fill("<%Big%>");
  EXPECT_LE(big.size(), CFormatterFill::kMaxLength);
  EXPECT_GT(big.size(), CFormatterFill::kMaxLength / 2);
}

TEST(FormatterProperty, FormatRoundTripsThroughThePropertyMap) {
  CVariantMap properties;
  QString format = "unchanged";
  EXPECT_TRUE(CFormatterFill::ReadFormat(properties, format));
  EXPECT_EQ(format, "");  // a new point has an empty format
  CFormatterFill::WriteFormat(properties, "Total: <%Sum (6.2)%>");
  ASSERT_NE(properties.Find("format"), nullptr);
  EXPECT_TRUE(properties.Find("format")->IsString());
  EXPECT_TRUE(CFormatterFill::ReadFormat(properties, format));
  EXPECT_EQ(format, "Total: <%Sum (6.2)%>");
  properties.SetVariant("Format", CVariant::FromInt32(7));
  EXPECT_TRUE(CFormatterFill::ReadFormat(properties, format));
  EXPECT_EQ(format, "7");
}

}  // namespace
