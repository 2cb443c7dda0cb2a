// File helpers of the tests: whole files read and written in one call. Plain functions; any
// thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace qlt::test {

// The bytes of a file; empty when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
// Replaces a file with the bytes, making its folder first; true when every byte was written.
bool WriteFileBytes(const QString& path, const QByteArray& bytes);

}  // namespace qlt::test
