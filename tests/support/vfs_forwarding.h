// The part every test VFS shim shares: a VFS whose members forward each call to an inner VFS.
// A shim fills its VFS with these, then sets the members it handles itself (xOpen and whatever
// else it watches). Test code only; the test's thread.
#pragma once

#include <sqlite3.h>

namespace qlt::test {

// `shim` becomes a version-2 VFS named `name` that forwards every call to `inner` (kept in its
// pAppData), with files of `fileSize` bytes.
void ForwardVfsTo(sqlite3_vfs& shim, sqlite3_vfs* inner, const char* name, int fileSize);

}  // namespace qlt::test
