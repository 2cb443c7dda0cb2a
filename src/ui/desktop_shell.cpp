#include "ui/desktop_shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QTextDocument>
#include <QUrl>

bool CDesktopShell::Open(const QString& address) {
  // A local path is a file even when it holds "#" or "?"; anything else is read as an address
  // bar reads it ("www.example.com" becomes a full address).
  const QUrl url =
      QDir::isAbsolutePath(address) ? QUrl::fromLocalFile(address) : QUrl::fromUserInput(address);
  return url.isValid() && QDesktopServices::openUrl(url);
}

bool CDesktopShell::PrintHtml(const QString& html) {
  QPrinter printer;
  if (!printer.isValid()) return false;
  QTextDocument document;
  document.setHtml(html);
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

bool CDesktopShell::Run(const QString& program, const QStringList& arguments) {
  return !program.isEmpty() && QProcess::startDetached(program, arguments);
}
