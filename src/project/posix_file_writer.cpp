#include "project/posix_file_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

CPosixFileWriter::~CPosixFileWriter() { Close(); }

bool CPosixFileWriter::Fail() {
  m_error = errno;
  return false;
}

bool CPosixFileWriter::Open(const QString& path, OpenMode mode) {
  Close();
  m_error = 0;
  const QByteArray name = QFile::encodeName(path);
  const int flags = O_RDWR | O_CREAT | O_CLOEXEC | (mode == OpenMode::kCreate ? O_TRUNC : 0);
  do {
    m_fd = ::open(name.constData(), flags, 0666);
  } while (m_fd < 0 && errno == EINTR);
  if (m_fd < 0) return Fail();
  if (mode == OpenMode::kOpenExclusive && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
    Fail();
    ::close(m_fd);
    m_fd = -1;
    return false;
  }
  return true;
}

int64_t CPosixFileWriter::Size() {
  struct stat info;
  if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
    m_error = m_fd < 0 ? EBADF : errno;
    return -1;
  }
  return info.st_size;
}

bool CPosixFileWriter::Seek(int64_t position) {
  if (m_fd < 0) {
    m_error = EBADF;
    return false;
  }
  if (::lseek(m_fd, position, SEEK_SET) < 0) return Fail();
  return true;
}

int64_t CPosixFileWriter::Read(char* data, int64_t size) {
  m_error = 0;
  int64_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(m_fd, data + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail();
      return done > 0 ? done : -1;
    }
    if (n == 0) break;  // end of file
    done += n;
  }
  return done;
}

int64_t CPosixFileWriter::Write(const char* data, int64_t size) {
  m_error = 0;
  int64_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail();
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool CPosixFileWriter::Resize(int64_t size) {
  int result;
  do {
    result = ::ftruncate(m_fd, size);
  } while (result != 0 && errno == EINTR);
  return result == 0 || Fail();
}

bool CPosixFileWriter::Flush() {
  int result;
  do {
    result = ::fsync(m_fd);
  } while (result != 0 && errno == EINTR);
  return result == 0 || Fail();
}

void CPosixFileWriter::Close() {
  if (m_fd < 0) return;
  // Closing also drops the lock taken by the exclusive mode.
  ::close(m_fd);
  m_fd = -1;
}

bool CPosixFileWriter::Remove(const QString& path) {
  if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT) return true;
  return Fail();
}

bool CPosixFileWriter::Rename(const QString& from, const QString& to) {
  if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
    return true;
  }
  return Fail();
}

bool CPosixFileWriter::SyncFolder(const QString& path) {
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that cannot be opened for reading cannot be synced either; its file system then
  // decides alone when names reach the disk.
  if (fd < 0) return true;
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  // EINVAL: a file system without folder syncs, where nothing more can be done.
  const bool ok = result == 0 || errno == EINVAL;
  if (!ok) m_error = errno;
  ::close(fd);
  return ok;
}
