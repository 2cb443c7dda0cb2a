// CDisplayScale: the process-wide doubled-scale flag and the two shared fonts ("Tahoma", 12 pixels,
// normal and bold; 24 pixels at doubled scale) that drawing code uses when a project has no fonts
// of its own. The flag is false in the client; an internal custom point sited in a host that
// reports doubled scale turns it on. Static state; UI thread only.
#pragma once

#include <QFont>

class CDisplayScale {
 public:
  static bool IsDoubled();
  static void SetDoubled(bool doubled);
  // 2 at doubled scale, else 1: every pixel size of the user interface is multiplied by it.
  static int Factor() { return IsDoubled() ? 2 : 1; }

  // The shared fonts, built for the current scale.
  static QFont NormalFont();
  static QFont BoldFont();
  // A "Tahoma" font of a character height given for normal scale (doubled at doubled scale).
  static QFont Font(int pixelHeight, bool bold);
};
