// CTelegramLink: telegrams on the wire. As the installed telegram sender it stamps a telegram with
// this unit's ID and sends it as code 41 while the connection is online; Receive serves code 42,
// reading the telegram for the open project and offering it to the project's points. The sender
// is owned by the telegram-sender slot and watches (does not own) the window's connection; UI
// thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>

#include "app/telegram_sender.h"
#include "sync/connection.h"

class CNetMessage;
class CProject;

class CTelegramLink : public CTelegramSender {
 public:
  // Codes: a telegram to the server, and one the server relays from another unit.
  static constexpr uint32_t kTelegramToServer = 41;
  static constexpr uint32_t kTelegramFromServer = 42;

  // `unitId` gives this unit's current ID at each send.
  CTelegramLink(CConnection& connection, std::function<QString()> unitId);

  bool Send(CTelegram& telegram) override;

  // The message of code 41 for a telegram (its project's file name and unique number first).
  static CNetMessage Message(const CTelegram& telegram);
  // Serves code 42 for `openProject` (null: none open): a telegram for another project, or one that
  // cannot be read, is dropped with a log line. True: the connection carries on either way.
  static bool Receive(CNetMessage& message, CProject* openProject);

 private:
  QPointer<CConnection> m_connection;
  std::function<QString()> m_unitId;
};
