// CAppFolders: where the client's files live. The program folder is the executable's folder
// (the custom-point libraries and a translation file may lie there); the data folder is the
// per-user folder of installed projects and their session databases,
// $XDG_DATA_HOME/Brenmoor/QLT Client, or the program folder when that cannot be made.
// CServices' folder overrides win, so tests can redirect both. Stateless; UI thread.
#pragma once

#include <QString>

class CAppFolders {
 public:
  // The override, or the folder of the running executable (no trailing separator).
  static QString ProgramFolder();
  // The override, or the user's data folder below the user's application-data folder; falls
  // back to `programFolder` when a level cannot be created.
  static QString DataFolder(const QString& programFolder);
  // Where DataFolder puts the data folder, without making anything: for programs that only read
  // what the client keeps there, and for telling the user where it is.
  static QString DataFolderPath(const QString& programFolder);

  // The rule itself: `base` is the user's application-data folder ($XDG_DATA_HOME). Creates
  // base, base/Brenmoor and base/Brenmoor/QLT Client as needed; the first level that is not a
  // folder and cannot be made gives `programFolder` instead.
  static QString ResolveDataFolder(const QString& base, const QString& programFolder);
};
