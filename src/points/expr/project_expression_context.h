// CProjectExpressionContext: the expression context of a point inside a project: names are
// looked up in the point's project, the session is the project's current one. A point without a
// project knows no names and no session. Holds the point only (not owned); cheap to create on
// the stack for one parse or evaluation. UI thread only.
#pragma once

#include "points/expr/expression_context.h"

class CProjectExpressionContext : public IExpressionContext {
 public:
  explicit CProjectExpressionContext(const CBasePoint* point) : m_point(point) {}

  CBasePoint* FindPoint(const QString& name) const override;
  QString SessionGuid() const override;

 private:
  const CBasePoint* m_point;
};
