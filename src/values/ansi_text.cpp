#include "values/ansi_text.h"

#include <QStringDecoder>

namespace {

// Windows-1252 for 0x80 to 0x9F; Qt's own codecs lack it unless Qt is built with ICU.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

bool IsAscii(QByteArrayView bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

QString DecodeWindows1252(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t(byte));
  }
  return text;
}

QString DecodeAnsiText(QByteArrayView bytes) {
  // Most such text is plain ASCII, which reads the same either way.
  if (IsAscii(bytes)) return QString::fromLatin1(bytes);
  // Stateless: a sequence cut off at the end is an error, not a wait for more bytes. A leading
  // U+FEFF stays: the caller has already looked for byte-order marks where they count.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return DecodeWindows1252(bytes);
}
