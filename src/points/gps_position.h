// CGPSPosition: one fix as the GPS reader decodes it, with its UTM coordinates worked out on first
// use. A plain value copied as a whole; the reader fills it on its own thread and hands copies to
// the user-interface thread.
#pragma once

#include <QChar>

class CGPSPosition {
 public:
  // UTM of a position in decimal degrees on the WGS 84 ellipsoid. The band is '?' outside
  // -80 to 84 degrees (the zone is still set); easting and northing are in metres, the northing
  // with the false northing south of the equator.
  struct Utm {
    double easting = 0;
    double northing = 0;
    int zone = 0;
    char band = 0;
  };
  static Utm ToUtm(double latitude, double longitude);

  // Decimal degrees of an NMEA number ddmm.mmmm / dddmm.mmmm, signed as it is. Computed in 32-bit
  // floats as the receiver's number is held, which shows in the last digits.
  static float Degrees(float nmea);

  // Fills the UTM fields once (band is 0 until then).
  void ComputeUtm();

  int fixed = 0;
  int time = 0;  // UTC hhmmss, fraction dropped
  int satellites = 0;
  float latitude = 0;   // ddmm.mmmm, negative for south
  float longitude = 0;  // dddmm.mmmm, negative for west
  float altitude = 0;
  float pdop = 0;
  float hdop = 0;
  float vdop = 0;
  float easting = 0;
  float northing = 0;
  int zone = 0;
  QChar band;
};
