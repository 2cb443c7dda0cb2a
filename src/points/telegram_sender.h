// CTelegramSender: how a telegram leaves this unit. The points that send telegrams hand them
// here; the window installs a sender over its server connection, and until then (the command-line
// tool, tests that install nothing) every send fails as when the unit is not online. The
// installed sender is owned here; UI thread only.
#pragma once

#include <memory>

class CTelegram;

class CTelegramSender {
 public:
  virtual ~CTelegramSender() = default;
  // Sets the telegram's unit ID to this unit's and queues it for the server; false when the unit
  // is not online.
  virtual bool Send(CTelegram& telegram) = 0;

  // The sender in use.
  static CTelegramSender& Instance();
  // Replaces the sender in use (null: back to the one that never sends); returns the previous.
  static std::unique_ptr<CTelegramSender> Install(std::unique_ptr<CTelegramSender> sender);
};
