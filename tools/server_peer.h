// CServerPeer: one unit connected to `qlt server`: its socket, its server link (handshake, ciphers,
// frames) and the answers to what it asks while online: project checks and updates from the data
// folder, received sessions stored in the project's session database there, pushes of the sessions
// placed in the push folder, and the inventory it reports. CServerData holds what all peers share:
// the data folder, the open session databases, the units online (among which telegrams are relayed)
// and the log. The server command owns both; main
// thread.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>

#include "sessions/session_database.h"
#include "sync/server_link.h"

class CNetMessage;
class CServerPeer;
class QTcpSocket;

// What every peer of one server shares.
class CServerData {
 public:
  CServerData(QString folder, bool askInventory)
      : m_folder(std::move(folder)), m_askInventory(askInventory) {}
  ~CServerData();
  CServerData(const CServerData&) = delete;
  CServerData& operator=(const CServerData&) = delete;

  // What a project name stands for in the data folder.
  struct Project {
    enum Status { kFound, kMissing, kUnreadable } status = kMissing;
    int32_t unique = 0;
    int32_t revision = 0;
  };

  const QString& Folder() const { return m_folder; }
  bool AskInventory() const { return m_askInventory; }
  // A name received from a unit that stays inside the data folder: not empty, no "/", "\", "..",
  // NUL or other control character.
  static bool IsSafeName(const QString& name);
  // The project file `name` of the data folder, read again only when the file changed.
  Project FindProject(const QString& name);
  // The session database beside the project file `name`, opened on first use and kept open.
  CSessionDatabase* Database(const QString& name);
  // One line on stdout, flushed at once (the output is usually a pipe).
  static void Log(const QString& line);

  // The units online now, in the order they came online (telegrams are relayed among them).
  void Join(CServerPeer* peer);
  void Leave(CServerPeer* peer);
  const QList<CServerPeer*>& OnlinePeers() const { return m_online; }

 private:
  struct Cached {
    qint64 size = -1;
    qint64 modified = 0;
    Project project;
  };

  QString m_folder;
  bool m_askInventory;
  QHash<QString, Cached> m_projects;
  std::map<QString, std::unique_ptr<CSessionDatabase>> m_databases;
  QList<CServerPeer*> m_online;
};

class CServerPeer : public QObject, private CServerLink::CListener {
 public:
  // Takes the socket (re-parented to the peer); `number` names the peer in the log.
  CServerPeer(CServerData& data, const CServerLink::Options& options, QTcpSocket* socket,
              int number, QObject* parent);
  ~CServerPeer() override;

  // The folder under the data folder whose session databases hold the sessions to push.
  static constexpr const char* kPushFolder = "push";

 private:
  void OnRefused(uint16_t code) override;
  void OnOnline() override;
  void OnMessage(CNetMessage& message) override;

  void Send(const CNetMessage& message);
  void Log(const QString& text) const;
  void OnProjectCheck(CNetMessage& message);
  void OnUpdateRequest(CNetMessage& message);
  void OnSession(CNetMessage& message);
  void OnPushRequest(CNetMessage& message);
  void OnPushReceipt(CNetMessage& message);
  void OnInventory(CNetMessage& message);
  // Relays a unit's telegram to every other unit online.
  void OnTelegram(CNetMessage& message);
  // Sends every active session of the push database of `name` (pushed as `unique`); the count.
  int Push(const QString& name, int32_t unique);
  // The status of a project check or acknowledgement for `name` with the unit's `unique`.
  uint16_t StatusOf(const QString& name, int32_t unique, CServerData::Project& project);

  CServerData& m_data;
  QPointer<QTcpSocket> m_socket;
  std::unique_ptr<CServerLink> m_link;
  int m_number;
};
