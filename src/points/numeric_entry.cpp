#include "points/numeric_entry.h"

#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <climits>

#include "platform/settings_store.h"
#include "points/expr/point_number.h"
#include "points/value_box_layout.h"
#include "values/variant_ops.h"

const QString CNumericEntry::kValueMarker = QStringLiteral("%value%");
const QString CNumericEntry::kUnitIdMarker = QStringLiteral("%unitid%");

namespace {

bool IsBlank(QChar c) {
  return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

// Reads blanks, a sign and decimal digits from `pos`; the value clamped to int.
bool ScanDecimal(QStringView text, qsizetype& pos, int& out) {
  qsizetype i = pos;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  long long value = 0;
  qsizetype digits = 0;
  while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
    value = std::min<long long>(value * 10 + (text[i].unicode() - u'0'), 1LL << 40);
    ++i;
    ++digits;
  }
  if (digits == 0) return false;
  out = static_cast<int>(std::clamp<long long>(negative ? -value : value, INT_MIN, INT_MAX));
  pos = i;
  return true;
}

// A text written with `separator` as a number: its first separator becomes "." and the start of
// the text is read as "%lf" reads it.
bool ReadWithSeparator(const QString& text, QChar separator, double& out) {
  QString number = text;
  const qsizetype at = number.indexOf(separator);
  if (at >= 0) number[at] = QLatin1Char('.');
  return CPointNumber::ScanDouble(number, out);
}

QString SequenceEntry(const QString& unique) { return unique + QStringLiteral(".Next"); }

}  // namespace

bool CNumericEntry::ReadLeadingInt(QStringView text, int& out) {
  qsizetype pos = 0;
  return ScanDecimal(text, pos, out);
}

std::optional<int> CNumericEntry::ReadWholeInt(QStringView text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  return ok ? std::optional<int>(value) : std::nullopt;
}

QString CNumericEntry::DecimalKey(const QString& decimal) {
  if (decimal.compare(QStringLiteral("Auto"), Qt::CaseInsensitive) == 0) {
    const QString system = UserLocale().decimalPoint();
    return system.isEmpty() ? QStringLiteral(".") : system;
  }
  return decimal.isEmpty() ? QStringLiteral(".") : decimal;
}

bool CNumericEntry::InRange(const QString& text, const Range& range) {
  if (!range.on) return true;
  const QChar separator = DecimalKey(range.decimal).at(0);
  double value = 0;
  double minimum = 0;
  double maximum = 0;
  if (!ReadWithSeparator(text, separator, value)) return true;
  if (!ReadWithSeparator(range.minimum, separator, minimum) ||
      !ReadWithSeparator(range.maximum, separator, maximum)) {
    return true;
  }
  return minimum <= value && value <= maximum;
}

QString CNumericEntry::PressKey(const QString& text, const QString& key, int maxLength) {
  if (maxLength > 0 && text.size() >= maxLength) return text;
  return text + key;
}

bool CNumericEntry::CanHandOut(const QString& unique, const QString& format) {
  return !unique.isEmpty() && format.contains(kValueMarker);
}

QString CNumericEntry::FillFormat(const QString& format, int64_t number, const QString& unitId) {
  QString value = format;
  value.replace(kValueMarker, QString::number(number));
  return value.replace(kUnitIdMarker, unitId);
}

std::optional<int> CNumericEntry::TypedNumber(const QString& format, const QString& unitId,
                                              const QString& text) {
  const qsizetype at = format.indexOf(kValueMarker);
  if (at < 0 || format.indexOf(kValueMarker, at + 1) >= 0) return std::nullopt;
  const QString before = QString(format.left(at)).replace(kUnitIdMarker, unitId);
  const QString after =
      QString(format.mid(at + kValueMarker.size())).replace(kUnitIdMarker, unitId);
  if (text.size() < before.size() + after.size() || !text.startsWith(before) ||
      !text.endsWith(after)) {
    return std::nullopt;
  }
  return ReadWholeInt(
      QStringView(text).mid(before.size(), text.size() - before.size() - after.size()));
}

int CNumericEntry::NextNumber(const CSettingsStore& settings, const QString& unique, int initial) {
  return settings.ReadInt(QString::fromLatin1(kSequenceSection), SequenceEntry(unique), initial);
}

bool CNumericEntry::HandedOut(CSettingsStore& settings, const QString& unique, int number,
                              int increment) {
  const long long next =
      std::clamp<long long>(static_cast<long long>(number) + increment, INT_MIN, INT_MAX);
  return settings.WriteInt(QString::fromLatin1(kSequenceSection), SequenceEntry(unique),
                           static_cast<int>(next));
}

// ---- geometry

int32_t CNumericEntry::Units(int32_t size) {
  return std::clamp<int32_t>(size, 0, CValueBoxLayout::kMaxWidth);
}

namespace {

// A box of `width` at the right of the item, centred on it; or the full width at its bottom.
QRect BoxIn(bool beside, int width, const QRect& item, int scale) {
  const int height = std::min(CValueBoxLayout::BoxHeight(scale), std::max(item.height(), 0));
  if (beside) {
    const int boxWidth = std::min(width, item.width());
    return QRect(item.left() + item.width() - boxWidth, item.top() + (item.height() - height) / 2,
                 boxWidth, height);
  }
  return QRect(item.left(), item.top() + item.height() - height, item.width(), height);
}

int HeightFor(bool beside, int captionHeight, int scale) {
  if (beside) return std::max(captionHeight, 20 * scale);
  return captionHeight + CValueBoxLayout::BoxHeight(scale);
}

}  // namespace

QRect CNumericEntry::NumpadBox(int32_t size, const QRect& item, int scale) {
  const int32_t units = Units(size);
  return BoxIn(units > 0, (units + 2) * 15 * scale, item, scale);
}

int CNumericEntry::NumpadCaptionWidth(int32_t size, int width, int scale) {
  const int32_t units = Units(size);
  return units > 0 ? width - (units + 2) * 15 * scale : width;
}

int CNumericEntry::NumpadHeight(int32_t size, int captionHeight, int scale) {
  return HeightFor(Units(size) > 0, captionHeight, scale);
}

QRect CNumericEntry::IncrementorBox(int32_t size, const QRect& item, int scale) {
  const int32_t units = Units(size);
  return BoxIn(units > 0, (units * 15 + 28) * scale, item, scale);
}

int CNumericEntry::IncrementorCaptionWidth(int32_t size, int width, int scale) {
  const int32_t units = Units(size);
  return units > 0 ? width - (units * 15 + 28) * scale : width;
}

int CNumericEntry::IncrementorHeight(int32_t size, int captionHeight, int scale) {
  return HeightFor(Units(size) > 0, captionHeight, scale);
}

int CNumericEntry::SliderBarHeight(int ticks, int scale) { return (ticks == 3 ? 36 : 26) * scale; }

int CNumericEntry::SliderHeight(bool inline_, int ticks, int captionHeight, int scale) {
  const int bar = SliderBarHeight(ticks, scale);
  return inline_ ? std::max(bar, captionHeight) : bar + captionHeight;
}

int CNumericEntry::SliderCaptionWidth(bool inline_, int width, int scale) {
  return inline_ ? width - 128 * scale : width;
}

QRect CNumericEntry::SliderBar(bool inline_, int ticks, const QRect& item, int scale) {
  const int bar = SliderBarHeight(ticks, scale);
  if (inline_) {
    const int width = std::min(128 * scale, item.width());
    return QRect(item.right() + 1 - width, item.top() + (item.height() - bar) / 2, width, bar);
  }
  const int height = std::min(bar, std::max(item.height(), 0));
  return QRect(item.left(), item.top() + item.height() - height, item.width(), height);
}

// ---- icons

void CNumericEntry::DrawKeypadIcon(QPainter& painter, const QRect& rect) {
  // Three rows of three keys.
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  const int cell = std::max(1, std::min(rect.width(), rect.height()) / 3);
  const int left = rect.left() + (rect.width() - 3 * cell) / 2;
  const int top = rect.top() + (rect.height() - 3 * cell) / 2;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const QRect key(left + column * cell, top + row * cell, cell - 1, cell - 1);
      painter.fillRect(key, QColor(70, 90, 140));
    }
  }
  painter.restore();
}

void CNumericEntry::DrawIncrementorIcon(QPainter& painter, const QRect& rect) {
  // A plus sign in a rounded square: "the next number".
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const int side = std::min(rect.width(), rect.height());
  const QRectF square(rect.left() + (rect.width() - side) / 2.0,
                      rect.top() + (rect.height() - side) / 2.0, side, side);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 130, 60));
  painter.drawRoundedRect(square.adjusted(0.5, 0.5, -0.5, -0.5), side / 5.0, side / 5.0);
  painter.setPen(QPen(Qt::white, std::max(1.5, side / 7.0), Qt::SolidLine, Qt::FlatCap));
  const QPointF centre = square.center();
  const double arm = side * 0.28;
  painter.drawLine(QPointF(centre.x() - arm, centre.y()), QPointF(centre.x() + arm, centre.y()));
  painter.drawLine(QPointF(centre.x(), centre.y() - arm), QPointF(centre.x(), centre.y() + arm));
  painter.restore();
}
