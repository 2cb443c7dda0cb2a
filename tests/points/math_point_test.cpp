// The math point: its result texts with decimals and rounding, error texts, recalculation along
// dependency chains and cycles, the value box and its layout, and its settings in the file.
#include "points/math_point.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLocale>
#include <QPainter>
#include <cmath>
#include <limits>

#include "points/value_box_layout.h"
#include "project/display_scale.h"
#include "support/computed_point_fixture.h"
#include "support/user_locale.h"

namespace {

// A math point that counts its recalculations.
class CCountingMathPoint : public CMathPoint {
 public:
  void Recalculate() override {
    ++m_count;
    CMathPoint::Recalculate();
  }
  int m_count = 0;
};

class MathPointTest : public ComputedPointFixture {
 protected:
  // The text a math point shows for the formula with the given decimals and rounding.
  QString Shows(const QString& formula, int32_t decimals, int32_t rounding) {
    CMathPoint* point = Math(QStringLiteral("m%1").arg(++m_made), formula, decimals, rounding);
    point->Init();
    point->Recalculate();
    return point->OutputText();
  }
  int m_made = 0;
};

struct RoundingCase {
  const char* formula;
  int32_t decimals;
  int32_t rounding;
  const char* shown;
};

TEST_F(MathPointTest, ResultsFollowDecimalsAndRounding) {
  const RoundingCase cases[] = {
      {"3.14159", 2, 0, "3.14"},
      {"2", -1, 0, "2.000000"},
      {"2", -1, 1, "2"},
      {"1234.5", -1, 1, "1234.5"},
      {"2.5", 0, 1, "2"},
      {"3.5", 0, 1, "4"},
      {"2.5", 0, 2, "3"},
      {"-2.5", 0, 2, "-3"},
      {"9.995", 2, 2, "10.00"},
      {"2.675", 2, 1, "2.68"},
      {"2.665", 2, 1, "2.66"},
      {"2.675", 2, 2, "2.68"},
      {"2.665", 2, 2, "2.67"},
      {"0.1 + 0.2", -1, 1, "0.3"},
      {"255", -2, 1, "FF"},
      {"-1", -2, 0, "FFFFFFFF"},
      {"2.5", 0, 0, "2"},
      {"1 / 3", 3, 0, "0.333"},
      {"Sqrt(-1)", -1, 1, "#NaN#"},
      {"Exp(1000)", 2, 2, "#+INF#"},
      {"-Exp(1000)", 0, 1, "#-INF#"},
  };
  for (const RoundingCase& c : cases) {
    EXPECT_EQ(Shows(c.formula, c.decimals, c.rounding), QString::fromLatin1(c.shown))
        << c.formula << " with decimals " << c.decimals << " and rounding " << c.rounding;
  }
}

TEST_F(MathPointTest, ErrorTextsForFormulasThatDoNotParseOrEvaluate) {
  EXPECT_EQ(Shows("", -1, 1), "#REF#");
  EXPECT_EQ(Shows("Missing + 1", -1, 1), "#REF#");
  EXPECT_EQ(Shows("1/0", -1, 1), "#ERR#");
  // An error text is an ordinary value: reading it fails in turn.
  CMathPoint* broken = Math("Broken", "1/0");
  CMathPoint* reader = Math("Reader", "Broken + 1");
  Start();
  EXPECT_EQ(broken->OutputText(), "#ERR#");
  EXPECT_EQ(reader->OutputText(), "#ERR#");
  EXPECT_FALSE(Math("Late", "1")->IsParsed());  // parsed at Init only
}

TEST_F(MathPointTest, CommaLocaleShowsCommaAndReadsItBack) {
  const ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
  CMathPoint* half = Math("Half", "5 / 2");
  CMathPoint* twice = Math("Twice", "Half * 2", 1, 1);
  Start();
  EXPECT_EQ(half->OutputText(), "2,5");
  EXPECT_EQ(twice->OutputText(), "5,0");
}

TEST_F(MathPointTest, FormulaRegistersOnTheNamedPointsOnly) {
  CEditPoint* a = Input("a", "1");
  CEditPoint* b = Input("b", "2");
  CEditPoint* unused = Input("c", "3");
  CMathPoint* sum = Math("Sum", "a + b * a + sum");
  Start();
  EXPECT_EQ(a->Dependants(), QList<CBasePoint*>{sum});
  EXPECT_EQ(b->Dependants(), QList<CBasePoint*>{sum});
  EXPECT_TRUE(unused->Dependants().isEmpty());
  // A formula may read its own value but does not depend on itself.
  EXPECT_TRUE(sum->Dependants().isEmpty());
}

TEST_F(MathPointTest, ChangeRecalculatesAlongAChainOfTen) {
  CEditPoint* input = Input("x", "1");
  QList<CMathPoint*> chain;
  QString previous = QStringLiteral("x");
  for (int i = 1; i <= 10; ++i) {
    const QString name = QStringLiteral("m%1").arg(i);
    chain.append(Math(name, previous + QStringLiteral(" + 1")));
    previous = name;
  }
  Start();
  EXPECT_EQ(chain.last()->OutputText(), "11");
  Type(input, "5");
  for (int i = 0; i < 10; ++i) EXPECT_EQ(chain[i]->OutputText(), QString::number(6 + i));
  // Storing the same text again tells nobody.
  const int changes = m_project.ChangeCount();
  Type(input, "5");
  EXPECT_EQ(chain.last()->OutputText(), "15");
  EXPECT_EQ(m_project.ChangeCount(), changes);
}

TEST_F(MathPointTest, CycleStopsAtNestingBound) {
  CCountingMathPoint* x = Insert(std::make_unique<CCountingMathPoint>(), "x");
  CCountingMathPoint* y = Insert(std::make_unique<CCountingMathPoint>(), "y");
  x->MutableSettings().expression = QStringLiteral("y + 1");
  y->MutableSettings().expression = QStringLiteral("x + 1");
  m_project.InitPoints();
  x->Recalculate();
  const int total = x->m_count + y->m_count;
  // Each level of notification recalculates one of the two; the bound ends the ping-pong.
  EXPECT_GT(total, 2);
  EXPECT_LE(total, CProject::kMaxNotificationDepth + 2);
  EXPECT_EQ(m_project.NotificationDepth(), 0);
  // The last one told is one ahead of the other.
  bool xRead = false;
  bool yRead = false;
  const double xValue = x->OutputText().toDouble(&xRead);
  const double yValue = y->OutputText().toDouble(&yRead);
  ASSERT_TRUE(xRead && yRead) << x->OutputText().toStdString() << y->OutputText().toStdString();
  EXPECT_EQ(std::abs(xValue - yValue), 1);
  // A later change starts a fresh, equally bounded run.
  x->m_count = y->m_count = 0;
  y->Recalculate();
  EXPECT_LE(x->m_count + y->m_count, CProject::kMaxNotificationDepth + 2);
}

TEST_F(MathPointTest, ValueBoxFollowsTheValueWhileThePageIsShown) {
  CEditPoint* input = Input("a", "2");
  CMathPoint* math = Math("Double", "a * 2");
  Start();
  const CPageWindow::Control box = math->ValueBox();
  ASSERT_NE(box, 0);
  const CPlainPageWindow::ControlState* state = m_window.State(box);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->kind, ControlKind::kEdit);
  EXPECT_EQ(state->owner, math);
  EXPECT_EQ(state->id, math->ControlId());
  const unsigned expected = kCsBorder | kCsTabStop | kCsAutoHScroll | kCsRightAlign | kCsReadOnly;
  EXPECT_EQ(state->styles & expected, expected);
  EXPECT_FALSE(state->visible);  // painting shows it
  EXPECT_TRUE(state->readOnly);
  EXPECT_EQ(state->text, "4");
  Type(input, "21");
  EXPECT_EQ(m_window.State(box)->text, "42");
  // Verifying keeps the box; leaving the page destroys it.
  EXPECT_TRUE(m_page->Leave(true));
  EXPECT_NE(m_window.State(box), nullptr);
  EXPECT_TRUE(m_page->Leave(false));
  EXPECT_EQ(m_window.State(box), nullptr);
  EXPECT_EQ(math->ValueBox(), 0);
  // Without a box the value still follows.
  Type(input, "1");
  EXPECT_EQ(math->OutputText(), "2");
}

TEST_F(MathPointTest, UnlockedBoxIsEditableAndKeepsWhatIsTyped) {
  CMathPoint* math = Math("Free", "1 + 1");
  math->MutableSettings().locked = 0;
  Start();
  const CPageWindow::Control box = math->ValueBox();
  ASSERT_NE(box, 0);
  EXPECT_FALSE(m_window.State(box)->readOnly);
  m_window.State(box)->text = QStringLiteral("7");
  m_window.Notify(box, kNotifyChange);
  EXPECT_EQ(math->OutputText(), "7");
}

TEST_F(MathPointTest, ReadOnlySessionLocksAnUnlockedBox) {
  CMathPoint* math = Math("Free", "1 + 1");
  math->MutableSettings().locked = 0;
  m_project.SetReadOnly(true);
  Start();
  ASSERT_NE(math->ValueBox(), 0);
  EXPECT_TRUE(m_window.State(math->ValueBox())->readOnly);
  m_window.State(math->ValueBox())->text = QStringLiteral("7");
  m_window.Notify(math->ValueBox(), kNotifyChange);
  EXPECT_EQ(math->OutputText(), "2");
}

TEST_F(MathPointTest, BoxBesideTheCaptionTakesWidthUnits) {
  CMathPoint* math = Math("Total", "1");
  math->SetCaption(QStringLiteral("A caption that is long enough to wrap in a narrow column"));
  math->MutableSettings().width = 4;
  Start();
  const int scale = CDisplayScale::Factor();
  const int width = 300;
  const int narrowed = math->DefaultGetHeight(nullptr, width - (4 * 15 + 10) * scale);
  EXPECT_EQ(math->GetHeight(nullptr, width), std::max(narrowed, 20 * scale));

  QImage image(400, 400, QImage::Format_RGB888);
  QPainter painter(&image);
  math->SetItemRect(QRect(10, 20, width, 80));
  math->Paint(&painter);
  const CPlainPageWindow::ControlState* state = m_window.State(math->ValueBox());
  ASSERT_NE(state, nullptr);
  EXPECT_TRUE(state->visible);
  EXPECT_EQ(state->rect.width(), (4 * 15 + 8) * scale);
  EXPECT_EQ(state->rect.height(), scale == 2 ? 36 : 20);
  EXPECT_EQ(state->rect.right(), math->ItemRect().right());
  EXPECT_EQ(state->rect.center().y(), math->ItemRect().center().y());
  // Painting without a device hides the box.
  math->Paint(nullptr);
  EXPECT_FALSE(m_window.State(math->ValueBox())->visible);
}

TEST_F(MathPointTest, WidthZeroPutsTheBoxUnderTheCaption) {
  CMathPoint* math = Math("Total", "1");
  math->SetCaption(QStringLiteral("Total"));
  math->MutableSettings().width = 0;
  Start();
  const int scale = CDisplayScale::Factor();
  const int caption = math->DefaultGetHeight(nullptr, 300);
  EXPECT_EQ(math->GetHeight(nullptr, 300), caption + 20 * scale);
  QImage image(400, 400, QImage::Format_RGB888);
  QPainter painter(&image);
  math->SetItemRect(QRect(10, 20, 300, math->GetHeight(nullptr, 300)));
  math->Paint(&painter);
  const QRect box = m_window.State(math->ValueBox())->rect;
  EXPECT_EQ(box.left(), 10);
  EXPECT_EQ(box.width(), 300);
  EXPECT_EQ(box.top(), 20 + caption);
  EXPECT_EQ(box.bottom(), math->ItemRect().bottom());
}

TEST(ValueBoxLayout, AbsurdWidthsAreBounded) {
  EXPECT_EQ(CValueBoxLayout::Allowance(-3, 1), 0);
  EXPECT_FALSE(CValueBoxLayout::IsBeside(-3));
  EXPECT_EQ(CValueBoxLayout::Allowance(std::numeric_limits<int32_t>::max(), 2),
            (CValueBoxLayout::kMaxWidth * 15 + 10) * 2);
  const QRect box =
      CValueBoxLayout::BoxRect(std::numeric_limits<int32_t>::max(), QRect(0, 0, 100, 20), 10, 1);
  EXPECT_EQ(box.width(), CValueBoxLayout::kMaxWidth * 15 + 8);
}

TEST_F(MathPointTest, ColumnFormatIsNumeric) {
  CMathPoint* math = Math("Total", "1");
  bool numeric = false;
  int length = -1;
  EXPECT_TRUE(math->GetColumnFormat(numeric, length));
  EXPECT_TRUE(numeric);
  EXPECT_EQ(length, 0);
}

TEST_F(MathPointTest, SettingsAndRoundingSurviveTheProjectFile) {
  CMathPoint* math = Math("Total", "a * 2", 3, 2);
  math->MutableSettings().width = 7;
  math->MutableSettings().locked = 0;
  const QByteArray bytes = m_project.SaveToBytes();
  EXPECT_EQ(math->Properties().GetInteger("rounding", -1), 2);
  CProject loaded;
  ASSERT_TRUE(loaded.LoadFromBytes(bytes));
  auto* copy = dynamic_cast<CMathPoint*>(loaded.FindPointByName("Total"));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetSettings(), math->GetSettings());
}

}  // namespace
