// Formula evaluation speed: a 20-token formula over 5 points, evaluated 1,000,000 times by the
// expression engine (with the points holding texts, as points store their values, and holding
// numbers), against the same arithmetic written in plain C++ in the same run. Reported as ratios
// engine / plain C++.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "bench_main.h"
#include "points/expr/expression_context.h"
#include "points/expr/math_expression.h"
#include "project/base_point.h"
#include "values/variant.h"

namespace {

constexpr int64_t kIterations = 1000000;
// 20 tokens: qty * 2 + price / 4 - rate ^ 2 + Sqrt ( area ) * load - 1
const char kFormula[] = "qty * 2 + price / 4 - rate ^ 2 + Sqrt(area) * load - 1";
constexpr double kValues[5] = {3, 8, 1.5, 16, 2.5};
constexpr double kExpected = 19.25;

class CBenchContext : public IExpressionContext {
 public:
  explicit CBenchContext(bool asText) {
    const char* names[5] = {"qty", "price", "rate", "area", "load"};
    for (int i = 0; i < 5; ++i) {
      auto point = std::make_unique<CBasePoint>(1, QStringLiteral("Edit"));
      point->SetName(QString::fromLatin1(names[i]));
      point->AssignValue(asText ? CVariant::FromString(QString::number(kValues[i]))
                                : CVariant::FromDouble(kValues[i]));
      m_points[point->Name()] = std::move(point);
    }
  }
  CBasePoint* FindPoint(const QString& name) const override {
    const auto it = m_points.find(name.toLower());
    return it == m_points.end() ? nullptr : it->second.get();
  }
  QString SessionGuid() const override { return QString(); }

 private:
  std::map<QString, std::unique_ptr<CBasePoint>> m_points;
};

void PlainCpp(benchmark::State& state) {
  double values[5];
  for (int i = 0; i < 5; ++i) values[i] = kValues[i];
  double result = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(values);
    benchmark::ClobberMemory();
    // The engine's reading: the minus signs negate the next operand, "^" binds tightest.
    result = values[0] * 2 + values[1] / 4 + std::pow(-values[2], 2) +
             std::sqrt(values[3]) * values[4] + -1;
    benchmark::DoNotOptimize(result);
  }
  if (result != kExpected) state.SkipWithError("plain C++ gives a different result");
}

void Engine(benchmark::State& state, bool asText) {
  CBenchContext context(asText);
  CBasePoint owner(9, QStringLiteral("Math"));
  CMathExpression expression(&owner, &context);
  if (!expression.Parse(QString::fromLatin1(kFormula))) {
    state.SkipWithError("the formula does not parse");
    return;
  }
  double result = 0;
  bool ok = true;
  for (auto _ : state) {
    ok = expression.Evaluate(result) && ok;
    benchmark::DoNotOptimize(result);
  }
  if (!ok || result != kExpected) state.SkipWithError("the engine gives a different result");
}

void EngineTextValues(benchmark::State& state) { Engine(state, true); }
void EngineNumberValues(benchmark::State& state) { Engine(state, false); }

BENCHMARK(PlainCpp)->Iterations(kIterations);
BENCHMARK(EngineTextValues)->Iterations(kIterations);
BENCHMARK(EngineNumberValues)->Iterations(kIterations);

// Keeps the time per iteration of every run, for the ratios printed at the end.
}  // namespace

int main(int argc, char** argv) {
  CRatioReporter reporter;
  if (RunBenchmarks(argc, argv, &reporter) != 0) return 1;
  const auto& times = reporter.Times();
  const auto plain = times.find("PlainCpp");
  if (plain != times.end() && plain->second > 0) {
    for (const char* name : {"EngineTextValues", "EngineNumberValues"}) {
      const auto engine = times.find(name);
      if (engine == times.end()) continue;
      std::printf("ratio %s / PlainCpp: %.1f\n", name, engine->second / plain->second);
    }
  }
  return 0;
}
