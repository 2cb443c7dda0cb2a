#include "ui/desktop_shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QStringDecoder>
#include <QTextDocument>

bool CDesktopShell::Open(const QString& address) {
  // A local path is a file even when it holds "#" or "?"; anything else is read as an address
  // bar reads it ("www.example.com" becomes a full address).
  const QUrl url =
      QDir::isAbsolutePath(address) ? QUrl::fromLocalFile(address) : QUrl::fromUserInput(address);
  return url.isValid() && QDesktopServices::openUrl(url);
}

bool CDesktopShell::Print(const QString& html, const QUrl& base) {
  QPrinter printer;
  if (!m_pdfFile.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_pdfFile);
  }
  if (!printer.isValid()) return false;
  // A text document runs no script and fetches nothing from the network.
  QTextDocument document;
  if (base.isValid()) {
    document.setBaseUrl(base);
    // Pictures beside the document (a session's photos) are read from files resolved against the
    // document's address, not its base: without it they print as broken-image marks.
    document.setMetaInformation(QTextDocument::DocumentUrl, base.toString());
  }
  document.setHtml(html);
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

bool CDesktopShell::PrintHtml(const QString& html) { return Print(html, QUrl()); }

bool CDesktopShell::PrintFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  // The byte-order mark tells the encoding and is dropped.
  QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
  const QString html = decoder.decode(bytes);
  return Print(html, QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
}

bool CDesktopShell::Run(const QString& program, const QStringList& arguments) {
  return !program.isEmpty() && QProcess::startDetached(program, arguments);
}
