// CSafeSave: writes a project file so that a full disk or a failing device never leaves it
// half-written: the new content goes to a temporary file first, the project file is extended to
// claim the space, then the content is copied over in chunks. When the copy fails the complete
// new content stays in a rescue file beside the project. Every file write goes through
// CFileWriter. Stateless; UI thread.
#pragma once

#include <QByteArray>
#include <QString>

class CSafeSave {
 public:
  // Bytes per write into the temporary file and per copied chunk.
  static constexpr int kTemporaryBuffer = 4096;
  static constexpr int kCopyChunk = 16384;

  static QString TemporaryPath(const QString& path) { return path + QStringLiteral(".save"); }
  static QString RescuePath(const QString& path) { return path + QStringLiteral(".save.ppc"); }

  // Writes `bytes` to `path`. On failure returns false with the text that explains it (empty
  // when there is nothing to add): the previous file is intact when the copy had not begun;
  // otherwise the damaged project file is removed and the new content is in RescuePath(path).
  static bool Write(const QString& path, const QByteArray& bytes, QString& errorText);
};
