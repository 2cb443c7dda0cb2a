// CQtFilePointDialogs: the file point's desktop dialogs in the running client: Qt's file-open and
// file-save dialogs over the active window, and the desktop's default application for opening a
// file. The client owns the one instance and installs it at start-up; UI thread only.
#pragma once

#include "points/file_point_dialogs.h"

class CQtFilePointDialogs : public CFilePointDialogs {
 public:
  std::optional<QString> OpenFile(const QString& filter, const QString& folder) override;
  std::optional<QString> SaveFile(const QString& name, const QString& extension) override;
  bool OpenInShell(const QString& path) override;
};
