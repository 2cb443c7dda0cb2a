// Runs the Invoke fuzz target's calls over its seed corpus and a fixed stream of pseudo-random
// inputs, so that the ordinary suite (and its sanitizer run) covers what the fuzzer explores:
// random names, identifiers, flags and arguments end without a crash and without a facet left.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <random>

#include "../../fuzz/dispatch_invoke.cpp"
#include "support/scoped_services.h"

namespace {

TEST(DispatchInvokeReplay, RandomCallsEndWithoutACrashOrAFacetLeft) {
  qlt::test::CScopedServices services;
  const QDir corpus(QStringLiteral(QLT_TEST_DATA_DIR "/../../fuzz/corpus/dispatch_invoke"));
  const QStringList seeds = corpus.entryList(QDir::Files);
  ASSERT_FALSE(seeds.isEmpty());
  for (const QString& name : seeds) {
    QFile file(corpus.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(RunDispatchInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                 static_cast<size_t>(bytes.size())))
        << name.toStdString();
  }
  std::mt19937 random(20261208);
  std::vector<uint8_t> input;
  for (int round = 0; round < 2000; ++round) {
    input.resize(random() % 512);
    for (uint8_t& byte : input) byte = static_cast<uint8_t>(random());
    EXPECT_TRUE(RunDispatchInput(input.data(), input.size())) << "round " << round;
  }
}

}  // namespace
