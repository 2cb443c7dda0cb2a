// The logic point: comparisons, the join of two conditions, its label, the state texts it stores,
// and how it shows and hides its targets, with the cascade through nested logic points and the
// relayout of the shown page.
#include "points/logic_point.h"

#include <gtest/gtest.h>

#include "points/logic_condition.h"
#include "support/computed_point_fixture.h"

namespace {

constexpr int32_t kU = CLogicCondition::kUndetermined;
constexpr int32_t kF = CLogicCondition::kFalse;
constexpr int32_t kT = CLogicCondition::kTrue;

TEST(LogicCondition, TextComparisonsIgnoreCase) {
  EXPECT_EQ(CLogicCondition::Compare("Yes", "yes", CLogicCondition::kEqual, false), kT);
  EXPECT_EQ(CLogicCondition::Compare("Yes", "no", CLogicCondition::kEqual, false), kF);
  EXPECT_EQ(CLogicCondition::Compare("Yes", "YES", CLogicCondition::kNotEqual, false), kF);
  EXPECT_EQ(CLogicCondition::Compare("Red apple", "APPLE", CLogicCondition::kContains, false), kT);
  EXPECT_EQ(CLogicCondition::Compare("Red apple", "pear", CLogicCondition::kNotContains, false),
            kT);
  EXPECT_EQ(CLogicCondition::Compare("Red apple", "red", CLogicCondition::kNotContains, false), kF);
}

TEST(LogicCondition, NumericComparisonsNeedTwoNumbers) {
  EXPECT_EQ(CLogicCondition::Compare("9", "10", CLogicCondition::kGreater, false), kF);
  EXPECT_EQ(CLogicCondition::Compare("9", "10", CLogicCondition::kLess, false), kT);
  EXPECT_EQ(CLogicCondition::Compare("10", "10", CLogicCondition::kLessEqual, false), kT);
  EXPECT_EQ(CLogicCondition::Compare("10", "10", CLogicCondition::kGreaterEqual, false), kT);
  EXPECT_EQ(CLogicCondition::Compare("-2", "1", CLogicCondition::kLess, false), kT);
  // A decimal comma reads as the decimal point.
  EXPECT_EQ(CLogicCondition::Compare("2,5", "2.4", CLogicCondition::kGreater, false), kT);
  // Text against a number never compares: false, not an error.
  EXPECT_EQ(CLogicCondition::Compare("ten", "10", CLogicCondition::kGreater, false), kF);
  EXPECT_EQ(CLogicCondition::Compare("ten", "10", CLogicCondition::kLess, false), kF);
  // An empty value text is the number 0.
  EXPECT_EQ(CLogicCondition::Compare("3", "", CLogicCondition::kGreater, false), kT);
}

TEST(LogicCondition, EmptyTextAndAZeroMathResultAreUndetermined) {
  EXPECT_EQ(CLogicCondition::Compare("", "x", CLogicCondition::kEqual, false), kU);
  EXPECT_EQ(CLogicCondition::Compare("0", "5", CLogicCondition::kGreater, true), kU);
  EXPECT_EQ(CLogicCondition::Compare("0", "5", CLogicCondition::kGreater, false), kF);
  // A condition that holds is true even on an empty text.
  EXPECT_EQ(CLogicCondition::Compare("", "", CLogicCondition::kEqual, false), kT);
  EXPECT_EQ(CLogicCondition::Compare("x", "x", 8, false), kF);  // unknown code never holds
}

TEST(LogicCondition, JoinTable) {
  struct Row {
    int32_t first, second, andState, orState;
  };
  const Row rows[] = {
      {kT, kT, kT, kT}, {kT, kF, kF, kT}, {kT, kU, kU, kT}, {kF, kT, kF, kT}, {kF, kF, kF, kF},
      {kF, kU, kU, kU}, {kU, kT, kU, kT}, {kU, kF, kU, kU}, {kU, kU, kU, kU},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CLogicCondition::Join(row.first, row.second, CLogicCondition::kAnd), row.andState)
        << row.first << " AND " << row.second;
    EXPECT_EQ(CLogicCondition::Join(row.first, row.second, CLogicCondition::kOr), row.orState)
        << row.first << " OR " << row.second;
    EXPECT_EQ(CLogicCondition::Join(row.first, row.second, CLogicCondition::kSingle), row.first);
    EXPECT_EQ(CLogicCondition::Join(row.first, row.second, 3), kU);
  }
}

TEST(LogicCondition, ConditionTextAndLabel) {
  CLogicPoint::Settings s;
  EXPECT_EQ(CLogicCondition::ConditionText(s), "");
  s.firstName = "Age";
  s.firstComparison = 5;
  s.firstValue = "18";
  EXPECT_EQ(CLogicCondition::ConditionText(s), "Age >= \"18\"");
  s.join = 1;  // a join without a second point is a single condition
  EXPECT_EQ(CLogicCondition::ConditionText(s), "Age >= \"18\"");
  s.secondName = "Name";
  s.secondComparison = 7;
  s.secondValue = "%1";
  EXPECT_EQ(CLogicCondition::ConditionText(s), "( Age >= \"18\" ) AND ( Name !contains \"%1\" )");
  s.join = 2;
  EXPECT_EQ(CLogicCondition::ConditionText(s), "( Age >= \"18\" ) OR ( Name !contains \"%1\" )");
  s.secondComparison = 9;
  EXPECT_EQ(CLogicCondition::ConditionText(s), "Age >= \"18\"");
  EXPECT_EQ(CLogicCondition::Label("Adult", s), "Adult: Age >= \"18\"");
  EXPECT_EQ(CLogicCondition::Label("", s), "(?) Age >= \"18\"");
  s.firstComparison = -1;
  EXPECT_EQ(CLogicCondition::Label("", s), "(?) ");
}

class LogicPointTest : public ComputedPointFixture {
 protected:
  CLogicPoint* Logic(const QString& name, const QString& point, int32_t comparison,
                     const QString& value, QList<CBasePoint*> targets = {}) {
    CLogicPoint* logic = Add<CLogicPoint>(name);
    CLogicPoint::Settings& s = logic->MutableSettings();
    s.firstName = point;
    s.firstComparison = comparison;
    s.firstValue = value;
    for (CBasePoint* target : targets) {
      s.targets.append(static_cast<uint32_t>(target->UniqueNumber()));
    }
    return logic;
  }
};

TEST_F(LogicPointTest, ShowStoresTheStateTextAndDrivesTheTargets) {
  CEditPoint* answer = Input("Answer", "Yes");
  CEditPoint* detail = Input("Detail");
  CLogicPoint* logic = Logic("Rule", "Answer", CLogicCondition::kEqual, "yes", {detail});
  detail->SetVisible(0);
  Start();
  EXPECT_EQ(logic->State(), kT);
  EXPECT_EQ(logic->Open(), 1);
  EXPECT_EQ(logic->OutputText(), "True");
  EXPECT_TRUE(detail->IsShown());
  EXPECT_EQ(logic->GetHeight(nullptr, 300), 0);
  EXPECT_EQ(logic->GetLabel(false), "Rule: Answer = \"yes\"");

  Type(answer, "No");
  EXPECT_EQ(logic->State(), kF);
  EXPECT_EQ(logic->OutputText(), "False");
  EXPECT_FALSE(detail->IsShown());
  Type(answer, "");
  EXPECT_EQ(logic->State(), kU);
  EXPECT_EQ(logic->OutputText(), "");
  EXPECT_FALSE(detail->IsShown());
}

TEST_F(LogicPointTest, TargetChangeLaysTheShownPageOutOnce) {
  CEditPoint* answer = Input("Answer", "no");
  CEditPoint* detail = Input("Detail");
  Logic("Rule", "Answer", CLogicCondition::kEqual, "yes", {detail});
  Start();
  m_window.ClearRecords();
  Type(answer, "yes");
  EXPECT_EQ(m_window.RelayoutCount(), 1);
  // The same decision again changes no target and lays nothing out.
  Type(answer, "YES");
  EXPECT_EQ(m_window.RelayoutCount(), 1);
  Type(answer, "maybe");
  EXPECT_EQ(m_window.RelayoutCount(), 2);
}

TEST_F(LogicPointTest, StateTextsAreTemplates) {
  CEditPoint* answer = Input("Answer", "yes");
  CEditPoint* who = Input("Who", "Ann");
  CLogicPoint* logic = Logic("Rule", "Answer", CLogicCondition::kEqual, "<%Expected%>");
  Input("Expected", "yes");
  logic->MutableSettings().trueText = "Welcome <%Who%>";
  Start();
  EXPECT_EQ(logic->OutputText(), "Welcome Ann");
  // The state text follows the point it names.
  Type(who, "Bob");
  EXPECT_EQ(logic->OutputText(), "Welcome Bob");
  // The value text is resolved at each evaluation.
  Type(m_project.FindPointByName("Expected"), "no");
  EXPECT_EQ(logic->State(), kF);
  Type(answer, "no");
  EXPECT_EQ(logic->State(), kT);
}

TEST_F(LogicPointTest, UnnamedLogicPointStoresNoValue) {
  Input("Answer", "yes");
  CLogicPoint* logic = Logic("", "Answer", CLogicCondition::kEqual, "yes");
  Start();
  EXPECT_EQ(logic->State(), kT);
  EXPECT_EQ(logic->OutputText(), "");
  EXPECT_EQ(logic->GetLabel(true), "(?) Answer = \"yes\"");
}

TEST_F(LogicPointTest, MissingPointsAreUndeterminedAndMissingTargetsSkipped) {
  CEditPoint* answer = Input("Answer", "yes");
  CEditPoint* detail = Input("Detail");
  detail->SetVisible(0);
  CLogicPoint* missing = Logic("Lost", "Nobody", CLogicCondition::kEqual, "", {detail});
  CLogicPoint* orMissing = Logic("Either", "Answer", CLogicCondition::kEqual, "yes");
  orMissing->MutableSettings().join = CLogicCondition::kOr;
  orMissing->MutableSettings().secondName = "Nobody";
  CLogicPoint* ghost = Logic("Ghost", "Answer", CLogicCondition::kEqual, "yes", {detail});
  ghost->MutableSettings().targets.prepend(0x7FFFFFF0u);  // no such point
  Start();
  EXPECT_EQ(missing->State(), kU);
  EXPECT_EQ(orMissing->State(), kU);  // whatever the join
  EXPECT_EQ(ghost->State(), kT);
  EXPECT_TRUE(detail->IsShown());
  Type(answer, "no");
  EXPECT_FALSE(detail->IsShown());
}

TEST_F(LogicPointTest, AndOrJoinTwoPoints) {
  CEditPoint* a = Input("A", "1");
  CEditPoint* b = Input("B", "");
  CLogicPoint* both = Logic("Both", "A", CLogicCondition::kEqual, "1");
  both->MutableSettings().join = CLogicCondition::kAnd;
  both->MutableSettings().secondName = "B";
  both->MutableSettings().secondValue = "1";
  CLogicPoint* either = Logic("Either", "A", CLogicCondition::kEqual, "1");
  either->MutableSettings().join = CLogicCondition::kOr;
  either->MutableSettings().secondName = "b";
  either->MutableSettings().secondValue = "1";
  Start();
  EXPECT_EQ(both->State(), kU);  // true AND undetermined
  EXPECT_EQ(either->State(), kT);
  Type(b, "1");
  EXPECT_EQ(both->State(), kT);
  Type(a, "2");
  EXPECT_EQ(both->State(), kF);
  EXPECT_EQ(either->State(), kT);
  Type(b, "");
  EXPECT_EQ(either->State(), kU);  // false OR undetermined
  EXPECT_EQ(both->State(), kU);    // false AND undetermined
}

TEST_F(LogicPointTest, HiddenLogicPointNeverOpensItsTargets) {
  CEditPoint* answer = Input("Answer", "yes");
  CEditPoint* detail = Input("Detail");
  detail->SetVisible(0);
  CLogicPoint* logic = Logic("Rule", "Answer", CLogicCondition::kEqual, "yes", {detail});
  logic->SetVisible(0);
  Start();
  EXPECT_EQ(logic->State(), kT);
  EXPECT_EQ(logic->Open(), 0);
  EXPECT_FALSE(detail->IsShown());
  Type(answer, "no");
  Type(answer, "yes");
  EXPECT_EQ(logic->State(), kT);
  EXPECT_FALSE(detail->IsShown());
}

TEST_F(LogicPointTest, ClosingCascadesThroughNestedLogicPoints) {
  CEditPoint* outerInput = Input("Outer", "yes");
  CEditPoint* innerInput = Input("Inner", "yes");
  CEditPoint* deep = Input("Deep");
  deep->SetVisible(0);
  CLogicPoint* inner = Logic("InnerRule", "Inner", CLogicCondition::kEqual, "yes", {deep});
  CLogicPoint* outer = Logic("OuterRule", "Outer", CLogicCondition::kEqual, "yes", {inner});
  // The outer point comes after the inner one on the page, as a designer may place it.
  Start();
  ASSERT_TRUE(inner->IsShown());
  ASSERT_TRUE(deep->IsShown());
  m_window.ClearRecords();
  Type(outerInput, "no");
  EXPECT_FALSE(inner->IsShown());
  EXPECT_EQ(inner->Open(), 0);
  EXPECT_FALSE(deep->IsShown());
  EXPECT_EQ(m_window.RelayoutCount(), 1);
  // While hidden, the inner point cannot open its target.
  Type(innerInput, "no");
  Type(innerInput, "yes");
  EXPECT_FALSE(deep->IsShown());
  // Opening again reaches the deep target through the cascade.
  Type(outerInput, "yes");
  EXPECT_TRUE(inner->IsShown());
  EXPECT_TRUE(deep->IsShown());
  EXPECT_EQ(outer->State(), kT);
}

TEST_F(LogicPointTest, LogicPointsTargetingEachOtherEnd) {
  CEditPoint* input = Input("Input", "yes");
  CLogicPoint* first = Logic("First", "Input", CLogicCondition::kEqual, "yes");
  CLogicPoint* second = Logic("Second", "Input", CLogicCondition::kEqual, "yes", {first});
  first->MutableSettings().targets.append(static_cast<uint32_t>(second->UniqueNumber()));
  first->MutableSettings().targets.append(static_cast<uint32_t>(first->UniqueNumber()));
  Start();
  Type(input, "no");
  Type(input, "yes");
  EXPECT_EQ(m_project.NotificationDepth(), 0);
  EXPECT_EQ(first->State(), kT);
}

TEST_F(LogicPointTest, SketchValueCountsAsSketch) {
  CEditPoint* drawing = Input("Drawing");
  drawing->AssignValue(CVariant::FromBytes(QByteArray(40, 'x')));
  CLogicPoint* drawn = Logic("Drawn", "Drawing", CLogicCondition::kEqual, "SKETCH");
  CEditPoint* tiny = Input("Tiny");
  tiny->AssignValue(CVariant::FromBytes(QByteArray(4, 'x')));
  CLogicPoint* small = Logic("Small", "Tiny", CLogicCondition::kEqual, "sketch");
  Start();
  EXPECT_EQ(drawn->State(), kT);
  EXPECT_EQ(small->State(), kU);
}

TEST_F(LogicPointTest, ZeroOfAMathPointIsUndetermined) {
  Input("Count", "");
  CMathPoint* total = Math("Total", "Count * 2");
  CLogicPoint* logic = Logic("Many", "Total", CLogicCondition::kGreater, "5");
  Start();
  EXPECT_EQ(total->OutputText(), "0");
  EXPECT_EQ(logic->State(), kU);
  Type(m_project.FindPointByName("Count"), "1");
  EXPECT_EQ(logic->State(), kF);
  Type(m_project.FindPointByName("Count"), "3");
  EXPECT_EQ(logic->State(), kT);
}

TEST_F(LogicPointTest, SetValueResolvesTemplates) {
  Input("Who", "Ann");
  CLogicPoint* logic = Logic("Rule", "Who", CLogicCondition::kEqual, "Ann");
  logic->SetValue("Hello <%Who%>");
  EXPECT_EQ(logic->OutputText(), "Hello Ann");
}

}  // namespace
