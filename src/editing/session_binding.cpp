#include "editing/session_binding.h"

#include <QList>
#include <QSet>

#include "project/base_point.h"
#include "project/project.h"

CSessionBinding::CSessionBinding(CProject& project) : m_project(project) {}

void CSessionBinding::SetCurrent(CSession* session) {
  m_session = CSessionPtr(session);
  m_project.SetSessionGuid(session ? session->GuidText() : QString());
}

void CSessionBinding::SetLocked(bool locked) {
  m_locked = locked;
  m_project.SetReadOnly(locked);
}

void CSessionBinding::Attach(CSession* session) {
  SetCurrent(session);

  QList<CBasePoint*> withReferences;
  QSet<const CBasePoint*> present;
  m_project.ForEachPoint([&](CBasePoint* point) {
    present.insert(point);
    // Dependencies are registered again by the points themselves (Init, template expansion).
    point->ClearDependents();
    if (!session || point->Name().isEmpty()) return;
    const QString& name = point->Name();
    CVariant value;
    const auto carried = m_carried.constFind(point);
    if (point->CarryForward() != 0 && carried != m_carried.constEnd()) {
      session->GetValue(name, value, *carried);
    } else if (point->DefaultValue().IsString()) {
      const QString& text = point->DefaultValue().StringPayload();
      if (text.contains(u"<%")) {
        withReferences.append(point);
        return;
      }
      session->GetValue(name, value, text);
    } else {
      session->GetValue(name, value, point->DefaultValue());
    }
    point->AssignValue(value);
  });
  // Points removed since the values were carried leave nothing behind.
  for (auto it = m_carried.begin(); it != m_carried.end();) {
    it = present.contains(it.key()) ? std::next(it) : m_carried.erase(it);
  }

  // Their templates see the values of every other point.
  for (CBasePoint* point : withReferences) {
    CVariant value;
    if (!session->GetValue(point->Name(), value, CVariant())) {
      value = CVariant::FromString(
          m_project.ExpandTemplate(point->DefaultValue().StringPayload(), nullptr));
    }
    point->AssignValue(value);
  }

  m_project.InitPoints();
  SetLocked(session && !session->IsNew() && m_project.GetHeader().sessionLock != 0);
}

bool CSessionBinding::Take() {
  if (!m_session || m_locked) {
    SetCurrent(nullptr);
    return false;
  }
  CSession& session = *m_session;
  m_project.ForEachPoint([this, &session](CBasePoint* point) {
    if (point->CarryForward() != 0) m_carried.insert(point, point->Value());
    if (point->Results() != 0 && !point->Name().isEmpty()) {
      session.SetValue(point->Name(), point->Value());
    }
  });
  session.SetSaved(CSystemTime::Now());
  return true;
}

bool CSessionBinding::CarriedValue(const CBasePoint* point, CVariant& value) const {
  const auto found = m_carried.constFind(point);
  if (found == m_carried.constEnd()) return false;
  value = *found;
  return true;
}
