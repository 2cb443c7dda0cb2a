#include "sync/telegram_link.h"

#include <QDebug>

#include "points/telegram.h"
#include "project/project.h"
#include "sync/net_message.h"

CTelegramLink::CTelegramLink(CConnection& connection, std::function<QString()> unitId)
    : m_connection(&connection), m_unitId(std::move(unitId)) {}

CNetMessage CTelegramLink::Message(const CTelegram& telegram) {
  CNetMessage message(kTelegramToServer);
  const CProject* project = telegram.Project();
  message.WriteString(project ? project->FileName() : QString());
  message.WriteU32(project ? static_cast<uint32_t>(project->GetHeader().uniqueNumber) : 0);
  message.WriteBytes(telegram.WriteArchive());
  return message;
}

bool CTelegramLink::Send(CTelegram& telegram) {
  telegram.SetUnitId(m_unitId ? m_unitId() : QString());
  // Telegrams are live messages: one that cannot go now is not kept for later.
  if (!m_connection || !m_connection->IsConnected()) return false;
  return m_connection->Send(Message(telegram));
}

bool CTelegramLink::Receive(CNetMessage& message, CProject* openProject) {
  QString name;
  uint32_t unique = 0;  // read, not compared: the name decides
  if (!message.ReadString(name) || !message.ReadU32(unique)) {
    qInfo().noquote() << "telegram dropped: the message is damaged";
    return true;
  }
  if (!openProject || openProject->FileName().compare(name, Qt::CaseInsensitive) != 0) {
    qInfo().noquote() << "telegram for" << name << "dropped: the project is not open";
    return true;
  }
  CTelegram telegram(openProject);
  if (!telegram.ReadArchive(message.ReadRest())) {
    qInfo().noquote() << "telegram for" << name << "dropped: its archive is damaged";
    return true;
  }
  telegram.Dispatch();
  return true;
}
