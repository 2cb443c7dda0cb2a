// CFilePointDialogs: what the file point asks of the desktop: the file-open and file-save
// dialogs and handing a file to its own application. The client installs the widget dialogs
// (ui/file_point_dialogs_qt.*); tests install scripted ones; without any, every dialog is
// cancelled and nothing is opened. The installer owns the object; UI thread only.
#pragma once

#include <QString>
#include <optional>

class CFilePointDialogs {
 public:
  virtual ~CFilePointDialogs() = default;

  // The file to attach; `filter` is in the "Name|*.a;*.b|...||" form of the project file.
  // nullopt when cancelled.
  virtual std::optional<QString> OpenFile(const QString& filter, const QString& folder) = 0;
  // Where to save a copy of `name` (the user confirms overwriting there); nullopt when
  // cancelled.
  virtual std::optional<QString> SaveFile(const QString& name, const QString& extension) = 0;
  // Opens the file in its own application; false when nothing could open it.
  virtual bool OpenInShell(const QString& path) = 0;

  // The dialogs in use (nullptr: none), and installing others (returns the previous ones).
  static CFilePointDialogs* Instance();
  static CFilePointDialogs* Install(CFilePointDialogs* dialogs);
};
