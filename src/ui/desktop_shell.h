// CDesktopShell: the desktop's shell in the running client: addresses and files open with the
// desktop's application (xdg-open), HTML prints on the default printer (or into a PDF file when
// one is given), programs start detached. The client sets it in CServices at start-up; UI thread
// only.
#pragma once

#include <QUrl>

#include "platform/shell.h"

class CDesktopShell : public CShell {
 public:
  // `pdfFile`: print into this file instead of on the default printer.
  explicit CDesktopShell(QString pdfFile = QString()) : m_pdfFile(std::move(pdfFile)) {}

  bool Open(const QString& address) override;
  bool PrintHtml(const QString& html) override;
  bool PrintFile(const QString& path) override;
  bool Run(const QString& program, const QStringList& arguments) override;

 private:
  bool Print(const QString& html, const QUrl& base);

  QString m_pdfFile;
};
