// The server's side of a synchronisation run for tests: a peer that answers what the client sends
// to a loopback server (project check, pushed-session request, sessions) as the test sets it, can
// drop the client after its k-th frame, and a view that records what the run shows. The test's
// thread.
#pragma once

#include <QList>
#include <QStringList>
#include <QUuid>
#include <functional>

#include "sessions/session.h"
#include "support/test_sync_server.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"
#include "sync/sync_run.h"

namespace qlt::test {

class CSyncPeer {
 public:
  explicit CSyncPeer(CTestSyncServer& server) : m_server(server) {}

  // The answer to a session (code 21) with this GUID; the default acknowledges it.
  std::function<CNetMessage(const QString& name, uint32_t unique, const QUuid& guid)> ack =
      [](const QString& name, uint32_t unique, const QUuid& guid) {
        return Acknowledgement(name, unique, SyncCode::kAccepted, guid);
      };
  uint16_t checkStatus = SyncCode::kAccepted;
  bool answerPush = true;  // code 33 right after the project's code 32
  int cutAfter = -1;       // drop the client after this many frames of the run (both ways)

  static CNetMessage Acknowledgement(const QString& name, uint32_t unique, uint16_t status,
                                     const QUuid& guid = QUuid()) {
    CNetMessage m(SyncCode::kSessionAcknowledgement);
    m.WriteString(name);
    m.WriteU32(unique);
    m.WriteU16(status);
    if (status == SyncCode::kAccepted) m.WriteBytes(CSession::GuidBytes(guid));
    return m;
  }
  static CNetMessage NameAndUnique(uint32_t code, const QString& name, uint32_t unique) {
    CNetMessage m(code);
    m.WriteString(name);
    m.WriteU32(unique);
    return m;
  }

  // Answers every message the server received since the last call.
  void Pump() {
    while (m_seen < m_server.Received().size()) {
      CNetMessage m = m_server.Received()[m_seen++];
      if (m.Code() == 0 || m_cut) continue;  // pings
      codes.append(m.Code());
      Frame();
      if (m_cut) return;
      QString name;
      uint32_t unique = 0;
      m.ReadString(name);
      m.ReadU32(unique);
      switch (m.Code()) {
        case SyncCode::kProjectCheck: {
          CNetMessage answer = NameAndUnique(SyncCode::kProjectCheckAnswer, name, unique);
          answer.WriteU16(checkStatus);
          Answer(answer);
          break;
        }
        case SyncCode::kRequestPushed:
          if (answerPush && !name.isEmpty()) {
            Answer(NameAndUnique(SyncCode::kEndOfPushed, name, unique));
          }
          break;
        case SyncCode::kSession: {
          CSessionPtr session = CSession::Create(QString(), false);
          EXPECT_TRUE(session->ReadArchive(m.ReadRest()));
          sent.append(session->Guid());
          if (ack) Answer(ack(name, unique, session->Guid()));
          break;
        }
        default:
          break;
      }
    }
  }
  void Answer(const CNetMessage& message) {
    if (m_cut) return;
    m_server.SendSession(message);
    Frame();
  }
  bool IsCut() const { return m_cut; }
  int Frames() const { return m_frames; }

  QList<uint32_t> codes;  // what the client sent, pings left out
  QList<QUuid> sent;      // the sessions it sent, in order

 private:
  void Frame() {
    if (++m_frames == cutAfter) {
      m_server.DropClient();
      m_cut = true;
    }
  }

  CTestSyncServer& m_server;
  qsizetype m_seen = 0;
  int m_frames = 0;
  bool m_cut = false;
};

class CRecordingSyncView : public CSyncRun::CView {
 public:
  void SetStatus(const QString& text) override { statuses.append(text); }
  void SetProgress(int p, int m) override {
    position = p;
    maximum = m;
  }
  void OnEnded() override { ++ended; }

  QStringList statuses;
  int position = -1;
  int maximum = -1;
  int ended = 0;
};

}  // namespace qlt::test
