// CFaultVfs: an SQLite VFS that passes everything to the default one but can make the Nth read,
// write or sync (counted over every file it opened, the journal included) fail, as a full or
// failing disk would. A failing write may first write part of its bytes (a torn write). Installed
// as the default VFS, a database opened meanwhile stays on it until closed; uninstalling restores
// the previous default. Tests use it for the fault family of the session database. One process-wide
// instance; UI thread (the thread that opens databases).
#pragma once

#include <cstdint>

struct sqlite3_vfs;

class CFaultVfs {
 public:
  enum class Operation { Write, Sync, Read };

  static constexpr const char* kName = "qlt-fault";

  static CFaultVfs& Instance();

  // Registers the shim (once) and makes it the default VFS; false when SQLite refuses.
  bool Install();
  // Makes the previous default the default again (databases still open keep the shim).
  void Uninstall();

  // Counting starts anew; the `count`-th operation of the kind from now fails with `error` (an
  // SQLite result code such as SQLITE_IOERR_WRITE, SQLITE_FULL, SQLITE_IOERR_FSYNC or
  // SQLITE_IOERR_READ). With
  // `sticky`, every later one of the kind fails too (a disk that stays full). With `torn`, a
  // failing write first writes the first half of its bytes.
  void FailAt(Operation operation, int count, int error, bool sticky = false, bool torn = false);
  // No more failures; the counters start anew.
  void Disarm();

  // Operations of each kind since the last FailAt or Disarm, and whether a failure was injected.
  int Count(Operation operation) const;
  bool Fired() const { return m_fired; }

  // Called by the shim's file methods: whether this operation is to fail, and with which code.
  bool ShouldFail(Operation operation, int& error, bool& torn);

 private:
  CFaultVfs() = default;

  sqlite3_vfs* m_vfs = nullptr;
  sqlite3_vfs* m_previous = nullptr;
  int m_counts[3] = {0, 0, 0};
  Operation m_operation = Operation::Write;
  int m_failAt = 0;
  int m_error = 0;
  bool m_sticky = false;
  bool m_torn = false;
  bool m_fired = false;
};
