// Recalculation along a chain: an input point and ten math points, each reading the one before
// (m1 = x + 1, m2 = m1 + 1, ...). One change of the input recalculates all ten through the
// notification of dependants. Measured per change, with the page not shown and shown in a page
// window without widgets (each result also written into its value box), against the same ten
// formulas evaluated and formatted directly in the same run. Reported as microseconds per change
// and as ratios chain / direct.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "points/edit_point.h"
#include "points/expr/expression_context.h"
#include "points/expr/math_expression.h"
#include "points/math_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "values/variant_ops.h"

namespace {

constexpr int kChain = 10;
constexpr int64_t kChanges = 20000;

// The project: "x" and m1 ... m10.
struct CChain {
  CProject project;
  CPage* page = project.AddPage();
  CEditPoint* input = nullptr;
  std::vector<CMathPoint*> points;

  CChain() {
    input = static_cast<CEditPoint*>(page->AddPoint(CEditPoint::kTypeCode));
    input->SetName(QStringLiteral("x"));
    QString previous = QStringLiteral("x");
    for (int i = 1; i <= kChain; ++i) {
      auto* math = static_cast<CMathPoint*>(page->AddPoint(CMathPoint::kTypeCode));
      const QString name = QStringLiteral("m%1").arg(i);
      math->SetName(name);
      math->MutableSettings().expression = previous + QStringLiteral(" + 1");
      points.push_back(math);
      previous = name;
    }
    project.InitPoints();
  }
  // The last result is the input plus ten.
  bool Consistent(int input) const {
    return points.back()->OutputText() == QString::number(input + kChain);
  }
};

void Chain(benchmark::State& state, bool shown) {
  CChain chain;
  CPlainPageWindow window;
  if (shown) chain.page->Activate(&window);
  const QString texts[2] = {QStringLiteral("1"), QStringLiteral("2")};
  int turn = 0;
  for (auto _ : state) {
    turn ^= 1;
    chain.input->SetValue(texts[turn]);
  }
  if (!chain.Consistent(turn + 1)) state.SkipWithError("the chain gives a different result");
}

void ChainNotShown(benchmark::State& state) { Chain(state, false); }
void ChainShown(benchmark::State& state) { Chain(state, true); }

// The same formulas over points outside any project, evaluated in chain order and formatted,
// each result assigned without telling anybody.
class CDirectContext : public IExpressionContext {
 public:
  CBasePoint* FindPoint(const QString& name) const override {
    const auto it = m_points.find(name);
    return it == m_points.end() ? nullptr : it->second;
  }
  QString SessionGuid() const override { return QString(); }
  std::map<QString, CBasePoint*> m_points;
};

void Direct(benchmark::State& state) {
  CDirectContext context;
  CBasePoint input(3, QStringLiteral("Edit"));
  context.m_points[QStringLiteral("x")] = &input;
  std::vector<std::unique_ptr<CBasePoint>> points;
  std::vector<std::unique_ptr<CMathExpression>> formulas;
  QString previous = QStringLiteral("x");
  for (int i = 1; i <= kChain; ++i) {
    points.push_back(std::make_unique<CBasePoint>(9, QStringLiteral("Math")));
    const QString name = QStringLiteral("m%1").arg(i);
    context.m_points[name] = points.back().get();
    formulas.push_back(std::make_unique<CMathExpression>(points.back().get(), &context));
    if (!formulas.back()->Parse(previous + QStringLiteral(" + 1"))) {
      state.SkipWithError("a formula does not parse");
      return;
    }
    previous = name;
  }
  const QString texts[2] = {QStringLiteral("1"), QStringLiteral("2")};
  int turn = 0;
  bool ok = true;
  for (auto _ : state) {
    turn ^= 1;
    input.AssignValue(CVariant::FromString(texts[turn]));
    for (int i = 0; i < kChain; ++i) {
      double value = 0;
      ok = formulas[i]->Evaluate(value) && ok;
      points[i]->AssignValue(CVariant::FromString(FormatNumber(value, -1, 1)));
    }
  }
  if (!ok || points.back()->OutputText() != QString::number(turn + 1 + kChain)) {
    state.SkipWithError("the direct evaluation gives a different result");
  }
}

BENCHMARK(Direct)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(ChainNotShown)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(ChainShown)->Iterations(kChanges)->Unit(benchmark::kMicrosecond);

// Keeps the time per iteration of every run, for the summary printed at the end.
}  // namespace

int main(int argc, char** argv) {
  // The value boxes take the page font, which needs the GUI library, never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  CRatioReporter reporter;
  if (RunBenchmarks(argc, argv, &reporter) != 0) return 1;
  const auto& times = reporter.Times();
  const auto direct = times.find("Direct");
  for (const char* name : {"ChainNotShown", "ChainShown"}) {
    const auto chain = times.find(name);
    if (chain == times.end()) continue;
    std::printf("%s: %.2f us per change of the input (%d math points)\n", name, chain->second * 1e6,
                kChain);
    if (direct != times.end() && direct->second > 0) {
      std::printf("ratio %s / Direct: %.2f\n", name, chain->second / direct->second);
    }
  }
  return 0;
}
