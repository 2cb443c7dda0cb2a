// The connection over loopback against baselines measured in the same run.
//
// - Frames: encrypted session frames of 1 MiB from the client to the loopback server (second
//   variant: AES-256-CBC and the frame check on both ends), in payload MB/s, beside OpenSSL's own
//   AES-256-CBC encryption of the same bytes; "ratio" (ours / OpenSSL) should stay at 0.5 or more.
//   Both ends run in this one process, so "ratio" pays for encryption and decryption and both
//   frame checks; "client_ratio" is the client's own share (Send: framing, frame check,
//   encryption, the first write).
// - Handshake: connect and authenticate, both variants, median time beside a bare TCP connect and
//   one round trip to an echo server on the same machine.
#include "sync/connection.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <vector>

#include "app/services.h"
#include "bench_main.h"
#include "support/scoped_services.h"
#include "support/test_sync_server.h"

namespace {

using qlt::test::CTestSyncServer;

constexpr int kFrameBytes = 1 << 20;

template <typename Done>
void Spin(Done done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

CConnectionSettings Direct(const CTestSyncServer& server) {
  CConnectionSettings s;
  s.server = QStringLiteral("127.0.0.1:%1").arg(server.Port());
  s.password = QStringLiteral("secret");
  s.requestPush = false;
  return s;
}

const CHandshake::Identity kUnit{QStringLiteral("Unit-7"), QByteArray(20, 'k'),
                                 QStringLiteral("1.0"), QStringLiteral("os"), QStringLiteral("hw")};

double OpenSslSeconds(const QByteArray& plain) {
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  const unsigned char key[32] = {1};
  const unsigned char iv[16] = {};
  EVP_EncryptInit_ex(context, EVP_aes_256_cbc(), nullptr, key, iv);
  EVP_CIPHER_CTX_set_padding(context, 0);
  std::vector<unsigned char> out(plain.size());
  int written = 0;
  QElapsedTimer timer;
  timer.start();
  EVP_EncryptUpdate(context, out.data(), &written,
                    reinterpret_cast<const unsigned char*>(plain.constData()),
                    static_cast<int>(plain.size()));
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  benchmark::DoNotOptimize(out.data());
  EVP_CIPHER_CTX_free(context);
  return seconds;
}

void BM_EncryptedFrames(benchmark::State& state) {
  qlt::test::CScopedServices services;
  CTestSyncServer server;
  CConnection connection(Direct(server), kUnit, 0);
  connection.SetEnabled(true);
  connection.Connect();
  Spin([&] { return connection.IsConnected(); });
  const QByteArray payload(kFrameBytes - 32, 'p');
  double ours = 0;
  double sending = 0;
  double openssl = 0;
  for (auto _ : state) {
    CNetMessage message(41);
    message.WriteBytes(payload);
    const qsizetype before = server.Received().size();
    QElapsedTimer timer;
    timer.start();
    connection.Send(message);
    sending += static_cast<double>(timer.nsecsElapsed()) / 1e9;
    Spin([&] { return server.Received().size() > before; });
    ours += static_cast<double>(timer.nsecsElapsed()) / 1e9;
    openssl += OpenSslSeconds(payload);
  }
  const double megabytes = static_cast<double>(payload.size()) * state.iterations() / 1e6;
  state.counters["MBps"] = megabytes / ours;
  state.counters["openssl_MBps"] = megabytes / openssl;
  state.counters["ratio"] = openssl / ours;
  // The client's own share: framing, frame check and encryption up to the first write.
  state.counters["client_MBps"] = megabytes / sending;
  state.counters["client_ratio"] = openssl / sending;
}
BENCHMARK(BM_EncryptedFrames)->Unit(benchmark::kMillisecond)->Iterations(200);

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void BM_Handshake(benchmark::State& state) {
  qlt::test::CScopedServices services;
  qlt::test::CTestSyncOptions options;
  options.secondVariant = state.range(0) == 2;
  CTestSyncServer server(options);
  CConnectionSettings settings = Direct(server);
  QTcpServer echo;
  echo.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&echo, &QTcpServer::newConnection, &echo, [&] {
    QTcpSocket* peer = echo.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->write(peer->readAll()); });
  });
  std::vector<double> ours;
  std::vector<double> bare;
  for (auto _ : state) {
    CConnection connection(settings, kUnit, 0);
    connection.SetEnabled(true);
    QElapsedTimer timer;
    timer.start();
    connection.Connect();
    Spin([&] { return connection.IsConnected(); });
    ours.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

    QTcpSocket socket;
    timer.restart();
    socket.connectToHost(QHostAddress::LocalHost, echo.serverPort());
    Spin([&] { return socket.state() == QAbstractSocket::ConnectedState; });
    socket.write("x", 1);
    Spin([&] { return socket.bytesAvailable() > 0; });
    bare.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  state.counters["median_ms"] = Median(ours);
  state.counters["bare_round_trip_ms"] = Median(bare);
  state.counters["ratio"] = Median(ours) / std::max(Median(bare), 1e-9);
}
BENCHMARK(BM_Handshake)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(100);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
