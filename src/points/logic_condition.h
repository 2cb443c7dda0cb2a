// CLogicCondition: the logic point's rules without any point: one comparison of a point's text
// with a value text, the joining of two condition results into a logic state, and the condition
// text that labels a logic point. Stateless; UI thread.
#pragma once

#include <QString>
#include <cstdint>

#include "points/logic_point.h"

class CLogicCondition {
 public:
  // Logic states, and condition results (the same three values).
  static constexpr int32_t kUndetermined = 0;
  static constexpr int32_t kFalse = 1;
  static constexpr int32_t kTrue = 2;

  // Comparison codes.
  static constexpr int32_t kEqual = 0;
  static constexpr int32_t kNotEqual = 1;
  static constexpr int32_t kLess = 2;
  static constexpr int32_t kGreater = 3;
  static constexpr int32_t kLessEqual = 4;
  static constexpr int32_t kGreaterEqual = 5;
  static constexpr int32_t kContains = 6;
  static constexpr int32_t kNotContains = 7;

  // Join codes.
  static constexpr int32_t kSingle = 0;
  static constexpr int32_t kAnd = 1;
  static constexpr int32_t kOr = 2;

  // The result of one condition for the tested point's text (already "Sketch" for a sketch) and
  // the resolved value text: kTrue when the comparison holds; otherwise kUndetermined for an
  // empty point text, or for the text "0" of a math point, and kFalse for anything else. Case is
  // ignored; numeric comparisons need both texts numeric.
  static int32_t Compare(const QString& pointText, const QString& valueText, int32_t comparison,
                         bool mathPoint);

  // The logic state of two condition results under a join code (the second is ignored for a
  // single condition; unknown join codes give kUndetermined).
  static int32_t Join(int32_t first, int32_t second, int32_t join);

  // The operator text of a comparison code in labels; empty for an unknown code.
  static QString ComparisonText(int32_t comparison);

  // The conditions as text, for example ( Age > "17" ) AND ( Name <> "" ); empty without a first
  // point name or with an unknown first comparison.
  static QString ConditionText(const CLogicPoint::Settings& settings);
  // The label of a logic point: its name (or "(?)" without one) and its condition text.
  static QString Label(const QString& name, const CLogicPoint::Settings& settings);
};
