// Boolean, drop and list points in the page display with real widgets: clicking the buttons and
// the grid, picking from and typing into combos, and what each paints.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include "points/boolean_point.h"
#include "points/drop_point.h"
#include "points/list_point.h"
#include "support/page_view_fixture.h"
#include "ui/multi_combo_box.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::PageViewTest;

class ChoicePointWidgetTest : public PageViewTest {
 protected:
  template <class T>
  T* Add(CPage* page, const QString& caption, const typename T::Settings& settings) {
    auto* point = static_cast<T*>(page->AddPoint(T::kTypeCode));
    point->SetCaption(caption);
    point->SetName(caption);
    point->SetSettings(settings);
    return point;
  }
  QComboBox* ComboOf(CBasePoint* point) {
    const QList<CPageWindow::Control> controls = m_view->ControlsOfPoint(point);
    return controls.isEmpty() ? nullptr
                              : qobject_cast<QComboBox*>(m_view->ControlWidget(controls.first()));
  }
  void Click(const QPoint& position) {
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, position);
    // The repaint of what changed is queued.
    QCoreApplication::processEvents();
  }
  QColor Pixel(const QPoint& position) const { return m_view->Buffer().pixelColor(position); }
};

TEST_F(ChoicePointWidgetTest, BooleanButtonsAreClickedAndPaintedInTheirColours) {
  CPage* page = AddPage();
  CBooleanPoint* done = Add<CBooleanPoint>(page, QStringLiteral("Checked"), {});
  ShowView(320, 300);
  m_view->SetPage(page, false);
  const QRect item = done->ItemRect();
  const int right = item.left() + item.width();
  const QPoint trueButton(right - 36 - 30, item.center().y());
  const QPoint falseButton(right - 6, item.center().y());
  const QPoint trueCorner(right - 72 + 4, item.center().y() - 12);
  EXPECT_EQ(Pixel(trueCorner), QColor(255, 255, 230));
  Click(trueButton);
  EXPECT_EQ(done->OutputText(), QStringLiteral("True"));
  EXPECT_EQ(Pixel(trueCorner), QColor(0, 125, 0));
  Click(falseButton);
  EXPECT_EQ(done->OutputText(), QStringLiteral("False"));
  EXPECT_EQ(Pixel(trueCorner), QColor(255, 255, 230));
  EXPECT_EQ(Pixel(QPoint(right - 36 + 4, item.center().y() - 12)), QColor(128, 0, 0));
  Click(falseButton);
  EXPECT_EQ(done->OutputText(), QString());
}

TEST_F(ChoicePointWidgetTest, ListGridClicksChooseItems) {
  CPage* page = AddPage();
  CListPoint::Settings settings;
  settings.items = {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")};
  settings.singleSelect = 0;
  CListPoint* colours = Add<CListPoint>(page, QStringLiteral("Colours"), settings);
  ShowView(320, 300);
  m_view->SetPage(page, false);
  ASSERT_FALSE(colours->ItemButton(2).isEmpty());
  Click(colours->ItemButton(2).center());
  Click(colours->ItemButton(0).center());
  EXPECT_EQ(colours->OutputText(), QStringLiteral("Red; Blue; "));
  const QPoint inside = colours->ItemButton(0).topLeft() + QPoint(8, 8);
  EXPECT_EQ(Pixel(inside), QColor(0, 102, 204));
  Click(colours->ItemButton(0).center());
  EXPECT_EQ(colours->OutputText(), QStringLiteral("Blue; "));
  EXPECT_NE(Pixel(inside), QColor(0, 102, 204));
}

TEST_F(ChoicePointWidgetTest, DropCombosPickTypeAndChooseSeveral) {
  CPage* page = AddPage();
  CDropPoint::Settings single;
  single.items = {QStringLiteral("01;Apple"), QStringLiteral("02;Pear")};
  single.split = 1;
  single.width = 8;
  CDropPoint* fruit = Add<CDropPoint>(page, QStringLiteral("Fruit"), single);
  CDropPoint::Settings editable;
  editable.items = {QStringLiteral("Sunny")};
  editable.editable = 1;
  CDropPoint* weather = Add<CDropPoint>(page, QStringLiteral("Weather"), editable);
  CDropPoint::Settings multi;
  multi.items = {QStringLiteral("A"), QStringLiteral("B")};
  multi.multiSelect = 1;
  CDropPoint* letters = Add<CDropPoint>(page, QStringLiteral("Letters"), multi);
  ShowView(320, 400);
  m_view->SetPage(page, false);

  QComboBox* fruitBox = ComboOf(fruit);
  ASSERT_NE(fruitBox, nullptr);
  EXPECT_TRUE(fruitBox->isVisible());
  EXPECT_EQ(fruitBox->itemText(0), QStringLiteral("Apple"));
  // Beside the caption, at the right edge.
  EXPECT_GT(fruitBox->geometry().left(), fruit->ItemRect().center().x());
  fruitBox->setFocus();
  QTest::keyClick(fruitBox, Qt::Key_Down);
  EXPECT_EQ(fruitBox->currentIndex(), 0);
  EXPECT_EQ(fruit->OutputText(), QStringLiteral("01"));
  QTest::keyClick(fruitBox, Qt::Key_Down);
  EXPECT_EQ(fruit->OutputText(), QStringLiteral("02"));

  QComboBox* weatherBox = ComboOf(weather);
  ASSERT_NE(weatherBox, nullptr);
  ASSERT_NE(weatherBox->lineEdit(), nullptr);
  QTest::keyClicks(weatherBox->lineEdit(), QStringLiteral("Windy"));
  EXPECT_EQ(weather->OutputText(), QStringLiteral("Windy"));

  auto* lettersBox = dynamic_cast<CMultiComboBox*>(ComboOf(letters));
  ASSERT_NE(lettersBox, nullptr);
  lettersBox->SetItemChecked(1, true);
  lettersBox->SetItemChecked(0, true);
  lettersBox->showPopup();
  lettersBox->hidePopup();
  EXPECT_EQ(letters->OutputText(), QStringLiteral("A; B; "));
}

TEST_F(ChoicePointWidgetTest, AClearableDropStartsWithAnEntryThatClearsTheValue) {
  CPage* page = AddPage();
  CDropPoint::Settings settings;
  settings.items = {QStringLiteral("01;Apple"), QStringLiteral("02;Pear")};
  settings.split = 1;
  settings.clearable = true;
  CDropPoint* fruit = Add<CDropPoint>(page, QStringLiteral("Fruit"), settings);
  settings.clearable = false;
  CDropPoint* plain = Add<CDropPoint>(page, QStringLiteral("Plain"), settings);
  settings.clearable = true;
  settings.editable = 1;
  CDropPoint* typed = Add<CDropPoint>(page, QStringLiteral("Typed"), settings);
  fruit->SetValue(QStringLiteral("02"));
  ShowView(320, 400);
  m_view->SetPage(page, false);

  QComboBox* box = ComboOf(fruit);
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(box->count(), 3);
  EXPECT_EQ(box->itemText(0), CScopedServices::Text("Point.DropList.Clear"));
  EXPECT_FALSE(box->itemText(0).isEmpty());
  EXPECT_EQ(box->itemText(1), QStringLiteral("Apple"));
  // The stored value is marked past the clearing entry, and picks map back to the items.
  EXPECT_EQ(box->currentText(), QStringLiteral("Pear"));
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Up);
  EXPECT_EQ(fruit->OutputText(), QStringLiteral("01"));
  QTest::keyClick(box, Qt::Key_Up);
  EXPECT_TRUE(fruit->OutputText().isEmpty());
  EXPECT_EQ(box->currentIndex(), 0);
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(fruit->OutputText(), QStringLiteral("01"));
  // Setting a value from outside marks the right entry too.
  fruit->SetValue(QStringLiteral("02"));
  EXPECT_EQ(box->currentText(), QStringLiteral("Pear"));

  // Without the flag, and in an editable box (cleared by deleting its text), no such entry.
  ASSERT_NE(ComboOf(plain), nullptr);
  EXPECT_EQ(ComboOf(plain)->count(), 2);
  ASSERT_NE(ComboOf(typed), nullptr);
  EXPECT_EQ(ComboOf(typed)->itemText(0), QStringLiteral("Apple"));
}

}  // namespace
