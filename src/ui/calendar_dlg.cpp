#include "ui/calendar_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "app/language.h"
#include "project/display_scale.h"
#include "values/variant_ops.h"

namespace {

QString Text(const char* key) { return CLanguage::Instance().Translate(QString::fromLatin1(key)); }

const char* const kChosenStyle =
    "QPushButton { background: rgb(102, 170, 238); color: white; border: none; }";

}  // namespace

CCalendarDlg::CCalendarDlg(QWidget* parent, const QDateTime& value, CDialogService::TimeParts parts)
    : QDialog(parent), m_date(value.date()), m_timeOfDay(value.time()), m_parts(parts) {
  using Parts = CDialogService::TimeParts;
  if (!m_date.isValid()) m_date = QDate(2000, 1, 1);
  // The year lists only so many years; a date outside them starts at the nearest one.
  const int year = std::clamp(m_date.year(), kFirstYear, kLastYear);
  if (year != m_date.year()) m_date = QDate(year, m_date.month(), std::min(m_date.day(), 28));
  if (!m_timeOfDay.isValid()) m_timeOfDay = QTime(0, 0);
  setWindowTitle(Text(parts == Parts::kTime ? "Point.Time.TimeTitle" : "Point.Time.CalendarTitle"));
  setModal(true);
  const int scale = CDisplayScale::Factor();
  const QLocale locale = UserLocale();
  auto* layout = new QVBoxLayout(this);

  if (parts != Parts::kTime) {
    auto* top = new QHBoxLayout();
    m_month = new QComboBox(this);
    for (int month = 1; month <= 12; ++month) m_month->addItem(locale.monthName(month));
    m_year = new QComboBox(this);
    for (int year = kFirstYear; year <= kLastYear; ++year) m_year->addItem(QString::number(year));
    top->addWidget(m_month, 3);
    top->addWidget(m_year, 2);
    layout->addLayout(top);
    m_grid = new QGridLayout();
    m_grid->setSpacing(1);
    for (int column = 0; column < 7; ++column) {
      // Some locales (the C locale among them) give digits as narrow day names.
      QString name = locale.dayName(column + 1, QLocale::NarrowFormat);
      if (name.isEmpty() || name.front().isDigit()) {
        name = locale.dayName(column + 1, QLocale::ShortFormat);
      }
      auto* heading = new QLabel(name, this);
      heading->setAlignment(Qt::AlignCenter);
      m_grid->addWidget(heading, 0, column);
    }
    layout->addLayout(m_grid, 1);
    connect(m_month, &QComboBox::currentIndexChanged, this, [this] { MonthOrYearChanged(); });
    connect(m_year, &QComboBox::currentIndexChanged, this, [this] { MonthOrYearChanged(); });
  }
  if (parts != Parts::kDate) {
    m_time = new QTimeEdit(m_timeOfDay, this);
    m_time->setDisplayFormat(QStringLiteral("HH:mm"));
    m_time->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_time);
  }
  m_ok = new QPushButton(Text("System.OK"), this);
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(m_ok);

  Rebuild();
  const QSize size = parts == Parts::kTime ? QSize(208, 120) : QSize(208, 288);
  setFixedSize(size * scale);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

QDateTime CCalendarDlg::Value() const {
  QTime time = m_timeOfDay;
  if (m_time) {
    const QTime edited = m_time->time();
    time = QTime(edited.hour(), edited.minute(), m_timeOfDay.second(), m_timeOfDay.msec());
  }
  return QDateTime(m_date, time);
}

QPushButton* CCalendarDlg::DayButton(int day) const {
  return day >= 1 && day <= m_days.size() ? m_days[day - 1] : nullptr;
}

void CCalendarDlg::Rebuild() {
  if (!m_grid) return;
  const QSignalBlocker monthBlock(m_month);
  const QSignalBlocker yearBlock(m_year);
  m_month->setCurrentIndex(m_date.month() - 1);
  m_year->setCurrentIndex(m_date.year() - kFirstYear);
  // A day button may be the one being clicked: it goes once its click is over.
  for (QPushButton* old : m_days) {
    m_grid->removeWidget(old);
    old->hide();
    old->deleteLater();
  }
  m_days.clear();
  const QDate first(m_date.year(), m_date.month(), 1);
  const int offset = first.dayOfWeek() - 1;  // Monday is the first column
  for (int day = 1; day <= m_date.daysInMonth(); ++day) {
    auto* button = new QPushButton(QString::number(day), this);
    button->setFlat(day != m_date.day());
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(1, 1);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    if (day == m_date.day()) button->setStyleSheet(QString::fromLatin1(kChosenStyle));
    connect(button, &QPushButton::clicked, this, [this, day] { ChooseDay(day); });
    const int cell = offset + day - 1;
    m_grid->addWidget(button, 1 + cell / 7, cell % 7);
    m_days.append(button);
  }
  for (int row = 1; row <= 6; ++row) m_grid->setRowStretch(row, 1);
}

void CCalendarDlg::ChooseDay(int day) {
  m_date.setDate(m_date.year(), m_date.month(), day);
  Rebuild();
}

void CCalendarDlg::MonthOrYearChanged() {
  const int year = kFirstYear + std::max(0, m_year->currentIndex());
  const int month = 1 + std::max(0, m_month->currentIndex());
  int day = m_date.day();
  while (day > 28 && !QDate::isValid(year, month, day)) --day;
  m_date = QDate(year, month, day);
  Rebuild();
}
