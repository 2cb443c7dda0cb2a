// CGPSPointLogic: what a GPS point decides without its control: the properties it starts with
// and what a tap does (its height is the device button's). Plain functions; the control that
// hosts the point paints and opens the GPS window from these answers. UI thread.
#pragma once

#include <QString>

class CGPSPointLogic {
 public:
  // The property bag's names and the values a new point starts with.
  struct Properties {
    QString format;
    bool write = true;   // a tap on a point with a value clears it
    bool expand = true;  // the sub-points receive the position too
    bool closeOnFix = false;
    bool largeButton = false;
  };
  static Properties Defaults();

  enum class TapAction { kPassOn, kOpenWindow, kClear, kNothing };
  // A tap `fromBottom` pixels above the point's bottom edge.
  static TapAction Tap(int fromBottom, bool largeButton, int scale, bool readOnly, bool valueEmpty,
                       bool write);
};
