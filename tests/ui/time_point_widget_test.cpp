// Time points in the page display with real widgets: tapping the value box to stamp and clear,
// choosing in the calendar dialog, and the inline picker's keys and "none" box.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

#include "app/services.h"
#include "points/time_point.h"
#include "support/page_view_fixture.h"
#include "support/user_locale.h"
#include "ui/calendar_dlg.h"
#include "ui/date_time_box.h"
#include "ui/qt_dialog_service.h"

namespace {

using qlt::test::PageViewTest;
using Parts = CDialogService::TimeParts;

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

class TimePointWidgetTest : public PageViewTest {
 protected:
  void SetUp() override {
    PageViewTest::SetUp();
    m_services.Services().SetDialogService(std::make_unique<CQtDialogService>());
    m_services.SetNow(At(2024, 3, 14, 9, 26, 53));
  }
  CTimePoint* AddTime(CPage* page, const QString& caption, int mode, const QString& valueFormat,
                      const QString& displayFormat) {
    auto* point = static_cast<CTimePoint*>(page->AddPoint(CTimePoint::kTypeCode));
    point->SetCaption(caption);
    CTimePoint::Settings& s = point->MutableSettings();
    s.mode = mode;
    s.valueFormat = valueFormat;
    s.displayFormat = displayFormat;
    return point;
  }
  void Click(const QPoint& position) {
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, position);
    QCoreApplication::processEvents();
  }
  // How many pixels of the rectangle the test says are text of that kind.
  template <class Test>
  int Count(const QRect& rect, Test test) const {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        if (test(m_view->Buffer().pixelColor(x, y))) ++count;
      }
    }
    return count;
  }
  static bool Green(const QColor& c) {
    return c.green() > c.red() + 40 && c.green() > c.blue() + 40;
  }
  static bool Dark(const QColor& c) { return c.red() < 90 && c.green() < 90 && c.blue() < 90; }

  ScopedUserLocale m_locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

TEST_F(TimePointWidgetTest, TappingTheBoxStampsThenClearsAndPaintsWhatIsStored) {
  CPage* page = AddPage();
  const QString clock = QStringLiteral("{hour-24:2}:{minute:2}");
  CTimePoint* arrival = AddTime(page, QStringLiteral("Arrival"), 0, clock, clock);
  ShowView(320, 300);
  m_view->SetPage(page, false);
  const QRect box = arrival->BoxRect();
  ASSERT_FALSE(box.isEmpty());
  EXPECT_GT(Count(box, Green), 0);  // "(Tap to Set)"
  Click(box.center());
  EXPECT_EQ(arrival->OutputText(), QStringLiteral("09:26"));
  EXPECT_EQ(Count(box, Green), 0);
  EXPECT_GT(Count(box, Dark), 0);
  Click(box.center());
  EXPECT_EQ(arrival->OutputText(), QString());
  EXPECT_GT(Count(box, Green), 0);
}

TEST_F(TimePointWidgetTest, CalendarDialogChoosesTheStoredDate) {
  CPage* page = AddPage();
  CTimePoint* visit = AddTime(page, QStringLiteral("Visit"), 2,
                              QStringLiteral("{year}-{month:2}-{day:2} {hour-24:2}:{minute:2}"),
                              QStringLiteral("{day} {month-short} {year} {hour-24:2}:{minute:2}"));
  ShowView(320, 300);
  m_view->SetPage(page, false);
  bool seen = false;
  QTimer::singleShot(0, m_view.get(), [&seen] {
    auto* dialog = dynamic_cast<CCalendarDlg*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    EXPECT_EQ(dialog->Value(), At(2024, 3, 14, 9, 26, 53));
    dialog->YearBox()->setCurrentIndex(1988 - CCalendarDlg::kFirstYear);
    dialog->MonthBox()->setCurrentIndex(1);
    QTest::mouseClick(dialog->DayButton(29), Qt::LeftButton);
    ASSERT_NE(dialog->TimeBox(), nullptr);
    dialog->TimeBox()->setTime(QTime(18, 5));
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  });
  Click(visit->BoxRect().center());
  ASSERT_TRUE(seen);
  EXPECT_EQ(visit->OutputText(), QStringLiteral("1988-02-29 18:05"));
  EXPECT_GT(Count(visit->BoxRect(), Dark), 0);
}

TEST_F(TimePointWidgetTest, CalendarLowersTheDayAndHighlightsTheChosenOne) {
  CCalendarDlg dialog(nullptr, At(2024, 1, 31, 15, 45, 10), Parts::kDate);
  EXPECT_EQ(dialog.TimeBox(), nullptr);
  dialog.MonthBox()->setCurrentIndex(1);
  EXPECT_EQ(dialog.Value(), At(2024, 2, 29, 15, 45, 10));
  dialog.YearBox()->setCurrentIndex(2023 - CCalendarDlg::kFirstYear);
  EXPECT_EQ(dialog.Value(), At(2023, 2, 28, 15, 45, 10));
  EXPECT_EQ(dialog.DayButton(29), nullptr);
  EXPECT_EQ(dialog.size(), QSize(208, 288));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QCoreApplication::processEvents();
  const QImage chosen = dialog.DayButton(28)->grab().toImage();
  const QImage other = dialog.DayButton(27)->grab().toImage();
  const QPoint inside(2, 2);
  EXPECT_EQ(chosen.pixelColor(inside), QColor(102, 170, 238));
  EXPECT_NE(other.pixelColor(inside), QColor(102, 170, 238));

  CCalendarDlg time(nullptr, At(2024, 1, 31, 15, 45, 10), Parts::kTime);
  EXPECT_EQ(time.MonthBox(), nullptr);
  time.TimeBox()->setTime(QTime(7, 5));
  EXPECT_EQ(time.Value(), At(2024, 1, 31, 7, 5, 10));
}

TEST_F(TimePointWidgetTest, CalendarHeadingsNameTheDaysEvenWhereNarrowNamesAreDigits) {
  const ScopedUserLocale plain(QLocale::c());
  CCalendarDlg dialog(nullptr, At(2026, 12, 3), Parts::kDate);
  QStringList headings;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) headings.append(label->text());
  ASSERT_EQ(headings.size(), 7);
  EXPECT_EQ(headings.first(), QStringLiteral("Mon"));
  for (const QString& heading : headings)
    EXPECT_FALSE(heading.front().isDigit()) << heading.toStdString();
}

TEST_F(TimePointWidgetTest, InlinePickerKeysAndNoneBoxStoreTheValue) {
  CPage* page = AddPage();
  CPage* next = AddPage(QStringLiteral("Next"));
  CTimePoint* due =
      AddTime(page, QStringLiteral("Due"), 1, QStringLiteral("{year}-{month:2}-{day:2}"),
              QStringLiteral("{day} {month-long} {year}"));
  due->AssignValue(CVariant::FromString(QStringLiteral("1969-07-20")));
  ShowView(320, 300);
  m_view->SetPage(page, false);
  const QList<CPageWindow::Control> controls = m_view->ControlsOfPoint(due);
  ASSERT_EQ(controls.size(), 1);
  auto* picker = dynamic_cast<CDateTimeBox*>(m_view->ControlWidget(controls.first()));
  ASSERT_NE(picker, nullptr);
  QDateTimeEdit* edit = picker->Edit();
  EXPECT_EQ(edit->text(), QStringLiteral("20 July 1969"));
  edit->setFocus();
  edit->setCurrentSection(QDateTimeEdit::DaySection);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(due->OutputText(), QStringLiteral("1969-07-21"));
  auto* none = picker->findChild<QCheckBox*>();
  ASSERT_NE(none, nullptr);
  QTest::mouseClick(none, Qt::LeftButton, Qt::NoModifier, QPoint(4, none->height() / 2));
  EXPECT_EQ(due->OutputText(), QString());
  QTest::mouseClick(none, Qt::LeftButton, Qt::NoModifier, QPoint(4, none->height() / 2));
  EXPECT_EQ(due->OutputText(), QStringLiteral("1969-07-21"));
  m_view->SetPage(next, false);
  EXPECT_EQ(due->OutputText(), QStringLiteral("1969-07-21"));
  EXPECT_TRUE(m_view->ControlsOfPoint(due).isEmpty());
}

}  // namespace
