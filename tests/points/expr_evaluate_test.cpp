// Evaluation of formulas: operator levels, unary minus, comparisons and logic, the conditional.
#include <gtest/gtest.h>

#include <cmath>

#include "support/expr_test_context.h"

namespace {

class ExpressionEvaluation : public ExpressionFixture {};

TEST_F(ExpressionEvaluation, EachOperatorCodeIsItsOwnLevel) {
  EXPECT_FORMULA(Run, "2 + 3 * 4", 14);
  // "*" is reduced before "/", and "/" before "%".
  EXPECT_FORMULA(Run, "8 / 2 * 2", 2);
  EXPECT_FORMULA(Run, "10 % 4 * 2", 2);
  EXPECT_FORMULA(Run, "12 / 4 % 3", 0);  // 12 / 4 first; 4 % 3 first would give 12
  EXPECT_FORMULA(Run, "2 * (3 + 4)", 14);
  EXPECT_FORMULA(Run, "2+3*4^2", 50);
}

TEST_F(ExpressionEvaluation, OperatorsOfOneLevelApplyLeftToRight) {
  EXPECT_FORMULA(Run, "2 ^ 3 ^ 2", 64);
  EXPECT_FORMULA(Run, "100 / 10 / 5", 2);
  EXPECT_FORMULA(Run, "1 + 2 + 3", 6);
}

TEST_F(ExpressionEvaluation, UnaryMinusBindsTighterThanEveryOperator) {
  EXPECT_FORMULA(Run, "5 - 3 ^ 2", 14);
  EXPECT_FORMULA(Run, "-2 ^ 2", 4);
  EXPECT_FORMULA(Run, "5 * -3", -15);
  EXPECT_FORMULA(Run, "-(2 + 3)", -5);
  EXPECT_FORMULA(Run, "10 - Sqrt(4)", 8);
  EXPECT_FORMULA(Run, "-Abs(-3) * 2", -6);
  EXPECT_FORMULA(Run, "7 - 2 - 1", 4);
  EXPECT_FORMULA(Run, "1 ? -2 : 3", -2);
}

TEST_F(ExpressionEvaluation, ArithmeticEdgeResults) {
  EXPECT_FORMULA(Run, "-7 % 3", -1);  // the remainder keeps the sign of the left side
  EXPECT_FORMULA(Run, "7.5 % 2", 1.5);
  EXPECT_EVALUATION_FAILS(Run, "1 / 0");
  EXPECT_EVALUATION_FAILS(Run, "1 % 0");
  EXPECT_EVALUATION_FAILS(Run, "1 / (2 - 2)");
  // Failures inside a group fail the whole formula.
  EXPECT_EVALUATION_FAILS(Run, "3 + (1 / 0)");
  // Overflow is a result, not a failure: the math point shows it.
  const FormulaResult big = Run("10 ^ 400");
  ASSERT_TRUE(big.evaluated);
  EXPECT_TRUE(std::isinf(big.value));
}

TEST_F(ExpressionEvaluation, ComparisonsAndLogic) {
  EXPECT_FORMULA(Run, "1 < 2 = 1", 1);
  EXPECT_FORMULA(Run, "3 >= 3", 1);
  EXPECT_FORMULA(Run, "2 <= 1", 0);
  EXPECT_FORMULA(Run, "3 != 3", 0);
  EXPECT_FORMULA(Run, "3 != 4", 1);
  EXPECT_FORMULA(Run, "3 > = 2", 1);  // the merge works on tokens, blanks between are fine
  EXPECT_FORMULA(Run, "!0", 1);
  EXPECT_FORMULA(Run, "!5", 0);
  EXPECT_FORMULA(Run, "2 & 3", 1);
  EXPECT_FORMULA(Run, "2 & 0", 0);
  EXPECT_FORMULA(Run, "0 | 0", 0);
  EXPECT_FORMULA(Run, "0 | -1", 1);
  // Comparisons bind tighter than "&": (1 < 2) & 3, not 1 < (2 & 3).
  EXPECT_FORMULA(Run, "1 < 2 & 3", 1);
  // "!" binds tighter than "=": (!0) = 2 is false, !(0 = 2) would be true.
  EXPECT_FORMULA(Run, "!0 = 2", 0);
  // "==" is two "=" operators.
  EXPECT_EVALUATION_FAILS(Run, "1 == 1");
}

TEST_F(ExpressionEvaluation, NotNeedsAnOperandOnItsLeft) {
  m_context.AddText(QStringLiteral("a"), QStringLiteral("1"));
  m_context.AddText(QStringLiteral("b"), QStringLiteral("0"));
  EXPECT_EVALUATION_FAILS(Run, "a & !b");
  EXPECT_FORMULA(Run, "a & (!b)", 1);
  EXPECT_FORMULA(Run, "(!b) + (!a)", 1);
  // The left side of "!" is never evaluated.
  EXPECT_FORMULA(Run, "(1 / 0) ! 0", 1);
}

TEST_F(ExpressionEvaluation, NanComparesAsThePlatformDoes) {
  EXPECT_FORMULA(Run, "Sqrt(-1) > 0", 0);
  EXPECT_FORMULA(Run, "Sqrt(-1) <= 0", 0);
  EXPECT_FORMULA(Run, "Sqrt(-1) = Sqrt(-1)", 0);
  EXPECT_FORMULA(Run, "Sqrt(-1) != Sqrt(-1)", 1);
  EXPECT_FORMULA(Run, "Sqrt(-1) & 1", 1);  // NaN is not 0
}

TEST_F(ExpressionEvaluation, LogicEvaluatesBothSides) {
  EXPECT_EVALUATION_FAILS(Run, "0 & (1 / 0)");
  EXPECT_EVALUATION_FAILS(Run, "1 | (1 / 0)");
}

TEST_F(ExpressionEvaluation, ConditionalChoosesABranch) {
  EXPECT_FORMULA(Run, "1 ? 10 : 20", 10);
  EXPECT_FORMULA(Run, "0 ? 10 : 20", 20);
  EXPECT_FORMULA(Run, "Sqrt(-1) ? 10 : 20", 10);
  // Every binary operator comes first.
  EXPECT_FORMULA(Run, "1 + 1 ? 5 : 6", 5);
  EXPECT_FORMULA(Run, "0 ? 5 : 6 + 1", 7);
  EXPECT_FORMULA(Run, "2 > 1 ? 2 * 3 : 4", 6);
}

TEST_F(ExpressionEvaluation, ConditionalGroupsToTheLeft) {
  EXPECT_FORMULA(Run, "1 ? 2 : 0 ? 3 : 4", 3);
  EXPECT_FORMULA(Run, "0 ? 2 : 0 ? 3 : 4", 4);
  // (1 ? 0 : 1) ? 3 : 4 is 4; grouping to the right would give 0.
  EXPECT_FORMULA(Run, "1 ? 0 : 1 ? 3 : 4", 4);
  EXPECT_FORMULA(Run, "1 ? (0) : (1 ? 3 : 4)", 0);
}

TEST_F(ExpressionEvaluation, OnlyTheChosenGroupIsEvaluated) {
  EXPECT_FORMULA(Run, "0 ? (1 / 0) : 2", 2);
  EXPECT_FORMULA(Run, "1 ? 2 : (1 / 0)", 2);
  EXPECT_EVALUATION_FAILS(Run, "1 ? (1 / 0) : 2");
  // A bare 1 / 0 is a binary operator and is applied before the conditional.
  EXPECT_EVALUATION_FAILS(Run, "0 ? 1 / 0 : 2");
  EXPECT_EVALUATION_FAILS(Run, "1 ? 1 / 0 : 2");
  // The condition itself must evaluate.
  EXPECT_EVALUATION_FAILS(Run, "(1 / 0) ? 1 : 2");
}

TEST_F(ExpressionEvaluation, IncompleteFormulasFail) {
  EXPECT_EVALUATION_FAILS(Run, "1 ? 2");
  EXPECT_EVALUATION_FAILS(Run, "1 ? 2 :");
  EXPECT_EVALUATION_FAILS(Run, "1 : 2");
  EXPECT_EVALUATION_FAILS(Run, "1 ? 2 ? 3 : 4");
  EXPECT_EVALUATION_FAILS(Run, "2 3");    // adjacent operands
  EXPECT_EVALUATION_FAILS(Run, "2 (3)");  // a group is no multiplication
  EXPECT_EVALUATION_FAILS(Run, "1 +");
  EXPECT_EVALUATION_FAILS(Run, "* 1");
  EXPECT_EVALUATION_FAILS(Run, "1 + * 2");
  EXPECT_EVALUATION_FAILS(Run, "1 + ? 2 : 3");
}

TEST_F(ExpressionEvaluation, EvaluationLeavesTheParsedFormulaAlone) {
  m_context.AddText(QStringLiteral("a"), QStringLiteral("2"));
  CMathExpression expression(m_owner, &m_context);
  ASSERT_TRUE(expression.Parse(QStringLiteral("a * (3 + a) - 1")));
  const size_t tokens = expression.Tokens().size();
  double first = 0;
  double second = 0;
  ASSERT_TRUE(expression.Evaluate(first));
  ASSERT_TRUE(expression.Evaluate(second));
  EXPECT_DOUBLE_EQ(first, 9);
  EXPECT_DOUBLE_EQ(second, 9);
  EXPECT_EQ(expression.Tokens().size(), tokens);
  // A changed point value is read at the next evaluation.
  m_context.FindPoint(QStringLiteral("a"))->AssignValue(CVariant::FromString(QStringLiteral("3")));
  ASSERT_TRUE(expression.Evaluate(first));
  EXPECT_DOUBLE_EQ(first, 17);
}

TEST_F(ExpressionEvaluation, CopiesAreIndependent) {
  CMathExpression original(m_owner, &m_context);
  ASSERT_TRUE(original.Parse(QStringLiteral("-(1 + Abs(-2))")));
  CMathExpression copy(original);
  ASSERT_TRUE(original.Parse(QStringLiteral("5")));
  double value = 0;
  ASSERT_TRUE(copy.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, -3);
  ASSERT_TRUE(original.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, 5);
  copy = original;
  ASSERT_TRUE(copy.Evaluate(value));
  EXPECT_DOUBLE_EQ(value, 5);
}

}  // namespace
