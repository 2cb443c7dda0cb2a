// The synchronisation run against the loopback server: which sessions are queued and sent, every
// answer of the project check and of the acknowledgement, the update question, the end
// conditions, lost connections at every frame, and the routing of the online messages.
#include "sync/sync_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <memory>

#include "platform/settings_store.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sync/online_router.h"
#include "sync/sync_test_peer.h"
#include "sync/sync_test_support.h"
#include "values/variant.h"

namespace qlt::test {
namespace {

constexpr uint32_t kUnique = 4242;
constexpr uint32_t kGone = 99;  // the state StateOf reports for a session no longer stored

class SyncRunTest : public ConnectionFixture {
 protected:
  void SetUp() override {
    ConnectionFixture::SetUp();
    const QString folder = TestHome() + QStringLiteral("/sync");
    QDir().mkpath(folder);
    m_project.SetPath(folder + QStringLiteral("/Survey.ppc"));
    m_project.MutableHeader().uniqueNumber = static_cast<int32_t>(kUnique);
    m_project.MutableHeader().revision = 3;
    m_project.MutableHeader().title = QStringLiteral("Pump survey");
    m_database = std::make_unique<CSessionDatabase>(m_project.Path());
    ASSERT_TRUE(m_database->Open());
  }
  void TearDown() override {
    m_router.reset();
    m_connection.reset();
    m_peer.reset();
    m_server.reset();
  }

  // A fresh server, peer, connection and router.
  void Serve(CTestSyncOptions options = CTestSyncOptions()) {
    m_router.reset();
    m_connection.reset();
    m_server = std::make_unique<CTestSyncServer>(options);
    m_peer = std::make_unique<CSyncPeer>(*m_server);
    NewConnection();
  }
  void NewConnection() {
    m_router.reset();
    m_connection = Make(SettingsFor(*m_server));
    m_router = std::make_unique<COnlineRouter>(*m_connection, &m_settings);
    m_connection->SetListener(m_router.get());
    m_router->SetModal([this](CSyncRun& run) {
      run.SetView(&m_view);
      run.Start();
      m_views.append(run.ProjectTitle());
      const bool ended = ProcessEventsUntil([&] {
        m_peer->Pump();
        return run.IsEnded();
      });
      if (!ended) {
        ADD_FAILURE() << "the run did not end";
        run.Cancel();
      }
    });
  }
  bool Run(const QList<QUuid>* list = nullptr, bool sendAll = false, bool automatic = false) {
    return m_router->StartSync(&m_project, m_database.get(), list, automatic, sendAll);
  }

  QUuid Store(uint32_t flags, uint32_t state = CSession::kStateActive,
              const QString& done = QString()) {
    CSessionPtr session = CSession::Create(QStringLiteral("Unit-1"), true);
    session->SetValueText(QStringLiteral("Done"), done);
    session->AssignFlags(flags);
    EXPECT_TRUE(m_database->SaveSession(*session));
    if (state != CSession::kStateActive) {
      EXPECT_TRUE(m_database->SetSessionState(session->Guid(), state));
    }
    return session->Guid();
  }
  uint32_t StateOf(const QUuid& guid) {
    CSessionPtr s = m_database->LoadSession(guid, false);
    return s ? s->State() : kGone;
  }
  uint32_t FlagsOf(const QUuid& guid) {
    CSessionPtr s = m_database->LoadSession(guid, false);
    return s ? s->Flags() : kGone;
  }
  QString Name() const { return m_project.FileName(); }
  void FreshDatabase() {
    m_database->Close();
    QFile::remove(CSessionDatabase::DatabasePath(m_project.Path()));
    ASSERT_TRUE(m_database->Open());
  }

  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
  CProject m_project;
  std::unique_ptr<CSessionDatabase> m_database;
  std::unique_ptr<CTestSyncServer> m_server;
  std::unique_ptr<CSyncPeer> m_peer;
  std::unique_ptr<CConnection> m_connection;
  std::unique_ptr<COnlineRouter> m_router;
  CRecordingSyncView m_view;
  QStringList m_views;
};

TEST_F(SyncRunTest, QueuesTheChosenSessionsSendsThemAndStatesThemOnEveryVariant) {
  struct Case {
    const char* name;
    bool second;
    bool encrypt;
    bool sendAll;
    int purgeDays;
    bool online;  // connected before the run starts
  } const cases[] = {
      {"second variant, marked", true, true, false, 30, false},
      {"first variant encrypted, send-all", false, true, true, 30, true},
      {"first variant plain, marked, purge 0", false, false, false, 0, true},
      {"second variant, send-all, purge 0", true, true, true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshDatabase();
    m_settings.WriteInt(QStringLiteral("Settings"), QStringLiteral("PurgeDays"), c.purgeDays);
    const QUuid marked1 = Store(CSession::kFlagMarked);
    const QUuid unmarked = Store(0);
    const QUuid marked2 = Store(CSession::kFlagMarked);
    const QUuid received = Store(CSession::kFlagMarked | CSession::kFlagReceived);
    const QUuid sent = Store(CSession::kFlagMarked, CSession::kStateSent);
    const QUuid deleted = Store(0, CSession::kStateDeleted);
    CTestSyncOptions o;
    o.secondVariant = c.second;
    o.encrypt = c.encrypt;
    Serve(o);
    if (c.online) {
      ASSERT_TRUE(m_connection->Connect());
      ASSERT_TRUE(WaitFor(*m_connection, CConnection::kOnline));
    }
    m_view = CRecordingSyncView();
    m_services.Messages().ClearMessages();

    ASSERT_TRUE(Run(nullptr, c.sendAll));

    QList<QUuid> expected = {marked1, marked2};
    if (c.sendAll) expected = {marked1, unmarked, marked2};
    QList<QUuid> sentSorted = m_peer->sent;
    std::sort(sentSorted.begin(), sentSorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sentSorted, expected);
    const uint32_t done = c.purgeDays == 0 ? kGone : CSession::kStateSent;
    for (const QUuid& guid : expected) EXPECT_EQ(StateOf(guid), done);
    if (!c.sendAll) {
      EXPECT_EQ(StateOf(unmarked), CSession::kStateActive);
    }
    EXPECT_EQ(FlagsOf(received), CSession::kFlagMarked | CSession::kFlagReceived);
    EXPECT_EQ(StateOf(sent), CSession::kStateSent);
    EXPECT_EQ(StateOf(deleted), CSession::kStateDeleted);
    // The check and the pushed-session request come first, then the sessions.
    ASSERT_GE(m_peer->codes.size(), 2);
    EXPECT_EQ(m_peer->codes.mid(m_peer->codes.indexOf(SyncCode::kProjectCheck), 2),
              (QList<uint32_t>{SyncCode::kProjectCheck, SyncCode::kRequestPushed}));
    EXPECT_TRUE(m_view.statuses.contains(CScopedServices::Text("Sync.CheckingProject")));
    EXPECT_EQ(m_view.statuses.contains(CScopedServices::Text("Sync.Connecting")), !c.online);
    const int total = static_cast<int>(c.sendAll ? 4 : 3);  // the received one is queued too
    EXPECT_TRUE(m_view.statuses.contains(QStringLiteral("Sending session 1 of %1...").arg(total)));
    EXPECT_EQ(m_view.maximum, total + CSyncRun::kExtraSteps);
    EXPECT_EQ(m_view.ended, 1);
    EXPECT_EQ(m_views, QStringList{QStringLiteral("Pump survey")});
    EXPECT_TRUE(Shown().isEmpty());
    m_views.clear();
  }
}

TEST_F(SyncRunTest, AListIsSentInItsOrderAndTheSendRuleSkipsSessionsThatFailIt) {
  CVariantMap& properties = m_project.MutableProperties();
  properties.SetVariant(QStringLiteral("validate.send.enabled"), CVariant::FromBool(true));
  properties.SetText(QStringLiteral("validate.send.point"), QStringLiteral("Done"));
  properties.SetText(QStringLiteral("validate.send.value"), QStringLiteral("Yes"));
  const QUuid a = Store(0, CSession::kStateActive, QStringLiteral("yes"));
  const QUuid b = Store(CSession::kFlagMarked, CSession::kStateActive, QStringLiteral("No"));
  const QUuid c = Store(0, CSession::kStateActive, QStringLiteral("YES"));
  Serve();
  const QList<QUuid> list = {c, b, QUuid::createUuid(), a};
  ASSERT_TRUE(Run(&list));
  EXPECT_EQ(m_peer->sent, (QList<QUuid>{c, a}));
  EXPECT_EQ(StateOf(b), CSession::kStateActive);
  EXPECT_EQ(FlagsOf(b), CSession::kFlagMarked);
  EXPECT_EQ(m_view.position, m_view.maximum - 1);  // connecting has no step of its own
}

TEST_F(SyncRunTest, ProjectCheckAnswersEndTheRunOrOfferTheUpdate) {
  struct Case {
    uint16_t status;
    int answer;           // to the update question (0: none asked)
    const char* message;  // the refusal shown, or nullptr
    bool sends;           // the marked session is sent
    bool requestsUpdate;  // code 13 goes out
  } const cases[] = {
      {SyncCode::kProjectNotOpen, 0, "Network.ErrorProjectNotOpen", false, false},
      {SyncCode::kProjectLocked, 0, "Network.ErrorProjectLocked", false, false},
      {SyncCode::kProjectUnavailable, 0, "Network.ErrorProjectUnavailable", false, false},
      {SyncCode::kAcceptedUpdateAvailable, kIdNo, nullptr, true, false},
      {SyncCode::kAcceptedUpdateAvailable, kIdYes, nullptr, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    const QUuid guid = Store(CSession::kFlagMarked);
    Serve();
    m_peer->checkStatus = c.status;
    m_services.Messages().ClearMessages();
    if (c.answer) m_services.Messages().QueueAnswer(c.answer);
    if (c.requestsUpdate) {
      // Wait for code 13, then report the project as installed.
      m_router->SetModal([this](CSyncRun& run) {
        run.SetView(&m_view);
        run.Start();
        ASSERT_TRUE(ProcessEventsUntil([&] {
          m_peer->Pump();
          return m_peer->codes.contains(SyncCode::kProjectUpdateRequest);
        }));
        // The project file installed for the run counts as sending done; the push has ended.
        EXPECT_FALSE(run.IsEnded());
        run.OnProjectInstalled(QStringLiteral("Other.ppc"), kUnique);
        run.OnProjectInstalled(Name(), kUnique + 1);
        EXPECT_FALSE(run.IsEnded());
        run.OnProjectInstalled(Name(), kUnique);
        EXPECT_TRUE(run.IsEnded());
      });
    }
    ASSERT_TRUE(Run());
    QStringList expected;
    if (c.message) expected.append(CScopedServices::Text(c.message));
    if (c.answer) expected.append(CScopedServices::Text("Sync.UpdateProjectMessage"));
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(m_peer->sent.contains(guid), c.sends);
    EXPECT_EQ(StateOf(guid), c.sends ? CSession::kStateSent : CSession::kStateActive);
    EXPECT_EQ(m_peer->codes.contains(SyncCode::kProjectUpdateRequest), c.requestsUpdate);
    EXPECT_EQ(m_view.statuses.contains(CScopedServices::Text("Sync.UpdatingProject")),
              c.requestsUpdate);
    EXPECT_TRUE(m_peer->codes.contains(SyncCode::kRequestPushed));
  }
}

TEST_F(SyncRunTest, AcknowledgementStatusesRetryRefuseOrLeaveTheSessionMarked) {
  struct Case {
    const char* name;
    std::vector<uint16_t> statuses;  // the answers to the session's sendings, in turn
    std::vector<int> answers;        // to the Retry questions
    int sendings;
    uint32_t state;
    uint32_t flags;
    int shown;
  } const cases[] = {
      {"not open", {SyncCode::kProjectNotOpen}, {}, 1, 0, CSession::kFlagMarked, 1},
      {"unavailable", {SyncCode::kProjectUnavailable}, {}, 1, 0, CSession::kFlagMarked, 1},
      {"locked, Cancel", {SyncCode::kProjectLocked}, {kIdCancel}, 1, 0, CSession::kFlagMarked, 1},
      {"locked, Retry, accepted",
       {SyncCode::kProjectLocked, SyncCode::kProjectLocked, SyncCode::kAccepted},
       {CSyncRun::kIdRetry, CSyncRun::kIdRetry},
       3,
       CSession::kStateSent,
       0,
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QUuid guid = Store(CSession::kFlagMarked);
    Serve();
    m_services.Messages().ClearMessages();
    for (int answer : c.answers) m_services.Messages().QueueAnswer(answer);
    auto statuses = std::make_shared<std::vector<uint16_t>>(c.statuses);
    m_peer->ack = [statuses](const QString& name, uint32_t unique, const QUuid& g) {
      const uint16_t status = statuses->front();
      if (statuses->size() > 1) statuses->erase(statuses->begin());
      return CSyncPeer::Acknowledgement(name, unique, status, g);
    };
    ASSERT_TRUE(Run());
    EXPECT_EQ(m_peer->sent, QList<QUuid>(c.sendings, guid));
    EXPECT_EQ(StateOf(guid), c.state);
    EXPECT_EQ(FlagsOf(guid), c.flags);
    EXPECT_EQ(Shown().size(), c.shown);
    m_database->SetSessionState(guid, CSession::kStateDeleted);
  }
}

TEST_F(SyncRunTest, AnAcknowledgementForAnotherSessionOrProjectChangesNothingAndSendsNothing) {
  const QUuid first = Store(CSession::kFlagMarked);
  const QUuid second = Store(CSession::kFlagMarked);
  Serve();
  int acks = 0;
  m_peer->ack = [&](const QString& name, uint32_t unique, const QUuid& g) {
    if (acks++ == 0) {
      // Strays first: another GUID, another project, another unique number.
      m_server->SendSession(CSyncPeer::Acknowledgement(name, unique, 0, second));
      m_server->SendSession(CSyncPeer::Acknowledgement(QStringLiteral("survey.ppc"), unique, 0, g));
      m_server->SendSession(CSyncPeer::Acknowledgement(name, unique + 1, 0, g));
      m_server->SendSession(CSyncPeer::Acknowledgement(QStringLiteral("Other.ppc"), unique, 3));
    }
    return CSyncPeer::Acknowledgement(name, unique, 0, g);
  };
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_peer->sent.size(), 2);
  EXPECT_EQ(QSet<QUuid>(m_peer->sent.begin(), m_peer->sent.end()), (QSet<QUuid>{first, second}));
  EXPECT_EQ(StateOf(first), CSession::kStateSent);
  EXPECT_EQ(StateOf(second), CSession::kStateSent);
  // Status 3 for another project's name was not this run's refusal.
  EXPECT_EQ(Shown().size(), 0);
}

TEST_F(SyncRunTest, TheRunEndsOnlyWhenSendingAndThePushAreBothDone) {
  // Without marked sessions the run waits for the end of the pushed sessions.
  Serve();
  m_peer->answerPush = false;
  m_router->SetModal([this](CSyncRun& run) {
    run.SetView(&m_view);
    run.Start();
    ASSERT_TRUE(ProcessEventsUntil([&] {
      m_peer->Pump();
      return run.SendingDone();
    }));
    EXPECT_FALSE(run.IsEnded());
    // Another project's end of pushed sessions changes nothing.
    m_peer->Answer(
        CSyncPeer::NameAndUnique(SyncCode::kEndOfPushed, QStringLiteral("Other.ppc"), kUnique));
    m_peer->Answer(CSyncPeer::NameAndUnique(SyncCode::kEndOfPushed, Name(), kUnique));
    ASSERT_TRUE(ProcessEventsUntil([&] { return run.IsEnded(); }));
    EXPECT_TRUE(run.PushDone());
  });
  ASSERT_TRUE(Run());
  EXPECT_TRUE(m_peer->sent.isEmpty());
  EXPECT_EQ(m_view.position, 4);  // authenticating, check, answer, end of push
}

TEST_F(SyncRunTest, CancelAndALostConnectionLeaveUnacknowledgedSessionsActiveAndMarked) {
  for (const bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "cancel" : "lost");
    const QUuid guid = Store(CSession::kFlagMarked);
    const QUuid unmarked = Store(0);
    Serve();
    m_peer->ack = nullptr;  // never acknowledged
    m_router->SetModal([&](CSyncRun& run) {
      run.SetView(&m_view);
      run.Start();
      ASSERT_TRUE(ProcessEventsUntil([&] {
        m_peer->Pump();
        return !m_peer->sent.isEmpty();
      }));
      // Sending cleared the mark while it waits for the acknowledgement.
      EXPECT_EQ(FlagsOf(guid), 0u);
      if (cancel) {
        run.Cancel();
      } else {
        m_server->DropClient();
        ASSERT_TRUE(ProcessEventsUntil([&] { return run.IsEnded(); }));
      }
    });
    ASSERT_TRUE(Run(nullptr, true));
    EXPECT_EQ(StateOf(guid), CSession::kStateActive);
    EXPECT_EQ(FlagsOf(guid), CSession::kFlagMarked);
    // Send-all queued it without a mark, so it gets none.
    EXPECT_EQ(FlagsOf(unmarked), 0u);
    m_database->SetSessionState(guid, CSession::kStateDeleted);
    m_database->SetSessionState(unmarked, CSession::kStateDeleted);
  }
}

// The server drops the client after its k-th frame of the run, for every k until a run gets
// through; a second run then completes. Every session ends sent exactly once or, while the cut
// run could not finish with it, still active and marked; none is sent again once acknowledged.
TEST_F(SyncRunTest, ACutAfterEveryFrameLosesNoSessionAndSendsNoneTwice) {
  for (const bool second : {true, false}) {
    for (int k = 1;; ++k) {
      SCOPED_TRACE(testing::Message() << (second ? "second" : "first") << " variant, cut " << k);
      FreshDatabase();
      const QList<QUuid> sessions = {Store(CSession::kFlagMarked), Store(CSession::kFlagMarked),
                                     Store(CSession::kFlagMarked)};
      CTestSyncOptions o;
      o.secondVariant = second;
      Serve(o);
      m_peer->cutAfter = k;
      ASSERT_TRUE(Run());
      const bool cut = m_peer->IsCut();
      QSet<QUuid> acknowledged;
      for (const QUuid& guid : sessions) {
        const uint32_t state = StateOf(guid);
        if (state == CSession::kStateSent) {
          acknowledged.insert(guid);
          EXPECT_EQ(m_peer->sent.count(guid), 1);
        } else {
          EXPECT_EQ(state, CSession::kStateActive);
          EXPECT_EQ(FlagsOf(guid), CSession::kFlagMarked);
        }
      }
      EXPECT_EQ(m_peer->sent.size(), QSet<QUuid>(m_peer->sent.begin(), m_peer->sent.end()).size());

      // The next run sends what is left, and nothing acknowledged before.
      Serve(o);
      ASSERT_TRUE(Run());
      for (const QUuid& guid : sessions) {
        EXPECT_EQ(StateOf(guid), CSession::kStateSent);
        EXPECT_EQ(m_peer->sent.contains(guid), !acknowledged.contains(guid));
      }
      if (!cut) break;
      ASSERT_LT(k, 40);
    }
  }
}

TEST_F(SyncRunTest, StartSyncRefusesWhatCannotRunAndRoutesOtherCodesToTheFallback) {
  Serve();
  // Automatic sending needs Auto or AutoOld.
  EXPECT_FALSE(Run(nullptr, false, true));
  m_connection->Settings().autoOld = true;
  EXPECT_TRUE(Run(nullptr, false, true));
  // No database, a disabled connection, a connection that cannot start.
  EXPECT_FALSE(m_router->StartSync(&m_project, nullptr, nullptr, false, false));
  m_connection->SetEnabled(false);
  EXPECT_FALSE(Run());
  m_services.Messages().ClearMessages();
  m_connection->Disconnect(false);
  m_connection->SetEnabled(true);
  m_connection->Settings().server.clear();
  EXPECT_FALSE(Run());
  EXPECT_EQ(Shown(), QStringList{CScopedServices::Text("Network.ErrorConnecting")});

  // With and without a run, every code the run does not take reaches the fallback; the run's own
  // codes reach it only while no run is going.
  Serve();
  QList<uint32_t> fallback;
  m_router->SetFallback([&](CNetMessage& m) {
    fallback.append(m.Code());
    return true;
  });
  ASSERT_TRUE(m_connection->Connect());
  ASSERT_TRUE(WaitFor(*m_connection, CConnection::kOnline));
  m_server->SendSession(CSyncPeer::NameAndUnique(SyncCode::kEndOfPushed, Name(), kUnique));
  m_server->SendSession(CNetMessage(SyncCode::kProjectInventoryRequest));
  ASSERT_TRUE(ProcessEventsUntil([&] { return fallback.size() == 2; }));
  m_peer->Pump();
  m_peer->ack = [&](const QString& name, uint32_t unique, const QUuid& g) {
    m_server->SendSession(CNetMessage(SyncCode::kRemoveProject));
    return CSyncPeer::Acknowledgement(name, unique, 0, g);
  };
  Store(CSession::kFlagMarked);
  ASSERT_TRUE(Run());
  EXPECT_EQ(fallback, (QList<uint32_t>{SyncCode::kEndOfPushed, SyncCode::kProjectInventoryRequest,
                                       SyncCode::kRemoveProject}));
}

TEST_F(SyncRunTest, AMalformedRunMessageFailsTheConnectionAndEndsTheRun) {
  const QUuid guid = Store(CSession::kFlagMarked);
  Serve();
  m_peer->ack = [](const QString& name, uint32_t unique, const QUuid&) {
    CNetMessage truncated =
        CSyncPeer::NameAndUnique(SyncCode::kSessionAcknowledgement, name, unique);
    truncated.WriteU16(0);
    truncated.WriteBytes(QByteArray(7, 'x'));
    return truncated;
  };
  ASSERT_TRUE(Run());
  EXPECT_EQ(m_connection->GetState(), CConnection::kIdle);
  EXPECT_FALSE(m_connection->IsEnabled());
  EXPECT_EQ(StateOf(guid), CSession::kStateActive);
  EXPECT_EQ(FlagsOf(guid), CSession::kFlagMarked);
}

TEST_F(SyncRunTest, AReplacedProjectSkipsTheRestOfTheQueueAndItsInstallEndsTheRun) {
  const QUuid first = Store(CSession::kFlagMarked);
  const QUuid second = Store(CSession::kFlagMarked);
  Serve();
  m_peer->ack = [this](const QString& name, uint32_t unique, const QUuid& g) {
    // A new project file with the run's name (in other case) arrives and is installed before
    // the acknowledgement; the push has ended already.
    m_router->ActiveRun()->ForgetProject(QStringLiteral("SURVEY.ppc"));
    m_router->ActiveRun()->OnProjectInstalled(Name(), kUnique);
    EXPECT_TRUE(m_router->ActiveRun()->IsEnded());
    return CSyncPeer::Acknowledgement(name, unique, 0, g);
  };
  ASSERT_TRUE(Run());
  // The sent session could not be re-stated: it keeps its mark, as the unsent one does.
  EXPECT_EQ(m_peer->sent.size(), 1);
  for (const QUuid& guid : {first, second}) {
    EXPECT_EQ(StateOf(guid), CSession::kStateActive);
    EXPECT_EQ(FlagsOf(guid), CSession::kFlagMarked);
  }
}

}  // namespace
}  // namespace qlt::test
