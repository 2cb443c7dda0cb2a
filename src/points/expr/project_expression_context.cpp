#include "points/expr/project_expression_context.h"

#include "project/base_point.h"
#include "project/project.h"

CBasePoint* CProjectExpressionContext::FindPoint(const QString& name) const {
  const CProject* project = m_point ? m_point->Project() : nullptr;
  // No asker: a formula may name its own point.
  return project ? project->FindPointByName(name, nullptr) : nullptr;
}

QString CProjectExpressionContext::SessionGuid() const {
  const CProject* project = m_point ? m_point->Project() : nullptr;
  return project ? project->SessionGuid() : QString();
}
