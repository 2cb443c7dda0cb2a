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

const CPointTypeRegistration kUltraDrop(Control(80, "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}",
                                                "TWKF.UltraDrop", "Ultra Drop",
                                                "More powerful lists", 215, 15));
const CPointTypeRegistration kFormatter(Control(110, "{BF1519FA-332E-4E3A-B6C1-6412F559D1CA}",
                                                "TWKF.Formatter", "Formatter", "Format strings",
                                                236, 15));
const CPointTypeRegistration kCamera(Control(140, "{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}",
                                             "TWKF.Camera", "Camera", "Take photos", 224, 15));
const CPointTypeRegistration kBarcode(Control(150, "{CA2C599F-2B4F-4F0B-B4B2-17F359F8A067}",
                                              "TWKF.Barcode", "Barcode", "Scan barcodes", 147, 3));
const CPointTypeRegistration kGps(Control(160, "{828EDD96-892C-4D7E-B6FE-D2F4F527A870}", "TWKF.GPS",
                                          "GPS", "Capture GPS position", 223, 15));
const CPointTypeRegistration kNumpad(Control(170, "{4087CCCB-F036-408C-86C0-B032163F3795}",
                                             "TWKF.Numpad", "Numpad",
                                             "Enter numbers with digit buttons", 225, 15));
const CPointTypeRegistration kIncrementor(Control(180, "{AB10ECCA-675D-4628-B5CE-7E1D780B130E}",
                                                  "TWKF.Incrementor", "Incrementor",
                                                  "Assign unique values", 237, 15));
const CPointTypeRegistration kSlider(Control(210, "{410FD546-0087-4B67-92B7-2A05A325B794}",
                                             "TWKF.Slider", "Slider", "Select a value along a line",
                                             239, 15));
const CPointTypeRegistration kVoice(Control(230, "{072BA26D-7E2F-471A-B60F-8C26C90DF9A6}",
                                            "TWKF.Voice", "Voice", "Record voice or sound", 231,
                                            7));
const CPointTypeRegistration kCross(Control(240, "{AD194798-DB31-4EE4-B9EA-C18801054C8F}",
                                            "TWKF.Cross", "Crossdata",
                                            "Fetch data from another session", 253, 7));

}  // namespace
