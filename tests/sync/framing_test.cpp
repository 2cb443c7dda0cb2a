#include "sync/framing.h"

#include <QtEndian>

#include "sync/cipher.h"
#include "sync/handshake.h"
#include "sync/net_buffer.h"
#include "sync_test_support.h"

namespace qlt::test {
namespace {

QByteArray Le32(uint32_t value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  return QByteArray(bytes, 4);
}

TEST(WireString, LengthFormsRoundTripAndOversizedOrShortOnesAreRefused) {
  for (const int length : {0, 1, 254, 255, 256, 65534, 65535, 70000}) {
    SCOPED_TRACE(length);
    CNetMessage m;
    m.WriteString(QString(length, QChar(0x20AC)));
    const int header = length < 255 ? 1 : (length <= 65534 ? 3 : 7);
    EXPECT_EQ(m.Payload().size(), header + 2 * length);
    QString back;
    EXPECT_TRUE(m.ReadString(back));
    EXPECT_EQ(back, QString(length, QChar(0x20AC)));
    EXPECT_EQ(m.Remaining(), 0);
  }
  struct Case {
    const char* name;
    QByteArray bytes;
  } const refused[] = {
      {"above 4 Mi code units", QByteArray("\xFF\xFF\xFF", 3) + Le32(0x400001)},
      {"2^31 - 1 code units", QByteArray("\xFF\xFF\xFF", 3) + Le32(0x7FFFFFFF)},
      {"more announced than present", QByteArray("\x05"
                                                 "a\0b\0",
                                                 5)},
      {"16-bit length cut short", QByteArray("\xFF\x01", 2)},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    CNetMessage m(0, c.bytes);
    QString text;
    uint8_t next = 0;
    EXPECT_FALSE(m.ReadString(text));
    EXPECT_FALSE(m.ReadU8(next));  // a failed message stays failed
  }
}

TEST(Cipher, Aes256CbcMatchesTheStandardVectorAndCarriesItsChain) {
  // The AES-256 example key and plaintext of the standard's modes document.
  const QByteArray key =
      QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const QByteArray plain =
      QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
  CCipher encryptor(CCipher::Direction::kEncrypt, key);
  QByteArray whole = plain;
  ASSERT_TRUE(encryptor.Process(whole.data(), 32));
  // In two calls the second block is chained to the first: the same bytes as one call.
  CCipher split(CCipher::Direction::kEncrypt, key);
  QByteArray a = plain.left(16), b = plain.mid(16);
  ASSERT_TRUE(split.Process(a.data(), 16));
  ASSERT_TRUE(split.Process(b.data(), 16));
  EXPECT_EQ(a + b, whole);
  EXPECT_EQ(CCipher::Once(CCipher::Direction::kDecrypt, key, whole), plain);
  // The first block of the zero-vector chain is the block cipher's own output; without carry
  // every call starts from the zero vector again (the standard's second ECB block).
  EXPECT_EQ(whole.left(16).toHex(), "f3eed1bdb5d2a03c064b5a7e3db181f8");
  EXPECT_EQ(CCipher::Once(CCipher::Direction::kEncrypt, key, plain.mid(16)).toHex(),
            "591ccb10d410ed26dc5ba74a31362870");
  QByteArray odd(17, 'x');
  EXPECT_FALSE(encryptor.Process(odd.data(), 17));
  EXPECT_EQ(odd, QByteArray(17, 'x'));
  EXPECT_FALSE(CCipher(CCipher::Direction::kEncrypt, QByteArray(20, 'k')).IsKeyed());
}

TEST(Handshake, DigestsAreOverUtf16AndThePasswordSplitsAtHalf) {
  EXPECT_EQ(CHandshake::TextDigest(QStringLiteral("abc")).toHex(),
            CHandshake::Sha1(QByteArray("a\0b\0c\0", 6)).toHex());
  // "abcde" splits into "ab" and "cde": the key is the two digests' first halves.
  const QByteArray challenge(32, 'c');
  const QByteArray key = CHandshake::TextDigest(QStringLiteral("ab")).left(16) +
                         CHandshake::TextDigest(QStringLiteral("cde")).left(16);
  EXPECT_EQ(CHandshake::FirstVariantKey(QStringLiteral("abcde"), challenge),
            CCipher::Once(CCipher::Direction::kDecrypt, key, challenge));
  const QByteArray record = CHandshake::IdentityRecord(
      challenge, {QStringLiteral("U"), QByteArray(20, 'k'), QStringLiteral("1"),
                  QStringLiteral("os"), QStringLiteral("hw")});
  EXPECT_EQ(record.size() % 16, 0);
  EXPECT_TRUE(CHandshake::CheckHolds(record));
  EXPECT_EQ(record.mid(16, 32), challenge);
}

TEST(NetBuffer, GrowsInKibStepsAndGivesBackTheMemoryOfABigFrame) {
  CNetBuffer buffer;
  ASSERT_NE(buffer.Append(1), nullptr);
  EXPECT_EQ(buffer.Capacity(), 1024u);
  ASSERT_NE(buffer.Append(64u << 20), nullptr);
  EXPECT_EQ(buffer.Capacity() % 1024, 0u);
  buffer.Consume(buffer.Size() - 10);
  EXPECT_EQ(buffer.Capacity(), CNetBuffer::kShrinkTo);
  EXPECT_EQ(buffer.Size(), 10u);
}

// A fixture online with a loopback server, the raw frames the test sends, and what came of them.
class SessionFrameTest : public ConnectionFixture {
 protected:
  std::unique_ptr<CConnection> Online(CTestSyncServer& server) {
    CConnectionSettings settings = SettingsFor(server);
    settings.requestPush = false;
    auto connection = Make(settings);
    EXPECT_TRUE(connection->Connect());
    EXPECT_TRUE(WaitFor(*connection, CConnection::kOnline));
    return connection;
  }
};

TEST_F(SessionFrameTest, MalformedFramesEndInAProtocolMismatch) {
  struct Case {
    const char* name;
    bool encrypted;
    std::function<void(CTestSyncServer&)> send;
  } const cases[] = {
      {"length 0", false, [](CTestSyncServer& s) { s.SendRaw(Le32(0)); }},
      {"length above 64 MiB", false, [](CTestSyncServer& s) { s.SendRaw(Le32(0x4000001)); }},
      {"length 2^31 - 1", false, [](CTestSyncServer& s) { s.SendRaw(Le32(0x7FFFFFFF)); }},
      {"encrypted length 0", true, [](CTestSyncServer& s) { s.SendRaw(Le32(0)); }},
      {"encrypted length 33", true, [](CTestSyncServer& s) { s.SendBody(QByteArray(33, 'x')); }},
      {"encrypted length 1", true, [](CTestSyncServer& s) { s.SendBody(QByteArray(1, 'x')); }},
      // After the 8 check bytes: pad count, command, payload, padding.
      {"pad count 16", true,
       [](CTestSyncServer& s) {
         s.SendBody(CHandshake::Sha1(QByteArray("\x10\x29", 2) + QByteArray(22, 'p')).left(8) +
                    QByteArray("\x10\x29", 2) + QByteArray(22, 'p'));
       }},
      {"padding overruns the body", true,
       [](CTestSyncServer& s) {
         const QByteArray rest = QByteArray("\x0F\x29", 2) + QByteArray(6, 'p');
         s.SendBody(CHandshake::Sha1(rest).left(8) + rest);
       }},
      {"wrong frame check", true,
       [](CTestSyncServer& s) {
         const QByteArray rest =
             QByteArray("\x05\x29", 2) + QByteArray(9, 'a') + QByteArray(5, 'p');
         QByteArray check = CHandshake::Sha1(rest).left(8);
         check[3] = static_cast<char>(check[3] ^ 1);
         s.SendBody(check + rest);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_services.Messages().ClearMessages();
    m_listener.messages.clear();
    CTestSyncOptions o;
    o.secondVariant = c.encrypted;
    o.encrypt = c.encrypted;
    CTestSyncServer server(o);
    auto connection = Online(server);
    c.send(server);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Shown().isEmpty(); }));
    EXPECT_EQ(Shown(), QStringList{CScopedServices::Text("Network.ProtocolMismatch")});
    EXPECT_FALSE(connection->IsEnabled());
    EXPECT_TRUE(m_listener.messages.isEmpty());
  }
}

TEST_F(SessionFrameTest, GoodEdgeFramesPassAndAPartFrameWaitsForTheIdleTimeout) {
  CTestSyncOptions o;
  o.secondVariant = false;
  o.encrypt = false;
  CTestSyncServer server(o);
  auto connection = Online(server);
  server.SendRaw(Le32(1) + QByteArray("\x2A", 1));  // length 1: a command without payload
  ASSERT_TRUE(ProcessEventsUntil([&] { return m_listener.messages.size() == 1; }));
  EXPECT_EQ(m_listener.messages[0].Code(), 42u);
  EXPECT_TRUE(m_listener.messages[0].Payload().isEmpty());
  // More announced than ever arrives: the connection waits, stays responsive, and the idle
  // time-out ends it quietly.
  server.SendRaw(Le32(1000) + QByteArray(10, 'x'));
  ASSERT_TRUE(ProcessEventsUntil([&] { return connection->LastReceive() == m_ticks; }));
  Advance(connection->Settings().idleTimeout);
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kIdle);
  EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(SessionFrameTest, A64MiBFrameArrivesWholeAndItsMemoryIsGivenBack) {
  for (const bool encrypted : {false, true}) {
    SCOPED_TRACE(encrypted);
    m_listener.messages.clear();
    CTestSyncOptions o;
    o.secondVariant = encrypted;
    o.encrypt = encrypted;
    CTestSyncServer server(o);
    auto connection = Online(server);
    const int payload = encrypted ? 0x4000000 - 16 : 0x4000000 - 1;  // the largest body
    QByteArray big(payload, 'z');
    big[payload - 1] = 'e';
    CNetMessage message(42);
    message.WriteBytes(big);
    big.clear();
    server.SendSession(message);
    server.SendSession(CNetMessage(43));
    ASSERT_TRUE(ProcessEventsUntil([&] { return m_listener.messages.size() == 2; }));
    EXPECT_EQ(m_listener.messages[0].Payload().size(), payload);
    EXPECT_EQ(m_listener.messages[0].Payload().back(), 'e');
    m_listener.messages.clear();
    EXPECT_LE(connection->ReceiveCapacity(), 2 * CConnection::kReceiveStep);
    EXPECT_EQ(connection->GetState(), CConnection::kOnline);
  }
}

TEST_F(SessionFrameTest, AtMostFourFramesAreTakenPerSocketEvent) {
  CTestSyncOptions o;
  o.secondVariant = false;
  o.encrypt = false;
  CTestSyncServer server(o);
  auto connection = Online(server);
  // Five frames in one write. The listener groups what arrives in one pass: the first frame of a
  // group posts the group's end, which the event loop runs before the connection's own
  // continuation posted after it.
  struct CBatchListener : CRecordingListener {
    bool Dispatch(CNetMessage& message) override {
      if (!open) {
        batches.append(0);
        open = true;
        QMetaObject::invokeMethod(
            qApp, [this] { open = false; }, Qt::QueuedConnection);
      }
      ++batches.last();
      return CRecordingListener::Dispatch(message);
    }
    QList<int> batches;
    bool open = false;
  } listener;
  connection->SetListener(&listener);
  QByteArray five;
  for (int i = 0; i < 5; ++i) {
    five += Le32(2) + QByteArray(1, char(42)) + QByteArray(1, char('0' + i));
  }
  server.SendRaw(five);
  ASSERT_TRUE(ProcessEventsUntil([&] { return listener.messages.size() == 5; }));
  EXPECT_EQ(listener.batches, (QList<int>{4, 1}));
  EXPECT_EQ(listener.messages[4].Payload(), QByteArray("4"));
  connection->SetListener(nullptr);
}

}  // namespace
}  // namespace qlt::test

namespace qlt::test {
namespace {

class HandshakeFrameTest : public ConnectionFixture {};

TEST_F(HandshakeFrameTest, OversizedOrUnknownFramesAreRefusedFromTheirHeader) {
  struct Case {
    const char* name;
    QByteArray bytes;
    bool refused;
  } const cases[] = {
      {"payload of 1 MiB + 1, header only", "TWKF" + Le32(99) + Le32(0x100001), true},
      {"payload of 2^31 - 1, header only", "TWKF" + Le32(99) + Le32(0x7FFFFFFF), true},
      {"unknown magic", "XXXX" + Le32(6) + Le32(0), true},
      {"payload of exactly 1 MiB, unknown code",
       "TWKF" + Le32(99) + Le32(0x100000) + QByteArray(0x100000, 'x'), false},
      {"offer cut short", "TWKF" + Le32(6) + Le32(5) + QByteArray(5, '\x02'), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_services.Messages().ClearMessages();
    CTestSyncOptions o;
    o.silent = true;
    CTestSyncServer server(o);
    auto connection = Make(SettingsFor(server));
    ASSERT_TRUE(connection->Connect());
    ASSERT_TRUE(WaitFor(*connection, CConnection::kServerHello));
    server.SendRaw(c.bytes);
    if (c.refused) {
      ASSERT_TRUE(ProcessEventsUntil([&] { return !Shown().isEmpty(); }));
      EXPECT_EQ(Shown(), QStringList{CScopedServices::Text("Network.ProtocolMismatch")});
    } else {
      server.SendRaw("TWKF" + Le32(1) + Le32(0));  // a ping answer after it: ignored too
      ASSERT_TRUE(ProcessEventsUntil([&] { return connection->LastReceive() == m_ticks; }));
      EXPECT_EQ(connection->GetState(), CConnection::kServerHello);
      EXPECT_TRUE(Shown().isEmpty());
    }
  }
}

}  // namespace
}  // namespace qlt::test
