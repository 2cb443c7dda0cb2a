// File blobs: a whole file carried inside a value as a one-dimensional byte array
// ("TWKFFILE", int32 name length n, n UTF-16LE code units of the name, then the file's bytes).
// Used by file, camera, voice and sketch points, the session export and the automation database.
// Pure functions; any thread.
#pragma once

#include <QByteArray>
#include <QString>

#include "values/variant.h"

namespace FileBlob {

// At least 13 bytes that begin with "TWKFFILE".
bool IsFile(const CVariant& value);
bool IsFile(const QByteArray& bytes);
// The stored name, or false when the blob is not a file, the name is empty or cut short.
bool Name(const QByteArray& bytes, QString& name);
QString Name(const CVariant& value);
// The file's bytes (the part after the name); false under the same conditions as Name.
bool Content(const CVariant& value, QByteArray& content);
// A blob from a name (any folder part is cut off at the last separator) and content.
CVariant Make(const QString& name, const QByteArray& content);
// Reads the whole file; the stored name is the path's last component. Empty value on failure.
CVariant MakeFromFile(const QString& path);
// Writes the content to `path` (created or truncated); fails when the value is not a named file
// blob or the file cannot be written.
bool Extract(const CVariant& value, const QString& path);

}  // namespace FileBlob
