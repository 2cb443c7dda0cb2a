// libFuzzer target: CVariantMap::Deserialize in both archive forms; the first byte picks the form
// (odd: terminated, even: counted). Malformed input must end in CArchiveError; a map that reads
// must write and read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "values/archive.h"
#include "values/variant_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool terminated = (data[0] & 1) != 0;
  CArchive in(
      QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)));
  CVariantMap map;
  try {
    map.Deserialize(in, terminated);
  } catch (const CArchiveError&) {
    return 0;
  }
  CArchive out;
  map.Serialize(out, terminated);
  CVariantMap back;
  try {
    CArchive again(out.Buffer());
    back.Deserialize(again, terminated);
  } catch (const CArchiveError&) {
    std::abort();  // what we wrote must read
  }
  if (back.Count() != map.Count()) std::abort();
  return 0;
}
