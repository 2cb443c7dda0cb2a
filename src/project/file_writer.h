// CFileWriter: the small file interface through which the safe save of a project touches the
// disk (create, open exclusively, read, write, resize, flush to stable storage, close) and the
// folder around its files (remove, rename, make those changes durable). The default is a POSIX
// file; tests install a factory whose files fail at a chosen write, or lose what was not yet
// durable when the power is cut, to check that a save never leaves a half-written project. Each
// writer owns one open file; UI thread only.
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

  // Folder operations on paths; the writer's own file plays no part in them. A removal, a rename
  // or the creation of a file reaches the disk only with the next SyncFolder of its folder.
  // Removes the file; true when it is gone, also when it was not there.
  virtual bool Remove(const QString& path) = 0;
  // Renames `from` to `to`, replacing a file of that name.
  virtual bool Rename(const QString& from, const QString& to) = 0;
  // Pushes the creations, removals and renames in the folder holding `path` to stable storage.
  virtual bool SyncFolder(const QString& path) = 0;

  // A new, closed writer from the installed factory (the POSIX one by default).
  static std::unique_ptr<CFileWriter> Create();
  using Factory = std::function<std::unique_ptr<CFileWriter>()>;
  // Installs a factory; an empty one restores the default. Returns the previous one.
  static Factory SetFactory(Factory factory);
};
