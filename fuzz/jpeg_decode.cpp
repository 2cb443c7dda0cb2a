// libFuzzer target for the JPEG path of CImageServices (libjpeg from memory, EXIF orientation,
// resampling): inputs that would be taken for a bitmap file are skipped.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "app/image_services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return 0;
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  CImageServices services;
  // Keeps a header that announces a large picture from making every run slow.
  services.SetMaxPixels(4'000'000);
  const int width = int(size % 29);
  const int height = int(size % 17);
  services.LoadImage(bytes, width, height, unsigned(size & 3));
  return 0;
}
