#include "points/logic_point.h"

#include <QSet>

#include "points/link_point.h"
#include "points/logic_condition.h"
#include "points/math_point.h"
#include "project/page.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

CLogicPoint::CLogicPoint() : CBasePoint(kTypeCode, QStringLiteral("Logic")) {
  // A logic point only steers other points; its own value is not a result of the session.
  m_results = 0;
}

void CLogicPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CLogicPoint::Init() {
  CBasePoint::Init();
  CProject* project = Project();
  if (!project) return;
  for (const QString& name : {m_settings.firstName, m_settings.secondName}) {
    if (name.isEmpty()) continue;
    if (CBasePoint* point = project->FindPointByName(name)) point->AddDependent(this);
  }
}

void CLogicPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  m_state = EvaluateCondition();
  m_open = m_shown && m_state == CLogicCondition::kTrue ? 1 : 0;
  if (CProject* project = Project()) {
    // Only so that a change of a point the texts name reaches this point.
    for (const QString& text :
         {m_settings.trueText, m_settings.falseText, m_settings.undeterminedText}) {
      project->ExpandTemplate(text, this);
    }
  }
  StoreStateText();
  ApplyTargets(m_open != 0, false);
}

void CLogicPoint::OnDep(CBasePoint*) {
  m_state = EvaluateCondition();
  StoreStateText();
  const int32_t open = m_shown && m_state == CLogicCondition::kTrue ? 1 : 0;
  if (open == m_open) return;
  m_open = open;
  if (!ApplyTargets(open != 0, true)) return;
  // The shown page is whichever of these has a window; the others ignore the request.
  QSet<CPage*> pages;
  if (m_page) pages.insert(m_page);
  if (CProject* project = Project()) {
    for (uint32_t number : m_settings.targets) {
      CBasePoint* target = project->FindPointByNumber(static_cast<int32_t>(number));
      if (target && target->Page()) pages.insert(target->Page());
    }
  }
  for (CPage* page : pages) page->Relayout();
}

void CLogicPoint::SetValue(const QString& text) {
  const CProject* project = Project();
  CBasePoint::SetValue(project ? project->ExpandTemplate(text, nullptr) : text);
}

int CLogicPoint::GetHeight(QPainter*, int) { return 0; }

int CLogicPoint::Paint(QPainter*) { return 0; }

QString CLogicPoint::GetLabel(bool) { return CLogicCondition::Label(m_name, m_settings); }

bool CLogicPoint::EvaluateOne(const QString& name, int32_t comparison, const QString& value,
                              int32_t& result) {
  CProject* project = Project();
  CBasePoint* point = project ? project->FindPointByName(name) : nullptr;
  if (!point) return false;
  point->AddDependent(this);
  QString text = point->OutputText();
  // A sketch has no text; it counts as drawn.
  if (text.isEmpty() && point->Value().IsByteArray() && point->Value().Bytes().size() > 4) {
    text = QStringLiteral("Sketch");
  }
  const QString resolved = project->ExpandTemplate(value, this);
  result = CLogicCondition::Compare(text, resolved, comparison,
                                    point->TypeCode() == CMathPoint::kTypeCode);
  return true;
}

int32_t CLogicPoint::EvaluateCondition() {
  // A missing point leaves the state undetermined whatever the join.
  int32_t first = CLogicCondition::kUndetermined;
  if (!EvaluateOne(m_settings.firstName, m_settings.firstComparison, m_settings.firstValue,
                   first)) {
    return CLogicCondition::kUndetermined;
  }
  if (m_settings.join == CLogicCondition::kSingle) return first;
  int32_t second = CLogicCondition::kUndetermined;
  if (!EvaluateOne(m_settings.secondName, m_settings.secondComparison, m_settings.secondValue,
                   second)) {
    return CLogicCondition::kUndetermined;
  }
  return CLogicCondition::Join(first, second, m_settings.join);
}

bool CLogicPoint::ApplyTargets(bool open, bool cascade) {
  CProject* project = Project();
  if (!project) return false;
  bool changed = false;
  for (uint32_t number : m_settings.targets) {
    CBasePoint* target = project->FindPointByNumber(static_cast<int32_t>(number));
    if (!target || target->IsShown() == open) continue;
    target->SetShown(open);
    changed = true;
    if (!cascade) continue;
    const int32_t type = target->TypeCode();
    if (type != kTypeCode && type != CLinkPoint::kTypeCode) continue;
    // Cascades nest like the notification of dependants and share its bound, so targets that
    // drive each other end.
    if (!project->EnterNotification()) continue;
    target->OnDep(this);
    project->LeaveNotification();
  }
  return changed;
}

void CLogicPoint::StoreStateText() {
  if (m_name.isEmpty()) return;
  switch (m_state) {
    case CLogicCondition::kTrue:
      SetValue(m_settings.trueText);
      break;
    case CLogicCondition::kFalse:
      SetValue(m_settings.falseText);
      break;
    default:
      SetValue(m_settings.undeterminedText);
      break;
  }
}

void CLogicPoint::ReadFields(CArchive& ar, int version) {
  m_settings.firstName = ar.ReadString();
  m_settings.firstComparison = ar.ReadInt32();
  m_settings.firstValue = ar.ReadString();
  if (version >= 35) {
    m_settings.join = ar.ReadInt32();
    m_settings.secondName = ar.ReadString();
    m_settings.secondComparison = ar.ReadInt32();
    m_settings.secondValue = ar.ReadString();
  }
  if (version >= 29) m_settings.undeterminedText = ar.ReadString();
  if (version >= 28) {
    m_settings.falseText = ar.ReadString();
    m_settings.trueText = ar.ReadString();
  }
  const int32_t count = ar.ReadCount();
  ar.Require(static_cast<qsizetype>(count) * 4);
  m_settings.targets.clear();
  m_settings.targets.reserve(count);
  for (int32_t i = 0; i < count; ++i) m_settings.targets.append(ar.ReadUInt32());
  // Logic points of older files were always visible.
  if (version < 18) m_visible = 1;
}

void CLogicPoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.firstName);
  ar.WriteInt32(m_settings.firstComparison);
  ar.WriteString(m_settings.firstValue);
  ar.WriteInt32(m_settings.join);
  ar.WriteString(m_settings.secondName);
  ar.WriteInt32(m_settings.secondComparison);
  ar.WriteString(m_settings.secondValue);
  ar.WriteString(m_settings.undeterminedText);
  ar.WriteString(m_settings.falseText);
  ar.WriteString(m_settings.trueText);
  ar.WriteCount(static_cast<int32_t>(m_settings.targets.size()));
  for (uint32_t target : m_settings.targets) ar.WriteUInt32(target);
}

// ---- the registered type

namespace {

using S = CLogicPoint::Settings;
using Field = CSettingsField<CLogicPoint>;

const CPointTypeRegistration kLogicType({
    .typeCode = CLogicPoint::kTypeCode,
    .typeName = "Logic",
    .create = &CreatePointOf<CLogicPoint>,
    .fields =
        {
            Field("firstName", &S::firstName),
            Field("firstComparison", &S::firstComparison),
            Field("firstValue", &S::firstValue),
            Field("join", &S::join),
            Field("secondName", &S::secondName),
            Field("secondComparison", &S::secondComparison),
            Field("secondValue", &S::secondValue),
            Field("undeterminedText", &S::undeterminedText),
            Field("falseText", &S::falseText),
            Field("trueText", &S::trueText),
            Field("targets", &S::targets),
        },
    .rank = 90,
    .displayName = "Logic",
    .description = "Show and hide points conditionally",
    .icon = 171,
});

}  // namespace
