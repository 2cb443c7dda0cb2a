// The numeric entry and formatter points on a real page display: the numpad's keypad played by
// taps and keys and its box typed into, the slider moved with the arrow keys, the incrementor's
// icon tapped and its box typed into, and the formatter's text drawn.
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "app/services.h"
#include "automation/automation_root.h"
#include "automation/custom_point_host.h"
#include "points/custom_point.h"
#include "points/incrementor_point.h"
#include "points/numpad_point.h"
#include "points/slider_point.h"
#include "support/page_view_fixture.h"
#include "ui/numpad_wnd.h"
#include "ui/qt_dialog_service.h"

namespace {

using qlt::test::PageViewTest;

class NumericPointsWidgetTest : public PageViewTest {
 protected:
  void SetUp() override {
    PageViewTest::SetUp();
    m_services.Services().SetDialogService(std::make_unique<CQtDialogService>());
    m_page = AddPage();
  }
  void TearDown() override {
    CCustomPointHost::ReleaseControls(*m_project);
    PageViewTest::TearDown();
  }
  CCustomPoint* AddCustom(const QString& name, const char* classId,
                          const QList<std::pair<QString, QVariant>>& bag) {
    auto* point = static_cast<CCustomPoint*>(m_page->AddPoint(CCustomPoint::kTypeCode));
    point->SetName(name);
    point->SetCaption(name);
    point->SetClassId(QUuid(QString::fromLatin1(classId)));
    for (const auto& [key, value] : bag) {
      if (value.typeId() == QMetaType::Int) {
        point->MutableBag().SetInteger(key, value.toInt());
      } else {
        point->MutableBag().SetText(key, value.toString());
      }
    }
    EXPECT_EQ(m_host.CreateControl(*point), S_OK);
    return point;
  }
  QWidget* Widget(CCustomPoint* point) {
    const QList<CPageWindow::Control> controls = m_view->ControlsOfPoint(point);
    return controls.isEmpty() ? nullptr : m_view->ControlWidget(controls.first());
  }
  void Click(const QPoint& position) {
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, position);
    QCoreApplication::processEvents();
  }

  CAutomationRoot m_root;
  CCustomPointHost m_host{&m_root};
  CPage* m_page = nullptr;
};

TEST_F(NumericPointsWidgetTest, NumpadKeypadTakesTapsAndKeysAndRefusesWhatIsOutOfRange) {
  CCustomPoint* length = AddCustom(QStringLiteral("Length"), CNumpadPoint::kClassId,
                                   {{QStringLiteral("Size"), 5},
                                    {QStringLiteral("Decimal"), QStringLiteral(".")},
                                    {QStringLiteral("Range"), 1},
                                    {QStringLiteral("RangeMin"), QStringLiteral("0")},
                                    {QStringLiteral("RangeMax"), QStringLiteral("500")},
                                    {QStringLiteral("MaxLength"), 5}});
  ShowView(360, 300);
  m_view->SetPage(m_page, false);
  auto* box = qobject_cast<QLineEdit*>(Widget(length));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  const QRect item = length->ItemRect();
  EXPECT_GE(box->geometry().left(), item.right() - 105);

  bool played = false;
  QTimer::singleShot(0, m_view.get(), [this, &played] {
    auto* keypad = dynamic_cast<CNumpadWnd*>(QApplication::activeModalWidget());
    if (!keypad) return;
    for (int id : {300, 301, 331, 320, 320, 320}) {  // 1 2 . 7 7 7: the sixth key is past 5
      QTest::mouseClick(keypad->Key(id), Qt::LeftButton);
    }
    const bool fifth = keypad->Text() == QStringLiteral("12.77");
    QTest::mouseClick(keypad->BackspaceKey(), Qt::LeftButton);
    QTest::keyClick(keypad->Field(), Qt::Key_5);
    QTest::mouseClick(keypad->OkButton(), Qt::LeftButton);
    played = fifth && m_services.Messages().Messages().isEmpty();
  });
  Click(QPoint(item.left() + 10, item.center().y()));
  ASSERT_TRUE(played);
  EXPECT_EQ(length->OutputText(), "12.75");
  EXPECT_EQ(box->text(), "12.75");

  // Out of range: OK shows the limits and the keypad stays; Cancel leaves the value.
  bool refused = false;
  QTimer::singleShot(0, m_view.get(), [this, &refused] {
    auto* keypad = dynamic_cast<CNumpadWnd*>(QApplication::activeModalWidget());
    if (!keypad) return;
    keypad->Field()->clear();
    QTest::keyClicks(keypad->Field(), QStringLiteral("999"));
    QTest::keyClick(keypad->Field(), Qt::Key_Return);
    refused = keypad->isVisible() && m_services.Messages().Messages().size() == 1;
    QTest::mouseClick(keypad->CancelButton(), Qt::LeftButton);
  });
  Click(QPoint(item.left() + 10, item.center().y()));
  ASSERT_TRUE(refused);
  EXPECT_EQ(m_services.Messages().Messages()[0].text,
            QStringLiteral("The value is out of range.\r\n\r\nMinimum: 0\r\nMaximum: 500"));
  EXPECT_EQ(length->OutputText(), "12.75");

  // The box takes the keyboard directly.
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("42"));
  EXPECT_EQ(length->OutputText(), "42");
}

TEST_F(NumericPointsWidgetTest, SliderMovesWithTheArrowKeysAndShowsItsTicks) {
  CCustomPoint* risk = AddCustom(QStringLiteral("Risk"), CSliderPoint::kClassId,
                                 {{QStringLiteral("RangeMax"), 10},
                                  {QStringLiteral("Ticks"), 3},
                                  {QStringLiteral("Inline"), 1}});
  risk->AssignValue(CVariant::FromString(QStringLiteral("7")));
  ShowView(360, 300);
  m_view->SetPage(m_page, false);
  auto* slider = qobject_cast<QSlider*>(Widget(risk));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->value(), 7);
  EXPECT_EQ(slider->tickPosition(), QSlider::TicksBothSides);
  EXPECT_EQ(slider->width(), 128);  // inline, at the right of the caption
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(risk->OutputText(), "8");
  QTest::keyClick(slider, Qt::Key_Home);
  EXPECT_EQ(risk->OutputText(), "0");
}

TEST_F(NumericPointsWidgetTest, IncrementorIconDrawsNumbersAndTypingRestartsTheSequence) {
  CCustomPoint* visit = AddCustom(QStringLiteral("Visit"), CIncrementorPoint::kClassId,
                                  {{QStringLiteral("Unique"), QStringLiteral("Visit")},
                                   {QStringLiteral("Initial"), 100},
                                   {QStringLiteral("Increment"), 5},
                                   {QStringLiteral("Format"), QStringLiteral("V-%value%")},
                                   {QStringLiteral("ReadOnly"), 0}});
  CCustomPoint* note = AddCustom(QStringLiteral("Note"), CNumpadPoint::kClassId, {});
  uint32_t ticks = 5000;
  m_services.Services().SetTickCounter([&ticks] { return ticks; });
  ShowView(360, 300);
  m_view->SetPage(m_page, false);
  EXPECT_EQ(visit->OutputText(), "V-100");
  auto* box = qobject_cast<QLineEdit*>(Widget(visit));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), "V-100");
  const QRect item = visit->ItemRect();
  EXPECT_LE(box->geometry().right(), item.right() - 18);
  Click(QPoint(item.right() - 6, item.center().y()));
  EXPECT_EQ(visit->OutputText(), "V-105");

  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("V-300"));
  Widget(note)->setFocus();  // leaving the box hands out the typed number
  QCoreApplication::processEvents();
  EXPECT_EQ(visit->OutputText(), "V-300");
  ticks += CIncrementorPoint::kTapAfterEditMs;
  Click(QPoint(item.right() - 6, item.center().y()));
  EXPECT_EQ(visit->OutputText(), "V-305");
}

}  // namespace
