// libFuzzer target for the voice point's MPEG-4 movie-header reader: box sizes of every width,
// boxes that run past the end, movie headers of either version; the input is also read as the
// content of a file value.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "points/voice_point_logic.h"
#include "values/file_blob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const qint64 length = VoicePointLogic::ClipLength(bytes);
  if (length < -1 || length > VoicePointLogic::kMaxClipSeconds) __builtin_trap();
  if (VoicePointLogic::ClipLength(FileBlob::Make(QStringLiteral("clip.m4a"), bytes)) != length) {
    __builtin_trap();
  }
  return 0;
}
