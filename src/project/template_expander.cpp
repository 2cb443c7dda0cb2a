#include "project/template_expander.h"

#include "project/base_point.h"
#include "project/project.h"
#include "values/variant_ops.h"

namespace {

const QString kOpen = QStringLiteral("<%");
const QString kClose = QStringLiteral("%>");

}  // namespace

QString CTemplateExpander::Expand(const CProject& project, const QString& text,
                                  CBasePoint* referrer) {
  QString result = text;
  qsizetype start = result.indexOf(kOpen);
  while (start >= 0) {
    const qsizetype close = result.indexOf(kClose, start + kOpen.size());
    if (close < 0) break;
    const QString name = result.mid(start + kOpen.size(), close - start - kOpen.size()).trimmed();
    QString replacement;
    if (CBasePoint* point = project.FindPointByName(name)) {
      replacement = ValueAsText(point->Value());
      if (referrer) point->AddDependent(referrer);
    } else if (name.compare(QStringLiteral("_GUID"), Qt::CaseInsensitive) == 0) {
      replacement = project.SessionGuid().isEmpty() ? name : project.SessionGuid();
    } else if (name.compare(QStringLiteral("_UnitID"), Qt::CaseInsensitive) == 0) {
      replacement = CProject::UnitId();
    } else {
      replacement = QStringLiteral("(%1: not found)").arg(name);
    }
    result = result.left(start) + replacement + result.mid(close + kClose.size());
    start = result.indexOf(kOpen, start + replacement.size());
  }
  return result;
}
