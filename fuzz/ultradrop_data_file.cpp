// libFuzzer target for the ultradrop's data-file reader: the input is a data file in any
// encoding, read with the delimiter, column count and newline flag its first byte chooses.
#include "points/ultradrop_data_file.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choice = data[0];
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  const char16_t delimiters[] = {0, u',', u'\t', u';'};
  const CUltraDataFile::Options options{.columns = 1 + (choice >> 4),
                                        .delimiter = delimiters[choice & 3],
                                        .newlines = (choice & 4) != 0};
  const CUltraDataFile::Result result = CUltraDataFile::ReadBytes(bytes, options);
  for (const CUltraItem& item : result.items) {
    if (item.cells.size() != options.columns) __builtin_trap();
    for (const QString& cell : item.cells) {
      if (cell.size() > CUltraDataFile::kMaxCellChars) __builtin_trap();
    }
  }
  return 0;
}
