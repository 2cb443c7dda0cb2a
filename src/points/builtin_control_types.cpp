// The built-in custom controls not yet written: custom points (type code 12) registered under
// their class and program identifiers, without a creator, so their points show the placeholder.
// Each descriptor moves into its control's own source file, with its creator, when the control
// class is written.
#include "points/builtin_control.h"

namespace {

CPointType Control(int rank, const char* classId, const char* progId, const char* displayName,
                   const char* description, int icon, int32_t flags) {
  return BuiltInControlType(rank, classId, progId, displayName, description, icon, flags);
}

const CPointTypeRegistration kPrint(Control(200, "{DE28C520-D05E-44BA-B5C8-1021384A7ACA}",
                                            "TWKF.Print", "Print", "Print from mobile device", 232,
                                            15));
const CPointTypeRegistration kStopwatch(Control(220, "{E1C74250-7D5C-4E82-B483-B485B216A786}",
                                                "TWKF.Stopwatch", "Stopwatch",
                                                "Measure a time period", 233, 15));

}  // namespace
