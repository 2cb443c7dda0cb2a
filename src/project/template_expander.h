// CTemplateExpander: expands point templates, texts in which "<%name%>" stands for the value of
// the point called name (blanks around the name ignored, case ignored), "_GUID" for the open
// session's identifier and "_UnitID" for the unit ID. Text that came from a replacement is never
// expanded again; a name nobody has gives "(name: not found)"; an unterminated "<%" leaves the
// rest of the text as it is. Stateless; UI thread.
#pragma once

#include <QString>

class CBasePoint;
class CProject;

class CTemplateExpander {
 public:
  // Expands `text` in `project`; `referrer`, when given, becomes a dependant of every point the
  // text names, so it is told when their values change.
  static QString Expand(const CProject& project, const QString& text, CBasePoint* referrer);
};
