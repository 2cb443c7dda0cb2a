#include "support/power_loss_vfs.h"

#include <sqlite3.h>

#include <QString>
#include <cstring>

#include "support/power_loss_disk.h"
#include "support/vfs_forwarding.h"

namespace {

// Our file object: the SQLite file header, the model's view of the file, then the real file of
// the wrapped VFS right after it.
struct PowerLossFile {
  sqlite3_file base;
  sqlite3_file* real;
  int file;  // in the model, -1 when the file lies outside the modelled folder
  int generation;
  bool syncFolderWithFirstSync;
};

sqlite3_vfs g_vfs;
sqlite3_vfs* g_inner = nullptr;
sqlite3_vfs* g_previous = nullptr;

CPowerLossDisk& Disk() { return CPowerLossDisk::Instance(); }
PowerLossFile* Ours(sqlite3_file* file) { return reinterpret_cast<PowerLossFile*>(file); }
sqlite3_file* Real(sqlite3_file* file) { return Ours(file)->real; }

// Whether the model follows this file (a file of an earlier trial is passed by).
bool Modelled(sqlite3_file* file) {
  const PowerLossFile* ours = Ours(file);
  return ours->file >= 0 && ours->generation == Disk().Generation() && Disk().IsActive();
}

// A modelled file after the power went: nothing reaches it any more.
bool Dead(sqlite3_file* file) { return Modelled(file) && Disk().PowerLost(); }

int Close(sqlite3_file* file) {
  sqlite3_file* real = Real(file);
  return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  if (Dead(file)) return SQLITE_IOERR_READ;
  return Real(file)->pMethods->xRead(Real(file), buffer, amount, offset);
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (Modelled(file) &&
      !Disk().Write(Ours(file)->file, offset, static_cast<const char*>(buffer), amount)) {
    return SQLITE_IOERR_WRITE;
  }
  return Real(file)->pMethods->xWrite(Real(file), buffer, amount, offset);
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
  if (Modelled(file) && !Disk().Truncate(Ours(file)->file, size)) return SQLITE_IOERR_TRUNCATE;
  return Real(file)->pMethods->xTruncate(Real(file), size);
}

int Sync(sqlite3_file* file, int flags) {
  if (!Modelled(file)) return Real(file)->pMethods->xSync(Real(file), flags);
  // Recorded, not made: the model decides what a power cut keeps.
  if (!Disk().Sync(Ours(file)->file, (flags & SQLITE_SYNC_DATAONLY) != 0)) {
    return SQLITE_IOERR_FSYNC;
  }
  if (Ours(file)->syncFolderWithFirstSync) {
    Ours(file)->syncFolderWithFirstSync = false;
    if (!Disk().SyncFolder()) return SQLITE_IOERR_FSYNC;
  }
  return SQLITE_OK;
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
  if (Dead(file)) return SQLITE_IOERR_FSTAT;
  return Real(file)->pMethods->xFileSize(Real(file), size);
}

int Lock(sqlite3_file* file, int level) {
  if (Dead(file)) return SQLITE_IOERR_LOCK;
  return Real(file)->pMethods->xLock(Real(file), level);
}

int Unlock(sqlite3_file* file, int level) {
  return Real(file)->pMethods->xUnlock(Real(file), level);
}

int CheckReservedLock(sqlite3_file* file, int* out) {
  if (Dead(file)) return SQLITE_IOERR_CHECKRESERVEDLOCK;
  return Real(file)->pMethods->xCheckReservedLock(Real(file), out);
}

int FileControl(sqlite3_file* file, int op, void* argument) {
  return Real(file)->pMethods->xFileControl(Real(file), op, argument);
}

int SectorSize(sqlite3_file* file) { return Real(file)->pMethods->xSectorSize(Real(file)); }

int DeviceCharacteristics(sqlite3_file* file) {
  return Real(file)->pMethods->xDeviceCharacteristics(Real(file));
}

// The database uses a rollback journal: shared memory is never asked for.
int ShmMap(sqlite3_file*, int, int, int, void volatile**) { return SQLITE_IOERR_SHMMAP; }
int ShmLock(sqlite3_file*, int, int, int) { return SQLITE_IOERR_SHMLOCK; }
void ShmBarrier(sqlite3_file*) {}
int ShmUnmap(sqlite3_file*, int) { return SQLITE_OK; }

const sqlite3_io_methods kMethods = {
    2,
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
    nullptr,
    nullptr,  // version 2: no memory-mapped reads, so every read goes through Read
};

QString ModelName(const char* path) {
  return path ? Disk().NameOf(QString::fromUtf8(path)) : QString();
}

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  auto* ours = Ours(file);
  ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
  ours->file = -1;
  ours->generation = Disk().Generation();
  ours->syncFolderWithFirstSync = false;
  std::memset(ours->real, 0, static_cast<size_t>(g_inner->szOsFile));
  const QString model = ModelName(name);
  if (!model.isEmpty()) {
    ours->base.pMethods = nullptr;
    if (Disk().PowerLost()) return SQLITE_CANTOPEN;
    ours->file = Disk().Find(model);
    if (ours->file < 0 && (flags & SQLITE_OPEN_CREATE)) {
      ours->file = Disk().Create(model);
      if (ours->file < 0) return SQLITE_CANTOPEN;
      // The default VFS syncs the folder of a journal it created at the journal's first sync.
      const int type =
          flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL);
      ours->syncFolderWithFirstSync = type != 0;
    }
  }
  const int result = g_inner->xOpen(g_inner, name, ours->real, flags, outFlags);
  // Without methods of the real file SQLite must not call ours either.
  ours->base.pMethods = ours->real->pMethods ? &kMethods : nullptr;
  return result;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) {
  const QString model = ModelName(name);
  if (model.isEmpty()) return g_inner->xDelete(g_inner, name, syncDir);
  if (Disk().PowerLost()) return SQLITE_IOERR_DELETE;
  if (Disk().Find(model) < 0) return g_inner->xDelete(g_inner, name, 0);
  if (!Disk().Remove(model)) return SQLITE_IOERR_DELETE;
  const int result = g_inner->xDelete(g_inner, name, 0);
  if (result == SQLITE_OK && (syncDir & 1) && !Disk().SyncFolder()) return SQLITE_IOERR_DIR_FSYNC;
  return result;
}

int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
  if (Disk().PowerLost() && !ModelName(name).isEmpty()) return SQLITE_IOERR_ACCESS;
  return g_inner->xAccess(g_inner, name, flags, out);
}

}  // namespace

bool CPowerLossVfs::Install() {
  if (!g_inner) {
    sqlite3_initialize();
    g_inner = sqlite3_vfs_find("unix");
    if (!g_inner || g_inner->iVersion < 2) {
      g_inner = nullptr;
      return false;
    }
    qlt::test::ForwardVfsTo(g_vfs, g_inner, kName,
                            static_cast<int>(sizeof(PowerLossFile)) + g_inner->szOsFile);
    g_vfs.xOpen = Open;
    g_vfs.xDelete = Delete;
    g_vfs.xAccess = Access;
  }
  g_previous = sqlite3_vfs_find(nullptr);
  if (g_previous == &g_vfs) g_previous = g_inner;
  return sqlite3_vfs_register(&g_vfs, 1) == SQLITE_OK;
}

void CPowerLossVfs::Uninstall() {
  if (!g_inner) return;
  sqlite3_vfs_register(g_previous ? g_previous : g_inner, 1);
}
