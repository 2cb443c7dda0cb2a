#include "points/expr/math_expression.h"

#include <cmath>
#include <memory>
#include <utility>

#include "points/expr/expression_context.h"
#include "points/expr/math_functions.h"
#include "points/expr/point_number.h"
#include "points/expr/project_expression_context.h"
#include "project/base_point.h"

namespace {

// Characters that end a name and stand as tokens of their own.
constexpr char16_t kDelimiters[] = u"(){}[],:;^*/%+-=<>!&|?";

// The operator characters by code; codes 8 to 10 (">=", "<=", "!=") have none and are formed by
// merging with a following "=".
constexpr char16_t kOperatorCharacters[CMathToken::kOperatorCount] = {
    u'^', u'*', u'/', u'%', u'+', u'-', u'>', u'<', 0, 0, 0, u'!', u'=', u'&', u'|', u'?', u':'};

bool IsDelimiter(QChar c) {
  for (const char16_t* d = kDelimiters; *d; ++d) {
    if (c.unicode() == *d) return true;
  }
  return false;
}

int32_t OperatorCode(QStringView token) {
  if (token.size() != 1 || token[0].unicode() == 0) return -1;
  for (int32_t code = 0; code < CMathToken::kOperatorCount; ++code) {
    if (kOperatorCharacters[code] == token[0].unicode()) return code;
  }
  return -1;
}

// The next token from `position` on; false at the end of the text. Control characters and
// spaces separate tokens; a delimiter is a token of its own.
bool NextToken(QStringView text, qsizetype& position, QStringView& token) {
  const qsizetype size = text.size();
  qsizetype start = -1;
  while (position < size) {
    const QChar c = text[position];
    if (c.unicode() <= 32) {
      if (start >= 0) break;
      ++position;
      continue;
    }
    if (IsDelimiter(c)) {
      if (start >= 0) break;  // the delimiter is the next call's token
      token = text.sliced(position, 1);
      ++position;
      return true;
    }
    if (start < 0) start = position;
    ++position;
  }
  if (start < 0) return false;
  token = text.sliced(start, position - start);
  return true;
}

// The position of the ")" that closes a "(" just before `from`; -1 when there is none.
qsizetype MatchingParenthesis(QStringView text, qsizetype from) {
  int depth = 1;
  for (qsizetype i = from; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('(')) {
      ++depth;
    } else if (text[i] == QLatin1Char(')')) {
      if (--depth == 0) return i;
    }
  }
  return -1;
}

bool IsNumberToken(QStringView token) {
  for (QChar c : token) {
    if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.'))) {
      return false;
    }
  }
  return true;
}

bool ApplyOperator(int32_t code, double left, double right, double& result) {
  switch (code) {
    case CMathToken::kPower:
      result = std::pow(left, right);
      return true;
    case CMathToken::kMultiply:
      result = left * right;
      return true;
    case CMathToken::kDivide:
      if (right == 0) return false;
      result = left / right;
      return true;
    case CMathToken::kRemainder:
      if (right == 0) return false;
      result = std::fmod(left, right);
      return true;
    case CMathToken::kAdd:
      result = left + right;
      return true;
    case CMathToken::kSubtract:
      result = left - right;
      return true;
    case CMathToken::kGreater:
      result = left > right ? 1 : 0;
      return true;
    case CMathToken::kLess:
      result = left < right ? 1 : 0;
      return true;
    case CMathToken::kGreaterEqual:
      result = left >= right ? 1 : 0;
      return true;
    case CMathToken::kLessEqual:
      result = left <= right ? 1 : 0;
      return true;
    case CMathToken::kNotEqual:
      result = left == right ? 0 : 1;
      return true;
    case CMathToken::kNot:
      result = right == 0 ? 1 : 0;
      return true;
    case CMathToken::kEqual:
      result = left == right ? 1 : 0;
      return true;
    case CMathToken::kAnd:
      result = left != 0 && right != 0 ? 1 : 0;
      return true;
    case CMathToken::kOr:
      result = left != 0 || right != 0 ? 1 : 0;
      return true;
    default:
      return false;
  }
}

}  // namespace

// One run of Evaluate: the context, the evaluation point that "IRnd" and "FRnd" hash (the owner
// of the evaluated expression; groups and arguments share it) and that hash once computed.
class CMathExpression::CEvaluation {
 public:
  CEvaluation(const IExpressionContext& context, const CBasePoint* point)
      : m_context(context), m_point(point) {}

  bool RandomHash(uint32_t& out) {
    if (!m_hashKnown) {
      if (!CMathFunctions::RandomHash(m_context.SessionGuid(),
                                      m_point ? m_point->Name() : QString(), m_hash)) {
        return false;
      }
      m_hashKnown = true;
    }
    out = m_hash;
    return true;
  }

 private:
  const IExpressionContext& m_context;
  const CBasePoint* m_point;
  uint32_t m_hash = 0;
  bool m_hashKnown = false;
};

// An entry of the working list of an evaluation: a token of the parsed list, or (token null) a
// number computed from it. The parsed list itself is never changed.
struct CMathExpression::Slot {
  const CMathToken* token;
  double number;

  bool IsOperand() const { return !token || token->IsOperand(); }
  bool IsOperator(int32_t code) const { return token && token->IsOperator(code); }
};

CMathExpression::CMathExpression(CBasePoint* owner, const IExpressionContext* context)
    : m_owner(owner), m_context(context) {}

CMathExpression::~CMathExpression() = default;
CMathExpression::CMathExpression(const CMathExpression& other) = default;
CMathExpression& CMathExpression::operator=(const CMathExpression& other) = default;

bool CMathExpression::Parse(const QString& text) {
  m_tokens.clear();
  if (text.isEmpty() || text.size() > kMaxLength) return false;
  const CProjectExpressionContext projectContext(m_owner);
  const IExpressionContext& context = m_context ? *m_context : projectContext;
  if (!ParseText(text, context, 0)) {
    m_tokens.clear();
    return false;
  }
  return true;
}

bool CMathExpression::ParseText(QStringView text, const IExpressionContext& context, int depth) {
  m_tokens.clear();
  // A text of operators alone (or of nothing but blanks) is no formula; refusing it here keeps
  // it from passing as parsed and failing only at every evaluation.
  bool hasOperand = false;
  qsizetype position = 0;
  QStringView token;
  while (NextToken(text, position, token)) {
    if (token == QLatin1String("(")) {
      if (depth >= kMaxNesting) return false;
      const qsizetype close = MatchingParenthesis(text, position);
      if (close < 0) return false;
      auto inner = std::make_unique<CMathExpression>(m_owner, m_context);
      if (!inner->ParseText(text.sliced(position, close - position), context, depth + 1)) {
        return false;
      }
      position = close + 1;
      if (!m_tokens.empty() && m_tokens.back().IsFunctionWithoutArgument()) {
        m_tokens.back().SetArgument(std::move(inner));
      } else {
        m_tokens.push_back(CMathToken::MakeGroup(std::move(inner)));
      }
      hasOperand = true;
      continue;
    }

    const int32_t code = OperatorCode(token);
    if (code >= 0) {
      if (code == CMathToken::kEqual && !m_tokens.empty()) {
        CMathToken& last = m_tokens.back();
        if (last.IsOperator(CMathToken::kGreater)) {
          last.SetOperatorCode(CMathToken::kGreaterEqual);
          continue;
        }
        if (last.IsOperator(CMathToken::kLess)) {
          last.SetOperatorCode(CMathToken::kLessEqual);
          continue;
        }
        if (last.IsOperator(CMathToken::kNot)) {
          last.SetOperatorCode(CMathToken::kNotEqual);
          continue;
        }
      }
      // "!" is binary with an unused left side; a leading one gets a 0 to stand on.
      if (code == CMathToken::kNot && m_tokens.empty()) {
        m_tokens.push_back(CMathToken::MakeNumber(0));
      }
      m_tokens.push_back(CMathToken::MakeOperator(code));
      continue;
    }

    hasOperand = true;
    if (IsNumberToken(token)) {
      double value = 0;
      // A token of points alone holds no number.
      if (!CPointNumber::ScanDouble(token, value)) return false;
      m_tokens.push_back(CMathToken::MakeNumber(value));
      continue;
    }
    if (const int32_t function = CMathFunctions::Find(token)) {
      m_tokens.push_back(CMathToken::MakeFunction(function));
      continue;
    }
    if (token.compare(QLatin1String("e"), Qt::CaseInsensitive) == 0) {
      m_tokens.push_back(CMathToken::MakeNumber(CMathFunctions::kE));
      continue;
    }
    if (token.compare(QLatin1String("pi"), Qt::CaseInsensitive) == 0) {
      m_tokens.push_back(CMathToken::MakeNumber(CMathFunctions::kPi));
      continue;
    }
    CBasePoint* point = context.FindPoint(token.toString());
    if (!point) return false;
    if (m_owner && point != m_owner) point->AddDependent(m_owner);
    m_tokens.push_back(CMathToken::MakeReference(point));
  }
  return hasOperand && Validate();
}

bool CMathExpression::Validate() {
  // Builds the validated list in one pass, so that a long run of minus signs costs no more than
  // the tokens themselves. The last token is not examined.
  const size_t count = m_tokens.size();
  std::vector<CMathToken> validated;
  validated.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    CMathToken& token = m_tokens[i];
    if (i + 1 < count) {
      if (token.IsFunctionWithoutArgument()) return false;
      if (token.IsOperator(CMathToken::kSubtract)) {
        CMathToken& next = m_tokens[i + 1];
        if (!next.IsOperand() || next.IsFunctionWithoutArgument()) return false;
        next.Negate();
        // A binary minus adds the negated operand; a unary one simply disappears.
        if (!validated.empty() && validated.back().IsOperand()) {
          validated.push_back(CMathToken::MakeOperator(CMathToken::kAdd));
        }
        continue;
      }
    }
    validated.push_back(std::move(token));
  }
  m_tokens = std::move(validated);
  return true;
}

bool CMathExpression::Evaluate(double& value) const {
  const CProjectExpressionContext projectContext(m_owner);
  CEvaluation evaluation(m_context ? *m_context : projectContext, m_owner);
  return Reduce(evaluation, value);
}

bool CMathExpression::Reduce(CEvaluation& evaluation, double& value) const {
  if (m_tokens.empty()) return false;
  std::vector<Slot> list;
  list.reserve(m_tokens.size());
  for (const CMathToken& token : m_tokens) list.push_back({&token, 0.0});
  std::vector<Slot> next;
  next.reserve(list.size());

  // One level per operator code, lowest first; within a level from left to right. Each level is
  // one pass that copies the list with its operators of that level applied. An operator in the
  // first or last place is never applied.
  for (int32_t code = CMathToken::kPower; code <= CMathToken::kOr; ++code) {
    next.clear();
    next.push_back(list[0]);
    for (size_t i = 1; i < list.size(); ++i) {
      if (i + 1 < list.size() && list[i].IsOperator(code)) {
        Slot& left = next.back();
        const Slot& right = list[i + 1];
        if (!left.IsOperand() || !right.IsOperand()) return false;
        double l = 0;
        double r = 0;
        // "!" needs a left operand but neither evaluates nor uses it.
        if (code != CMathToken::kNot && !SlotValue(left, evaluation, l)) return false;
        if (!SlotValue(right, evaluation, r)) return false;
        double result = 0;
        if (!ApplyOperator(code, l, r, result)) return false;
        left = Slot{nullptr, result};
        ++i;
      } else {
        next.push_back(list[i]);
      }
    }
    list.swap(next);
  }

  // The conditional, after every binary operator: condition ? a : b, where only the chosen
  // branch is evaluated; a chain groups to the left. A "?" that is not followed by an operand, a
  // ":" and another operand stays in the list, which then is not a single operand and fails.
  next.clear();
  next.push_back(list[0]);
  for (size_t i = 1; i < list.size(); ++i) {
    if (list.size() - 1 - i >= 3 && list[i].IsOperator(CMathToken::kQuestion)) {
      if (!next.back().IsOperand() || !list[i + 1].IsOperand() ||
          !list[i + 2].IsOperator(CMathToken::kColon) || !list[i + 3].IsOperand()) {
        return false;
      }
      double condition = 0;
      if (!SlotValue(next.back(), evaluation, condition)) return false;
      double result = 0;
      if (!SlotValue(condition != 0 ? list[i + 1] : list[i + 3], evaluation, result)) return false;
      next.back() = Slot{nullptr, result};
      i += 3;
    } else {
      next.push_back(list[i]);
    }
  }
  list.swap(next);

  if (list.size() != 1 || !list[0].IsOperand()) return false;
  return SlotValue(list[0], evaluation, value);
}

bool CMathExpression::SlotValue(const Slot& slot, CEvaluation& evaluation, double& value) {
  if (!slot.token) {
    value = slot.number;
    return true;
  }
  const CMathToken& token = *slot.token;
  double result = 0;
  switch (token.GetKind()) {
    case CMathToken::kOperator:
      return false;
    case CMathToken::kNumber:
      value = token.Number();
      return true;
    case CMathToken::kReference:
    case CMathToken::kNegatedReference:
      if (!token.Point() || !CPointNumber::FromPoint(*token.Point(), result)) return false;
      break;
    case CMathToken::kGroup:
    case CMathToken::kNegatedGroup:
      if (!token.SubExpression() || !token.SubExpression()->Reduce(evaluation, result)) {
        return false;
      }
      break;
    case CMathToken::kFunction:
    case CMathToken::kNegatedFunction: {
      double argument = 0;
      if (!token.SubExpression() || !token.SubExpression()->Reduce(evaluation, argument)) {
        return false;
      }
      uint32_t hash = 0;
      const int32_t function = token.FunctionCode();
      if ((function == CMathFunctions::kIRnd || function == CMathFunctions::kFRnd) &&
          !evaluation.RandomHash(hash)) {
        return false;
      }
      if (!CMathFunctions::Apply(function, argument, hash, result)) return false;
      break;
    }
  }
  value = token.IsNegated() ? -result : result;
  return true;
}
