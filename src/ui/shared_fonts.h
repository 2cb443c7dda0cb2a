// CSharedFonts: makes the fonts the page layouts are made for available to Qt: the metric-
// compatible "Tahoma" (regular and bold) of the fonts-wine package lives in a folder fontconfig
// does not index, so its files are registered with the application's font database when the face
// is not known already. Process-wide, idempotent; UI thread (after the application object exists).
#pragma once

#include <QStringList>

class CSharedFonts {
 public:
  // Registers the fonts once; true when "Tahoma" is available afterwards.
  static bool Install();
  // The folders searched for the font files, in order.
  static QStringList SearchFolders();
};
