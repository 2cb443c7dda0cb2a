// NMEA decoding speed: one second of a receiver's output (GGA, GSA, RMC, GSV) repeated to about
// 4 MB, decoded by the GPS reader's decoder, against reading the same bytes line by line (a
// QBuffer's readLine) in the same run. Reported as sentences per second and the ratio decoder /
// line reading.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "bench_main.h"
#include "points/gps_nmea_decoder.h"

namespace {

std::string Sentence(const std::string& body) {
  unsigned char sum = 0;
  for (const char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

struct Stream {
  QByteArray bytes;
  int64_t sentences = 0;
};

const Stream& TestStream() {
  static const Stream stream = [] {
    Stream s;
    const std::string epoch =
        Sentence("GPGGA,030719.000,3747.0873,S,17518.8938,E,1,08,1.1,59.9,M,23.7,M,,0000") +
        Sentence("GPGSA,A,3,17,28,06,01,30,20,26,13,05,09,11,12,1.8,1.1,1.5") +
        Sentence("GPRMC,030719.000,A,3747.0873,S,17518.8938,E,0.69,181.39,311214,,,A") +
        Sentence("GPGSV,3,1,12,17,72,207,32,28,59,095,31,06,35,347,25,01,29,132,23");
    while (s.bytes.size() < 4 * 1024 * 1024) {
      s.bytes.append(epoch.data(), qsizetype(epoch.size()));
      s.sentences += 4;
    }
    return s;
  }();
  return stream;
}

void ReadLines(benchmark::State& state) {
  const Stream& stream = TestStream();
  int64_t lines = 0;
  for (auto _ : state) {
    QByteArray bytes = stream.bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    char line[256];
    lines = 0;
    while (buffer.readLine(line, sizeof line) > 0) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  if (lines != stream.sentences) state.SkipWithError("line reading counts other lines");
  state.counters["sentences/s"] = benchmark::Counter(double(stream.sentences) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
}

void Decode(benchmark::State& state) {
  const Stream& stream = TestStream();
  CGPSNmeaDecoder decoder;
  for (auto _ : state) {
    decoder = CGPSNmeaDecoder();
    decoder.Feed(stream.bytes.constData(), std::size_t(stream.bytes.size()));
    benchmark::DoNotOptimize(decoder.Position());
  }
  if (decoder.Statistics().accepted != uint64_t(stream.sentences) || !decoder.Position()) {
    state.SkipWithError("the decoder does not take every sentence");
  }
  state.counters["sentences/s"] = benchmark::Counter(double(stream.sentences) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
}

BENCHMARK(ReadLines)->Unit(benchmark::kMillisecond);
BENCHMARK(Decode)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  CRatioReporter reporter;
  if (RunBenchmarks(argc, argv, &reporter) != 0) return 1;
  const auto& times = reporter.Times();
  const auto lines = times.find("ReadLines");
  const auto decode = times.find("Decode");
  if (lines != times.end() && decode != times.end() && lines->second > 0) {
    std::printf("ratio Decode / ReadLines: %.2f\n", decode->second / lines->second);
  }
  return 0;
}
