#include "support/power_loss_file_writer.h"

#include <cerrno>

#include "support/power_loss_disk.h"

namespace {

CPowerLossDisk& Disk() { return CPowerLossDisk::Instance(); }

}  // namespace

CPowerLossFileWriter::CScopedInstall::CScopedInstall() {
  m_previous = CFileWriter::SetFactory([] { return std::make_unique<CPowerLossFileWriter>(); });
}

CPowerLossFileWriter::CScopedInstall::~CScopedInstall() { CFileWriter::SetFactory(m_previous); }

bool CPowerLossFileWriter::Modelled() const {
  return m_file >= 0 && m_generation == Disk().Generation() && Disk().IsActive();
}

bool CPowerLossFileWriter::Dead() {
  if (!Disk().PowerLost()) return false;
  m_error = EIO;
  return true;
}

bool CPowerLossFileWriter::Open(const QString& path, OpenMode mode) {
  Close();
  m_error = 0;
  m_position = 0;
  m_file = -1;
  m_generation = Disk().Generation();
  const QString name = Disk().NameOf(path);
  if (!name.isEmpty()) {
    if (Dead()) return false;
    m_file = Disk().Find(name);
    if (m_file < 0) {
      m_file = Disk().Create(name);
      if (m_file < 0 && Dead()) return false;
    } else if (mode == OpenMode::kCreate && !Disk().Truncate(m_file, 0)) {
      Dead();
      return false;
    }
  }
  return m_real.Open(path, mode);
}

int64_t CPowerLossFileWriter::Size() {
  if (Modelled() && Dead()) return -1;
  return m_real.Size();
}

bool CPowerLossFileWriter::Seek(int64_t position) {
  if (Modelled() && Dead()) return false;
  if (!m_real.Seek(position)) return false;
  m_position = position;
  return true;
}

int64_t CPowerLossFileWriter::Read(char* data, int64_t size) {
  m_error = 0;
  if (Modelled() && Dead()) return -1;
  const int64_t read = m_real.Read(data, size);
  if (read > 0) m_position += read;
  return read;
}

int64_t CPowerLossFileWriter::Write(const char* data, int64_t size) {
  m_error = 0;
  if (Modelled() && !Disk().Write(m_file, m_position, data, size)) {
    m_error = EIO;
    return -1;
  }
  const int64_t written = m_real.Write(data, size);
  if (written > 0) m_position += written;
  return written;
}

bool CPowerLossFileWriter::Resize(int64_t size) {
  m_error = 0;
  if (Modelled() && !Disk().Truncate(m_file, size)) {
    m_error = EIO;
    return false;
  }
  return m_real.Resize(size);
}

bool CPowerLossFileWriter::Flush() {
  m_error = 0;
  if (!Modelled()) return m_real.Flush();
  // Recorded, not made: the model decides what a power cut keeps.
  if (!Disk().Sync(m_file, false)) {
    m_error = EIO;
    return false;
  }
  return true;
}

void CPowerLossFileWriter::Close() {
  m_real.Close();
  m_file = -1;
}

bool CPowerLossFileWriter::Remove(const QString& path) {
  m_error = 0;
  const QString name = Disk().NameOf(path);
  if (!name.isEmpty()) {
    if (Dead()) return false;
    if (Disk().Find(name) < 0) return true;
    if (!Disk().Remove(name)) {
      m_error = EIO;
      return false;
    }
  }
  return m_real.Remove(path);
}

bool CPowerLossFileWriter::Rename(const QString& from, const QString& to) {
  m_error = 0;
  const QString fromName = Disk().NameOf(from);
  const QString toName = Disk().NameOf(to);
  if (!fromName.isEmpty() && !toName.isEmpty()) {
    if (Dead()) return false;
    if (Disk().Find(fromName) < 0) {
      m_error = ENOENT;
      return false;
    }
    if (!Disk().Rename(fromName, toName)) {
      m_error = EIO;
      return false;
    }
  }
  return m_real.Rename(from, to);
}

bool CPowerLossFileWriter::SyncFolder(const QString& path) {
  m_error = 0;
  if (Disk().NameOf(path).isEmpty()) return m_real.SyncFolder(path);
  if (!Disk().SyncFolder()) {
    m_error = EIO;
    return false;
  }
  return true;
}
