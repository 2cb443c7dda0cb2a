// CTelegramSender: how a telegram leaves this unit. The points and automation objects that send
// telegrams hand them to the sender of the services (CServices::Telegrams); the window sets one
// over its server connection, and until then (the command-line tool, tests that set none) every
// send fails as when the unit is not online. Owned by the services; UI thread only.
#pragma once

class CTelegram;

class CTelegramSender {
 public:
  virtual ~CTelegramSender() = default;
  // Sets the telegram's unit ID to this unit's and queues it for the server; false when the unit
  // is not online (this base: never online).
  virtual bool Send(CTelegram& telegram) {
    (void)telegram;
    return false;
  }
};
