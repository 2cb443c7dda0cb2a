// CFileWriter: the small file interface through which the safe save of a project touches the
// disk (create, open exclusively, read, write, resize, flush to stable storage, close). The
// default is a POSIX file; tests install a factory whose files fail at a chosen write to check
// that a failed save never leaves a half-written project. Each writer owns one open file; UI
// thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class CFileWriter {
 public:
  enum class OpenMode {
    // Create or truncate, for reading and writing.
    kCreate,
    // Open for reading and writing, creating the file when missing; nobody else may hold it
    // for writing meanwhile.
    kOpenExclusive,
  };

  virtual ~CFileWriter() = default;

  virtual bool Open(const QString& path, OpenMode mode) = 0;
  // Current size in bytes, -1 on failure.
  virtual int64_t Size() = 0;
  virtual bool Seek(int64_t position) = 0;
  // Bytes read or written (fewer than asked when the device ran out or failed; -1 when nothing
  // could be done). Error() tells why.
  virtual int64_t Read(char* data, int64_t size) = 0;
  virtual int64_t Write(const char* data, int64_t size) = 0;
  virtual bool Resize(int64_t size) = 0;
  // Pushes everything written so far to stable storage.
  virtual bool Flush() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // errno of the last failure, 0 when the last operation failed without one (a short write).
  virtual int Error() const = 0;

  // A new, closed writer from the installed factory (the POSIX one by default).
  static std::unique_ptr<CFileWriter> Create();
  using Factory = std::function<std::unique_ptr<CFileWriter>()>;
  // Installs a factory; an empty one restores the default. Returns the previous one.
  static Factory SetFactory(Factory factory);
};
