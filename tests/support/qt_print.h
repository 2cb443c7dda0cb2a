// Readable GoogleTest failure output for Qt strings and byte arrays (hex), found through ADL.
#pragma once

#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
  *os << bytes.toHex().toStdString();
}
