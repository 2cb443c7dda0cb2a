// A synchronisation run of many sessions over loopback to the built `qlt server`, encrypted (the
// second handshake variant), against baselines measured in the same run.
//
// - sessions_per_s: the run from the project check to the last acknowledgement. Every session
//   costs synchronous commits on both sides (its mark cleared, its state set; the server's
//   store), so on a slow disk the 10,000-session run takes many minutes: the 1,000 run is the
//   quick one.
// - crypto_share: OpenSSL's AES-256-CBC and SHA-1 over the bytes the run sent, timed here, as a
//   share of the run's time (each byte is encrypted once and enters the frame check once, so this
//   is what the run itself spends in them); openssl_MBps is that baseline's throughput.
// - peak_growth_MB: the client's peak resident size during the run over its size just before
//   (sessions are read and sent one at a time, so this stays small whatever the count); the
//   server is a process of its own and not counted.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <vector>

#include "bench_main.h"
#include "points/edit_point.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "sync/connection.h"
#include "sync/online_router.h"

namespace {

constexpr int kValues = 50;

// A field of /proc/self/status in megabytes.
double StatusMegabytes(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field)) {
      return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024.0;
    }
  }
  return 0;
}

// Resets the peak resident size to the current one.
void ResetPeak() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

double OpenSslSeconds(qsizetype bytes) {
  const QByteArray plain(1 << 20, 'p');
  std::vector<unsigned char> out(plain.size());
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  const unsigned char key[32] = {1};
  const unsigned char iv[16] = {};
  EVP_EncryptInit_ex(context, EVP_aes_256_cbc(), nullptr, key, iv);
  EVP_CIPHER_CTX_set_padding(context, 0);
  EVP_MD_CTX* digest = EVP_MD_CTX_new();
  EVP_DigestInit_ex(digest, EVP_sha1(), nullptr);
  QElapsedTimer timer;
  timer.start();
  for (qsizetype done = 0; done < bytes; done += plain.size()) {
    int written = 0;
    EVP_EncryptUpdate(context, out.data(), &written,
                      reinterpret_cast<const unsigned char*>(plain.constData()),
                      static_cast<int>(plain.size()));
    EVP_DigestUpdate(digest, plain.constData(), static_cast<size_t>(plain.size()));
  }
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  benchmark::DoNotOptimize(out.data());
  EVP_MD_CTX_free(digest);
  EVP_CIPHER_CTX_free(context);
  return seconds;
}

void BM_SyncRun(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  qlt::test::CScopedServices services;
  QTemporaryDir serverDir;
  QTemporaryDir clientDir;
  CProject project;
  project.MutableHeader().uniqueNumber = 99;
  CPage* page = project.AddPage();
  for (int k = 0; k < kValues; ++k) {
    qlt::test::AddPoint<CEditPoint>(page, QStringLiteral("p%1").arg(k));
  }
  const QByteArray bytes = project.SaveToBytes();
  const QString name = QStringLiteral("Bench.ppc");
  const QString clientPath = clientDir.filePath(name);
  for (const QString& path : {serverDir.filePath(name), clientPath}) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) std::abort();
  }
  if (!project.Load(clientPath)) std::abort();
  CSessionDatabase database(clientPath);
  if (!database.Open()) std::abort();
  qsizetype archiveBytes = 0;
  database.BeginTransaction();
  for (int i = 0; i < count; ++i) {
    CSessionPtr session = CSession::Create(QStringLiteral("Unit-7"), true);
    for (int k = 0; k < kValues; ++k) {
      session->SetValueText(QStringLiteral("p%1").arg(k),
                            QStringLiteral("value %1 of %2").arg(k).arg(i));
    }
    session->SetFlags(CSession::kFlagMarked);
    archiveBytes += session->WriteArchive().size();
    if (!database.SaveSession(*session)) std::abort();
  }
  database.EndTransaction(true);

  QProcess server;
  server.start(QStringLiteral(QLT_TOOL_PATH),
               {QStringLiteral("server"), QStringLiteral("--data"), serverDir.path(),
                QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--password"),
                QStringLiteral("secret")});
  if (!server.waitForReadyRead(30000)) std::abort();
  const QByteArray port = server.readLine().trimmed();

  CConnectionSettings settings;
  settings.server = QStringLiteral("127.0.0.1:") + QString::fromLatin1(port);
  settings.password = QStringLiteral("secret");
  settings.requestPush = false;
  const CHandshake::Identity unit{QStringLiteral("Unit-7"), QByteArray(20, 'k'),
                                  QStringLiteral("1.0"), QStringLiteral("os"),
                                  QStringLiteral("hw")};
  CConnection connection(settings, unit, 0);
  COnlineRouter router(connection, nullptr);
  connection.SetListener(&router);
  connection.SetEnabled(true);

  double seconds = 0;
  double idle = 0;
  double peak = 0;
  for (auto _ : state) {
    idle = StatusMegabytes("VmRSS:");
    ResetPeak();
    QElapsedTimer timer;
    timer.start();
    if (!router.StartSync(&project, &database, nullptr, false, false)) std::abort();
    seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    peak = StatusMegabytes("VmHWM:");
  }
  database.Refresh();
  const double crypto = OpenSslSeconds(archiveBytes);
  state.counters["sessions_per_s"] = count / seconds;
  state.counters["sent_MB"] = static_cast<double>(archiveBytes) / 1e6;
  state.counters["openssl_MBps"] = static_cast<double>(archiveBytes) / 1e6 / crypto;
  state.counters["crypto_share"] = crypto / seconds;
  state.counters["peak_growth_MB"] = peak - idle;
  state.counters["unsent"] = database.ListCount();  // the active sessions left: 0 when all went
  connection.SetListener(nullptr);
  connection.Disconnect(true);
  server.terminate();
  server.waitForFinished();
}
BENCHMARK(BM_SyncRun)->Arg(1000)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
