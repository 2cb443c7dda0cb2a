#include "points/telegram_sender.h"

namespace {

class COfflineSender : public CTelegramSender {
 public:
  bool Send(CTelegram&) override { return false; }
};

std::unique_ptr<CTelegramSender>& Slot() {
  static std::unique_ptr<CTelegramSender> sender = std::make_unique<COfflineSender>();
  return sender;
}

}  // namespace

CTelegramSender& CTelegramSender::Instance() { return *Slot(); }

std::unique_ptr<CTelegramSender> CTelegramSender::Install(std::unique_ptr<CTelegramSender> sender) {
  std::unique_ptr<CTelegramSender> previous = std::move(Slot());
  Slot() = sender ? std::move(sender) : std::make_unique<COfflineSender>();
  return previous;
}
