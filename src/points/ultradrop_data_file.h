// CUltraDataFile: reads an ultradrop's data file (or a text in the same form) into items. The
// encoding comes from the byte-order mark (UTF-16 LE or BE, UTF-8), else the bytes are UTF-8 when
// valid and Windows-1252 otherwise; a mark that the bytes plainly contradict is overruled. Every
// line is an item, empty lines skipped; cells are split at the delimiter (given, or the first TAB
// or "," of the file, TAB when the first line has neither), may be double-quoted, lose leading
// spaces and their TABs. Reading is bounded (bytes, rows, cell length), so a damaged or huge file
// gives what it can, with what was cut said in the result. Stateless; any thread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "points/ultradrop_table.h"

class CUltraDataFile {
 public:
  static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;
  static constexpr int kMaxRows = 250'000;
  static constexpr int kMaxCellChars = 4096;

  struct Options {
    int columns = 2;
    char16_t delimiter = 0;  // 0: detect TAB or ","
    bool newlines = false;   // a backslash followed by n becomes a line feed
  };

  enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

  struct Result {
    bool opened = false;  // false: the file could not be read at all
    QList<CUltraItem> items;
    Encoding encoding = Encoding::kAnsi;
    bool markOverruled = false;  // the byte-order mark named another encoding than the bytes
    bool truncated = false;      // rows or bytes beyond the limits were left out
    int cutCells = 0;            // cells longer than kMaxCellChars, cut
    int unclosedQuotes = 0;      // quoted cells whose line ended first: the rest of the line
  };

  static Result ReadFile(const QString& path, const Options& options);
  static Result ReadBytes(const QByteArray& bytes, const Options& options);
  static Result ReadText(const QString& text, const Options& options);

  // The delimiter a "Dynamic.Delimiter" value names (a character code), 0 for detection.
  static char16_t DelimiterOf(int32_t code);
};
