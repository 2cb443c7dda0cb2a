// Helpers of the GPS tests: NMEA sentences with their checksums, written as receivers send them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qlt::test {

// "$" body "*" checksum CR LF.
inline std::string NmeaSentence(std::string_view body) {
  unsigned char sum = 0;
  for (const char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + std::string(body) + tail;
}

}  // namespace qlt::test
