// Decoding of 8-bit text that carries no byte-order mark: translation files without one and the
// 8-bit strings of older archives. Such text was written on Windows in its ANSI code page, or
// (by newer tools) in UTF-8; the bytes are read as UTF-8 when they are valid UTF-8, otherwise as
// Windows-1252, never in the C locale's encoding. Pure functions; any thread.
#pragma once

#include <QByteArrayView>
#include <QString>

// The bytes as UTF-8 when the whole run is valid UTF-8, else as Windows-1252.
QString DecodeAnsiText(QByteArrayView bytes);

// The bytes as Windows-1252: 0x80-0x9F through the code page's own table (the five bytes it
// leaves undefined become the control characters of the same number, as Windows maps them), every
// other byte as the character of the same number.
QString DecodeWindows1252(QByteArrayView bytes);
