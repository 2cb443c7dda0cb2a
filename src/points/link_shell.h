// CLinkShell: hands an address a link point opens to the system (the default browser, mail
// program or file viewer). The application uses the desktop's opener; tests install a recording
// one so nothing leaves the machine. The installed shell is owned here; UI thread only.
#pragma once

#include <QString>
#include <memory>

class CLinkShell {
 public:
  virtual ~CLinkShell() = default;
  // Opens the address; false when the system refused it.
  virtual bool Open(const QString& address) = 0;

  // The shell in use (the desktop's opener until another is installed).
  static CLinkShell& Instance();
  // Replaces the shell in use; returns the previous one (tests restore it).
  static std::unique_ptr<CLinkShell> Install(std::unique_ptr<CLinkShell> shell);
};
