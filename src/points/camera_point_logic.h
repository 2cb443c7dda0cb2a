// The camera point's logic without widgets: whether the bytes of a camera file are a complete
// picture the decoder may take, the newest such picture of a folder, the size a photo is stored
// at and shown at, turning a picture into the stored JPEG, and the stored file's name. Pure
// functions over files and bytes; UI thread in the client, any thread in tests.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>
#include <cstdint>

class CImageServices;

namespace CameraPointLogic {

// The extensions searched when the point's "Types" text is empty.
inline constexpr const char* kDefaultTypes = "jpg,jpeg";
// Largest camera file read; far above any real photo, so a stray video or disk image in the
// folder is refused before it is read.
constexpr qint64 kMaxPictureBytes = 256 * 1024 * 1024;

enum class PictureState {
  kPicture,      // complete, and within the decoder's pixel limit
  kNotAPicture,  // not a picture the decoder reads (or no file, or too many bytes)
  kIncomplete,   // a JPEG whose data stops before its end marker: still being written
  kTooLarge,     // more pixels than the decoder takes; refused before decoding
  kCantConvert,  // the headers were sound but decoding or encoding gave nothing
};

// What the bytes hold, judged from the headers alone; `size` (upright) is set when known.
PictureState CheckPicture(const QByteArray& bytes, const CImageServices& images,
                          QSize* size = nullptr);
// Whether a JPEG stream runs from its start marker through its scans to its end marker. Bytes
// after the end marker (trailers some cameras append) do not matter.
bool IsCompleteJpeg(const QByteArray& bytes);

// Reads a camera file (regular files up to kMaxPictureBytes); false when it cannot be read.
bool ReadPicture(const QString& path, QByteArray& bytes);

// The newest file of `folder` (and its subfolders) with one of the extensions that holds a
// complete picture. When none does, an empty path, with the newest matching file in `refused`
// and its state in `why` (`refused` empty when no file matches at all).
QString FindNewestPicture(const QString& folder, const QString& types, const CImageServices& images,
                          QString* refused = nullptr, PictureState* why = nullptr);

// The newest "jpg"/"jpeg" photo of the Camera Roll and when it was last written: a camera that
// saves a photo again under the same name still leaves a different mark.
struct CameraRollMark {
  QString path;  // empty when the folder holds no photo
  QDateTime written;
  bool operator==(const CameraRollMark& other) const {
    return path == other.path && written == other.written;
  }
};
CameraRollMark MarkCameraRoll(const QString& folder);

// The stored size of an upright picture: `shellWidth` wide (`shellHeight` when exactly one of
// the picture and the landscape target is portrait), its proportions kept.
QSize StoredSize(QSize picture, int shellWidth, int shellHeight);
// The largest size with the picture's proportions that fits the box; the box when either is
// empty.
QSize FitInto(QSize picture, QSize box);

// The picture turned upright by its EXIF orientation, scaled to its stored size and encoded as
// a JPEG without the orientation tag. False (with the state) when it is not a complete picture
// within the limit, or when it cannot be decoded or encoded (kCantConvert).
bool ImportPicture(const QByteArray& source, int shellWidth, int shellHeight,
                   const CImageServices& images, QByteArray& jpeg, PictureState* why = nullptr);

// The stored file name: `resolved` (the resolved "Filename" template, or the source file's
// name) with path and wildcard characters made "_", trimmed, "<point>.<tick>.jpg" when nothing
// is left, and always ending in ".jpg".
QString StoredName(const QString& resolved, const QString& pointName, uint32_t tick);

}  // namespace CameraPointLogic
