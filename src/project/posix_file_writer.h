// CPosixFileWriter: the CFileWriter of a real file through POSIX calls, with an advisory
// exclusive lock for the exclusive mode, fsync for Flush and an fsync of the folder for
// SyncFolder. Owned by the code that saves; UI
// thread only.
#pragma once

#include "project/file_writer.h"

class CPosixFileWriter : public CFileWriter {
 public:
  CPosixFileWriter() = default;
  ~CPosixFileWriter() override;
  CPosixFileWriter(const CPosixFileWriter&) = delete;
  CPosixFileWriter& operator=(const CPosixFileWriter&) = delete;

  bool Open(const QString& path, OpenMode mode) override;
  int64_t Size() override;
  bool Seek(int64_t position) override;
  int64_t Read(char* data, int64_t size) override;
  int64_t Write(const char* data, int64_t size) override;
  bool Resize(int64_t size) override;
  bool Flush() override;
  void Close() override;
  bool IsOpen() const override { return m_fd >= 0; }
  int Error() const override { return m_error; }
  bool Remove(const QString& path) override;
  bool Rename(const QString& from, const QString& to) override;
  bool SyncFolder(const QString& path) override;

 private:
  bool Fail();

  int m_fd = -1;
  int m_error = 0;
};
