// libFuzzer target: CTelegram::ReadArchive on any bytes. Damaged input must be refused without a
// crash and leave the telegram empty; a telegram that reads must write and read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "points/telegram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CTelegram telegram(nullptr);
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (!telegram.ReadArchive(bytes)) {
    if (telegram.Values().Count() != 0 || !telegram.UnitId().isEmpty()) std::abort();
    return 0;
  }
  CTelegram back(nullptr);
  if (!back.ReadArchive(telegram.WriteArchive())) std::abort();  // what we wrote must read
  if (back.UnitId() != telegram.UnitId() || back.Values().Count() != telegram.Values().Count()) {
    std::abort();
  }
  return 0;
}
