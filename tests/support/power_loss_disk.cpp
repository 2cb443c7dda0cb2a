#include "support/power_loss_disk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <random>

CPowerLossDisk& CPowerLossDisk::Instance() {
  static CPowerLossDisk instance;
  return instance;
}

void CPowerLossDisk::Start(const QString& folder) {
  Stop();
  QDir().mkpath(folder);
  m_folder = QFileInfo(folder).canonicalFilePath();
  ++m_generation;
  const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden);
  for (const QFileInfo& info : files) {
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) continue;
    m_durable.push_back(file.readAll());
    const int id = static_cast<int>(m_durable.size()) - 1;
    m_names[info.fileName()] = id;
    m_durableNames[info.fileName()] = id;
  }
}

void CPowerLossDisk::Stop() {
  m_folder.clear();
  m_changes = 0;
  m_syncPoints.clear();
  m_cutAt = 0;
  m_landing = Landing::kNothing;
  m_seed = 0;
  m_lost = false;
  m_durableNames.clear();
  m_durable.clear();
  m_names.clear();
  m_pending.clear();
}

void CPowerLossDisk::CutAt(int change, Landing landing, uint32_t seed) {
  m_cutAt = change;
  m_landing = landing;
  m_seed = seed;
}

void CPowerLossDisk::CutNow() { m_lost = true; }

CPowerLossDisk::Power CPowerLossDisk::Count(bool sync) {
  if (m_lost) return Power::kOff;
  ++m_changes;
  if (sync) m_syncPoints.push_back(m_changes);
  if (m_cutAt > 0 && m_changes >= m_cutAt) {
    m_lost = true;
    return Power::kCutNow;
  }
  return Power::kOn;
}

QString CPowerLossDisk::NameOf(const QString& path) const {
  if (m_folder.isEmpty()) return QString();
  const QFileInfo info(path);
  if (QFileInfo(info.absolutePath()).canonicalFilePath() != m_folder) return QString();
  return info.fileName();
}

int CPowerLossDisk::Find(const QString& name) const {
  const auto found = m_names.find(name);
  return found == m_names.end() ? -1 : found->second;
}

int CPowerLossDisk::Create(const QString& name) {
  if (Count(false) != Power::kOn) return -1;
  m_durable.emplace_back();  // a new file is empty on the disk until a sync says otherwise
  const int id = static_cast<int>(m_durable.size()) - 1;
  m_names[name] = id;
  m_pending.push_back({Change::kCreate, id, 0, {}, name, {}});
  return id;
}

bool CPowerLossDisk::Write(int file, int64_t offset, const char* data, int64_t size) {
  const Power power = Count(false);
  if (power == Power::kOff) return false;
  // A write the cut catches in flight is kept: it may land, torn.
  m_pending.push_back(
      {Change::kWrite, file, offset, QByteArray(data, static_cast<qsizetype>(size)), {}, {}});
  return power == Power::kOn;
}

bool CPowerLossDisk::Truncate(int file, int64_t size) {
  if (Count(false) != Power::kOn) return false;
  m_pending.push_back({Change::kTruncate, file, size, {}, {}, {}});
  return true;
}

bool CPowerLossDisk::Sync(int file, bool dataOnly) {
  if (Count(true) != Power::kOn) return false;
  std::vector<Change> rest;
  for (Change& change : m_pending) {
    if (change.file != file || change.IsFolderChange()) {
      rest.push_back(std::move(change));
      continue;
    }
    QByteArray& content = m_durable[static_cast<size_t>(file)];
    if (!dataOnly) {
      Apply(change, m_durableNames, m_durable);
    } else if (change.kind == Change::kWrite && change.offset < content.size()) {
      // Only the bytes within the durable size; the growth waits for a full sync.
      const int64_t inside = std::min<int64_t>(change.data.size(), content.size() - change.offset);
      std::memcpy(content.data() + change.offset, change.data.constData(),
                  static_cast<size_t>(inside));
      if (inside < change.data.size()) {
        rest.push_back(
            {Change::kWrite, file, change.offset + inside, change.data.mid(inside), {}, {}});
      }
    } else {
      rest.push_back(std::move(change));
    }
  }
  m_pending = std::move(rest);
  return true;
}

bool CPowerLossDisk::Remove(const QString& name) {
  if (Count(false) != Power::kOn) return false;
  m_names.erase(name);
  m_pending.push_back({Change::kRemove, -1, 0, {}, name, {}});
  return true;
}

bool CPowerLossDisk::Rename(const QString& from, const QString& to) {
  if (Count(false) != Power::kOn) return false;
  const auto found = m_names.find(from);
  if (found != m_names.end()) {
    m_names[to] = found->second;
    m_names.erase(from);
  }
  m_pending.push_back({Change::kRename, -1, 0, {}, from, to});
  return true;
}

bool CPowerLossDisk::SyncFolder() {
  if (Count(true) != Power::kOn) return false;
  m_durableNames = m_names;
  std::erase_if(m_pending, [](const Change& change) { return change.IsFolderChange(); });
  return true;
}

int CPowerLossDisk::SectorCount(const Change& write) {
  const int64_t first = write.offset / kSector;
  const int64_t last = (write.offset + write.data.size() - 1) / kSector;
  return write.data.isEmpty() ? 0 : static_cast<int>(last - first + 1);
}

void CPowerLossDisk::Apply(const Change& change, std::map<QString, int>& names,
                           std::vector<QByteArray>& contents, const std::vector<bool>& sectors) {
  switch (change.kind) {
    case Change::kCreate:
      names[change.name] = change.file;
      return;
    case Change::kRemove:
      names.erase(change.name);
      return;
    case Change::kRename: {
      const auto found = names.find(change.name);
      if (found == names.end()) return;
      const int file = found->second;
      names.erase(found);
      names[change.to] = file;
      return;
    }
    case Change::kTruncate:
      contents[static_cast<size_t>(change.file)].resize(static_cast<qsizetype>(change.offset), 0);
      return;
    case Change::kWrite: {
      QByteArray& content = contents[static_cast<size_t>(change.file)];
      const int64_t end = change.offset + change.data.size();
      // Sector by sector, split where the disk's sectors split the file.
      int64_t start = change.offset;
      for (size_t sector = 0; start < end; ++sector) {
        const int64_t stop = std::min<int64_t>(end, (start / kSector + 1) * kSector);
        if (sectors.empty() || sectors[sector]) {
          if (content.size() < stop) content.resize(static_cast<qsizetype>(stop), 0);
          std::memcpy(content.data() + start, change.data.constData() + (start - change.offset),
                      static_cast<size_t>(stop - start));
        }
        start = stop;
      }
      return;
    }
  }
}

bool CPowerLossDisk::Restart() {
  if (m_folder.isEmpty()) return false;
  m_lost = true;
  std::mt19937 random(m_seed);
  std::map<QString, int> names = m_durableNames;
  std::vector<QByteArray> contents = m_durable;
  const size_t count = m_pending.size();
  if (m_landing == Landing::kInOrder) {
    const size_t landed = std::uniform_int_distribution<size_t>(0, count)(random);
    for (size_t i = 0; i < landed; ++i) Apply(m_pending[i], names, contents);
    if (landed < count && m_pending[landed].kind == Change::kWrite) {
      const Change& torn = m_pending[landed];
      const int sectors = SectorCount(torn);
      const int kept = std::uniform_int_distribution<int>(0, sectors)(random);
      std::vector<bool> chosen(static_cast<size_t>(sectors), false);
      std::fill_n(chosen.begin(), kept, true);
      Apply(torn, names, contents, chosen);
    }
  } else if (m_landing == Landing::kAnyOrder) {
    const auto folderChanges = static_cast<size_t>(std::count_if(
        m_pending.begin(), m_pending.end(), [](const Change& c) { return c.IsFolderChange(); }));
    const size_t folderLanded = std::uniform_int_distribution<size_t>(0, folderChanges)(random);
    size_t folderSeen = 0;
    for (const Change& change : m_pending) {
      if (change.IsFolderChange()) {
        if (folderSeen++ < folderLanded) Apply(change, names, contents);
        continue;
      }
      const int fate = std::uniform_int_distribution<int>(0, 3)(random);
      if (fate <= 1) {
        Apply(change, names, contents);
      } else if (fate == 2 && change.kind == Change::kWrite) {
        std::vector<bool> chosen(static_cast<size_t>(SectorCount(change)));
        for (size_t i = 0; i < chosen.size(); ++i) chosen[i] = random() % 2 == 0;
        Apply(change, names, contents, chosen);
      }
    }
  }

  const QString folder = m_folder;
  QDir dir(folder);
  bool ok = true;
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
    ok = dir.remove(name) && ok;
  }
  for (const auto& [name, file] : names) {
    QFile out(dir.filePath(name));
    const QByteArray& bytes = contents[static_cast<size_t>(file)];
    ok = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && ok;
  }
  Start(folder);
  return ok;
}
