#include "points/edit_point_logic.h"

#include <algorithm>
#include <limits>

#include "app/language.h"
#include "points/expr/point_number.h"
#include "values/variant_ops.h"

namespace {

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

int ClampedLines(int32_t lines) {
  return std::clamp<int32_t>(lines, -CEditPointLogic::kMaxLines, CEditPointLogic::kMaxLines);
}

}  // namespace

QString CEditPointLogic::ZeroFill(const QString& text, const Settings& settings) {
  const int width = std::min<int32_t>(settings.padWidth, kMaxPadWidth);
  if (width <= 0 || text.size() >= width) return text;
  const QString zeros(width - text.size(), QLatin1Char('0'));
  if (settings.numeric != 0 && text.startsWith(QLatin1Char('-'))) {
    return QLatin1Char('-') + zeros + text.mid(1);
  }
  return zeros + text;
}

bool CEditPointLogic::ArrowsShown(const Settings& settings, bool readOnly) {
  return settings.numeric != 0 && settings.arrows != 0 && settings.lines <= 1 && !readOnly;
}

bool CEditPointLogic::ReadInteger(const QString& text, int32_t& out) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  const qsizetype first = i;
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  while (i < text.size() && IsAsciiDigit(text[i])) {
    value = std::min<int64_t>(value * 10 + (text[i].unicode() - u'0'), kLimit);
    ++i;
  }
  if (i == first) return false;
  if (negative) value = -value;
  out = static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
  return true;
}

QString CEditPointLogic::Step(const QString& boxText, int delta, const Settings& settings) {
  QString text = boxText.trimmed();
  while (text.size() > 1 && text.front() == QLatin1Char('0')) text.remove(0, 1);
  int32_t read = 0;
  if (!ReadInteger(text, read)) read = 0;
  int64_t value = int64_t{read} + delta;
  if (settings.rangeCheck != 0) {
    value = std::min<int64_t>(value, settings.maximum);
    value = std::max<int64_t>(value, settings.minimum);
  }
  value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max());
  return QString::number(value);
}

bool CEditPointLogic::PassesNumericCheck(const QString& text, const Settings& settings) {
  if (text.isEmpty()) return true;
  if (!IsNumericList(text)) return false;
  if (settings.rangeCheck == 0) return true;
  double read = 0;
  if (!CPointNumber::ScanDouble(text, read)) return false;
  // Read as a single-precision real and compared in single precision, as the range always was.
  const float value = static_cast<float>(read);
  return !(value < static_cast<float>(settings.minimum) ||
           value > static_cast<float>(settings.maximum));
}

QString CEditPointLogic::NumericQuestion(const QString& displayCaption) {
  QString text;
  if (!CLanguage::Instance().Lookup(QStringLiteral("Point.NumericValue"), text)) {
    text = QStringLiteral("Point.NumericValue");
  }
  return text.replace(QStringLiteral("%s"), displayCaption);
}

int CEditPointLogic::BesideBoxWidth(const Settings& settings, int scale) {
  const int lines = ClampedLines(settings.lines);
  return (25 + 15 * std::max(0, -lines)) * scale;
}

int CEditPointLogic::CaptionWidth(const Settings& settings, int width, int scale) {
  if (settings.lines > 0) return width;
  return width - BesideBoxWidth(settings, scale);
}

int CEditPointLogic::Height(const Settings& settings, int captionHeight, int scale) {
  const int lines = ClampedLines(settings.lines);
  if (lines > 0) return captionHeight + (scale == 2 ? 30 * lines + 8 : 16 * lines + 4);
  return std::max(captionHeight, 20 * scale);
}

CEditPointLogic::Geometry CEditPointLogic::Layout(const Settings& settings, const QRect& item,
                                                  int captionHeight, bool arrows, int scale) {
  Geometry geometry;
  const int right = item.x() + item.width();
  if (settings.lines > 0) {
    geometry.caption = item;
    geometry.box = QRect(item.x(), item.y() + captionHeight, item.width(),
                         std::max(0, item.height() - captionHeight));
  } else {
    const int boxWidth = BesideBoxWidth(settings, scale);
    geometry.caption =
        QRect(item.x(), item.y() + 2 * scale, item.width() - boxWidth, item.height() - 2 * scale);
    const int centre = item.y() + item.height() / 2;
    const int half = scale == 2 ? 18 : 10;
    const int left = right - boxWidth + 2 * scale;
    geometry.box = QRect(left, centre - half, right - left, 2 * half);
  }
  if (arrows) {
    const int boxRight = geometry.box.x() + geometry.box.width();
    const int top = geometry.box.y();
    const int height = geometry.box.height();
    geometry.down = QRect(boxRight - 15 * scale, top, 15 * scale, height);
    geometry.up = QRect(boxRight - 31 * scale, top, 15 * scale, height);
    geometry.box.setWidth(std::max(0, geometry.box.width() - 32 * scale));
  }
  return geometry;
}

int CEditPointLogic::TapStep(const QRect& item, int x, int scale) {
  const int right = item.x() + item.width();
  if (x > right - 15 * scale) return -1;
  if (x > right - 30 * scale) return +1;
  return 0;
}
