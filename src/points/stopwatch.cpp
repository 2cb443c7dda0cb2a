#include "points/stopwatch.h"

#include <QList>
#include <algorithm>
#include <limits>

#include "app/services.h"

namespace {

QString Two(uint32_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

}  // namespace

QString CStopwatch::Format(uint32_t total, int format, bool displayed) {
  const uint32_t hours = total / 360000;
  const uint32_t minutes = (total / 6000) % 60;
  const uint32_t seconds = (total / 100) % 60;
  const uint32_t hundredths = total % 100;
  const QString colon = displayed ? QStringLiteral(" : ") : QStringLiteral(":");
  const QString dot = displayed ? QStringLiteral(" . ") : QStringLiteral(".");
  const QString totalMinutes = QString::number(hours * 60 + minutes);
  switch (format) {
    case 0:
      return QString::number(total / 100);
    case 1:
      return QString::number(total / 100) + dot + Two(hundredths);
    case 2:
      return totalMinutes + colon + Two(seconds);
    case 3:
      return totalMinutes + colon + Two(seconds) + dot + Two(hundredths);
    case 4:
      return QString::number(hours) + colon + Two(minutes) + colon + Two(seconds);
    case 5:
      return QString::number(hours) + colon + Two(minutes) + colon + Two(seconds) + dot +
             Two(hundredths);
    default:
      return QString();
  }
}

std::optional<uint32_t> CStopwatch::Parse(const QString& text) {
  QList<uint64_t> numbers;
  bool dotMet = false;
  qsizetype from = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    if (!end && text[i] != QLatin1Char(':') && text[i] != QLatin1Char('.')) continue;
    if (!end && text[i] == QLatin1Char('.')) dotMet = true;
    const QString piece = text.mid(from, i - from).trimmed();
    from = i + 1;
    if (piece.isEmpty()) continue;
    // Nine digits at most: any longer number cannot be part of a total that fits.
    if (piece.size() > 9 || numbers.size() == 4) return std::nullopt;
    uint64_t number = 0;
    for (const QChar c : piece) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
      number = number * 10 + static_cast<uint64_t>(c.unicode() - u'0');
    }
    numbers.append(number);
  }
  uint64_t total = 0;
  if (dotMet && !numbers.isEmpty()) total = numbers.takeLast();
  static constexpr uint64_t kUnits[] = {100, 6000, 360000};
  for (qsizetype i = 0; i < numbers.size(); ++i) {
    const uint64_t unit = i < 3 ? kUnits[i] : 0;
    if (unit == 0) return std::nullopt;  // four numbers without hundredths
    total += numbers[numbers.size() - 1 - i] * unit;
  }
  if (total > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(total);
}

uint32_t CStopwatch::Total() const {
  if (!m_running) return m_total;
  const uint64_t total = uint64_t{m_total} + (CServices::Instance().TickCount() - m_startTick) / 10;
  return static_cast<uint32_t>(std::min<uint64_t>(total, std::numeric_limits<uint32_t>::max()));
}

void CStopwatch::SetTotal(uint32_t total) {
  m_total = total;
  if (m_running) m_startTick = CServices::Instance().TickCount();
}

void CStopwatch::Start() {
  if (m_running) return;
  m_startTick = CServices::Instance().TickCount();
  m_running = true;
}

void CStopwatch::Stop() {
  if (!m_running) return;
  m_total = Total();
  m_running = false;
  ++m_changes;
}

void CStopwatch::Reset() {
  m_running = false;
  m_total = 0;
  ++m_changes;
}
