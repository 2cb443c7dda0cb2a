// Fuzz target: any bytes fed to the GPS reader's NMEA decoder, whole and again in pieces cut at
// places the input chooses. Nothing may crash or read out of bounds, both ways must agree, and
// a stored position must be one a receiver can report (inside 90 and 180 degrees, finite).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "points/gps_format.h"
#include "points/gps_nmea_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CGPSNmeaDecoder whole;
  whole.Feed(bytes);

  CGPSNmeaDecoder pieces;
  std::size_t at = 0;
  std::size_t step = size > 0 ? data[0] % 17 + 1 : 1;
  while (at < size) {
    const std::size_t n = std::min(step, size - at);
    pieces.Feed(bytes.substr(at, n));
    at += n;
    step = data[at % size] % 17 + 1;
  }
  if (whole.Statistics().accepted != pieces.Statistics().accepted ||
      whole.Statistics().fixes != pieces.Statistics().fixes ||
      whole.Position().has_value() != pieces.Position().has_value()) {
    std::abort();
  }
  if (whole.Position()) {
    CGPSPosition p = *whole.Position();
    if (!std::isfinite(p.latitude) || std::fabs(p.latitude) > 9000.0f ||
        !std::isfinite(p.longitude) || std::fabs(p.longitude) > 18000.0f) {
      std::abort();
    }
    // Every text of the point must come out of any position the decoder keeps.
    CGPSFormat::FormatValue(p, CGPSFormat::DefaultFormat() +
                                   QStringLiteral("%lat%%long%%zone%%easting%%northing%%time%"));
    CGPSFormat::SubPointTexts(p);
  }
  return 0;
}
