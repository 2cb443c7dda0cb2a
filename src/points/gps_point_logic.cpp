#include "points/gps_point_logic.h"

#include "points/gps_format.h"

CGPSPointLogic::Properties CGPSPointLogic::Defaults() {
  Properties p;
  p.format = CGPSFormat::DefaultFormat();
  return p;
}

CGPSPointLogic::TapAction CGPSPointLogic::Tap(int fromBottom, bool largeButton, int scale,
                                              bool readOnly, bool valueEmpty, bool write) {
  // The button area and the value box above it; higher up is the caption's.
  const int area = ((largeButton ? 80 : 18) + 24) * scale;
  if (fromBottom > area) return TapAction::kPassOn;
  if (readOnly) return TapAction::kNothing;
  if (valueEmpty) return TapAction::kOpenWindow;
  return write ? TapAction::kClear : TapAction::kNothing;
}
