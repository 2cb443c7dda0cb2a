// The instance guard: one holder at a time, the message framing of a later start's command line
// (and the refusal of anything malformed), delivery over the socket, and take-over of what a
// crashed holder left behind.
#include "platform/instance_guard.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStringList>
#include <QtEndian>
#include <cstdlib>
#include <cstring>

#include "support/harness.h"

namespace {

const QString kKey = QStringLiteral("QLTClient");

using qlt::test::ProcessEventsUntil;

QByteArray Header(uint32_t tag, uint32_t count) {
  QByteArray header(8, '\0');
  qToLittleEndian<uint32_t>(tag, header.data());
  qToLittleEndian<uint32_t>(count, header.data() + 4);
  return header;
}

// Records what a guard's signals deliver.
struct CRecorder {
  explicit CRecorder(CInstanceGuard& guard) {
    QObject::connect(&guard, &CInstanceGuard::activationRequested, &guard,
                     [this] { ++activations; });
    QObject::connect(&guard, &CInstanceGuard::commandReceived, &guard,
                     [this](const QString& text) { commands.append(text); });
  }
  int activations = 0;
  QStringList commands;
};

TEST(InstanceGuardMessageTest, WireLayoutIsLittleEndianTagCountAndUtf16) {
  const QByteArray message = CInstanceGuard::EncodeCommand(QStringLiteral("A\u00e9"));
  EXPECT_EQ(message.toHex(), QByteArray("4e45504f04000000"
                                        "4100"
                                        "e900"));
}

TEST(InstanceGuardMessageTest, TextsSurviveTheRoundTrip) {
  const QStringList texts = {QStringLiteral("qlt://open/session?x=1"),
                             QStringLiteral("\"C:\\My Projects\\a.ppc\""),
                             QString::fromUtf8("Stra\xc3\x9f"
                                               "e \xf0\x9f\x98\x80"),
                             QString(1, QChar(0)) + QStringLiteral("x"),
                             QString(CInstanceGuard::kMaxCommandChars, QLatin1Char('z'))};
  for (const QString& text : texts) {
    QString decoded;
    ASSERT_TRUE(CInstanceGuard::DecodeCommand(CInstanceGuard::EncodeCommand(text), &decoded));
    EXPECT_EQ(decoded, text);
  }
}

TEST(InstanceGuardMessageTest, EmptyOrOverlongTextIsNotSent) {
  EXPECT_TRUE(CInstanceGuard::EncodeCommand(QString()).isEmpty());
  EXPECT_TRUE(
      CInstanceGuard::EncodeCommand(QString(CInstanceGuard::kMaxCommandChars + 1, QLatin1Char('z')))
          .isEmpty());
}

TEST(InstanceGuardMessageTest, MalformedMessagesAreRefused) {
  const QByteArray text("a\0b\0", 4);
  const QByteArray good = Header(CInstanceGuard::kOpenTag, 4) + text;
  QString decoded = QStringLiteral("untouched");
  ASSERT_TRUE(CInstanceGuard::DecodeCommand(good, &decoded));
  EXPECT_EQ(decoded, QStringLiteral("ab"));

  const QList<QByteArray> bad = {
      QByteArray(),
      good.left(7),                                         // header cut short
      Header(0x4E45504F, 4) + text,                         // tag in the other byte order
      Header(CInstanceGuard::kOpenTag + 1, 4) + text,       // another tag
      Header(CInstanceGuard::kOpenTag, 0),                  // nothing announced
      Header(CInstanceGuard::kOpenTag, 3) + text.left(3),   // half a code unit
      good.left(good.size() - 1),                           // truncated text
      good + '\0',                                          // surplus byte
      Header(CInstanceGuard::kOpenTag, 0xFFFFFFFE) + text,  // absurd count
      Header(CInstanceGuard::kOpenTag, 2 * CInstanceGuard::kMaxCommandChars + 2) +
          QByteArray(2 * CInstanceGuard::kMaxCommandChars + 2, 'a'),
  };
  for (const QByteArray& message : bad) {
    decoded = QStringLiteral("untouched");
    EXPECT_FALSE(CInstanceGuard::DecodeCommand(message, &decoded)) << message.toHex().data();
    EXPECT_EQ(decoded, QStringLiteral("untouched"));
  }
}

TEST(InstanceGuardTest, OnlyOneHolderAtATime) {
  CInstanceGuard first(kKey);
  CInstanceGuard second(kKey);
  ASSERT_TRUE(first.TryTake());
  EXPECT_TRUE(first.IsHeld());
  EXPECT_FALSE(second.TryTake());
  EXPECT_FALSE(second.IsHeld());
  first.Release();
  EXPECT_TRUE(second.TryTake());
  // Another key is another guard.
  CInstanceGuard other(QStringLiteral("QLTOther"));
  EXPECT_TRUE(other.TryTake());
}

TEST(InstanceGuardTest, ForwardedCommandLineArrivesExactly) {
  CInstanceGuard first(kKey);
  CRecorder recorder(first);
  ASSERT_TRUE(first.TryTake());

  CInstanceGuard later(kKey);
  ASSERT_FALSE(later.TryTake());
  EXPECT_TRUE(later.ForwardToRunning(QStringLiteral("qlt://open/session?x=1")));
  ASSERT_TRUE(ProcessEventsUntil([&recorder] { return !recorder.commands.isEmpty(); }));
  EXPECT_EQ(recorder.commands, QStringList{QStringLiteral("qlt://open/session?x=1")});
  EXPECT_EQ(recorder.activations, 1);
}

TEST(InstanceGuardTest, ForwardWithoutRunningInstanceFails) {
  CInstanceGuard later(kKey);
  EXPECT_FALSE(later.ForwardToRunning(QStringLiteral("x")));
}

TEST(InstanceGuardTest, MalformedDataOnTheSocketIsIgnored) {
  CInstanceGuard first(kKey);
  CRecorder recorder(first);
  ASSERT_TRUE(first.TryTake());

  const QList<QByteArray> bad = {
      Header(0x12345678, 2) + QByteArray("a\0", 2),
      Header(CInstanceGuard::kOpenTag, 10) + QByteArray("a\0b\0", 4),  // sender gave up
      Header(CInstanceGuard::kOpenTag, 2) + QByteArray("a\0b\0", 4),   // more than announced
      QByteArray("OPEN"),
  };
  for (const QByteArray& message : bad) {
    QLocalSocket socket;
    socket.connectToServer(first.ServerPath());
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write(message);
    socket.flush();
    socket.disconnectFromServer();
  }
  CInstanceGuard later(kKey);
  ASSERT_TRUE(later.ForwardToRunning(QStringLiteral("good")));
  ASSERT_TRUE(ProcessEventsUntil([&recorder] { return !recorder.commands.isEmpty(); }));
  // Every connection asked for the window; only the good message was a command.
  ASSERT_TRUE(
      ProcessEventsUntil([&recorder, &bad] { return recorder.activations == bad.size() + 1; }));
  EXPECT_EQ(recorder.commands, QStringList{QStringLiteral("good")});
}

TEST(InstanceGuardTest, HugeAnnouncementIsDroppedWithoutWaitingForTheData) {
  CInstanceGuard first(kKey);
  CRecorder recorder(first);
  ASSERT_TRUE(first.TryTake());
  QLocalSocket socket;
  socket.connectToServer(first.ServerPath());
  ASSERT_TRUE(socket.waitForConnected(5000));
  socket.write(Header(CInstanceGuard::kOpenTag, 0x7FFFFFF0));
  socket.flush();
  // The guard closes the connection on the header alone.
  EXPECT_TRUE(
      ProcessEventsUntil([&socket] { return socket.state() == QLocalSocket::UnconnectedState; }));
  EXPECT_TRUE(recorder.commands.isEmpty());
}

TEST(InstanceGuardTest, SocketLeftByACrashedHolderIsTakenOver) {
  CInstanceGuard guard(kKey);
  // A socket file nobody listens on, as a killed first instance leaves it.
  const QByteArray path = QFile::encodeName(guard.ServerPath());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFileInfo::exists(guard.ServerPath()));

  CRecorder recorder(guard);
  ASSERT_TRUE(guard.TryTake());
  CInstanceGuard later(kKey);
  ASSERT_TRUE(later.ForwardToRunning(QStringLiteral("after crash")));
  ASSERT_TRUE(ProcessEventsUntil([&recorder] { return !recorder.commands.isEmpty(); }));
  EXPECT_EQ(recorder.commands, QStringList{QStringLiteral("after crash")});
}

TEST(InstanceGuardTest, OverlongRuntimeFolderFallsBackToTheTemporaryFolder) {
  const QString deep = qlt::test::TestHome() + QStringLiteral("/") + QString(60, QLatin1Char('r')) +
                       QStringLiteral("/") + QString(60, QLatin1Char('s'));
  ASSERT_TRUE(QDir().mkpath(deep));
  setenv("XDG_RUNTIME_DIR", qPrintable(deep), 1);
  const QString key = QStringLiteral("QLTClientDeepTest%1").arg(QCoreApplication::applicationPid());
  CInstanceGuard first(key);
  EXPECT_TRUE(first.ServerPath().startsWith(QDir::tempPath() + QLatin1Char('/')));
  CRecorder recorder(first);
  ASSERT_TRUE(first.TryTake());
  CInstanceGuard later(key);
  ASSERT_TRUE(later.ForwardToRunning(QStringLiteral("deep")));
  ASSERT_TRUE(ProcessEventsUntil([&recorder] { return !recorder.commands.isEmpty(); }));
  EXPECT_EQ(recorder.commands, QStringList{QStringLiteral("deep")});
}

}  // namespace
