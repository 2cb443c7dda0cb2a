// CMathToken: one token of a parsed formula: an operator, a number, a (negated) point reference,
// or a (negated) parenthesised group or function call that owns its sub-expression. Tokens are
// owned by their CMathExpression; copying a token deep-copies its sub-expression. Referenced
// points are not owned. UI thread only.
#pragma once

#include <cstdint>
#include <memory>

class CBasePoint;
class CMathExpression;

class CMathToken {
 public:
  // Token kinds; every kind but kOperator is an operand.
  enum Kind : int32_t {
    kOperator = 0,
    kNumber = 1,
    kReference = 2,
    kGroup = 3,
    kNegatedReference = 4,
    kNegatedGroup = 5,
    kFunction = 6,
    kNegatedFunction = 7,
  };

  // Operator codes, in the order evaluation reduces them (one level per code, lower first).
  enum Operator : int32_t {
    kPower = 0,
    kMultiply = 1,
    kDivide = 2,
    kRemainder = 3,
    kAdd = 4,
    kSubtract = 5,
    kGreater = 6,
    kLess = 7,
    kGreaterEqual = 8,
    kLessEqual = 9,
    kNotEqual = 10,
    kNot = 11,
    kEqual = 12,
    kAnd = 13,
    kOr = 14,
    kQuestion = 15,
    kColon = 16,
  };
  static constexpr int32_t kOperatorCount = 17;

  static CMathToken MakeOperator(int32_t code);
  static CMathToken MakeNumber(double value);
  static CMathToken MakeReference(CBasePoint* point);
  static CMathToken MakeGroup(std::unique_ptr<CMathExpression> group);
  // A function call whose argument is still to be read.
  static CMathToken MakeFunction(int32_t functionCode);

  ~CMathToken();
  CMathToken(const CMathToken& other);
  CMathToken& operator=(const CMathToken& other);
  CMathToken(CMathToken&& other) noexcept;
  CMathToken& operator=(CMathToken&& other) noexcept;

  Kind GetKind() const { return m_kind; }
  bool IsOperand() const { return m_kind != kOperator; }
  bool IsOperator(int32_t code) const { return m_kind == kOperator && m_code == code; }
  bool IsNegated() const {
    return m_kind == kNegatedReference || m_kind == kNegatedGroup || m_kind == kNegatedFunction;
  }
  // A function call (negated or not) that has no argument yet.
  bool IsFunctionWithoutArgument() const {
    return (m_kind == kFunction || m_kind == kNegatedFunction) && !m_expression;
  }

  int32_t OperatorCode() const { return m_code; }
  void SetOperatorCode(int32_t code) { m_code = code; }
  double Number() const { return m_number; }
  CBasePoint* Point() const { return m_point; }
  int32_t FunctionCode() const { return m_function; }
  // The group's expression or the function's argument; nullptr for other kinds.
  const CMathExpression* SubExpression() const { return m_expression.get(); }
  void SetArgument(std::unique_ptr<CMathExpression> argument);

  // Changes the operand's sign: a number's value, or the kind between plain and negated.
  // False for an operator.
  bool Negate();

 private:
  explicit CMathToken(Kind kind) : m_kind(kind) {}

  Kind m_kind;
  int32_t m_code = 0;  // operator code
  double m_number = 0.0;
  CBasePoint* m_point = nullptr;
  int32_t m_function = 0;  // 1-26 for function calls
  std::unique_ptr<CMathExpression> m_expression;
};
