// libFuzzer target for the Windows bitmap reader of CImageServices: every input is made to start
// with "BM" so that it reaches the bitmap parser, then decoded at its own size and once more
// resized and turned as the input's length chooses.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "app/image_services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  bytes[0] = 'B';
  bytes[1] = 'M';
  CImageServices services;
  // Keeps a header that announces a large picture from making every run slow.
  services.SetMaxPixels(4'000'000);
  services.LoadImage(bytes);
  const int width = int(size % 37) + 1;
  const int height = int(size % 23) + 1;
  services.LoadImage(bytes, width, height, unsigned(size & 3));
  return 0;
}
