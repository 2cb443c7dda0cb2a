// Fuzz target: any bytes parsed as a translation text into a fresh table. The parser
// must decode by byte-order mark, split and store what it can without crashing, and every key it
// stores must be a section prefix followed by text on one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  CLanguage language;
  language.Parse(bytes);
  for (auto it = language.Table().cbegin(); it != language.Table().cend(); ++it) {
    if (it.key().contains(u'\r') || it.key().contains(u'\n') || !it.key().contains(u'.')) {
      std::abort();
    }
    QString value;
    if (!language.Lookup(it.key(), value) || value != it.value()) std::abort();
  }
  // A second pass over the same text changes nothing: later keys replace earlier ones.
  const auto first = language.Table();
  language.Parse(bytes);
  if (language.Table() != first) std::abort();
  return 0;
}
