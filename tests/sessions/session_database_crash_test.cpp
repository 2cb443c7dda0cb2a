// A process saving sessions is killed (SIGKILL) at random moments, many times over the same file:
// afterwards the file passes SQLite's integrity check, opens, and holds every session whose save
// had returned true. The saving process is this test binary itself, run with a filter that
// selects the child test and the paths in its environment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <random>

#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/harness.h"
#include "support/session_files.h"

namespace {

constexpr const char* kProjectVariable = "QLT_CRASH_PROJECT";
constexpr const char* kLogVariable = "QLT_CRASH_LOG";

void Report(int fd, const QString& guid) {
  const QByteArray line = guid.toLatin1() + '\n';
  // One write per line, straight to the file: what was written survives the kill.
  if (::write(fd, line.constData(), static_cast<size_t>(line.size())) != line.size()) _exit(4);
}

CSessionPtr MakeSession(std::mt19937& random, int serial) {
  CSessionPtr session = qlt::test::NewSession();
  session->SetValueText(u"serial"_qs, QString::number(serial));
  session->SetValue(u"reading"_qs, CVariant::FromDouble(serial * 0.25));
  QByteArray payload(static_cast<int>(random() % 4000), '\0');
  for (char& c : payload) c = static_cast<char>(random());
  session->SetValue(u"photo"_qs, CVariant::FromBytes(payload));
  // Now and then a point no session had before, so columns are added under the kill too.
  if (random() % 10 == 0) {
    session->SetValueText(QStringLiteral("p%1").arg(random() % 150), u"x"_qs);
  }
  return session;
}

// The child: saves until it is killed, reporting each save that returned true.
TEST(SessionCrashChild, SavesUntilKilled) {
  const QByteArray project = qgetenv(kProjectVariable);
  const QByteArray log = qgetenv(kLogVariable);
  if (project.isEmpty() || log.isEmpty()) GTEST_SKIP() << "runs only as the crash test's child";
  const int fd = ::open(log.constData(), O_WRONLY | O_APPEND | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(QString::fromLocal8Bit(project)));
  std::mt19937 random(static_cast<uint32_t>(::getpid()));
  for (int serial = 0;; ++serial) {
    if (serial % 6 == 5) {
      // A transaction of three saves: reported once it committed.
      ASSERT_TRUE(db.BeginTransaction());
      QStringList guids;
      bool saved = true;
      for (int i = 0; i < 3 && saved; ++i) {
        CSessionPtr session = MakeSession(random, serial);
        saved = db.SaveSession(*session);
        guids.append(session->GuidText());
      }
      if (db.EndTransaction(saved) && saved) {
        for (const QString& guid : guids) Report(fd, guid);
      }
    } else {
      CSessionPtr session = MakeSession(random, serial);
      if (db.SaveSession(*session)) Report(fd, session->GuidText());
    }
  }
}

QSet<QString> StoredGuids(const QString& path) {
  qlt::test::RawDb raw(path);
  QSet<QString> guids;
  for (const QString& hex : raw.Rows(u"SELECT hex(guid) FROM session;"_qs)) {
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    guids.insert(CSession::GuidText(CSession::GuidFromBytes(bytes.constData(), bytes.size())));
  }
  return guids;
}

TEST(SessionDatabaseCrashTest, SavesThatReturnedSurviveAKill) {
  const QString project = qlt::test::TestHome() + QStringLiteral("/data/crash.ppc");
  const QString path = CSessionDatabase::DatabasePath(project);
  const QString log = qlt::test::TestHome() + QStringLiteral("/data/saved.log");
  const QString childTemp = qlt::test::TestHome() + QStringLiteral("/tmp");
  QDir().mkpath(childTemp);
  std::mt19937 random(20240506);
  constexpr int kRuns = 30;
  int reported = 0;
  int waitedRuns = 0;
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kProjectVariable), project);
    environment.insert(QString::fromLatin1(kLogVariable), log);
    // The killed child cannot clean up its temporary home: keep it inside ours.
    environment.insert(u"TMPDIR"_qs, childTemp);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--gtest_filter=SessionCrashChild.SavesUntilKilled"_qs});
    ASSERT_TRUE(child.waitForStarted());

    // Kill at a random moment once saving is under way (and sometimes before the first save).
    const qint64 logSize = QFileInfo(log).size();
    if (run % 5 != 0) {
      ++waitedRuns;
      QElapsedTimer waited;
      waited.start();
      while (QFileInfo(log).size() == logSize && waited.elapsed() < 10000 &&
             child.state() == QProcess::Running) {
        QThread::msleep(2);
      }
    }
    QThread::msleep(random() % 120);
    ASSERT_EQ(child.state(), QProcess::Running) << child.readAll().toStdString();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // Every save reported as done is in the file, and the file is sound.
    QFile file(log);
    const QList<QByteArray> lines =
        file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
    if (!QFile::exists(path)) {
      // Killed before the database was created: nothing can have been reported.
      EXPECT_LE(lines.size(), 1);
      continue;
    }
    EXPECT_EQ(qlt::test::IntegrityCheck(path), u"ok"_qs);
    const QSet<QString> stored = StoredGuids(path);
    reported = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {  // the last piece may be cut off
      ++reported;
      EXPECT_TRUE(stored.contains(QString::fromLatin1(lines[i]))) << lines[i].toStdString();
    }
    CSessionDatabase db;
    EXPECT_TRUE(db.OpenPath(project));
  }
  // The runs that waited for a save did save (otherwise the checks above proved nothing).
  EXPECT_GE(reported, waitedRuns);
}

}  // namespace
