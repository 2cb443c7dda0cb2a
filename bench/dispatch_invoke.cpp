// What a script-like caller pays for IDispatch: IPoint.Unique (no allocation) and IPoint.Value
// (a new string each call) called through Invoke by dispatch identifier, and by name (the name
// looked up with GetIDsOfNames before every Invoke, as a late-bound caller does), reported in
// nanoseconds per call and as a ratio against the direct vtable call of the same member,
// measured in the same run. Both sides count the thread's processor time, so a busy machine
// does not tilt the ratio.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QCoreApplication>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "automation/automation_root.h"
#include "bench_main.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/project.h"
#include "qlt_automation.h"

namespace {

// One edit point with a value, and its IPoint facet.
struct Subject {
  CProject project;
  CAutomationRoot root;
  IPoint* point = nullptr;

  Subject() {
    CPage* page = project.AddPage();
    CBasePoint* edit = page->AddPoint(CEditPoint::kTypeCode);
    edit->SetName(QStringLiteral("Reading"));
    edit->SetValue(QStringLiteral("12.5 bar at the inlet"));
    point = static_cast<IPoint*>(root.PointFacet(edit));
  }
  ~Subject() { point->Release(); }
};

Subject& GetSubject() {
  static Subject subject;
  return subject;
}

// Processor time of this thread, in nanoseconds.
double ThreadNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

enum class Member { kUnique, kValue };

DISPID IdOf(Member member) { return member == Member::kUnique ? 0xa : 0; }
const char16_t* NameOf(Member member) { return member == Member::kUnique ? u"Unique" : u"Value"; }

bool CallDirect(IPoint* point, Member member) {
  if (member == Member::kUnique) {
    LONG unique = 0;
    const bool ok = point->get_Unique(&unique) == S_OK;
    benchmark::DoNotOptimize(unique);
    return ok;
  }
  BSTR value = nullptr;
  const bool ok = point->get_Value(&value) == S_OK;
  benchmark::DoNotOptimize(value);
  SysFreeString(value);
  return ok;
}

bool CallInvoke(IPoint* point, DISPID id) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  const bool ok = point->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                nullptr) == S_OK;
  benchmark::DoNotOptimize(result);
  VariantClear(&result);
  return ok;
}

bool CallByName(IPoint* point, Member member) {
  std::u16string name(NameOf(member));
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  if (point->GetIDsOfNames(IID_NULL, names, 1, 0, &id) != S_OK) return false;
  return CallInvoke(point, id);
}

// Nanoseconds per direct call: the median of a few runs of many calls, taken once per member.
double DirectNanoseconds(Member member) {
  static double measured[2] = {0, 0};
  double& ns = measured[static_cast<int>(member)];
  if (ns > 0) return ns;
  IPoint* point = GetSubject().point;
  constexpr int kCalls = 200000;
  std::vector<double> runs;
  for (int run = 0; run < 7; ++run) {
    const double start = ThreadNanoseconds();
    for (int i = 0; i < kCalls; ++i) CallDirect(point, member);
    runs.push_back((ThreadNanoseconds() - start) / kCalls);
  }
  std::sort(runs.begin(), runs.end());
  ns = runs[runs.size() / 2];
  return ns;
}

enum class Way { kDirect, kById, kByName };

void Run(benchmark::State& state, Member member, Way way) {
  IPoint* point = GetSubject().point;
  const double direct = DirectNanoseconds(member);
  const double start = ThreadNanoseconds();
  for (auto _ : state) {
    const bool ok = way == Way::kDirect ? CallDirect(point, member)
                    : way == Way::kById ? CallInvoke(point, IdOf(member))
                                        : CallByName(point, member);
    if (!ok) {
      state.SkipWithError("the call failed");
      return;
    }
  }
  const double ns = (ThreadNanoseconds() - start) / double(state.iterations());
  state.counters["ns_per_call"] = ns;
  state.counters["direct_ns"] = direct;
  state.counters["ratio_vs_direct"] = ns / direct;
}

void BM_UniqueDirect(benchmark::State& s) { Run(s, Member::kUnique, Way::kDirect); }
void BM_UniqueInvokeById(benchmark::State& s) { Run(s, Member::kUnique, Way::kById); }
void BM_UniqueInvokeByName(benchmark::State& s) { Run(s, Member::kUnique, Way::kByName); }
void BM_ValueDirect(benchmark::State& s) { Run(s, Member::kValue, Way::kDirect); }
void BM_ValueInvokeById(benchmark::State& s) { Run(s, Member::kValue, Way::kById); }
void BM_ValueInvokeByName(benchmark::State& s) { Run(s, Member::kValue, Way::kByName); }

BENCHMARK(BM_UniqueDirect)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_UniqueInvokeById)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_UniqueInvokeByName)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ValueDirect)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ValueInvokeById)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ValueInvokeByName)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
