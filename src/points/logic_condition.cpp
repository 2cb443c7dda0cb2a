#include "points/logic_condition.h"

#include "points/expr/point_number.h"
#include "values/variant_ops.h"

namespace {

// A numeric text as the single-precision number the comparison uses: the first "," after the
// first character is the decimal point; an empty text, or one with no number to read, is 0.
float NumericValue(QString text) {
  const qsizetype comma = text.indexOf(QLatin1Char(','), 1);
  if (comma > 0) text[comma] = QLatin1Char('.');
  double value = 0;
  if (text.isEmpty() || !CPointNumber::ScanDouble(text, value)) return 0;
  return static_cast<float>(value);
}

}  // namespace

int32_t CLogicCondition::Compare(const QString& pointText, const QString& valueText,
                                 int32_t comparison, bool mathPoint) {
  const QString p = pointText.toLower();
  const QString v = valueText.toLower();
  const bool numeric = IsNumericList(p) && IsNumericList(v);
  float pn = 0;
  float vn = 0;
  if (numeric) {
    pn = NumericValue(p);
    vn = NumericValue(v);
  }
  bool holds = false;
  switch (comparison) {
    case kEqual:
      holds = p == v;
      break;
    case kNotEqual:
      holds = p != v;
      break;
    case kLess:
      holds = numeric && pn < vn;
      break;
    case kGreater:
      holds = numeric && pn > vn;
      break;
    case kLessEqual:
      holds = numeric && pn <= vn;
      break;
    case kGreaterEqual:
      holds = numeric && pn >= vn;
      break;
    case kContains:
      holds = p.contains(v);
      break;
    case kNotContains:
      holds = !p.contains(v);
      break;
    default:
      break;
  }
  if (holds) return kTrue;
  if (p.isEmpty()) return kUndetermined;
  // A math point showing 0 has usually not been given its inputs yet.
  if (mathPoint && p == QLatin1String("0")) return kUndetermined;
  return kFalse;
}

int32_t CLogicCondition::Join(int32_t first, int32_t second, int32_t join) {
  switch (join) {
    case kSingle:
      return first;
    case kAnd:
      if (first == kUndetermined) return kUndetermined;
      if (first == kTrue && second == kTrue) return kTrue;
      return second != kUndetermined ? kFalse : kUndetermined;
    case kOr:
      if (first == kTrue || second == kTrue) return kTrue;
      if (first == kFalse && second == kFalse) return kFalse;
      return kUndetermined;
    default:
      return kUndetermined;
  }
}

QString CLogicCondition::ComparisonText(int32_t comparison) {
  static const char* const kTexts[] = {"=", "<>", "<", ">", "<=", ">=", "contains", "!contains"};
  if (comparison < 0 || comparison > kNotContains) return QString();
  return QString::fromLatin1(kTexts[comparison]);
}

QString CLogicCondition::ConditionText(const CLogicPoint::Settings& s) {
  const QString first = ComparisonText(s.firstComparison);
  if (s.firstName.isEmpty() || first.isEmpty()) return QString();
  const QString second = ComparisonText(s.secondComparison);
  if (s.join > 0 && !s.secondName.isEmpty() && !second.isEmpty()) {
    return QStringLiteral("( %1 %2 \"%3\" ) %4 ( %5 %6 \"%7\" )")
        .arg(s.firstName, first, s.firstValue,
             s.join == kAnd ? QStringLiteral("AND") : QStringLiteral("OR"), s.secondName, second,
             s.secondValue);
  }
  return QStringLiteral("%1 %2 \"%3\"").arg(s.firstName, first, s.firstValue);
}

QString CLogicCondition::Label(const QString& name, const CLogicPoint::Settings& settings) {
  const QString text = ConditionText(settings);
  return name.isEmpty() ? QStringLiteral("(?) ") + text : name + QStringLiteral(": ") + text;
}
