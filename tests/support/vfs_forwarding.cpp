#include "support/vfs_forwarding.h"

#include <cstring>

namespace qlt::test {

namespace {

sqlite3_vfs* Inner(sqlite3_vfs* shim) { return static_cast<sqlite3_vfs*>(shim->pAppData); }

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  return Inner(vfs)->xOpen(Inner(vfs), name, file, flags, outFlags);
}
int Delete(sqlite3_vfs* vfs, const char* name, int syncDir) {
  return Inner(vfs)->xDelete(Inner(vfs), name, syncDir);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  return Inner(vfs)->xAccess(Inner(vfs), name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  return Inner(vfs)->xFullPathname(Inner(vfs), name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) { return Inner(vfs)->xDlOpen(Inner(vfs), name); }
void DlError(sqlite3_vfs* vfs, int size, char* out) { Inner(vfs)->xDlError(Inner(vfs), size, out); }
void (*DlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
  return Inner(vfs)->xDlSym(Inner(vfs), handle, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* handle) { Inner(vfs)->xDlClose(Inner(vfs), handle); }
int Randomness(sqlite3_vfs* vfs, int size, char* out) {
  return Inner(vfs)->xRandomness(Inner(vfs), size, out);
}
int Sleep(sqlite3_vfs* vfs, int microseconds) {
  return Inner(vfs)->xSleep(Inner(vfs), microseconds);
}
int CurrentTime(sqlite3_vfs* vfs, double* out) { return Inner(vfs)->xCurrentTime(Inner(vfs), out); }
int GetLastError(sqlite3_vfs* vfs, int size, char* out) {
  return Inner(vfs)->xGetLastError ? Inner(vfs)->xGetLastError(Inner(vfs), size, out) : 0;
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
  sqlite3_vfs* inner = Inner(vfs);
  if (inner->iVersion >= 2 && inner->xCurrentTimeInt64) return inner->xCurrentTimeInt64(inner, out);
  double now = 0;
  const int result = inner->xCurrentTime(inner, &now);
  *out = static_cast<sqlite3_int64>(now * 86400000.0);
  return result;
}

}  // namespace

void ForwardVfsTo(sqlite3_vfs& shim, sqlite3_vfs* inner, const char* name, int fileSize) {
  std::memset(&shim, 0, sizeof(shim));
  shim.iVersion = 2;
  shim.szOsFile = fileSize;
  shim.mxPathname = inner->mxPathname;
  shim.zName = name;
  shim.pAppData = inner;
  shim.xOpen = Open;
  shim.xDelete = Delete;
  shim.xAccess = Access;
  shim.xFullPathname = FullPathname;
  shim.xDlOpen = DlOpen;
  shim.xDlError = DlError;
  shim.xDlSym = DlSym;
  shim.xDlClose = DlClose;
  shim.xRandomness = Randomness;
  shim.xSleep = Sleep;
  shim.xCurrentTime = CurrentTime;
  shim.xGetLastError = GetLastError;
  shim.xCurrentTimeInt64 = CurrentTimeInt64;
}

}  // namespace qlt::test
