// CPowerLossFileWriter: the CFileWriter of the power-loss tests. It works on the real file like
// the POSIX writer and reports every change to a file of the folder CPowerLossDisk models (writes,
// size changes, creation, removal, renames) to that model; Flush and SyncFolder are recorded
// there instead of reaching the device. Once the model's power is off, every call fails with EIO.
// Files outside the modelled folder pass straight through. Owned like any writer; the test's
// thread.
#pragma once

#include <memory>

#include "project/file_writer.h"
#include "project/posix_file_writer.h"

class CPowerLossFileWriter : public CFileWriter {
 public:
  // Makes the safe save use these writers for the life of the object.
  class CScopedInstall {
   public:
    CScopedInstall();
    ~CScopedInstall();
    CScopedInstall(const CScopedInstall&) = delete;
    CScopedInstall& operator=(const CScopedInstall&) = delete;

   private:
    Factory m_previous;
  };

  bool Open(const QString& path, OpenMode mode) override;
  int64_t Size() override;
  bool Seek(int64_t position) override;
  int64_t Read(char* data, int64_t size) override;
  int64_t Write(const char* data, int64_t size) override;
  bool Resize(int64_t size) override;
  bool Flush() override;
  void Close() override;
  bool IsOpen() const override { return m_real.IsOpen(); }
  int Error() const override { return m_error != 0 ? m_error : m_real.Error(); }
  bool Remove(const QString& path) override;
  bool Rename(const QString& from, const QString& to) override;
  bool SyncFolder(const QString& path) override;

 private:
  // Whether the model follows the open file.
  bool Modelled() const;
  // The power is off: nothing reaches the disk any more.
  bool Dead();

  CPosixFileWriter m_real;
  int m_file = -1;
  int m_generation = 0;
  int64_t m_position = 0;
  int m_error = 0;
};
