// CPowerLossDisk: what the disk holds of one folder when the power is cut. The power-loss SQLite
// VFS and the power-loss file writer make their changes to the real files and report each one
// here first: per file the writes and size changes since its last sync, for the folder the files
// created, removed and renamed since it was last synced. The power goes off at a chosen change;
// from then on every change is refused. Restart() then rewrites the folder as the disk comes back:
// the synced content under the synced names, plus, by the cut's landing, none of the rest, the
// rest up to some point in order with the next write torn at sector granularity, or any choice
// of the unsynced writes. Syncs are only recorded, never made, so trials run at memory speed.
// One process-wide instance (the VFS reaches it from SQLite's callbacks); the test's thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

class CPowerLossDisk {
 public:
  // Which of the changes made since the last syncs reach the disk when the power goes.
  enum class Landing {
    kNothing,   // none
    kInOrder,   // those up to a random point, the next write torn at a sector boundary
    kAnyOrder,  // any choice of the writes, each whole, torn or lost; folder changes in order
  };
  static constexpr int kSector = 512;

  static CPowerLossDisk& Instance();

  // Models `folder` from now on: what it holds is taken to be on the disk, and changes are
  // counted from 0. Files elsewhere are passed by.
  void Start(const QString& folder);
  // Models nothing any more; the real files stay as they are.
  void Stop();
  bool IsActive() const { return !m_folder.isEmpty(); }

  // The power goes off at the `change`-th change since Start (never with 0); `seed` chooses what
  // lands of the unsynced changes.
  void CutAt(int change, Landing landing, uint32_t seed);
  // The power goes off now, unless it is off already.
  void CutNow();
  bool PowerLost() const { return m_lost; }
  // Changes since Start, and the numbers of those that were file or folder syncs.
  int Changes() const { return m_changes; }
  const std::vector<int>& SyncPoints() const { return m_syncPoints; }
  // Cuts the power if it is still on and rewrites the folder with what the disk holds then; the
  // folder is modelled anew from that state. Every file in it must be closed.
  bool Restart();

  // ---- the changes, reported by the VFS and the file writer before they make them
  // The name of `path` when it lies in the modelled folder, else empty.
  QString NameOf(const QString& path) const;
  // The file a name stands for now, -1 when none.
  int Find(const QString& name) const;
  // Files are numbered from Start on; a file of an earlier Start is stale.
  int Generation() const { return m_generation; }
  // Each counts one change and returns false when the power is off by then: the caller then
  // leaves the real file alone and reports an I/O error. A write the power cut in flight may
  // still land, torn.
  int Create(const QString& name);  // the new file, -1 when the power is off
  bool Write(int file, int64_t offset, const char* data, int64_t size);
  bool Truncate(int file, int64_t size);
  // With `dataOnly` the file's size is not made durable, only bytes within the durable size.
  bool Sync(int file, bool dataOnly);
  bool Remove(const QString& name);
  bool Rename(const QString& from, const QString& to);
  bool SyncFolder();

 private:
  struct Change {
    enum Kind { kWrite, kTruncate, kCreate, kRemove, kRename } kind;
    int file = -1;
    int64_t offset = 0;  // the write's offset, or the truncation's size
    QByteArray data;
    QString name;
    QString to;
    bool IsFolderChange() const { return kind == kCreate || kind == kRemove || kind == kRename; }
  };
  enum class Power { kOn, kCutNow, kOff };

  CPowerLossDisk() = default;
  Power Count(bool sync);
  // Applies a change to a disk image; `sectors` chooses which sectors of a write land (all when
  // empty).
  static void Apply(const Change& change, std::map<QString, int>& names,
                    std::vector<QByteArray>& contents, const std::vector<bool>& sectors = {});
  static int SectorCount(const Change& write);

  QString m_folder;
  int m_generation = 0;
  int m_changes = 0;
  std::vector<int> m_syncPoints;
  int m_cutAt = 0;
  Landing m_landing = Landing::kNothing;
  uint32_t m_seed = 0;
  bool m_lost = false;
  // What the disk holds for sure: names to files, and each file's content.
  std::map<QString, int> m_durableNames;
  std::vector<QByteArray> m_durable;
  // The names as the program sees them, and the changes not yet synced, in order.
  std::map<QString, int> m_names;
  std::vector<Change> m_pending;
};
