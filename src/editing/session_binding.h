// CSessionBinding: the tie between a project and its current session: attaching a session moves
// its values, the points' carried values and their defaults (templates last) into the points,
// runs Init and decides the session lock; taking moves the points' values back into the session
// (unless the session is locked) and keeps the carried values for the next session. One binding
// per open project, owned beside it (it holds a reference to the current session); the project
// must outlive it. UI thread only.
#pragma once

#include <QHash>

#include "sessions/session.h"
#include "values/variant.h"

class CBasePoint;
class CProject;

class CSessionBinding {
 public:
  explicit CSessionBinding(CProject& project);
  CSessionBinding(const CSessionBinding&) = delete;
  CSessionBinding& operator=(const CSessionBinding&) = delete;

  // Makes `session` (or none) the project's current session and fills the points.
  void Attach(CSession* session);
  // Moves the points' values into the current session; false when nothing was moved (no
  // current session, or a locked one, which the project then forgets).
  bool Take();
  // The project has no current session any more (editing ended); the lock stays as the last
  // attach left it.
  void Detach() { SetCurrent(nullptr); }

  CSession* CurrentSession() const { return m_session.data(); }
  // A stored session attached while the project's session-lock option is set, or one the editing
  // flow locked (a sent or deleted session): its values are shown but never taken.
  bool IsLocked() const { return m_locked; }
  void SetLocked(bool locked);

  // The value a carry-forward point keeps for the next session, when it has one.
  bool CarriedValue(const CBasePoint* point, CVariant& value) const;

 private:
  void SetCurrent(CSession* session);

  CProject& m_project;
  CSessionPtr m_session;
  bool m_locked = false;
  QHash<const CBasePoint*, CVariant> m_carried;
};
