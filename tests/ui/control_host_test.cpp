// The page display's child controls as widgets: each kind reads and writes its state, writes by
// the program stay silent while the user's changes reach the owning point, and the date-time
// picture is translated for the widget.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QSlider>

#include "support/page_view_fixture.h"
#include "ui/date_time_box.h"

namespace {

using qlt::test::CProbePoint;
using qlt::test::PageViewTest;

class ControlHostTest : public PageViewTest {
 protected:
  void SetUp() override {
    PageViewTest::SetUp();
    m_page = AddPage();
    m_owner = AddProbe(m_page, 200);
    ShowView(320, 300);
    m_view->SetPage(m_page, false);
  }
  CPageWindow::Control Make(ControlKind kind, unsigned styles = 0) {
    const CPageWindow::Control control =
        m_view->CreateControl(m_owner, kind, kCsVisible | kCsTabStop | styles, 1001);
    m_view->PlaceControl(control, QRect(10, 100, 200, 120));
    return control;
  }
  uint32_t Command(uint16_t code) const { return MakeCommand(code, 1001); }

  CPage* m_page = nullptr;
  CProbePoint* m_owner = nullptr;
};

TEST_F(ControlHostTest, DropListComboSelectsByIndexAndTextAndReportsUserChoices) {
  const auto combo = Make(ControlKind::kComboBox, kCsDropDownList);
  for (const char* item : {"Dry", "Rain", "Snow"}) {
    m_view->AddItem(combo, QString::fromLatin1(item));
  }
  EXPECT_EQ(m_view->ItemCount(combo), 3);
  EXPECT_EQ(m_view->CurrentIndex(combo), -1);
  EXPECT_EQ(m_view->ControlText(combo), QString());
  m_view->SetControlText(combo, QStringLiteral("rain"));
  EXPECT_EQ(m_view->CurrentIndex(combo), 1);
  m_view->SetCurrentIndex(combo, 2);
  EXPECT_EQ(m_view->ControlText(combo), QStringLiteral("Snow"));
  EXPECT_TRUE(m_view->IsItemSelected(combo, 2));
  m_view->RemoveItem(combo, 0);
  EXPECT_EQ(m_view->ItemText(combo, 0), QStringLiteral("Rain"));
  EXPECT_TRUE(m_owner->Commands().isEmpty());
  // Placed as tall as a closed box, though the rectangle counts the list in.
  auto* widget = qobject_cast<QComboBox*>(m_view->ControlWidget(combo));
  ASSERT_NE(widget, nullptr);
  EXPECT_LT(widget->height(), 120);
  widget->setFocus();
  QTest::keyClick(widget, Qt::Key_Up);
  EXPECT_EQ(m_view->ControlText(combo), QStringLiteral("Rain"));
  EXPECT_TRUE(m_owner->Commands().contains(Command(kNotifySelectionChange)));
}

TEST_F(ControlHostTest, EditableComboKeepsTypedTextAndLimit) {
  const auto combo = Make(ControlKind::kComboBox, kCsDropDown);
  m_view->AddItem(combo, QStringLiteral("North"));
  m_view->SetControlText(combo, QStringLiteral("Far east"));
  EXPECT_EQ(m_view->ControlText(combo), QStringLiteral("Far east"));
  m_view->SetTextLimit(combo, 3);
  m_view->SetControlText(combo, QString());
  auto* widget = qobject_cast<QComboBox*>(m_view->ControlWidget(combo));
  widget->setFocus();
  QTest::keyClicks(widget->lineEdit(), QStringLiteral("West"));
  EXPECT_EQ(m_view->ControlText(combo), QStringLiteral("Wes"));
  EXPECT_TRUE(m_owner->Commands().contains(Command(kNotifyEditChange)));
}

TEST_F(ControlHostTest, MultiComboJoinsTheChosenItems) {
  const auto combo = Make(ControlKind::kMultiComboBox);
  for (const char* item : {"Red", "Green", "Blue"})
    m_view->AddItem(combo, QString::fromLatin1(item));
  m_view->SetItemSelected(combo, 2, true);
  m_view->SetItemSelected(combo, 0, true);
  EXPECT_EQ(m_view->ControlText(combo), QStringLiteral("Red; Blue"));
  EXPECT_FALSE(m_view->IsItemSelected(combo, 1));
  m_view->SetControlText(combo, QStringLiteral("Green; Blue; "));
  EXPECT_TRUE(m_view->IsItemSelected(combo, 1));
  EXPECT_FALSE(m_view->IsItemSelected(combo, 0));
  EXPECT_TRUE(m_owner->Commands().isEmpty());
}

TEST_F(ControlHostTest, DateTimePickerWithNoneAndPicture) {
  const auto picker = Make(ControlKind::kDateTimePicker, kCsShowNone);
  const QDateTime when(QDate(2024, 5, 6), QTime(7, 8));
  m_view->SetControlDateTime(picker, when);
  EXPECT_EQ(m_view->ControlDateTime(picker), std::optional<QDateTime>(when));
  m_view->SetControlDateTime(picker, std::nullopt);
  EXPECT_EQ(m_view->ControlDateTime(picker), std::nullopt);
  m_view->SetControlFormat(picker, QStringLiteral("dd MMM yyyy 'at' hh:mm tt"));
  auto* box = dynamic_cast<CDateTimeBox*>(m_view->ControlWidget(picker));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Edit()->displayFormat(), QStringLiteral("dd MMM yyyy 'at' hh:mm AP"));
  EXPECT_TRUE(m_owner->Commands().isEmpty());
  // The user ticking the box gives the picker a value again and is reported.
  box->findChild<QCheckBox*>()->click();
  EXPECT_TRUE(m_view->ControlDateTime(picker).has_value());
  EXPECT_TRUE(m_owner->Commands().contains(Command(kNotifyDateTimeChange)));
}

TEST_F(ControlHostTest, PicturesTranslateToDisplayFormats) {
  EXPECT_EQ(CDateTimeBox::DisplayFormat(QStringLiteral("d/M/yy")), QStringLiteral("d/M/yy"));
  EXPECT_EQ(CDateTimeBox::DisplayFormat(QStringLiteral("yyy-MM-dd HH:mm:ss")),
            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  EXPECT_EQ(CDateTimeBox::DisplayFormat(QStringLiteral("h:mm t")), QStringLiteral("h:mm AP"));
  EXPECT_EQ(CDateTimeBox::DisplayFormat(QStringLiteral("'It''s' dddd")),
            QStringLiteral("'It''s' dddd"));
  // An unterminated literal is closed rather than swallowing the picture's end.
  EXPECT_EQ(CDateTimeBox::DisplayFormat(QStringLiteral("d 'open")), QStringLiteral("d 'open'"));
  // Letters that are no picture code are shown as themselves.
  EXPECT_EQ(CDateTimeBox::DisplayFormat(QStringLiteral("d z")), QStringLiteral("d 'z'"));
}

TEST_F(ControlHostTest, TrackBarRangeAndPosition) {
  const auto bar = Make(ControlKind::kTrackBar);
  m_view->SetControlRange(bar, -5, 5);
  m_view->SetControlPosition(bar, 9);
  EXPECT_EQ(m_view->ControlPosition(bar), 5);
  m_view->SetControlPosition(bar, -2);
  EXPECT_EQ(m_view->ControlPosition(bar), -2);
  EXPECT_TRUE(m_owner->Commands().isEmpty());
  auto* slider = qobject_cast<QSlider*>(m_view->ControlWidget(bar));
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(m_view->ControlPosition(bar), -1);
  EXPECT_TRUE(m_owner->Commands().contains(Command(kNotifyPositionChange)));
}

TEST_F(ControlHostTest, LongerValueThanTheLimitIsShownWhole) {
  const auto edit = Make(ControlKind::kEdit);
  m_view->SetTextLimit(edit, 4);
  m_view->SetControlText(edit, QStringLiteral("123456"));
  EXPECT_EQ(m_view->ControlText(edit), QStringLiteral("123456"));
  m_view->SetControlText(edit, QString());
  auto* line = qobject_cast<QLineEdit*>(m_view->ControlWidget(edit));
  line->setFocus();
  QTest::keyClicks(line, QStringLiteral("abcdef"));
  EXPECT_EQ(m_view->ControlText(edit), QStringLiteral("abcd"));
}

TEST_F(ControlHostTest, DestroyedControlIsGoneAtOnceAndSilent) {
  const auto edit = Make(ControlKind::kEdit);
  QPointer<QWidget> widget = m_view->ControlWidget(edit);
  widget->setFocus();
  m_view->DestroyControl(edit);
  EXPECT_EQ(m_view->ControlWidget(edit), nullptr);
  EXPECT_FALSE(m_view->IsControlVisible(edit));
  EXPECT_EQ(m_view->ControlText(edit), QString());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(widget.isNull());
  // Losing the focus on the way out was not reported to the point.
  EXPECT_FALSE(m_owner->Commands().contains(Command(kNotifyKillFocus)));
}

}  // namespace
