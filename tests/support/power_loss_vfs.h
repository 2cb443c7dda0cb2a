// CPowerLossVfs: an SQLite VFS over the default one that reports every change to a file of the
// folder CPowerLossDisk models (the database, its journal, the folder entries) to that model and
// refuses every change once the model's power is off. Syncs are recorded in the model instead of
// reaching the device. Folder syncs follow the default VFS: a journal created by an open gets
// its folder synced with its first sync, and a deletion syncs the folder when SQLite asks for
// it. Files outside the modelled folder pass straight through. Installed as the default VFS, a
// database opened meanwhile stays on it until closed. Process-wide; the test's thread.
#pragma once

class CPowerLossVfs {
 public:
  static constexpr const char* kName = "qlt-power-loss";

  // Registers the shim (once) and makes it the default VFS; false when SQLite refuses.
  static bool Install();
  // Makes the previous default the default again.
  static void Uninstall();
};
