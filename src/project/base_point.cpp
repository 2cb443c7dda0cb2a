#include "project/base_point.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/page_window.h"
#include "project/project.h"
#include "values/archive.h"
#include "values/file_blob.h"
#include "values/variant_ops.h"

namespace {

constexpr int kLabelCaptionLimit = 40;

// The translation of `key` (the key itself when the table lacks it) with "%s" replaced.
QString FormatMessage(const QString& key, const QString& argument) {
  QString text;
  if (!CLanguage::Instance().Lookup(key, text)) text = key;
  return text.replace(QStringLiteral("%s"), argument);
}

// The decimal text of one more than the digit run, without overflow for long runs.
QString IncrementDigits(const QString& digits) {
  if (digits.size() <= 9) return QString::number(digits.toInt() + 1);
  QString number = digits;
  while (number.size() > 1 && number.front() == QLatin1Char('0')) number.remove(0, 1);
  for (qsizetype i = number.size() - 1; i >= 0; --i) {
    if (number[i] != QLatin1Char('9')) {
      number[i] = QChar(number[i].unicode() + 1);
      return number;
    }
    number[i] = QLatin1Char('0');
  }
  return QLatin1Char('1') + number;
}

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

CBasePoint::CBasePoint(int32_t typeCode, const QString& typeName)
    : m_typeCode(typeCode), m_typeName(typeName) {}

CBasePoint::~CBasePoint() {
  if (CProject* project = Project()) project->ForgetPoint(this);
}

// ---- overridable operations

void CBasePoint::Init() { m_shown = m_visible != 0; }

void CBasePoint::Show(CPageWindow*) {
  CProject* project = Project();
  m_displayCaption = project ? project->ExpandTemplate(m_caption, nullptr) : m_caption;
}

bool CBasePoint::Hide(bool verify) {
  if (!verify) return true;
  if (m_required == 0 || !m_shown) return true;
  if (!ValueAsText(m_value).isEmpty()) return true;
  CMessageService& messages = CServices::Instance().Messages();
  if (m_required == 2) {
    messages.ShowMessage(FormatMessage(QStringLiteral("Point.Required2"), m_displayCaption),
                         kMbOk | kMbIconExclamation);
    return false;
  }
  const int answer =
      messages.ShowMessage(FormatMessage(QStringLiteral("Point.Required"), m_displayCaption),
                           kMbYesNo | kMbIconExclamation | kMbDefButton2);
  return answer == kIdYes;
}

int32_t CBasePoint::SetValueV(const CVariant& value) {
  QString text;
  if (!value.ToText(text)) return kPointTypeMismatch;
  SetValue(text);
  return kPointOk;
}

void CBasePoint::SetValue(const QString& text) {
  if (StoreText(text)) InvalidatePoint();
}

int CBasePoint::GetHeight(QPainter*, int width) {
  int height = 0;
  if (!m_displayCaption.isEmpty()) {
    const QFontMetrics metrics(CaptionFont());
    height = metrics
                 .boundingRect(QRect(0, 0, std::max(width, 1), 1 << 24),
                               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_displayCaption)
                 .height();
  }
  return height + PageGap();
}

int CBasePoint::Paint(QPainter* painter) {
  if (painter && !m_displayCaption.isEmpty()) {
    painter->save();
    painter->setFont(CaptionFont());
    CProject* project = Project();
    painter->setPen(project ? CGraphics::ToColour(project->Graphics().textColour) : Qt::black);
    painter->setBackgroundMode(Qt::TransparentMode);
    painter->drawText(m_rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_displayCaption);
    painter->restore();
  }
  return CBasePoint::GetHeight(painter, m_rect.width());
}

void CBasePoint::OnTap(int, int) {
  if (m_help.isEmpty()) return;
  if (CPageWindow* window = Window()) window->ShowHelp(m_displayCaption, m_help);
}

void CBasePoint::OnCommand(uint32_t, intptr_t) {}

void CBasePoint::OnDep(CBasePoint*) {}

void CBasePoint::OnTelegram(CTelegram*) {}

bool CBasePoint::GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                                 QString& text) {
  text.clear();
  if (value.IsString()) {
    text = value.StringPayload();
    return true;
  }
  if (value.IsByteArray() && FileBlob::IsFile(value)) {
    const QString name = FileBlob::Name(value);
    // The name comes from the value, which may come from another unit: it must stay a plain file
    // name in the output folder.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QStringLiteral(".."))) {
      return false;
    }
    QString path = baseFile;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (dot > separator) path.truncate(dot);
    if (index > 0) path += QStringLiteral("_%1").arg(index);
    path += QLatin1Char('_') + name;
    if (!FileBlob::Extract(value, path)) return false;
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    text = path.mid(cut + 1);
    return true;
  }
  if (value.IsArray()) return false;
  return value.ToText(text);
}

bool CBasePoint::GetColumnFormat(bool&, int&) { return false; }

bool CBasePoint::StoreValue(const CVariant& value) {
  if (CompareValues(m_value, value) == kCompareEqual) return false;
  m_value = value;
  UpdateDependents();
  return true;
}

bool CBasePoint::StoreText(const QString& text) {
  if (ValueAsText(m_value) == text) return false;
  m_value = CVariant::FromString(text);
  UpdateDependents();
  return true;
}

QString CBasePoint::GetLabel(bool preferCaption) {
  if (!preferCaption && !m_name.isEmpty()) return m_name;
  if (m_caption.isEmpty()) return QStringLiteral("[%1]").arg(m_typeName);
  if (m_caption.size() <= kLabelCaptionLimit) return m_caption;
  return m_caption.left(kLabelCaptionLimit) + QStringLiteral("...");
}

void CBasePoint::SaveSettings() {}

void CBasePoint::LoadSettings() {}

// ---- dependants

void CBasePoint::AddDependent(CBasePoint* point) {
  if (point && !m_dependants.contains(point)) m_dependants.append(point);
}

void CBasePoint::RemoveDependent(CBasePoint* point) { m_dependants.removeAll(point); }

void CBasePoint::UpdateDependents() {
  CProject* project = Project();
  if (!project || m_dependants.isEmpty()) return;
  if (!project->EnterNotification()) return;
  // A dependant may register further dependants while it is told; walk a copy.
  const QList<CBasePoint*> dependants = m_dependants;
  for (CBasePoint* dependant : dependants) dependant->OnDep(this);
  project->LeaveNotification();
}

// ---- identity

void CBasePoint::MakeUniqueNumber() {
  CProject* project = Project();
  if (m_unique != 0 && (!project || !project->FindPointByNumber(m_unique, this))) return;
  uint64_t state = CProject::UniqueSeed(this);
  int32_t number = 0;
  do {
    number = CProject::DrawUniqueNumber(state);
  } while (number == 0 || (project && project->FindPointByNumber(number, this)));
  SetUniqueNumber(number);
}

void CBasePoint::MakeNameUnique() {
  CProject* project = Project();
  if (m_name.isEmpty() || !project) return;
  QString name = m_name;
  while (project->FindPointByName(name, this)) {
    qsizetype start = name.size();
    while (start > 0 && IsAsciiDigit(name[start - 1])) --start;
    if (start < name.size()) {
      name = name.left(start) + IncrementDigits(name.mid(start));
    } else {
      name += QLatin1Char('1');
    }
  }
  if (name != m_name) SetName(name);
}

// ---- file record

void CBasePoint::Read(CArchive& ar, int version) {
  if (version >= 8) SetUniqueNumber(ar.ReadInt32());
  SetName(ar.ReadString());
  m_caption = ar.ReadString();
  m_help = ar.ReadString();
  m_bold = ar.ReadInt32();
  if (version >= 6) m_required = ar.ReadInt32();
  if (version >= 8) {
    m_visible = ar.ReadInt32();
    m_results = ar.ReadInt32();
  }
  if (version >= 22) m_carryForward = ar.ReadInt32();
  if (version >= 34) {
    m_default = CVariant::Deserialize(ar);
  } else {
    const QString text = ar.ReadString();
    m_default = text.isEmpty() ? CVariant() : CVariant::FromString(text);
  }
  if (version >= 100) {
    m_properties.Deserialize(ar, false);
    LoadSettings();
  }
  ReadFields(ar, version);
  m_shown = m_visible != 0;
}

void CBasePoint::Write(CArchive& ar) {
  ar.WriteInt32(m_unique);
  ar.WriteString(m_name);
  ar.WriteString(m_caption);
  ar.WriteString(m_help);
  ar.WriteInt32(m_bold);
  ar.WriteInt32(m_required);
  ar.WriteInt32(m_visible);
  ar.WriteInt32(m_results);
  ar.WriteInt32(m_carryForward);
  m_default.Serialize(ar);
  SaveSettings();
  m_properties.Serialize(ar, false);
  WriteFields(ar);
}

void CBasePoint::ReadFields(CArchive&, int) {}

int32_t CBasePoint::WidthFromFifths(int32_t fifths) {
  const int64_t width = static_cast<int64_t>(fifths) * 5;
  return static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

void CBasePoint::WriteFields(CArchive&) {}

// ---- fields

void CBasePoint::SetUniqueNumber(int32_t number) {
  if (number == m_unique) return;
  CProject* project = Project();
  const bool indexed = project && m_indexed;
  if (indexed) project->UnindexPoint(this);
  m_unique = number;
  if (indexed) project->IndexPoint(this);
  if (project) project->SetChanged();
}

void CBasePoint::SetName(const QString& name) {
  if (name == m_name) return;
  CProject* project = Project();
  const bool indexed = project && m_indexed;
  if (indexed) project->UnindexPoint(this);
  m_name = name;
  if (indexed) project->IndexPoint(this);
  if (project) project->SetChanged();
}

void CBasePoint::SetCaption(const QString& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  MarkChanged();
}

void CBasePoint::SetHelp(const QString& help) {
  if (help == m_help) return;
  m_help = help;
  MarkChanged();
}

void CBasePoint::SetBold(int32_t bold) {
  if (bold == m_bold) return;
  m_bold = bold;
  MarkChanged();
}

void CBasePoint::SetRequiredMode(int32_t mode) {
  if (mode == m_required) return;
  m_required = mode;
  MarkChanged();
}

void CBasePoint::SetVisible(int32_t visible) {
  if (visible == m_visible) return;
  m_visible = visible;
  MarkChanged();
}

void CBasePoint::SetResults(int32_t results) {
  if (results == m_results) return;
  m_results = results;
  MarkChanged();
}

void CBasePoint::SetCarryForward(int32_t carryForward) {
  if (carryForward == m_carryForward) return;
  m_carryForward = carryForward;
  MarkChanged();
}

void CBasePoint::SetDefaultValue(const CVariant& value) {
  if (value == m_default) return;
  m_default = value;
  MarkChanged();
}

QString CBasePoint::OutputText() const { return ValueAsText(m_value); }

// ---- surroundings

CProject* CBasePoint::Project() const { return m_page ? m_page->Project() : nullptr; }

CPageWindow* CBasePoint::Window() const { return m_page ? m_page->Window() : nullptr; }

bool CBasePoint::IsReadOnly() const {
  const CProject* project = Project();
  return project && project->IsReadOnly();
}

int CBasePoint::ControlId() const {
  const int index = m_page ? m_page->IndexOf(this) : -1;
  return 1000 + (index < 0 ? 0 : index + 1);
}

void CBasePoint::InvalidatePoint() const {
  if (CPageWindow* window = Window()) window->Invalidate(m_rect);
}

QFont CBasePoint::CaptionFont() const {
  const CProject* project = Project();
  const bool bold = m_bold != 0;
  if (!project) return bold ? CDisplayScale::BoldFont() : CDisplayScale::NormalFont();
  return project->Graphics().Font(bold ? CGraphics::kBold : CGraphics::kNormal);
}

int CBasePoint::PageGap() const {
  const CProject* project = Project();
  const int gap = project ? project->Graphics().gap : CGraphics::kDefaultGap;
  return gap * CDisplayScale::Factor();
}

void CBasePoint::MarkChanged() const {
  if (CProject* project = Project()) project->SetChanged();
}
