// CShell: hands things to the desktop: an address or file to its own application (browser, mail
// program, viewer), a document to the printer, a program to run. This base refuses everything,
// as a headless run must; the client sets the desktop's shell (ui/desktop_shell.*) in CServices
// and tests set recording ones. Owned by CServices; UI thread.
#pragma once

#include <QString>
#include <QStringList>

class CShell {
 public:
  virtual ~CShell() = default;

  // Opens an address ("www.example.com" and plain paths are completed as an address bar does)
  // or a local file with the desktop's application; false when nothing took it.
  virtual bool Open(const QString& address);
  // Prints an HTML document on the default printer; false when it could not be printed.
  virtual bool PrintHtml(const QString& html);
  // Prints an HTML file (UTF-16 or UTF-8, as its byte-order mark says) on the default printer,
  // with what it links to found beside it; false when it could not be printed.
  virtual bool PrintFile(const QString& path);
  // Starts a program with its arguments, detached; false when it could not be started.
  virtual bool Run(const QString& program, const QStringList& arguments);
};
