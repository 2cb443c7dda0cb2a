// CGPSFormat: the texts a GPS point writes from a position: its value (the "Format" template with
// tokens such as %lat% or %zone%) and the texts of its sub-points (the point's name followed by
// ".Lat", ".Zone", ...). Plain functions without widgets; any thread.
#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "points/gps_position.h"

class CGPSFormat {
 public:
  // The template a new GPS point starts with: degrees, minutes and seconds with hemispheres.
  static QString DefaultFormat();

  // `format` with every token replaced by the position's text; anything else is kept as it
  // stands, a lone or unknown %name% too. The UTM fields are worked out in `position` when a
  // token needs them.
  static QString FormatValue(CGPSPosition& position, const QString& format);

  // The suffixes of the sub-points with their texts, in the order they are written.
  static std::vector<std::pair<QString, QString>> SubPointTexts(CGPSPosition& position);
};
