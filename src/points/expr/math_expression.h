// CMathExpression: a parsed formula of a math point: an ordered list of tokens, where groups and
// function arguments are expressions of their own, so a formula is a tree of token lists.
// Parsing registers the owner as a dependant of every point the formula names; evaluation
// reduces the tokens to one number without changing the parsed list. The math point owns its
// expression (the owner is not owned); tokens own their sub-expressions; copies are deep.
// UI thread only.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

#include "points/expr/math_token.h"

class CBasePoint;
class IExpressionContext;

class CMathExpression {
 public:
  // Groups and function arguments may nest this deep; deeper formulas fail to parse rather than
  // exhaust the stack.
  static constexpr int kMaxNesting = 64;
  // Longer formula texts fail to parse: formulas are written by hand and short.
  static constexpr qsizetype kMaxLength = 65536;

  // `context` answers point names and the session; without one, the owner's project does
  // (CProjectExpressionContext). Neither is owned; both must outlive the expression.
  explicit CMathExpression(CBasePoint* owner, const IExpressionContext* context = nullptr);
  ~CMathExpression();
  CMathExpression(const CMathExpression& other);
  CMathExpression& operator=(const CMathExpression& other);

  // Empties the token list and reads `text` into tokens; false for an empty or malformed text, a
  // name that is no point, too deep a nesting or too long a text (the list is then empty).
  bool Parse(const QString& text);

  // Reduces the parsed formula to one number; false when it cannot be evaluated. NaN and
  // infinite results are successes.
  bool Evaluate(double& value) const;

  CBasePoint* Owner() const { return m_owner; }
  const std::vector<CMathToken>& Tokens() const { return m_tokens; }

 private:
  class CEvaluation;
  struct Slot;

  bool ParseText(QStringView text, const IExpressionContext& context, int depth);
  bool Validate();
  bool Reduce(CEvaluation& evaluation, double& value) const;
  static bool SlotValue(const Slot& slot, CEvaluation& evaluation, double& value);

  CBasePoint* m_owner;
  const IExpressionContext* m_context;
  std::vector<CMathToken> m_tokens;
};
