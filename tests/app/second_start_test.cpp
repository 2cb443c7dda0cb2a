// The real client binary started twice: the later start hands its argument to the running one
// and ends; without an argument it only brings the first to the front; a first instance that
// crashed does not block the next start. The first instance reports on stdout
// (QLT_ECHO_COMMANDS=1).
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <memory>

#include "app/twkf_app.h"

namespace {

constexpr int kGenerousMs = 30000;

QString ClientPath() { return QStringLiteral(QLT_BINARY_DIR "/quillet"); }

QProcessEnvironment ClientEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("QLT_ECHO_COMMANDS"), QStringLiteral("1"));
  return environment;
}

// One running client whose stdout lines are collected.
class CClient {
 public:
  explicit CClient(const QStringList& arguments = {}) {
    m_process.setProcessEnvironment(ClientEnvironment());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(ClientPath(), arguments);
  }
  ~CClient() {
    if (m_process.state() != QProcess::NotRunning) {
      m_process.kill();
      m_process.waitForFinished(kGenerousMs);
    }
  }

  // Waits until the client has printed `line` at least `count` times.
  bool WaitForLine(const QString& line, int count = 1) {
    const QDeadlineTimer deadline(kGenerousMs);
    while (Lines().count(line) < count && !deadline.hasExpired()) {
      if (m_process.state() == QProcess::NotRunning) break;
      m_process.waitForReadyRead(100);
    }
    return Lines().count(line) >= count;
  }
  // The lines printed so far that begin with `prefix`.
  QStringList LinesStartingWith(const QString& prefix) {
    QStringList matching;
    for (const QString& line : Lines()) {
      if (line.startsWith(prefix)) matching.append(line);
    }
    return matching;
  }
  QStringList Lines() {
    m_output.append(m_process.readAllStandardOutput());
    return QString::fromUtf8(m_output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  QProcess& Process() { return m_process; }

 private:
  QProcess m_process;
  QByteArray m_output;
};

// Runs a later start to its end; true when it ended normally with exit code 0.
bool RunLaterStart(const QStringList& arguments) {
  QProcess later;
  later.setProcessEnvironment(ClientEnvironment());
  later.setProcessChannelMode(QProcess::ForwardedChannels);
  later.start(ClientPath(), arguments);
  if (!later.waitForFinished(kGenerousMs)) {
    later.kill();
    later.waitForFinished(kGenerousMs);
    return false;
  }
  return later.exitStatus() == QProcess::NormalExit && later.exitCode() == 0;
}

TEST(SecondStartTest, SecondStartForwardsItsArgumentAndMaximisesTheWindow) {
  // The first window opens where it was last closed, not maximised.
  QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brenmoor"));
  QFile conf(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brenmoor/QLT Client.conf"));
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  for (const char* prefix : {"Landscape_", "Portrait_"}) {
    conf.write(QByteArray("[Window]\n") + prefix + "Floating=1\n" + prefix + "Left=20\n" + prefix +
               "Top=20\n" + prefix + "Right=420\n" + prefix + "Bottom=380\n");
  }
  conf.close();
  CClient first;
  ASSERT_TRUE(first.WaitForLine(QStringLiteral("ready")));

  ASSERT_TRUE(RunLaterStart({QStringLiteral("qlt://open/session?x=1")}));
  ASSERT_TRUE(first.WaitForLine(QStringLiteral("received: qlt://open/session?x=1")));
  EXPECT_TRUE(first.WaitForLine(QStringLiteral("activated")));
  EXPECT_TRUE(first.WaitForLine(QStringLiteral("maximised")));
  EXPECT_EQ(first.LinesStartingWith(QStringLiteral("received:")),
            QStringList{QStringLiteral("received: qlt://open/session?x=1")});
  EXPECT_EQ(first.Process().state(), QProcess::Running);
}

TEST(SecondStartTest, SecondStartWithoutArgumentSendsNothing) {
  CClient first;
  ASSERT_TRUE(first.WaitForLine(QStringLiteral("ready")));

  ASSERT_TRUE(RunLaterStart({}));
  ASSERT_TRUE(first.WaitForLine(QStringLiteral("activated")));
  // A later start with an argument shows where the first one's messages end.
  ASSERT_TRUE(RunLaterStart({QStringLiteral("marker")}));
  ASSERT_TRUE(first.WaitForLine(QStringLiteral("received: marker")));
  EXPECT_TRUE(first.WaitForLine(QStringLiteral("activated"), 2));
  EXPECT_EQ(first.LinesStartingWith(QStringLiteral("received:")),
            QStringList{QStringLiteral("received: marker")});
}

TEST(SecondStartTest, TheFirstStartsOwnCommandLineReachesTheFramesHandler) {
  CClient first({QStringLiteral("qlt://configure?unit=7")});
  EXPECT_TRUE(first.WaitForLine(QStringLiteral("received: qlt://configure?unit=7")));
}

TEST(SecondStartTest, CrashedFirstInstanceDoesNotBlockTheNextStart) {
  {
    CClient crashed;
    ASSERT_TRUE(crashed.WaitForLine(QStringLiteral("ready")));
    crashed.Process().kill();  // SIGKILL: the lock file and the socket stay behind
    ASSERT_TRUE(crashed.Process().waitForFinished(kGenerousMs));
  }
  CClient next;
  ASSERT_TRUE(next.WaitForLine(QStringLiteral("ready")));
  ASSERT_TRUE(RunLaterStart({QStringLiteral("/tmp/a b.ppc")}));
  EXPECT_TRUE(next.WaitForLine(QStringLiteral("received: /tmp/a b.ppc")));
}

TEST(SecondStartTest, VersionOptionPrintsTheVersion) {
  QProcess client;
  client.start(ClientPath(), {QStringLiteral("--version")});
  ASSERT_TRUE(client.waitForFinished(kGenerousMs));
  EXPECT_EQ(client.exitCode(), 0);
  EXPECT_EQ(QString::fromUtf8(client.readAllStandardOutput()).trimmed(), CTWKFApp::VersionText());
}

}  // namespace
