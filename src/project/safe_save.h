// CSafeSave: writes a project file so that a full disk, a failing device or a power cut never
// leaves it half-written: the new content goes to a temporary file first, which is made durable
// and renamed to the ready name; the project file is extended to claim the space, then the
// content is copied over in chunks. When the copy fails the complete new content stays in a
// rescue file beside the project; when the power goes during the copy, the ready file is still
// there and Recover() puts it in place before the project is next read. Every file operation
// goes through CFileWriter. Stateless; UI thread.
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
  // The complete, durable new content while it is being copied over the project file. It exists
  // only during that copy: a save that ends, well or not, removes or renames it.
  static QString ReadyPath(const QString& path) { return path + QStringLiteral(".save.ready"); }

  // Writes `bytes` to `path`. On failure returns false with the text that explains it (empty
  // when there is nothing to add): the previous file is intact when the copy had not begun;
  // otherwise the damaged project file is removed and the new content is in RescuePath(path).
  static bool Write(const QString& path, const QByteArray& bytes, QString& errorText);

  // Completes a save that a crash or a power cut interrupted while it copied over the project
  // file, which may then hold part of the old and part of the new content: the ready file
  // replaces it. Called before the project file is read; true when a ready file was put in place.
  static bool Recover(const QString& path);
};
