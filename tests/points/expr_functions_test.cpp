// The functions of formulas: the mathematical ones, "Int", the date and time fields of minute
// values, and the stable random numbers of "IRnd" and "FRnd".
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <cmath>

#include "points/expr/math_functions.h"
#include "support/expr_test_context.h"

namespace {

class ExpressionFunctions : public ExpressionFixture {};

TEST_F(ExpressionFunctions, MathematicalFunctions) {
  EXPECT_FORMULA(Run, "Abs(-2.5)", 2.5);
  EXPECT_FORMULA(Run, "Sqrt(16)", 4);
  EXPECT_FORMULA(Run, "Log(1000)", 3);
  EXPECT_FORMULA(Run, "Log(0.01)", -2);
  EXPECT_FORMULA(Run, "Ln(e)", 1);
  EXPECT_FORMULA(Run, "Exp(1)", 2.718281828459045);
  EXPECT_FORMULA(Run, "Sin(pi / 2)", 1);
  EXPECT_FORMULA(Run, "Cos(pi)", -1);
  EXPECT_NEAR(Run("Tan(pi / 4)").value, 1, 1e-15);
  EXPECT_FORMULA(Run, "ASin(1)", 1.5707963267948966);
  EXPECT_FORMULA(Run, "ACos(-1)", 3.141592653589793);
  EXPECT_FORMULA(Run, "ATan(1)", 0.7853981633974483);
  EXPECT_FORMULA(Run, "SinH(1)", 1.1752011936438014);
  EXPECT_FORMULA(Run, "CosH(1)", 1.5430806348152437);
  EXPECT_FORMULA(Run, "TanH(1)", 0.7615941559557649);
  EXPECT_FORMULA(Run, "Deg2Rad(90)", 1.5707963267948966);
  EXPECT_FORMULA(Run, "Rad2Deg(1)", 57.29577951308232);
  EXPECT_FORMULA(Run, "Rad2Deg(Deg2Rad(45))", 45);
  EXPECT_FORMULA(Run, "Inv(4)", 0.25);
  EXPECT_FORMULA(Run, "Inv(-0.5)", -2);
  EXPECT_FORMULA(Run, "Abs(2 - 5) * Sqrt(4 * 4)", 12);
}

TEST_F(ExpressionFunctions, AbsClearsTheSignBit) {
  const FormulaResult result = Run("Abs(-0)");
  ASSERT_TRUE(result.evaluated);
  EXPECT_EQ(result.value, 0);
  EXPECT_FALSE(std::signbit(result.value));
}

TEST_F(ExpressionFunctions, MathematicalDomainErrorsAreResults) {
  for (const char* formula : {"Sqrt(-1)", "ASin(2)", "Log(-1)"}) {
    const FormulaResult result = Run(formula);
    EXPECT_TRUE(result.evaluated) << formula;
    EXPECT_TRUE(std::isnan(result.value)) << formula;
  }
  const FormulaResult result = Run("Ln(0)");
  EXPECT_TRUE(result.evaluated);
  EXPECT_TRUE(std::isinf(result.value) && result.value < 0);
  EXPECT_EVALUATION_FAILS(Run, "Inv(0)");
  EXPECT_EVALUATION_FAILS(Run, "Inv(1 - 1)");
}

TEST_F(ExpressionFunctions, IntTruncatesTowardZero) {
  EXPECT_FORMULA(Run, "Int(-2.7)", -2);
  EXPECT_FORMULA(Run, "Int(2.7)", 2);
  EXPECT_FORMULA(Run, "-Int(2.7)", -2);
  EXPECT_FORMULA(Run, "Int(2147483647.9)", 2147483647);
  EXPECT_FORMULA(Run, "Int(-2147483648.5)", -2147483648.0);
  // Beyond 32 bits there is no integer to give.
  EXPECT_EVALUATION_FAILS(Run, "Int(2147483648)");
  EXPECT_EVALUATION_FAILS(Run, "Int(Sqrt(-1))");
  EXPECT_EVALUATION_FAILS(Run, "Int(10 ^ 400)");
}

TEST_F(ExpressionFunctions, DateFieldsOfMinuteValues) {
  EXPECT_FORMULA(Run, "YEAR(0)", 1970);
  EXPECT_FORMULA(Run, "MONTH(0)", 1);
  EXPECT_FORMULA(Run, "DAY(0)", 1);
  EXPECT_FORMULA(Run, "DAY(1440)", 2);
  // One minute before 1970.
  EXPECT_FORMULA(Run, "YEAR(-1)", 1969);
  EXPECT_FORMULA(Run, "MONTH(-1)", 12);
  EXPECT_FORMULA(Run, "DAY(-1)", 31);
  // 2024-02-29 12:34:56.
  const char* leapDay = "28486834.933333334";
  EXPECT_FORMULA(Run, QStringLiteral("YEAR(%1)").arg(leapDay), 2024);
  EXPECT_FORMULA(Run, QStringLiteral("MONTH(%1)").arg(leapDay), 2);
  EXPECT_FORMULA(Run, QStringLiteral("DAY(%1)").arg(leapDay), 29);
  EXPECT_FORMULA(Run, QStringLiteral("HOUR(%1)").arg(leapDay), 12);
  EXPECT_FORMULA(Run, QStringLiteral("MINUTE(%1)").arg(leapDay), 34);
  EXPECT_FORMULA(Run, QStringLiteral("SECOND(%1)").arg(leapDay), 56);
  EXPECT_FORMULA(Run, "year(-36816480)", 1900);
  EXPECT_FORMULA(Run, "YEAR(4223371679)", 9999);
}

TEST_F(ExpressionFunctions, DateFieldsOfInvalidDatesAreMinusOne) {
  EXPECT_FORMULA(Run, "YEAR(4223371680)", -1);  // 10000-01-01
  EXPECT_FORMULA(Run, "MONTH(10 ^ 12)", -1);
  EXPECT_FORMULA(Run, "DAY(-10 ^ 12)", -1);
  EXPECT_FORMULA(Run, "YEAR(Sqrt(-1))", -1);
  EXPECT_FORMULA(Run, "HOUR(Sqrt(-1))", -1);
  EXPECT_FORMULA(Run, "SECOND(10 ^ 400)", -1);
}

TEST_F(ExpressionFunctions, ClockFieldsReadMinutesOfTheDay) {
  EXPECT_FORMULA(Run, "HOUR(750)", 12);
  EXPECT_FORMULA(Run, "MINUTE(750)", 30);
  EXPECT_FORMULA(Run, "SECOND(750.5)", 30);
  EXPECT_FORMULA(Run, "HOUR(1439.99)", 23);
  EXPECT_FORMULA(Run, "MINUTE(1439.99)", 59);
  // 59.994 seconds round to 60, which a time of day cannot show.
  EXPECT_FORMULA(Run, "SECOND(0.9999)", 59);
  // Outside 0 to 1440 the value is a date and time.
  EXPECT_FORMULA(Run, "MINUTE(1440)", 0);
  EXPECT_FORMULA(Run, "HOUR(1500)", 1);
  EXPECT_FORMULA(Run, "HOUR(-1)", 23);
  EXPECT_FORMULA(Run, "MINUTE(-1)", 59);
}

// The number IRnd and FRnd draw from, computed here with another SHA-1 implementation over bytes
// written out by hand.
uint32_t ExpectedHash(const QByteArray& guidBytes, const QString& name) {
  QByteArray data = guidBytes;
  for (QChar c : name) {
    data.append(static_cast<char>(c.unicode() & 0xFF));
    data.append(static_cast<char>(c.unicode() >> 8));
  }
  const QByteArray digest = QCryptographicHash::hash(data, QCryptographicHash::Sha1);
  const auto* d = reinterpret_cast<const uchar*>(digest.constData());
  return d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<uint32_t>(d[3]) << 24);
}

const char kGuid[] = "00112233-4455-6677-8899-AABBCCDDEEFF";
// kGuid as the platform keeps it in memory: the first three groups little-endian.
const QByteArray kGuidBytes = QByteArray::fromHex("33221100554477668899AABBCCDDEEFF");

class ExpressionRandom : public ExpressionFixture {
 protected:
  void SetUp() override { m_context.SetSessionGuid(QString::fromLatin1(kGuid)); }
  double Value(const char* formula) {
    const FormulaResult result = Run(formula);
    EXPECT_TRUE(result.evaluated) << formula;
    return result.value;
  }
};

TEST_F(ExpressionRandom, NumbersComeFromTheSessionAndThePointName) {
  const uint32_t h = ExpectedHash(kGuidBytes, QStringLiteral("Result"));
  EXPECT_DOUBLE_EQ(Value("FRnd(1)"), h / 4294967295.0);
  EXPECT_DOUBLE_EQ(Value("FRnd(10)"), h / 4294967295.0 * 10);
  EXPECT_DOUBLE_EQ(Value("IRnd(1000)"), h % 1000);
  EXPECT_DOUBLE_EQ(Value("IRnd(2.9)"), h % 2);
  EXPECT_DOUBLE_EQ(Value("-IRnd(1000)"), -static_cast<double>(h % 1000));
  // Braces around the identifier change nothing.
  m_context.SetSessionGuid(QStringLiteral("{%1}").arg(QString::fromLatin1(kGuid)));
  EXPECT_DOUBLE_EQ(Value("IRnd(1000)"), h % 1000);
}

TEST_F(ExpressionRandom, WithoutASessionOnlyTheNameCounts) {
  m_context.SetSessionGuid(QString());
  const uint32_t h = ExpectedHash(QByteArray(), QStringLiteral("Result"));
  EXPECT_DOUBLE_EQ(Value("FRnd(1)"), h / 4294967295.0);
  // Without an owner point only the session counts.
  m_context.SetSessionGuid(QString::fromLatin1(kGuid));
  CMathExpression expression(nullptr, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("FRnd(1)")));
  double value = 0;
  ASSERT_TRUE(expression.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, ExpectedHash(kGuidBytes, QString()) / 4294967295.0);
}

TEST_F(ExpressionRandom, NumbersAreStableButDifferBetweenSessionsAndPoints) {
  const double first = Value("FRnd(1)");
  EXPECT_EQ(Value("FRnd(1)"), first);
  CMathExpression expression(m_owner, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("FRnd(1) + IRnd(100) * 0")));
  double again = 0;
  ASSERT_TRUE(expression.Evaluate(again));
  EXPECT_EQ(again, first);
  ASSERT_TRUE(expression.Evaluate(again));
  EXPECT_EQ(again, first);

  CBasePoint* other = m_context.AddPoint(QStringLiteral("Other"));
  const FormulaResult otherPoint = RunFormula(m_context, other, QStringLiteral("FRnd(1)"));
  ASSERT_TRUE(otherPoint.evaluated);
  EXPECT_NE(otherPoint.value, first);

  m_context.SetSessionGuid(QStringLiteral("00112233-4455-6677-8899-AABBCCDDEEFE"));
  EXPECT_NE(Value("FRnd(1)"), first);
}

TEST_F(ExpressionRandom, NumbersStayInTheirRange) {
  for (int session = 0; session < 50; ++session) {
    m_context.SetSessionGuid(QStringLiteral("%1-4455-6677-8899-AABBCCDDEEFF")
                                 .arg(session * 7919, 8, 16, QLatin1Char('0')));
    const double f = Value("FRnd(1)");
    EXPECT_GE(f, 0);
    EXPECT_LE(f, 1);
    const double i = Value("IRnd(7)");
    EXPECT_GE(i, 0);
    EXPECT_LE(i, 6);
    EXPECT_EQ(i, std::trunc(i));
  }
  EXPECT_FORMULA(Run, "IRnd(0)", 0);
  EXPECT_FORMULA(Run, "IRnd(1)", 0);
  EXPECT_FORMULA(Run, "FRnd(0)", 0);
  EXPECT_EVALUATION_FAILS(Run, "IRnd(-1)");
  EXPECT_EVALUATION_FAILS(Run, "IRnd(Sqrt(-1))");
}

TEST(MathFunctionNames, CodesFollowTheNameList) {
  EXPECT_EQ(CMathFunctions::Find(u"abs"), 1);
  EXPECT_EQ(CMathFunctions::Find(u"Rad2Deg"), 16);
  EXPECT_EQ(CMathFunctions::Find(u"irnd"), CMathFunctions::kIRnd);
  EXPECT_EQ(CMathFunctions::Find(u"second"), 26);
  EXPECT_EQ(CMathFunctions::Find(u"Null"), 0);
  EXPECT_EQ(CMathFunctions::Find(u"Ab"), 0);
  for (int32_t code = 1; code <= CMathFunctions::kCount; ++code) {
    EXPECT_EQ(CMathFunctions::Find(CMathFunctions::Name(code)), code);
  }
}

}  // namespace
