// Fuzz target: any text parsed and evaluated as a formula of a math point, in a context that
// knows a few points (numbers, a list, a time, a date, an error text) and a session. Parsing
// must refuse what it cannot read without crashing or recursing without bound; a parsed formula
// must evaluate the same way every time, in a copy too, and must read the same when parsed again.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "points/expr/expression_context.h"
#include "points/expr/math_expression.h"
#include "project/base_point.h"
#include "values/variant.h"

namespace {

class CFuzzContext : public IExpressionContext {
 public:
  CFuzzContext() {
    Add(QStringLiteral("Result"), CVariant::FromString(QStringLiteral("5")));
    Add(QStringLiteral("a"), CVariant::FromString(QStringLiteral("3")));
    Add(QStringLiteral("b"), CVariant::FromString(QStringLiteral("0")));
    Add(QStringLiteral("list"), CVariant::FromString(QStringLiteral("1; 2,5; 3; ")));
    Add(QStringLiteral("t"), CVariant::FromString(QStringLiteral("12:30")));
    Add(QStringLiteral("d"), CVariant::FromString(QStringLiteral("2024-02-29 12:34:56.250")));
    Add(QStringLiteral("err"), CVariant::FromString(QStringLiteral("#ERR#")));
    Add(QStringLiteral("n"), CVariant::FromDouble(-0.5));
    Add(QStringLiteral("empty"), CVariant());
  }

  CBasePoint* FindPoint(const QString& name) const override {
    const auto it = m_points.find(name.toLower());
    return it == m_points.end() ? nullptr : it->second.get();
  }
  QString SessionGuid() const override {
    return QStringLiteral("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
  }

 private:
  void Add(const QString& name, const CVariant& value) {
    auto point = std::make_unique<CBasePoint>(1, QStringLiteral("Edit"));
    point->SetName(name);
    point->AssignValue(value);
    m_points[name.toLower()] = std::move(point);
  }

  std::map<QString, std::unique_ptr<CBasePoint>> m_points;
};

struct Outcome {
  bool ok = false;
  double value = 0;
  bool operator==(const Outcome& other) const {
    if (ok != other.ok) return false;
    if (!ok) return true;
    return std::memcmp(&value, &other.value, sizeof value) == 0 ||
           (std::isnan(value) && std::isnan(other.value));
  }
};

Outcome Evaluate(const CMathExpression& expression) {
  Outcome outcome;
  outcome.ok = expression.Evaluate(outcome.value);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CFuzzContext context;
  CBasePoint* owner = context.FindPoint(QStringLiteral("Result"));
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  CMathExpression expression(owner, &context);
  if (!expression.Parse(text)) {
    if (!expression.Tokens().empty()) std::abort();
    return 0;
  }
  const Outcome first = Evaluate(expression);
  if (!(Evaluate(expression) == first)) std::abort();
  const CMathExpression copy(expression);
  if (!(Evaluate(copy) == first)) std::abort();
  CMathExpression again(owner, &context);
  if (!again.Parse(text) || !(Evaluate(again) == first)) std::abort();
  return 0;
}
