// Edit points in the page display with real widgets: typing, the arrows, password and length
// limits, multi-line boxes, and leaving a page holding an invalid number.
#include <QLineEdit>
#include <QPlainTextEdit>

#include "points/edit_point.h"
#include "support/page_view_fixture.h"

namespace {

using qlt::test::PageViewTest;

class EditPointWidgetTest : public PageViewTest {
 protected:
  CEditPoint* AddEdit(CPage* page, const QString& caption, const CEditPoint::Settings& settings) {
    auto* point = static_cast<CEditPoint*>(page->AddPoint(CEditPoint::kTypeCode));
    point->SetCaption(caption);
    point->SetSettings(settings);
    return point;
  }
  QWidget* BoxOf(CEditPoint* point) {
    const QList<CPageWindow::Control> controls = m_view->ControlsOfPoint(point);
    return controls.isEmpty() ? nullptr : m_view->ControlWidget(controls.first());
  }
  QLineEdit* LineOf(CEditPoint* point) { return qobject_cast<QLineEdit*>(BoxOf(point)); }
  void Click(const QPoint& position) {
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, position);
  }
};

TEST_F(EditPointWidgetTest, TypedTextIsStoredAndZeroFilledWhenTheBoxIsLeft) {
  CPage* page = AddPage();
  CEditPoint::Settings padded;
  padded.padWidth = 4;
  CEditPoint* code = AddEdit(page, QStringLiteral("Code"), padded);
  CEditPoint* name = AddEdit(page, QStringLiteral("Name"), {});
  ShowView(320, 300);
  m_view->SetPage(page, false);
  QLineEdit* box = LineOf(code);
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(Focused(), box);
  QTest::keyClicks(box, QStringLiteral("7"));
  EXPECT_EQ(code->OutputText(), QStringLiteral("0007"));
  QTest::keyClick(box, Qt::Key_Tab);
  EXPECT_EQ(Focused(), LineOf(name));
  EXPECT_EQ(box->text(), QStringLiteral("0007"));
  QTest::keyClicks(LineOf(name), QStringLiteral("Robin"));
  EXPECT_EQ(name->OutputText(), QStringLiteral("Robin"));
}

TEST_F(EditPointWidgetTest, ArrowsBesideTheBoxStepWithinTheRange) {
  CPage* page = AddPage();
  CEditPoint::Settings settings;
  settings.numeric = 1;
  settings.arrows = 1;
  settings.rangeCheck = 1;
  settings.maximum = 10;
  settings.lines = -4;
  CEditPoint* count = AddEdit(page, QStringLiteral("Count"), settings);
  count->AssignValue(CVariant::FromString(QStringLiteral("0009")));
  ShowView(320, 300);
  m_view->SetPage(page, false);
  const QRect item = count->ItemRect();
  const int right = item.left() + item.width();
  const QPoint up(right - 22, item.center().y());
  const QPoint down(right - 6, item.center().y());
  Click(up);
  EXPECT_EQ(count->OutputText(), QStringLiteral("10"));
  EXPECT_EQ(LineOf(count)->text(), QStringLiteral("10"));
  Click(up);
  EXPECT_EQ(count->OutputText(), QStringLiteral("10"));
  Click(down);
  Click(down);
  EXPECT_EQ(count->OutputText(), QStringLiteral("8"));
  // The box itself ends left of the arrows.
  EXPECT_LE(LineOf(count)->geometry().right() + 1, right - 32);
  // The arrows are painted on the page.
  EXPECT_NE(m_view->Buffer().pixelColor(down), m_view->Buffer().pixelColor(5, item.center().y()));
}

TEST_F(EditPointWidgetTest, PasswordBoxMasksAndTheLimitStopsTyping) {
  CPage* page = AddPage();
  CEditPoint::Settings settings;
  settings.password = 1;
  settings.maxLength = 5;
  CEditPoint* pin = AddEdit(page, QStringLiteral("PIN"), settings);
  ShowView(320, 300);
  m_view->SetPage(page, false);
  QLineEdit* box = LineOf(pin);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->echoMode(), QLineEdit::Password);
  QTest::keyClicks(box, QStringLiteral("1234567"));
  EXPECT_EQ(pin->OutputText(), QStringLiteral("12345"));
}

TEST_F(EditPointWidgetTest, MultiLineBoxKeepsLineBreaksAndItsLimit) {
  CPage* page = AddPage();
  CEditPoint::Settings settings;
  settings.lines = 3;
  settings.maxLength = 9;
  CEditPoint* notes = AddEdit(page, QStringLiteral("Notes"), settings);
  notes->AssignValue(CVariant::FromString(QStringLiteral("a\r\nb")));
  ShowView(320, 300);
  m_view->SetPage(page, false);
  auto* box = qobject_cast<QPlainTextEdit*>(BoxOf(notes));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("a\nb"));
  EXPECT_GE(box->height(), 16 * 3 + 4 - 2);
  box->moveCursor(QTextCursor::End);
  QTest::keyClick(box, Qt::Key_Return);
  QTest::keyClicks(box, QStringLiteral("cdefgh"));
  EXPECT_EQ(Focused(), box);
  // "a", "b", two line breaks (one character each in the box) and what fits of the typing.
  EXPECT_EQ(notes->OutputText(), QStringLiteral("a\r\nb\r\ncdefg"));
}

TEST_F(EditPointWidgetTest, ReadOnlyPointShowsAReadOnlyBoxThatKeepsItsValue) {
  CPage* page = AddPage();
  CEditPoint::Settings settings;
  settings.readOnly = true;
  CEditPoint* fixed = AddEdit(page, QStringLiteral("Region"), settings);
  fixed->AssignValue(CVariant::FromString(QStringLiteral("North")));
  ShowView(320, 300);
  m_view->SetPage(page, false);
  QLineEdit* box = LineOf(fixed);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isReadOnly());
  box->setFocus();
  QTest::keyClicks(box, QStringLiteral("South"));
  EXPECT_EQ(fixed->OutputText(), QStringLiteral("North"));
}

class EditPointLeaveTest : public EditPointWidgetTest {
 protected:
  void SetUp() override {
    EditPointWidgetTest::SetUp();
    m_page = AddPage(QStringLiteral("Counts"));
    m_next = AddPage(QStringLiteral("Next"));
    for (int i = 0; i < 6; ++i) {
      AddEdit(m_page, QStringLiteral("Filler %1").arg(i), {})->MutableSettings().lines = 3;
    }
    CEditPoint::Settings settings;
    settings.numeric = 1;
    settings.rangeCheck = 1;
    settings.maximum = 100;
    m_count = AddEdit(m_page, QStringLiteral("Visitors"), settings);
    m_count->SetDefaultValue(CVariant::FromString(QStringLiteral("5")));
    for (int i = 6; i < 10; ++i) {
      AddEdit(m_page, QStringLiteral("Filler %1").arg(i), {})->MutableSettings().lines = 3;
    }
    ShowView(320, 300);
    m_view->SetPage(m_page, false);
    // The user scrolls down, types into the count and scrolls back up before pressing Next.
    m_view->ScrollTo(m_count->ItemRect().top() - 100);
    ASSERT_NE(LineOf(m_count), nullptr);
    LineOf(m_count)->setFocus();
    QTest::keyClicks(LineOf(m_count), QStringLiteral("12a"));
    m_view->ScrollTo(0);
  }

  CPage* m_page = nullptr;
  CPage* m_next = nullptr;
  CEditPoint* m_count = nullptr;
};

TEST_F(EditPointLeaveTest, InvalidNumberKeptWhenUserAnswersNo) {
  ASSERT_EQ(m_count->OutputText(), QStringLiteral("12a"));
  m_services.Messages().QueueAnswer(kIdNo);
  EXPECT_FALSE(m_view->SetPage(m_next, true));
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_TRUE(m_services.Messages().Messages().first().text.contains(QStringLiteral("'Visitors'")));
  EXPECT_EQ(m_view->Page(), m_page);
  EXPECT_EQ(m_count->OutputText(), QStringLiteral("12a"));
  EXPECT_EQ(LineOf(m_count)->text(), QStringLiteral("12a"));
  // The refusing point is scrolled to the top of the window and its box has the focus.
  EXPECT_EQ(m_count->ItemRect().top(), 0);
  EXPECT_EQ(Focused(), LineOf(m_count));
  EXPECT_FALSE(LineOf(m_count)->isHidden());
}

TEST_F(EditPointLeaveTest, InvalidNumberReplacedByDefaultWhenUserAnswersYes) {
  m_services.Messages().QueueAnswer(kIdYes);
  EXPECT_TRUE(m_view->SetPage(m_next, true));
  EXPECT_EQ(m_view->Page(), m_next);
  EXPECT_EQ(m_count->OutputText(), QStringLiteral("5"));
  EXPECT_TRUE(m_view->ControlsOfPoint(m_count).isEmpty());
}

}  // namespace
