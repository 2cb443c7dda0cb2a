#include "points/gps_nmea_decoder.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kMaxFields = 24;

// The fields of a sentence up to the first empty one: a sentence is used only as far as its
// fields are all present.
struct Fields {
  std::array<std::string_view, kMaxFields> field;
  std::size_t count = 0;
};

Fields SplitFields(std::string_view body) {
  Fields f;
  std::size_t start = 0;
  while (f.count < kMaxFields) {
    const std::size_t comma = body.find(',', start);
    const std::string_view field = body.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (field.empty()) break;
    f.field[f.count++] = field;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return f;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A whole number at the start of the field ("030719.000" reads 30719), always decimal: a time or
// a satellite count with a leading zero is not an octal number.
bool ReadInt(std::string_view field, int& value) {
  const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
  return result.ec == std::errc();
}

// A number at the start of the field; infinities, NaN and hexadecimal forms are not numbers
// a receiver sends and are refused so nothing downstream works with them.
bool ReadFloat(std::string_view field, float& value) {
  char buffer[32];
  std::size_t n = 0;
  while (n < field.size() && n < sizeof buffer - 1) {
    const char c = field[n];
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+')) break;
    buffer[n++] = c;
  }
  if (n == 0) return false;
  buffer[n] = 0;
  char* end = nullptr;
  const float v = std::strtof(buffer, &end);
  if (end == buffer || !std::isfinite(v)) return false;
  value = v;
  return true;
}

// The talkers whose fix is the receiver's own solution: GPS alone or the combined systems.
bool IsSentence(std::string_view name, std::string_view type) {
  return name.size() == 6 && name[0] == '$' &&
         (name.substr(1, 2) == "GP" || name.substr(1, 2) == "GN") && name.substr(3) == type;
}

}  // namespace

void CGPSNmeaDecoder::Reset() {
  m_length = 0;
  m_inSentence = false;
  m_damaged = false;
  m_position.reset();
  m_pdop = m_hdop = m_vdop = 0;
}

void CGPSNmeaDecoder::DropPartial() {
  if (m_inSentence) ++m_counts.rejected;
  m_inSentence = false;
  m_length = 0;
  m_damaged = false;
}

bool CGPSNmeaDecoder::Feed(const char* data, std::size_t size) {
  bool changed = false;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '$') {
      // A sentence cut short by the next one is damaged; the new one starts afresh.
      if (m_inSentence) ++m_counts.rejected;
      m_inSentence = true;
      m_damaged = false;
      m_sentence[0] = c;
      m_length = 1;
    } else if (c == '\r' || c == '\n') {
      if (m_inSentence) EndSentence(&changed);
    } else if (m_inSentence) {
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e ||
          m_length == kMaxSentence) {
        m_damaged = true;
      } else {
        m_sentence[m_length++] = c;
      }
    }
  }
  return changed;
}

void CGPSNmeaDecoder::EndSentence(bool* changed) {
  if (m_damaged || !DecodeSentence(std::string_view(m_sentence, m_length), changed)) {
    ++m_counts.rejected;
  }
  m_inSentence = false;
  m_damaged = false;
  m_length = 0;
}

bool CGPSNmeaDecoder::DecodeSentence(std::string_view sentence, bool* changed) {
  // "$" body "*" two hexadecimal digits; the checksum is the exclusive or of the body.
  if (sentence.size() < 4 || sentence.size() > kMaxSentence || sentence[0] != '$') return false;
  const std::size_t star = sentence.size() - 3;
  if (sentence[star] != '*') return false;
  const int high = HexDigit(sentence[star + 1]);
  const int low = HexDigit(sentence[star + 2]);
  if (high < 0 || low < 0) return false;
  unsigned char sum = 0;
  for (std::size_t i = 1; i < star; ++i) {
    const unsigned char c = static_cast<unsigned char>(sentence[i]);
    if (c < 0x20 || c > 0x7e || c == '$' || c == '*') return false;
    sum ^= c;
  }
  if (sum != (high << 4 | low)) return false;
  ++m_counts.accepted;

  const Fields f = SplitFields(sentence.substr(0, star));
  if (f.count == 0) return true;
  const std::string_view name = f.field[0];
  const bool gga = IsSentence(name, "GGA");
  if (gga || IsSentence(name, "GNS")) {
    if (f.count < 10) return true;
    CGPSPosition p = m_position.value_or(CGPSPosition());
    if (!ReadInt(f.field[1], p.time) || !ReadFloat(f.field[2], p.latitude) ||
        !ReadFloat(f.field[4], p.longitude) || !ReadInt(f.field[7], p.satellites) ||
        !ReadFloat(f.field[8], p.hdop) || !ReadFloat(f.field[9], p.altitude)) {
      return true;
    }
    // Past 90 or 180 degrees the number is not a position.
    p.latitude = std::fabs(p.latitude);
    p.longitude = std::fabs(p.longitude);
    if (p.latitude > 9000.0f || p.longitude > 18000.0f || p.time < 0 || p.satellites < 0) {
      return true;
    }
    if (f.field[3] == "S") p.latitude = -p.latitude;
    if (f.field[5] == "W") p.longitude = -p.longitude;
    if (gga) {
      p.fixed = f.field[6] == "1" || f.field[6] == "2";
    } else {
      p.fixed = f.field[6].find_first_not_of('N') != std::string_view::npos;
    }
    m_hdop = p.hdop;
    p.pdop = m_pdop;
    p.vdop = m_vdop;
    p.easting = p.northing = 0;
    p.zone = 0;
    p.band = QChar();
    m_position = p;
    ++m_counts.fixes;
    if (changed) *changed = true;
  } else if (IsSentence(name, "GSA")) {
    // Mode, fix type and all twelve satellite numbers, then the three dilutions.
    float pdop = 0, hdop = 0, vdop = 0;
    if (f.count < 18 || !ReadFloat(f.field[15], pdop) || !ReadFloat(f.field[16], hdop) ||
        !ReadFloat(f.field[17], vdop)) {
      return true;
    }
    m_pdop = pdop;
    m_hdop = hdop;
    m_vdop = vdop;
    if (m_position) {
      m_position->pdop = pdop;
      m_position->hdop = hdop;
      m_position->vdop = vdop;
    }
    if (changed) *changed = true;
  }
  return true;
}
