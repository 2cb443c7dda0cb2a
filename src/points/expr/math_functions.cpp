#include "points/expr/math_functions.h"

#include <openssl/evp.h>

#include <QByteArray>
#include <QDate>
#include <QTime>
#include <QUuid>
#include <array>
#include <cmath>
#include <memory>

#include "points/expr/minute_value.h"

namespace {

// Position 0 is a placeholder that is never matched, so the codes start at 1.
constexpr std::array<const char*, CMathFunctions::kCount + 1> kNames = {
    "Null", "Abs",  "Sqrt", "Log",  "Ln",    "Exp",  "Sin",     "Cos",     "Tan",
    "ASin", "ACos", "ATan", "SinH", "CosH",  "TanH", "Deg2Rad", "Rad2Deg", "Inv",
    "Int",  "IRnd", "FRnd", "YEAR", "MONTH", "DAY",  "HOUR",    "MINUTE",  "SECOND"};

enum Field { kYearField, kMonthField, kDayField, kHourField, kMinuteField, kSecondField };

// A calendar or clock field of a minute value; -1 when it is not a valid date. The clock fields
// of 0 <= x < 1440 are those of a time of day.
double DateField(Field field, double x) {
  if (field >= kHourField) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (CMinuteValue::ToTimeOfDay(x, hour, minute, second)) {
      return field == kHourField ? hour : (field == kMinuteField ? minute : second);
    }
  }
  QDate date;
  QTime time;
  if (!CMinuteValue::ToDateTime(x, date, time)) return -1;
  switch (field) {
    case kYearField:
      return date.year();
    case kMonthField:
      return date.month();
    case kDayField:
      return date.day();
    case kHourField:
      return time.hour();
    case kMinuteField:
      return time.minute();
    case kSecondField:
      return time.second();
  }
  return -1;
}

// The platform's in-memory order of a GUID: the first three groups little-endian.
QByteArray GuidBytes(const QUuid& uuid) {
  QByteArray bytes;
  bytes.reserve(16);
  for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((uuid.data1 >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) bytes.append(static_cast<char>((uuid.data2 >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) bytes.append(static_cast<char>((uuid.data3 >> (8 * i)) & 0xFF));
  for (uchar b : uuid.data4) bytes.append(static_cast<char>(b));
  return bytes;
}

struct DigestContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

int32_t CMathFunctions::Find(QStringView name) {
  for (int32_t code = 1; code <= kCount; ++code) {
    if (name.compare(QLatin1String(kNames[code]), Qt::CaseInsensitive) == 0) return code;
  }
  return 0;
}

QString CMathFunctions::Name(int32_t code) {
  if (code < 1 || code > kCount) return QString();
  return QLatin1String(kNames[code]);
}

bool CMathFunctions::Int(double x, int32_t& out) {
  // The platform's conversion gives -2147483648 for NaN and every value out of range, a number
  // that has nothing to do with the argument; such an argument fails instead.
  const double truncated = std::trunc(x);
  if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0)) return false;
  out = static_cast<int32_t>(truncated);
  return true;
}

bool CMathFunctions::Apply(int32_t code, double x, uint32_t randomHash, double& result) {
  switch (code) {
    case 1:
      result = std::fabs(x);
      return true;
    case 2:
      result = std::sqrt(x);
      return true;
    case 3:
      result = std::log10(x);
      return true;
    case 4:
      result = std::log(x);
      return true;
    case 5:
      result = std::exp(x);
      return true;
    case 6:
      result = std::sin(x);
      return true;
    case 7:
      result = std::cos(x);
      return true;
    case 8:
      result = std::tan(x);
      return true;
    case 9:
      result = std::asin(x);
      return true;
    case 10:
      result = std::acos(x);
      return true;
    case 11:
      result = std::atan(x);
      return true;
    case 12:
      result = std::sinh(x);
      return true;
    case 13:
      result = std::cosh(x);
      return true;
    case 14:
      result = std::tanh(x);
      return true;
    case 15:
      result = x * kPi / 180;
      return true;
    case 16:
      result = x * 180 / kPi;
      return true;
    case 17:
      if (x == 0) return false;
      result = 1 / x;
      return true;
    case kInt: {
      int32_t whole = 0;
      if (!Int(x, whole)) return false;
      result = whole;
      return true;
    }
    case kIRnd: {
      int32_t bound = 0;
      if (!Int(x, bound) || bound < 0) return false;
      result = bound == 0 ? 0 : randomHash % static_cast<uint32_t>(bound);
      return true;
    }
    case kFRnd:
      result = randomHash / 4294967295.0 * x;
      return true;
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
    case 26:
      result = DateField(static_cast<Field>(code - kYear), x);
      return true;
    default:
      return false;
  }
}

bool CMathFunctions::RandomHash(const QString& sessionGuid, const QString& pointName,
                                uint32_t& out) {
  QByteArray data;
  if (!sessionGuid.isEmpty()) data = GuidBytes(QUuid::fromString(sessionGuid));
  data.reserve(data.size() + 2 * pointName.size());
  for (QChar c : pointName) {
    data.append(static_cast<char>(c.unicode() & 0xFF));
    data.append(static_cast<char>(c.unicode() >> 8));
  }
  const std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) != 1 ||
      EVP_DigestUpdate(context.get(), data.constData(), static_cast<size_t>(data.size())) != 1 ||
      EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1 || length < 4) {
    return false;
  }
  out = static_cast<uint32_t>(digest[0]) | (static_cast<uint32_t>(digest[1]) << 8) |
        (static_cast<uint32_t>(digest[2]) << 16) | (static_cast<uint32_t>(digest[3]) << 24);
  return true;
}
