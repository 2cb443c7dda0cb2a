// The file point's logic without widgets: the size text of an attachment, the button layout of
// its band and where a tap lands, the extension test and search of the watched folder, and
// loading a file into a value with a size limit. Pure functions over files and values; UI thread
// in the client, any thread in tests.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "values/variant.h"

namespace FilePointLogic {

// Largest file an attachment may hold. The session database keeps each value (and the session's
// archive of all of them) as one SQLite blob, which SQLite refuses past 1,000,000,000 bytes; the
// rest is left for the session's other values and the record's own framing.
constexpr qint64 kMaxAttachBytes = 1'000'000'000 - 16 * 1024 * 1024;

// The size text between the brackets: "%lu bytes", "%.2f KB", "%.2f MB", empty from 1 GB up.
QString SizeText(qint64 bytes);
// The line shown in the text box for a value: name and size, or empty for no file.
QString DisplayText(const CVariant& value);

// Whether a stored name can be used as a file name here: not empty, no separator, not "." or
// "..", so that a copy of it lands in the folder meant for it.
bool IsPlainName(const QString& name);

// The name filters of a file dialog from the project's filter text ("Name|*.a;*.b|...||"):
// "Name (*.a *.b)" each; "*.*" takes every file, with or without an extension.
QStringList DialogFilters(const QString& filter);

// What a tap in the band does.
enum class TapAction { kNone, kAttach, kSave, kOpen };
struct Buttons {
  bool attach = false;  // shown and the project is not read-only
  bool save = false;    // shown and the point holds a file
  bool open = false;    // shown and the point holds a file
};
Buttons VisibleButtons(int32_t attachFlag, int32_t saveFlag, int32_t openFlag, bool readOnly,
                       bool holdsFile);
// The action of a tap at `x` (page coordinates) in a band whose right edge is `right`; `scale`
// is 1 or 2.
TapAction ActionAt(int x, int right, const Buttons& buttons, int scale);
// The left edge of the i-th button from the right (0 is the rightmost).
int ButtonLeft(int right, int index, int scale);

// Whether a file name matches the extension text: its lower-cased extension occurs anywhere in
// the text; an empty text takes any file, a name without an extension never matches.
bool ExtensionMatches(const QString& fileName, const QString& extensions);

// The watched folder of the settings as a local path: "\My Documents" stands for the user's
// documents folder, backslashes become the separator, a relative path is under the home folder.
QString ResolveFolder(const QString& folder);

// The newest regular file (latest last-write time, the later one found between equals) matching
// the extensions in `folder` and its subfolders. Names beginning with "." are skipped, and so are
// symbolic links, special files and entries that cannot be read, so nothing outside the folder is
// reached. Empty when there is none.
QString FindNewestFile(const QString& folder, const QString& extensions);
// Every such file, the newest first (between equal times the one found later first).
QStringList FindFilesNewestFirst(const QString& folder, const QString& extensions);

// Why LoadFile failed.
enum class LoadError { kNone, kCantOpen, kTooLarge };
// Reads the file at `path` into a file blob named after its last component. A file larger than
// `maxBytes` is refused before its content is read (and also when it grows while being read).
LoadError LoadFile(const QString& path, CVariant& value, qint64 maxBytes = kMaxAttachBytes);

}  // namespace FilePointLogic
