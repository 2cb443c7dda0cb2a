#include "support/fault_vfs.h"

#include <sqlite3.h>

#include <cstring>

#include "support/vfs_forwarding.h"

namespace {

// Our file object: the SQLite file header, then the real file of the wrapped VFS right after it.
struct FaultFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_vfs g_vfs;
sqlite3_vfs* g_inner = nullptr;

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<FaultFile*>(file)->real; }

int Close(sqlite3_file* file) {
  sqlite3_file* real = Real(file);
  return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  sqlite3_file* real = Real(file);
  int error = SQLITE_OK;
  bool torn = false;
  if (CFaultVfs::Instance().ShouldFail(CFaultVfs::Operation::Read, error, torn)) return error;
  return real->pMethods->xRead(real, buffer, amount, offset);
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  sqlite3_file* real = Real(file);
  int error = 0;
  bool torn = false;
  if (CFaultVfs::Instance().ShouldFail(CFaultVfs::Operation::Write, error, torn)) {
    if (torn && amount > 1) real->pMethods->xWrite(real, buffer, amount / 2, offset);
    return error;
  }
  return real->pMethods->xWrite(real, buffer, amount, offset);
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xTruncate(real, size);
}

int Sync(sqlite3_file* file, int flags) {
  sqlite3_file* real = Real(file);
  int error = 0;
  bool torn = false;
  if (CFaultVfs::Instance().ShouldFail(CFaultVfs::Operation::Sync, error, torn)) return error;
  return real->pMethods->xSync(real, flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xFileSize(real, size);
}

int Lock(sqlite3_file* file, int level) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xLock(real, level);
}

int Unlock(sqlite3_file* file, int level) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xUnlock(real, level);
}

int CheckReservedLock(sqlite3_file* file, int* out) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xCheckReservedLock(real, out);
}

int FileControl(sqlite3_file* file, int op, void* argument) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xFileControl(real, op, argument);
}

int SectorSize(sqlite3_file* file) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xSectorSize(real);
}

int DeviceCharacteristics(sqlite3_file* file) {
  sqlite3_file* real = Real(file);
  return real->pMethods->xDeviceCharacteristics(real);
}

int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
  sqlite3_file* real = Real(file);
  if (real->pMethods->iVersion < 2) return SQLITE_IOERR;
  return real->pMethods->xShmMap(real, region, size, extend, out);
}

int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
  sqlite3_file* real = Real(file);
  if (real->pMethods->iVersion < 2) return SQLITE_IOERR;
  return real->pMethods->xShmLock(real, offset, n, flags);
}

void ShmBarrier(sqlite3_file* file) {
  sqlite3_file* real = Real(file);
  if (real->pMethods->iVersion >= 2) real->pMethods->xShmBarrier(real);
}

int ShmUnmap(sqlite3_file* file, int deleteFlag) {
  sqlite3_file* real = Real(file);
  if (real->pMethods->iVersion < 2) return SQLITE_OK;
  return real->pMethods->xShmUnmap(real, deleteFlag);
}

int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
  sqlite3_file* real = Real(file);
  if (real->pMethods->iVersion < 3) {
    *out = nullptr;
    return SQLITE_OK;
  }
  return real->pMethods->xFetch(real, offset, amount, out);
}

int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* pointer) {
  sqlite3_file* real = Real(file);
  if (real->pMethods->iVersion < 3) return SQLITE_OK;
  return real->pMethods->xUnfetch(real, offset, pointer);
}

const sqlite3_io_methods kMethods = {
    3,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    Fetch,
    Unfetch,
};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  auto* ours = reinterpret_cast<FaultFile*>(file);
  ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
  std::memset(ours->real, 0, static_cast<size_t>(g_inner->szOsFile));
  const int result = g_inner->xOpen(g_inner, name, ours->real, flags, outFlags);
  // Without methods of the real file SQLite must not call ours either.
  ours->base.pMethods = ours->real->pMethods ? &kMethods : nullptr;
  return result;
}

}  // namespace

CFaultVfs& CFaultVfs::Instance() {
  static CFaultVfs instance;
  return instance;
}

bool CFaultVfs::Install() {
  if (!m_vfs) {
    sqlite3_initialize();
    g_inner = sqlite3_vfs_find(nullptr);
    if (!g_inner) return false;
    qlt::test::ForwardVfsTo(g_vfs, g_inner, kName,
                            static_cast<int>(sizeof(FaultFile)) + g_inner->szOsFile);
    g_vfs.xOpen = Open;
    m_vfs = &g_vfs;
  }
  m_previous = sqlite3_vfs_find(nullptr);
  if (m_previous == m_vfs) m_previous = g_inner;
  return sqlite3_vfs_register(m_vfs, 1) == SQLITE_OK;
}

void CFaultVfs::Uninstall() {
  if (!m_vfs) return;
  sqlite3_vfs_register(m_previous ? m_previous : g_inner, 1);
}

void CFaultVfs::FailAt(Operation operation, int count, int error, bool sticky, bool torn) {
  m_counts[0] = m_counts[1] = m_counts[2] = 0;
  m_operation = operation;
  m_failAt = count;
  m_error = error;
  m_sticky = sticky;
  m_torn = torn;
  m_fired = false;
}

void CFaultVfs::Disarm() { FailAt(Operation::Write, 0, 0); }

int CFaultVfs::Count(Operation operation) const { return m_counts[static_cast<int>(operation)]; }

bool CFaultVfs::ShouldFail(Operation operation, int& error, bool& torn) {
  const int count = ++m_counts[static_cast<int>(operation)];
  if (m_failAt <= 0 || operation != m_operation) return false;
  if (count == m_failAt || (m_sticky && count > m_failAt)) {
    m_fired = true;
    error = m_error;
    torn = m_torn;
    return true;
  }
  return false;
}
