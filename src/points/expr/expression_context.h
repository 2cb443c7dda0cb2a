// IExpressionContext: what a formula needs from its surroundings: the points it may name and the
// session it is evaluated in. The math point's project answers in the application
// (CProjectExpressionContext); tests, benchmarks and the fuzzer supply their own. Not owned by
// the expressions that use it; it must outlive them. UI thread only.
#pragma once

#include <QString>

class CBasePoint;

class IExpressionContext {
 public:
  virtual ~IExpressionContext() = default;

  // The point of that name, without regard to case, or nullptr. The owner itself may be found:
  // a formula may read its own point's current value.
  virtual CBasePoint* FindPoint(const QString& name) const = 0;

  // The identifier of the session being edited (36 characters, with or without braces), or an
  // empty text when no session is open.
  virtual QString SessionGuid() const = 0;
};
