#include "points/gps_position.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kEccentricitySquared = 0.00669438;
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
constexpr double kPi = 3.14159265358979323846;

int UtmZone(double latitude, double longitude) {
  int zone = 1 + static_cast<int>(std::floor((longitude + 180.0) / 6.0));
  if (zone > 60) zone = 60;  // 180 degrees east belongs to the last zone
  if (latitude >= 56 && latitude < 64 && longitude >= 3 && longitude < 12) return 32;
  if (latitude >= 72 && latitude < 84) {
    if (longitude >= 0 && longitude < 9) return 31;
    if (longitude >= 9 && longitude < 21) return 33;
    if (longitude >= 21 && longitude < 33) return 35;
    if (longitude >= 33 && longitude < 42) return 37;
  }
  return zone;
}

char UtmBand(double latitude) {
  if (latitude < -80 || latitude > 84) return '?';
  static const char kBands[] = "CDEFGHJKLMNPQRSTUVWX";
  const int index = std::min(19, static_cast<int>(std::floor((latitude + 80.0) / 8.0)));
  return kBands[index];
}

}  // namespace

CGPSPosition::Utm CGPSPosition::ToUtm(double latitude, double longitude) {
  Utm utm;
  if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
    utm.band = '?';
    return utm;
  }
  longitude = std::fmod(longitude + 180.0, 360.0);
  if (longitude < 0) longitude += 360.0;
  longitude -= 180.0;
  utm.zone = UtmZone(latitude, longitude);
  utm.band = UtmBand(latitude);

  // The transverse Mercator series of the USGS map projections manual.
  const double e2 = kEccentricitySquared;
  const double e4 = e2 * e2;
  const double e6 = e4 * e2;
  const double ep2 = e2 / (1.0 - e2);
  const double phi = latitude * kPi / 180.0;
  const double lambda0 = (6.0 * utm.zone - 183.0) * kPi / 180.0;
  const double sinPhi = std::sin(phi);
  const double cosPhi = std::cos(phi);
  const double tanPhi = std::tan(phi);
  const double n = kSemiMajorAxis / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
  const double t = tanPhi * tanPhi;
  const double c = ep2 * cosPhi * cosPhi;
  const double a = cosPhi * (longitude * kPi / 180.0 - lambda0);
  const double m =
      kSemiMajorAxis *
      ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
       (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
       (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) - (35 * e6 / 3072) * std::sin(6 * phi));
  const double a2 = a * a;
  const double a3 = a2 * a;
  utm.easting = kFalseEasting + kScale * n *
                                    (a + (1 - t + c) * a3 / 6 +
                                     (5 - 18 * t + t * t + 72 * c - 58 * ep2) * a3 * a2 / 120);
  utm.northing = kScale * (m + n * tanPhi *
                                   (a2 / 2 + (5 - t + 9 * c + 4 * c * c) * a2 * a2 / 24 +
                                    (61 - 58 * t + t * t + 600 * c - 330 * ep2) * a3 * a3 / 720));
  if (latitude < 0) utm.northing += kFalseNorthingSouth;
  return utm;
}

float CGPSPosition::Degrees(float nmea) {
  const float v = std::fabs(nmea);
  const float d = std::floor(v / 100.0f);
  const float m = v - 100.0f * d;
  const float degrees = d + m / 60.0f;
  return nmea < 0 ? -degrees : degrees;
}

void CGPSPosition::ComputeUtm() {
  if (band != QChar()) return;
  const Utm utm = ToUtm(Degrees(latitude), Degrees(longitude));
  easting = static_cast<float>(utm.easting);
  northing = static_cast<float>(utm.northing);
  zone = utm.zone;
  band = QChar::fromLatin1(utm.band);
}
