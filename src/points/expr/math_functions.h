// CMathFunctions: the 26 functions a formula can call, by name and code, with their results, and
// the stable hash behind "IRnd" and "FRnd". Stateless; any thread (the formulas that use it run
// on the UI thread).
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>

class CMathFunctions {
 public:
  static constexpr int32_t kInt = 18;
  static constexpr int32_t kIRnd = 19;
  static constexpr int32_t kFRnd = 20;
  static constexpr int32_t kYear = 21;
  static constexpr int32_t kCount = 26;

  static constexpr double kPi = 3.141592653589793;
  static constexpr double kE = 2.718281828459045;

  // The code 1-26 of a function name, matched without regard to case; 0 for any other text.
  static int32_t Find(QStringView name);
  // The name of a function code as the formulas write it; empty for an unknown code.
  static QString Name(int32_t code);

  // The value of function `code` for the argument `x`. `randomHash` is read by "IRnd" and "FRnd"
  // only. False when the function fails: "Inv" of 0, a negative "IRnd" bound, "Int" (and
  // "IRnd") of a value that is not a 32-bit integer, an unknown code.
  static bool Apply(int32_t code, double x, uint32_t randomHash, double& result);

  // "Int": truncation toward zero; false for NaN and values outside the 32-bit range.
  static bool Int(double x, int32_t& out);

  // The number "IRnd" and "FRnd" draw from: the first four bytes (little-endian) of the SHA-1 of
  // the session identifier's 16 bytes (in the platform's GUID byte order; none when the
  // identifier is empty) followed by the point name in UTF-16LE. False when SHA-1 is
  // unavailable.
  static bool RandomHash(const QString& sessionGuid, const QString& pointName, uint32_t& out);
};
