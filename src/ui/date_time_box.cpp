#include "ui/date_time_box.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>

CDateTimeBox::CDateTimeBox(QWidget* parent, bool showNone, bool upDown)
    : QWidget(parent), m_edit(new QDateTimeEdit(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  if (showNone) {
    m_none = new QCheckBox(this);
    m_none->setChecked(true);
    layout->addWidget(m_none);
    connect(m_none, &QCheckBox::toggled, this, [this](bool checked) {
      m_edit->setEnabled(checked);
      Changed();
    });
  }
  layout->addWidget(m_edit, 1);
  m_edit->setCalendarPopup(!upDown);
  m_edit->setDateTime(QDateTime::currentDateTime());
  setFocusProxy(m_edit);
  connect(m_edit, &QDateTimeEdit::dateTimeChanged, this, [this] { Changed(); });
}

std::optional<QDateTime> CDateTimeBox::Value() const {
  if (m_none && !m_none->isChecked()) return std::nullopt;
  return m_edit->dateTime();
}

void CDateTimeBox::SetValue(const std::optional<QDateTime>& value) {
  m_setting = true;
  if (m_none) {
    m_none->setChecked(value.has_value());
    m_edit->setEnabled(value.has_value());
  }
  if (value && value->isValid()) m_edit->setDateTime(*value);
  m_setting = false;
}

void CDateTimeBox::SetPicture(const QString& picture) {
  m_setting = true;
  m_edit->setDisplayFormat(DisplayFormat(picture));
  m_setting = false;
}

void CDateTimeBox::Changed() {
  if (!m_setting && onChanged) onChanged();
}

QString CDateTimeBox::DisplayFormat(const QString& picture) {
  QString format;
  const qsizetype n = picture.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = picture[i];
    if (c == QLatin1Char('\'')) {
      // A quoted literal, with '' standing for one quote; both languages quote alike.
      qsizetype end = i + 1;
      while (end < n) {
        if (picture[end] == QLatin1Char('\'')) {
          if (end + 1 < n && picture[end + 1] == QLatin1Char('\'')) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      format += picture.mid(i, std::min(end + 1, n) - i);
      if (end >= n) format += QLatin1Char('\'');
      i = end + 1;
      continue;
    }
    qsizetype run = 1;
    while (i + run < n && picture[i + run] == c) ++run;
    if (c == QLatin1Char('t')) {
      format += QStringLiteral("AP");
    } else if (c == QLatin1Char('y')) {
      format += run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
    } else if (c.isLetter() && QStringLiteral("dMhHms").contains(c)) {
      format += QString(
          std::min<qsizetype>(run, c == QLatin1Char('d') || c == QLatin1Char('M') ? 4 : 2), c);
    } else if (c.isLetter()) {
      // A letter the field would read as a format code is shown as itself.
      format += QLatin1Char('\'') + QString(run, c) + QLatin1Char('\'');
    } else {
      format += QString(run, c);
    }
    i += run;
  }
  return format;
}
