#include "points/gps_format.h"

#include <cmath>
#include <functional>

namespace {

// The parts of one NMEA coordinate the tokens show.
struct Coordinate {
  float raw = 0;    // |v|
  int degrees = 0;  // d
  int minutes = 0;  // whole minutes
  float decimalMinutes = 0;
  float seconds = 0;
  float signedDegrees = 0;
  bool negative = false;
};

Coordinate Split(float v) {
  Coordinate c;
  c.raw = std::fabs(v);
  const float d = std::floor(c.raw / 100.0f);
  c.degrees = static_cast<int>(d);
  c.decimalMinutes = c.raw - 100.0f * d;
  c.minutes = static_cast<int>(std::floor(c.raw)) - 100 * c.degrees;
  c.seconds = (c.raw - std::floor(c.raw)) * 60.0f;
  c.signedDegrees = CGPSPosition::Degrees(v);
  c.negative = v < 0;
  return c;
}

QString Text(const char* format, double value) { return QString::asprintf(format, value); }
QString Whole(const char* format, int value) { return QString::asprintf(format, value); }

QString ZoneText(CGPSPosition& p) {
  p.ComputeUtm();
  return QString::number(p.zone) + p.band;
}

using Producer = std::function<QString(CGPSPosition&)>;

const std::vector<std::pair<QString, Producer>>& Tokens() {
  static const std::vector<std::pair<QString, Producer>> kTokens = {
      {"lat", [](CGPSPosition& p) { return Text("%09.6f", Split(p.latitude).signedDegrees); }},
      {"lat-d", [](CGPSPosition& p) { return Whole("%i", Split(p.latitude).degrees); }},
      {"lat-m", [](CGPSPosition& p) { return Whole("%i", Split(p.latitude).minutes); }},
      {"lat-s", [](CGPSPosition& p) { return Text("%.2f", Split(p.latitude).seconds); }},
      {"lat-ms", [](CGPSPosition& p) { return Text("%.4f", Split(p.latitude).decimalMinutes); }},
      {"lat-hem", [](CGPSPosition& p) { return QString(p.latitude >= 0 ? "N" : "S"); }},
      {"lat-raw", [](CGPSPosition& p) { return Text("%09.4f", Split(p.latitude).raw); }},
      {"long", [](CGPSPosition& p) { return Text("%10.6f", Split(p.longitude).signedDegrees); }},
      {"long-d", [](CGPSPosition& p) { return Whole("%i", Split(p.longitude).degrees); }},
      {"long-m", [](CGPSPosition& p) { return Whole("%i", Split(p.longitude).minutes); }},
      {"long-s", [](CGPSPosition& p) { return Text("%.2f", Split(p.longitude).seconds); }},
      {"long-ms", [](CGPSPosition& p) { return Text("%.4f", Split(p.longitude).decimalMinutes); }},
      {"long-hem", [](CGPSPosition& p) { return QString(p.longitude >= 0 ? "E" : "W"); }},
      {"long-raw", [](CGPSPosition& p) { return Text("%010.4f", Split(p.longitude).raw); }},
      {"easting",
       [](CGPSPosition& p) {
         p.ComputeUtm();
         return Text("%07.0f", p.easting);
       }},
      {"northing",
       [](CGPSPosition& p) {
         p.ComputeUtm();
         return Text("%07.0f", p.northing);
       }},
      {"zone", ZoneText},
      {"alt", [](CGPSPosition& p) { return Text("%.1f", p.altitude); }},
      {"time", [](CGPSPosition& p) { return Whole("%.6i", p.time); }},
      {"sats", [](CGPSPosition& p) { return Whole("%i", p.satellites); }},
      {"pdop", [](CGPSPosition& p) { return Text("%.1f", p.pdop); }},
      {"hdop", [](CGPSPosition& p) { return Text("%.1f", p.hdop); }},
      {"vdop", [](CGPSPosition& p) { return Text("%.1f", p.vdop); }},
      {"accuracy", [](CGPSPosition&) { return Text("%.1f", 100.0); }},
      {"vaccuracy", [](CGPSPosition&) { return Text("%.1f", 10.0); }},
  };
  return kTokens;
}

}  // namespace

QString CGPSFormat::DefaultFormat() {
  return QStringLiteral(
      "%lat-d%\u00b0%lat-m%'%lat-s%\" %lat-hem% %long-d%\u00b0%long-m%'%long-s%\" %long-hem%");
}

QString CGPSFormat::FormatValue(CGPSPosition& position, const QString& format) {
  // One pass from left to right, so a replaced text is never read again as a token.
  QString out;
  out.reserve(format.size() + 32);
  qsizetype i = 0;
  while (i < format.size()) {
    if (format[i] == u'%') {
      const qsizetype end = format.indexOf(u'%', i + 1);
      if (end > i) {
        const QStringView name = QStringView(format).mid(i + 1, end - i - 1);
        bool replaced = false;
        for (const auto& [token, produce] : Tokens()) {
          if (name == token) {
            out += produce(position);
            replaced = true;
            break;
          }
        }
        if (replaced) {
          i = end + 1;
          continue;
        }
      }
    }
    out += format[i];
    ++i;
  }
  return out;
}

std::vector<std::pair<QString, QString>> CGPSFormat::SubPointTexts(CGPSPosition& p) {
  p.ComputeUtm();
  const Coordinate lat = Split(p.latitude);
  const Coordinate lon = Split(p.longitude);
  return {
      {".Lat", Text("%09.6f", lat.signedDegrees)},
      {".LatD", Whole("%i", lat.degrees)},
      {".LatM", Whole("%i", lat.minutes)},
      {".LatS", Text("%.2f", lat.seconds)},
      {".LatMS", Text("%.4f", lat.decimalMinutes)},
      {".LatHem", QString(lat.negative ? "S" : "N")},
      {".LatRaw", Text("%09.4f", lat.raw)},
      {".Long", Text("%010.6f", lon.signedDegrees)},
      {".LongD", Whole("%i", lon.degrees)},
      {".LongM", Whole("%i", lon.minutes)},
      {".LongS", Text("%.2f", lon.seconds)},
      {".LongMS", Text("%.4f", lon.decimalMinutes)},
      {".LongHem", QString(lon.negative ? "W" : "E")},
      {".LongRaw", Text("%09.4f", lon.raw)},
      {".Easting", Text("%07.0f", p.easting)},
      {".Northing", Text("%07.0f", p.northing)},
      {".Zone", ZoneText(p)},
      {".Time", Whole("%.6i", p.time)},
      {".Alt", Text("%.1f", p.altitude)},
      {".Sats", Whole("%i", p.satellites)},
      {".PDOP", Text("%.1f", p.pdop)},
      {".HDOP", Text("%.1f", p.hdop)},
      {".VDOP", Text("%.1f", p.vdop)},
      {".Accuracy", Text("%.1f", 100.0)},
      {".VAccuracy", Text("%.1f", 100.0)},
  };
}
