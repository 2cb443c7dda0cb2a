// CImageServices: turns the bytes of an encoded picture (a Windows bitmap file or a JPEG) into a
// 24-bit image of a requested size, applying the JPEG's EXIF orientation, resampling and an
// optional quarter turn; also hands out the built-in default header bitmaps. The application
// keeps one instance for its own images; automation image services make independent ones. An
// instance holds no decoding state, so a call owns its working image from start to end and the
// caller owns the QImage it returns. The application's instance is used on the UI thread only.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QtGlobal>

class CImageServices {
 public:
  // Flags of LoadImage.
  enum Flag : unsigned {
    // Turn the result a quarter counter-clockwise after resizing.
    kRotateCounterClockwise = 0x1,
    // Resize by nearest-neighbour sampling instead of area averaging.
    kNearestNeighbour = 0x2,
    // A JPEG may first be decoded at 1/2, 1/4 or 1/8 of its size, as long as that still holds
    // the wanted size; resampling then starts from that smaller picture. Much faster for a
    // large photo made small; not one of the automation flags.
    kReducedDecode = 0x100,
  };

  // Why a call returned no image; nothing is shown to the user, callers may log or test it.
  enum class Failure {
    kNone,
    kTooShort,           // fewer than 3 bytes, or a bitmap file shorter than its two headers
    kUnreadableBitmap,   // inconsistent bitmap headers, colour table or pixel data
    kUnsupportedFormat,  // a bitmap depth, compression or header form this service does not read
    kTooLarge,           // the picture or the requested size exceeds the pixel limit
    kInvalidSize,        // a negative width or height was requested
    kDecoderError,       // the JPEG decoder gave up
    kOutOfMemory,
  };

  // Largest picture (width × height) decoded, resized or produced; a header announcing more is
  // refused before anything is allocated for it.
  static constexpr qint64 kDefaultMaxPixels = 100'000'000;

  // Decodes `length` bytes at `source`. A `width` or `height` of 0 keeps the picture's own size.
  // Returns an RGB888 image, or a null image (with the reason in `failure` when given).
  QImage LoadImage(const uchar* source, qsizetype length, int width, int height, unsigned flags,
                   Failure* failure = nullptr) const;
  QImage LoadImage(const QByteArray& source, int width = 0, int height = 0, unsigned flags = 0,
                   Failure* failure = nullptr) const;

  // The size of the picture as LoadImage turns it upright, read from its header alone (a JPEG
  // whose EXIF orientation swaps the axes comes out with width and height swapped). An empty
  // size when the header cannot be read (the reason in `failure` when given).
  QSize ImageSize(const QByteArray& source, Failure* failure = nullptr) const;

  // Lowers (or raises) the pixel limit of this instance, e.g. for fuzzing; at least 1.
  void SetMaxPixels(qint64 maxPixels) { m_maxPixels = qMax<qint64>(1, maxPixels); }
  qint64 MaxPixels() const { return m_maxPixels; }

  // The built-in header band used when a project has no header image or it does not decode;
  // `doubledScale` gives the twin of twice the size for the doubled user-interface scale.
  static QImage DefaultHeaderImage(bool doubledScale);

 private:
  qint64 m_maxPixels = kDefaultMaxPixels;
};
