// CDesktopShell: the desktop's shell in the running client: addresses and files open with the
// desktop's application (xdg-open), HTML prints on the default printer, programs start
// detached. The client sets it in CServices at start-up; UI thread only.
#pragma once

#include "platform/shell.h"

class CDesktopShell : public CShell {
 public:
  bool Open(const QString& address) override;
  bool PrintHtml(const QString& html) override;
  bool Run(const QString& program, const QStringList& arguments) override;
};
