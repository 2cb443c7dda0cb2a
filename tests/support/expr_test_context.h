// Test support for the formula tests: an expression context with named points of its own (not
// in any project) and a settable session, and a runner that parses and evaluates a formula for a
// fixed owner point.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <map>
#include <memory>
#include <string>

#include "points/expr/expression_context.h"
#include "points/expr/math_expression.h"
#include "project/base_point.h"
#include "values/variant.h"

class CTestExpressionContext : public IExpressionContext {
 public:
  CBasePoint* AddPoint(const QString& name, const CVariant& value = CVariant()) {
    auto point = std::make_unique<CBasePoint>(1, QStringLiteral("Edit"));
    point->SetName(name);
    point->AssignValue(value);
    CBasePoint* raw = point.get();
    m_points[name.toLower()] = std::move(point);
    return raw;
  }
  CBasePoint* AddText(const QString& name, const QString& text) {
    return AddPoint(name, CVariant::FromString(text));
  }

  CBasePoint* FindPoint(const QString& name) const override {
    const auto it = m_points.find(name.toLower());
    return it == m_points.end() ? nullptr : it->second.get();
  }
  QString SessionGuid() const override { return m_guid; }
  void SetSessionGuid(const QString& guid) { m_guid = guid; }

 private:
  std::map<QString, std::unique_ptr<CBasePoint>> m_points;
  QString m_guid;
};

// The outcome of one formula.
struct FormulaResult {
  bool parsed = false;
  bool evaluated = false;
  double value = 0;
};

// Parses and evaluates `formula` with `owner` in `context`.
inline FormulaResult RunFormula(CTestExpressionContext& context, CBasePoint* owner,
                                const QString& formula) {
  FormulaResult result;
  CMathExpression expression(owner, &context);
  result.parsed = expression.Parse(formula);
  if (result.parsed) result.evaluated = expression.Evaluate(result.value);
  return result;
}

// Formulas owned by a point named "Result" in a context of its own.
class ExpressionFixture : public ::testing::Test {
 protected:
  FormulaResult Run(const QString& formula) { return RunFormula(m_context, m_owner, formula); }

  CTestExpressionContext m_context;
  CBasePoint* m_owner = m_context.AddPoint(QStringLiteral("Result"));
};

inline std::string FormulaText(const QString& formula) {
  const QString shown = formula.size() > 60 ? formula.left(60) + QStringLiteral("...") : formula;
  return shown.toStdString();
}

// GoogleTest checks of the outcome of a formula.
#define EXPECT_FORMULA(runner, formula, expected)                              \
  do {                                                                         \
    const FormulaResult r_ = runner(formula);                                  \
    EXPECT_TRUE(r_.parsed) << FormulaText(formula) << " does not parse";       \
    EXPECT_TRUE(r_.evaluated) << FormulaText(formula) << " does not evaluate"; \
    EXPECT_DOUBLE_EQ(r_.value, (expected)) << FormulaText(formula);            \
  } while (0)

#define EXPECT_PARSE_FAILS(runner, formula) \
  EXPECT_FALSE(runner(formula).parsed) << FormulaText(formula) << " parses"

#define EXPECT_EVALUATION_FAILS(runner, formula)                                        \
  do {                                                                                  \
    const FormulaResult r_ = runner(formula);                                           \
    EXPECT_TRUE(r_.parsed) << FormulaText(formula) << " does not parse";                \
    EXPECT_FALSE(r_.evaluated) << FormulaText(formula) << " evaluates to " << r_.value; \
  } while (0)
