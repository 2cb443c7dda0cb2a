#include "points/expr/math_token.h"

#include <utility>

#include "points/expr/math_expression.h"

CMathToken CMathToken::MakeOperator(int32_t code) {
  CMathToken token(kOperator);
  token.m_code = code;
  return token;
}

CMathToken CMathToken::MakeNumber(double value) {
  CMathToken token(kNumber);
  token.m_number = value;
  return token;
}

CMathToken CMathToken::MakeReference(CBasePoint* point) {
  CMathToken token(kReference);
  token.m_point = point;
  return token;
}

CMathToken CMathToken::MakeGroup(std::unique_ptr<CMathExpression> group) {
  CMathToken token(kGroup);
  token.m_expression = std::move(group);
  return token;
}

CMathToken CMathToken::MakeFunction(int32_t functionCode) {
  CMathToken token(kFunction);
  token.m_function = functionCode;
  return token;
}

CMathToken::~CMathToken() = default;

CMathToken::CMathToken(const CMathToken& other)
    : m_kind(other.m_kind),
      m_code(other.m_code),
      m_number(other.m_number),
      m_point(other.m_point),
      m_function(other.m_function),
      m_expression(other.m_expression ? std::make_unique<CMathExpression>(*other.m_expression)
                                      : nullptr) {}

CMathToken& CMathToken::operator=(const CMathToken& other) {
  if (this != &other) {
    CMathToken copy(other);
    *this = std::move(copy);
  }
  return *this;
}

CMathToken::CMathToken(CMathToken&& other) noexcept = default;
CMathToken& CMathToken::operator=(CMathToken&& other) noexcept = default;

void CMathToken::SetArgument(std::unique_ptr<CMathExpression> argument) {
  m_expression = std::move(argument);
}

bool CMathToken::Negate() {
  switch (m_kind) {
    case kOperator:
      return false;
    case kNumber:
      m_number = -m_number;
      return true;
    case kReference:
      m_kind = kNegatedReference;
      return true;
    case kNegatedReference:
      m_kind = kReference;
      return true;
    case kGroup:
      m_kind = kNegatedGroup;
      return true;
    case kNegatedGroup:
      m_kind = kGroup;
      return true;
    case kFunction:
      m_kind = kNegatedFunction;
      return true;
    case kNegatedFunction:
      m_kind = kFunction;
      return true;
  }
  return false;
}
