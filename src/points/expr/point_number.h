// CPointNumber: how a formula reads a point's value as a number: the value's own conversion,
// else its text as a number, a ";"-separated list (summed), a number with a decimal comma, or a
// date and time (a minute value). Also the plain decimal reading of number texts. Stateless;
// UI thread.
#pragma once

#include <QString>
#include <QStringView>

class CBasePoint;

class CPointNumber {
 public:
  // The point's value as a number; false when it cannot be read as one.
  static bool FromPoint(const CBasePoint& point, double& out);

  // A point's output text as a number (the empty text is 0); false when it is not one.
  static bool FromText(const QString& text, double& out);

  // Reads a number from the start of the text as the C library's "%lf" does (leading white
  // space, sign, digits, decimal point, exponent; always "." as the decimal point, whatever the
  // process locale). False when no number could be read; the rest of the text is ignored.
  static bool ScanDouble(QStringView text, double& out);
};
