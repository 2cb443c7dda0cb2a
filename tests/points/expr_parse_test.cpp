// Reading formula texts: tokens, names, groups and arguments, the minus rule, dependencies, and
// the texts that must be refused cleanly.
#include <gtest/gtest.h>

#include <memory>

#include "points/expr/math_token.h"
#include "points/expr/project_expression_context.h"
#include "project/page.h"
#include "project/project.h"
#include "support/expr_test_context.h"

namespace {

class ExpressionParse : public ExpressionFixture {};

TEST_F(ExpressionParse, BlanksAndControlCharactersSeparateTokens) {
  EXPECT_FORMULA(Run, "1\t+\n2\r*3", 7);
  EXPECT_FORMULA(Run, "(1+2)*3", 9);
  EXPECT_FORMULA(Run, "  4  ", 4);
  m_context.AddText(QStringLiteral("a"), QStringLiteral("5"));
  EXPECT_FORMULA(Run, "a*a", 25);
}

TEST_F(ExpressionParse, NumbersReadTheirLeadingDecimalForm) {
  EXPECT_FORMULA(Run, "1.5 * 2", 3);
  EXPECT_FORMULA(Run, ".5", 0.5);
  EXPECT_FORMULA(Run, "7.", 7);
  EXPECT_FORMULA(Run, "1.2.3", 1.2);
  EXPECT_FORMULA(Run, "0012", 12);
  // Points alone are no number.
  EXPECT_PARSE_FAILS(Run, ".");
  EXPECT_PARSE_FAILS(Run, "1 + ..");
}

TEST_F(ExpressionParse, FunctionNamesAndConstantsIgnoreCase) {
  EXPECT_FORMULA(Run, "abs(-2)", 2);
  EXPECT_FORMULA(Run, "ABS(-2)", 2);
  EXPECT_FORMULA(Run, "sQrT(9)", 3);
  EXPECT_FORMULA(Run, "PI", 3.141592653589793);
  EXPECT_FORMULA(Run, "Pi * 2", 6.283185307179586);
  EXPECT_FORMULA(Run, "E", 2.718281828459045);
  EXPECT_FORMULA(Run, "Abs (-2)", 2);  // the argument may follow after blanks
}

TEST_F(ExpressionParse, FunctionsNeedAnArgument) {
  // Alone, the function is the last token and passes the parse, but it has no value.
  EXPECT_EVALUATION_FAILS(Run, "Abs");
  EXPECT_EVALUATION_FAILS(Run, "1 + Abs");
  EXPECT_PARSE_FAILS(Run, "Abs 2");
  EXPECT_PARSE_FAILS(Run, "Abs + 2");
  EXPECT_PARSE_FAILS(Run, "5 - Abs");
  EXPECT_PARSE_FAILS(Run, "Abs()");
  // A second group after the argument is an operand of its own.
  EXPECT_EVALUATION_FAILS(Run, "Abs(2)(3)");
}

TEST_F(ExpressionParse, NamesResolveAfterNumbersFunctionsAndConstants) {
  m_context.AddText(QStringLiteral("12"), QStringLiteral("100"));
  m_context.AddText(QStringLiteral("pi"), QStringLiteral("100"));
  m_context.AddText(QStringLiteral("Abs"), QStringLiteral("100"));
  m_context.AddText(QStringLiteral("Null"), QStringLiteral("100"));
  m_context.AddText(QStringLiteral("Total"), QStringLiteral("40"));
  EXPECT_FORMULA(Run, "12", 12);
  EXPECT_FORMULA(Run, "pi", 3.141592653589793);
  EXPECT_EVALUATION_FAILS(Run, "Abs");
  // "Null" holds the function list's unused first place; it is an ordinary name.
  EXPECT_FORMULA(Run, "Null", 100);
  EXPECT_FORMULA(Run, "total + TOTAL", 80);
}

TEST_F(ExpressionParse, UnknownNamesAndStrayCharactersFail) {
  EXPECT_PARSE_FAILS(Run, "Missing + 1");
  EXPECT_PARSE_FAILS(Run, "3,5");  // "," is a delimiter, not a decimal comma
  EXPECT_PARSE_FAILS(Run, "1;2");
  EXPECT_PARSE_FAILS(Run, "[1]");
  EXPECT_PARSE_FAILS(Run, "{1}");
  EXPECT_PARSE_FAILS(Run, "1e5");
  // A delimiter standing alone may still be a point's name.
  m_context.AddText(QStringLiteral(";"), QStringLiteral("3"));
  EXPECT_FORMULA(Run, "2 * ;", 6);
}

TEST_F(ExpressionParse, ParenthesesMustMatch) {
  EXPECT_PARSE_FAILS(Run, "(1 + 2");
  EXPECT_PARSE_FAILS(Run, "1 + 2)");
  EXPECT_PARSE_FAILS(Run, "(");
  EXPECT_PARSE_FAILS(Run, "1 + (");
  EXPECT_PARSE_FAILS(Run, "()");
  EXPECT_PARSE_FAILS(Run, "(1 + (2)");
  EXPECT_PARSE_FAILS(Run, "((1) + Missing)");
  EXPECT_FORMULA(Run, "((1) + (2 * (3)))", 7);
}

TEST_F(ExpressionParse, MinusNegatesTheNextOperand) {
  m_context.AddText(QStringLiteral("a"), QStringLiteral("4"));
  CMathExpression expression(m_owner, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("5 - a - (1) - Abs(2) - 3")));
  const auto& tokens = expression.Tokens();
  ASSERT_EQ(tokens.size(), 9u);
  EXPECT_EQ(tokens[2].GetKind(), CMathToken::kNegatedReference);
  EXPECT_EQ(tokens[4].GetKind(), CMathToken::kNegatedGroup);
  EXPECT_EQ(tokens[6].GetKind(), CMathToken::kNegatedFunction);
  EXPECT_DOUBLE_EQ(tokens[8].Number(), -3);
  for (size_t i = 1; i < tokens.size(); i += 2) EXPECT_TRUE(tokens[i].IsOperator(CMathToken::kAdd));
  double value = 0;
  ASSERT_TRUE(expression.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, 5 - 4 - 1 - 2 - 3);

  ASSERT_TRUE(expression.Parse(QStringLiteral("-a")));
  ASSERT_EQ(expression.Tokens().size(), 1u);
  EXPECT_EQ(expression.Tokens()[0].GetKind(), CMathToken::kNegatedReference);
}

TEST_F(ExpressionParse, MinusBeforeAnOperatorFails) {
  EXPECT_PARSE_FAILS(Run, "5 - -3");
  EXPECT_PARSE_FAILS(Run, "- * 3");
  EXPECT_PARSE_FAILS(Run, "2 * - ? 1 : 0");
  EXPECT_FORMULA(Run, "5 - (-3)", 8);
}

TEST_F(ExpressionParse, LeadingNotStandsOnAZero) {
  EXPECT_FORMULA(Run, "(!0) + 1", 2);
  EXPECT_FORMULA(Run, "Abs(!0)", 1);
  CMathExpression expression(m_owner, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("!1")));
  ASSERT_EQ(expression.Tokens().size(), 3u);
  EXPECT_DOUBLE_EQ(expression.Tokens()[0].Number(), 0);
  EXPECT_TRUE(expression.Tokens()[1].IsOperator(CMathToken::kNot));
}

TEST_F(ExpressionParse, TextsWithoutAnOperandAreRefused) {
  EXPECT_PARSE_FAILS(Run, "");
  EXPECT_PARSE_FAILS(Run, "   \t ");
  EXPECT_PARSE_FAILS(Run, "+");
  EXPECT_PARSE_FAILS(Run, "+ * / %");
  EXPECT_PARSE_FAILS(Run, "!!!");
  EXPECT_PARSE_FAILS(Run, "? : ? :");
  EXPECT_PARSE_FAILS(Run, "(+)");
  EXPECT_PARSE_FAILS(Run, "1 + (=)");
}

TEST_F(ExpressionParse, NestingIsBounded) {
  auto nested = [](int depth, const QString& open) {
    return open.repeated(depth) + QStringLiteral("2") + QStringLiteral(")").repeated(depth);
  };
  const int limit = CMathExpression::kMaxNesting;
  FormulaResult atLimit = Run(nested(limit, QStringLiteral("(")));
  EXPECT_TRUE(atLimit.evaluated);
  EXPECT_DOUBLE_EQ(atLimit.value, 2);
  EXPECT_FALSE(Run(nested(limit + 1, QStringLiteral("("))).parsed);
  // Function arguments count as nesting too.
  atLimit = Run(nested(limit, QStringLiteral("Sqrt(")));
  EXPECT_TRUE(atLimit.evaluated);
  EXPECT_NEAR(atLimit.value, 1, 1e-15);
  EXPECT_FALSE(Run(nested(limit + 1, QStringLiteral("-Abs("))).parsed);
  // Far deeper than any stack would take, and unbalanced.
  EXPECT_FALSE(Run(nested(10000, QStringLiteral("("))).parsed);
  EXPECT_FALSE(Run(QStringLiteral("(").repeated(30000)).parsed);
  EXPECT_FALSE(Run(QStringLiteral("(").repeated(30000) + QStringLiteral(")")).parsed);
  EXPECT_FALSE(Run(QStringLiteral(")").repeated(30000)).parsed);
}

TEST_F(ExpressionParse, LongFormulasAreLinearAndBounded) {
  // The longest formula accepted: many operators of one level and many minus signs.
  QString sum = QStringLiteral("1");
  double expected = 1;
  for (int i = 0; sum.size() + 2 <= CMathExpression::kMaxLength; ++i) {
    sum += i % 2 ? QStringLiteral("+3") : QStringLiteral("-1");
    expected += i % 2 ? 3 : -1;
  }
  ASSERT_EQ(sum.size(), CMathExpression::kMaxLength - 1);
  const FormulaResult result = Run(sum);
  ASSERT_TRUE(result.evaluated);
  EXPECT_DOUBLE_EQ(result.value, expected);
  // A megabyte of formula is refused as a whole.
  EXPECT_FALSE(Run(QStringLiteral("1+").repeated(512 * 1024) + QStringLiteral("1")).parsed);
}

TEST_F(ExpressionParse, ReparsingReplacesTheFormula) {
  CMathExpression expression(m_owner, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("1 + 2")));
  ASSERT_TRUE(expression.Parse(QStringLiteral("5")));
  double value = 0;
  ASSERT_TRUE(expression.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, 5);
  EXPECT_FALSE(expression.Parse(QStringLiteral("5 +(")));
  EXPECT_TRUE(expression.Tokens().empty());
  EXPECT_FALSE(expression.Evaluate(value));
}

TEST_F(ExpressionParse, NamedPointsGetTheOwnerAsDependant) {
  CBasePoint* a = m_context.AddText(QStringLiteral("a"), QStringLiteral("1"));
  CBasePoint* b = m_context.AddText(QStringLiteral("b"), QStringLiteral("2"));
  CBasePoint* unused = m_context.AddText(QStringLiteral("c"), QStringLiteral("3"));
  CMathExpression expression(m_owner, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("a + (b * Abs(a))")));
  EXPECT_EQ(a->Dependants(), QList<CBasePoint*>{m_owner});
  EXPECT_EQ(b->Dependants(), QList<CBasePoint*>{m_owner});
  EXPECT_TRUE(unused->Dependants().isEmpty());
  // A formula may read its own point, without depending on itself.
  m_owner->AssignValue(CVariant::FromString(QStringLiteral("10")));
  ASSERT_TRUE(expression.Parse(QStringLiteral("Result + a")));
  EXPECT_TRUE(m_owner->Dependants().isEmpty());
  double value = 0;
  ASSERT_TRUE(expression.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, 11);
}

TEST(ExpressionInProject, NamesAndSessionComeFromTheOwnersProject) {
  CProject project;
  CPage* page = project.AddPage();
  CBasePoint* price = page->InsertPoint(std::make_unique<CBasePoint>(1, QStringLiteral("Edit")));
  price->SetName(QStringLiteral("Price"));
  price->AssignValue(CVariant::FromString(QStringLiteral("2,5")));
  CBasePoint* total = page->InsertPoint(std::make_unique<CBasePoint>(9, QStringLiteral("Math")));
  total->SetName(QStringLiteral("Total"));
  total->AssignValue(CVariant::FromString(QStringLiteral("1")));

  CMathExpression expression(total);
  ASSERT_TRUE(expression.Parse(QStringLiteral("PRICE * 4 + total")));
  EXPECT_TRUE(price->Dependants().contains(total));
  double value = 0;
  ASSERT_TRUE(expression.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, 11);
  EXPECT_FALSE(expression.Parse(QStringLiteral("Missing")));

  const CProjectExpressionContext context(total);
  EXPECT_TRUE(context.SessionGuid().isEmpty());
  project.SetSessionGuid(QStringLiteral("00112233-4455-6677-8899-AABBCCDDEEFF"));
  EXPECT_EQ(context.SessionGuid(), QStringLiteral("00112233-4455-6677-8899-AABBCCDDEEFF"));

  // A point outside any project knows no names.
  CBasePoint loose(9, QStringLiteral("Math"));
  CMathExpression looseExpression(&loose);
  EXPECT_FALSE(looseExpression.Parse(QStringLiteral("Price")));
  EXPECT_TRUE(looseExpression.Parse(QStringLiteral("2 * 3")));
}

}  // namespace
