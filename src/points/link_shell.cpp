#include "points/link_shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

class CDesktopLinkShell : public CLinkShell {
 public:
  bool Open(const QString& address) override {
    // "www.example.com" and plain paths become full addresses, as a browser's address bar does.
    const QUrl url = QUrl::fromUserInput(address);
    return url.isValid() && QDesktopServices::openUrl(url);
  }
};

std::unique_ptr<CLinkShell>& Slot() {
  static std::unique_ptr<CLinkShell> shell = std::make_unique<CDesktopLinkShell>();
  return shell;
}

}  // namespace

CLinkShell& CLinkShell::Instance() { return *Slot(); }

std::unique_ptr<CLinkShell> CLinkShell::Install(std::unique_ptr<CLinkShell> shell) {
  std::unique_ptr<CLinkShell> previous = std::move(Slot());
  Slot() = shell ? std::move(shell) : std::make_unique<CDesktopLinkShell>();
  return previous;
}
