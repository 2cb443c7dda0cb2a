#include "points/cross_point.h"

#include <QDate>

#include "app/language.h"
#include "points/custom_point.h"
#include "project/base_point.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page_window.h"
#include "project/project.h"
#include "values/abi_values.h"
#include "values/safe_array.h"
#include "values/variant.h"

namespace {

const CPointTypeRegistration kCross(BuiltInControlType(
    240, "{AD194798-DB31-4EE4-B9EA-C18801054C8F}", "TWKF.Cross", "Crossdata",
    "Fetch data from another session", 253, 7, &CreateBuiltInControl<CCrossPoint>));

// Posted to the point itself when the list closes: by then the combo holds the entry picked.
constexpr uint16_t kCopyChosen = 0x7F01;

// Holds one reference of an interface.
template <typename T>
class TRef {
 public:
  TRef() = default;
  ~TRef() {
    if (m_p != nullptr) m_p->Release();
  }
  TRef(const TRef&) = delete;
  TRef& operator=(const TRef&) = delete;
  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }
  T** Out() { return &m_p; }
  explicit operator bool() const { return m_p != nullptr; }

 private:
  T* m_p = nullptr;
};

template <typename I>
bool Ask(IUnknown* object, TRef<I>& out) {
  return object != nullptr &&
         SUCCEEDED(object->QueryInterface(I::kIid, reinterpret_cast<void**>(out.Out()))) && out;
}

class CText {
 public:
  explicit CText(const QString& text) : m_text(BstrFromText(text)) {}
  CText() = default;
  ~CText() { SysFreeString(m_text); }
  CText(const CText&) = delete;
  CText& operator=(const CText&) = delete;
  BSTR Get() const { return m_text; }
  BSTR* Out() { return &m_text; }

 private:
  BSTR m_text = nullptr;
};

class COwnedVariant {
 public:
  COwnedVariant() { VariantInit(&v); }
  ~COwnedVariant() { VariantClear(&v); }
  COwnedVariant(const COwnedVariant&) = delete;
  COwnedVariant& operator=(const COwnedVariant&) = delete;
  VARIANT v;
};

// The project and its database as the site's project object offers them.
bool ProjectDatabase(ICustomPointSite2* site, TRef<IProject>& project, TRef<IDatabase>& database) {
  TRef<IDispatch> projectObject;
  if (site == nullptr || FAILED(site->GetProject(projectObject.Out())) ||
      !Ask(projectObject.Get(), project)) {
    return false;
  }
  TRef<IDispatch> databaseObject;
  return SUCCEEDED(project->get_Database(databaseObject.Out())) &&
         Ask(databaseObject.Get(), database);
}

// The GUID text of the session being edited, empty when there is none.
QString CurrentGuid(IProject* project) {
  TRef<IDispatch> object;
  TRef<ISession> session;
  CText guid;
  if (project->get_CurrentSession(object.Out()) != S_OK || !Ask(object.Get(), session) ||
      FAILED(session->get_GUID(guid.Out()))) {
    return QString();
  }
  return TextFromBstr(guid.Get());
}

// Appends `number` with leading zeros to `width` digits (a list of 100,000 entries formats
// 200,000 of them at once).
void AppendPadded(QString& out, int number, int width) {
  char digits[8];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
  out.append(QLatin1StringView(digits, width));
}

QString Translated(const char* key, const char* fallback) {
  const QString text = CLanguage::Instance().Translate(QString::fromLatin1(key));
  return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

}  // namespace

// ---- the display template

QList<CCrossPoint::DisplayPart> CCrossPoint::ParseDisplay(const QString& display) {
  QList<DisplayPart> parts;
  qsizetype at = 0;
  while (at < display.size()) {
    const qsizetype open = display.indexOf(QStringLiteral("<%"), at);
    const qsizetype close = open < 0 ? -1 : display.indexOf(QStringLiteral("%>"), open + 2);
    if (close < 0) {
      parts.append({DisplayPart::kText, display.mid(at)});
      break;
    }
    if (open > at) parts.append({DisplayPart::kText, display.mid(at, open - at)});
    const QString name = display.mid(open + 2, close - open - 2).trimmed();
    if (name == QStringLiteral("_DATE")) {
      parts.append({DisplayPart::kDate, QString()});
    } else if (name == QStringLiteral("_TIME")) {
      parts.append({DisplayPart::kTime, QString()});
    } else {
      parts.append({DisplayPart::kColumn, name});
    }
    at = close + 2;
  }
  return parts;
}

QString CCrossPoint::FormatEntry(const QList<DisplayPart>& parts, const QString& saved,
                                 std::span<const QString> columns) {
  // The count is of the local wall-clock time, so the date and time come from it directly.
  constexpr qint64 kTicksPerSecond = 10'000'000;
  constexpr qint64 kSecondsPerDay = 86'400;
  bool ok = false;
  const qint64 ticks = saved.toLongLong(&ok);
  const bool known = ok && ticks >= 0;
  const qint64 seconds = known ? ticks / kTicksPerSecond : 0;
  const QDate day = QDate(1601, 1, 1).addDays(seconds / kSecondsPerDay);
  const int second = static_cast<int>(seconds % kSecondsPerDay);
  QString text;
  text.reserve(64);
  size_t column = 0;
  for (const DisplayPart& part : parts) {
    switch (part.kind) {
      case DisplayPart::kText:
        text += part.text;
        break;
      case DisplayPart::kDate:
        if (!known) break;
        AppendPadded(text, day.year(), 4);
        text += QLatin1Char('-');
        AppendPadded(text, day.month(), 2);
        text += QLatin1Char('-');
        AppendPadded(text, day.day(), 2);
        break;
      case DisplayPart::kTime:
        if (!known) break;
        AppendPadded(text, second / 3600, 2);
        text += QLatin1Char(':');
        AppendPadded(text, second / 60 % 60, 2);
        break;
      case DisplayPart::kColumn:
        if (column < columns.size()) text += columns[column];
        ++column;
        break;
    }
  }
  return text;
}

// ---- the control

CCrossPoint::CCrossPoint() : CBuiltInControl(kClassId) {}

CCrossPoint::~CCrossPoint() { DestroyCombo(); }

void CCrossPoint::LoadProperties(const CBagReader& bag) {
  const Settings defaults;
  m_settings.display = bag.Text("Display", defaults.display);
  m_settings.states = bag.Text("States", defaults.states);
  m_settings.sortPoint = bag.Text("SortPoint", defaults.sortPoint);
  m_settings.sortNumeric = bag.Flag("SortNumeric", defaults.sortNumeric);
  m_settings.sortDescending = bag.Flag("SortDescending", defaults.sortDescending);
  m_settings.filterPoint = bag.Text("FilterPoint");
  m_settings.filterValue = bag.Text("FilterValue");
  m_settings.points = bag.Text("Points");
}

void CCrossPoint::SaveProperties(CBagWriter& bag) const {
  bag.Text("Display", m_settings.display);
  bag.Text("States", m_settings.states);
  bag.Text("SortPoint", m_settings.sortPoint);
  bag.Flag("SortNumeric", m_settings.sortNumeric);
  bag.Flag("SortDescending", m_settings.sortDescending);
  bag.Text("FilterPoint", m_settings.filterPoint);
  bag.Text("FilterValue", m_settings.filterValue);
  bag.Text("Points", m_settings.points);
}

int CCrossPoint::BoxHeight() { return CDisplayScale::IsDoubled() ? 36 : 20; }

void CCrossPoint::DestroyCombo() {
  if (m_combo != 0 && m_window != nullptr) {
    m_window->ClearItems(m_combo);
    m_window->DestroyControl(m_combo);
  }
  m_combo = 0;
  m_window = nullptr;
  m_guids.clear();
}

HRESULT CCrossPoint::Show() {
  const HRESULT hr = CBuiltInControl::Show();
  DestroyCombo();
  CBasePoint* point = HostPoint();
  CPageWindow* window = HostWindow();
  if (point == nullptr || window == nullptr) return hr;
  m_combo = window->CreateControl(point, ControlKind::kComboBox,
                                  kCsVisible | kCsTabStop | kCsVScroll | kCsDropDownList,
                                  point->ControlId());
  if (m_combo == 0) return hr;
  m_window = window;
  const CProject* project = point->Project();
  window->SetControlFont(m_combo, project != nullptr ? project->Graphics().Font(CGraphics::kNormal)
                                                     : CDisplayScale::NormalFont());
  window->EnableControl(m_combo, !ReadOnly());
  return hr;
}

HRESULT CCrossPoint::Hide() {
  DestroyCombo();
  return CBuiltInControl::Hide();
}

HRESULT CCrossPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  const HRESULT hr = CBuiltInControl::GetHeight(hDC, nWidth, pnHeight);
  if (FAILED(hr)) return hr;
  *pnHeight += BoxHeight();
  return S_OK;
}

HRESULT CCrossPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (pRect == nullptr) return E_POINTER;
  const int scale = CDisplayScale::Factor();
  // The caption above, the box in the space GetHeight added below it.
  QltRect caption = *pRect;
  caption.bottom = std::max(caption.top, caption.bottom - BoxHeight());
  const HRESULT hr = CBuiltInControl::Paint(hDC, &caption);
  if (m_combo != 0 && m_window != nullptr) {
    if (hDC == nullptr) {
      m_window->ShowControl(m_combo, false);
    } else {
      const QRect box(pRect->left, caption.bottom, pRect->right - pRect->left,
                      pRect->bottom - caption.bottom);
      m_window->PlaceControl(m_combo, box.adjusted(0, 0, 0, 128 * scale));
      m_window->ShowControl(m_combo, true);
    }
  }
  return hr;
}

HRESULT CCrossPoint::OnCommand(ULONG nCommand, LONGLONG nArgument) {
  if (m_combo == 0 || m_window == nullptr || nArgument != m_combo) return S_OK;
  switch (CommandNotification(nCommand)) {
    case kNotifyDropDown:
      Fill();
      break;
    case kNotifyCloseUp:
      if (CBasePoint* point = HostPoint()) {
        m_window->PostCommand(point, MakeCommand(kCopyChosen, CommandControlId(nCommand)), m_combo);
      }
      break;
    case kCopyChosen:
      CopyChosen();
      break;
    default:
      break;
  }
  return S_OK;
}

void CCrossPoint::Fill() {
  m_window->ClearItems(m_combo);
  m_guids.clear();
  const QList<DisplayPart> parts = ParseDisplay(m_settings.display);
  QStringList columns;
  for (const DisplayPart& part : parts) {
    if (part.kind == DisplayPart::kColumn) columns.append(part.text);
  }

  TRef<IProject> project;
  TRef<IDatabase> database;
  COwnedVariant columnArray;
  COwnedVariant result;
  bool ok = ProjectDatabase(Site(), project, database);
  if (ok && !columns.isEmpty()) {
    CSafeArray array(kVtBstr, {{0, static_cast<int32_t>(columns.size())}});
    array.Strings() = columns;
    ok = SUCCEEDED(ValueToAbi(CVariant::FromArray(array), &columnArray.v));
  }
  if (ok) {
    const CText states(m_settings.states);
    const CText filterPoint(m_settings.filterPoint);
    const CText filterValue(ResolveValue(m_settings.filterValue));
    const CText sortPoint(m_settings.sortPoint);
    ok = SUCCEEDED(database->Query(
        states.Get(), filterPoint.Get(), filterValue.Get(), sortPoint.Get(),
        m_settings.sortNumeric ? VARIANT_TRUE : VARIANT_FALSE,
        m_settings.sortDescending ? VARIANT_TRUE : VARIANT_FALSE, columnArray.v, &result.v));
  }
  CVariant rows;
  ok = ok && SUCCEEDED(ValueFromAbi(result.v, rows)) && rows.IsArray() && rows.Array() != nullptr;
  if (!ok) {
    m_window->AddItem(m_combo, Translated("Point.Cross.Error", "(Error)"));
    m_guids.append(QString());
    return;
  }

  const QStringList& cells = rows.Array()->Strings();
  const qsizetype width = 2 + columns.size();
  const QString current = CurrentGuid(project.Get());
  QStringList shown;
  shown.reserve(cells.size() / width);
  m_guids.reserve(cells.size() / width);
  for (qsizetype row = 0; row + width <= cells.size(); row += width) {
    if (cells[row] == current) continue;
    shown.append(FormatEntry(parts, cells[row + 1],
                             std::span<const QString>(cells.constData() + row + 2,
                                                      static_cast<size_t>(columns.size()))));
    m_guids.append(cells[row]);
  }
  if (shown.isEmpty()) {
    m_window->AddItem(m_combo, Translated("Point.Cross.NoMatches", "(No matches)"));
    m_guids.append(QString());
    return;
  }
  m_window->AddItems(m_combo, shown);
}

void CCrossPoint::CopyChosen() {
  const int index = m_window->CurrentIndex(m_combo);
  if (index < 0 || index >= m_guids.size() || m_guids[index].isEmpty()) return;
  TRef<IProject> project;
  TRef<IDatabase> database;
  if (!ProjectDatabase(Site(), project, database)) return;
  COwnedVariant guid;
  guid.v.vt = VT_BSTR;
  guid.v.bstrVal = BstrFromText(m_guids[index]);
  TRef<IDispatch> object;
  TRef<ISession> chosen;
  if (FAILED(database->get_Item(guid.v, object.Out())) || !Ask(object.Get(), chosen)) return;

  for (const QString& entry : m_settings.points.split(QLatin1Char(';'))) {
    const QString name = entry.trimmed();
    if (name.isEmpty()) continue;
    const CText key(name);
    COwnedVariant index;
    index.v.vt = VT_BSTR;
    index.v.bstrVal = BstrFromText(name);
    COwnedVariant value;
    TRef<IDispatch> pointObject;
    TRef<IPoint> target;
    if (FAILED(chosen->get_Item(index.v, &value.v)) ||
        FAILED(project->get_Points(key.Get(), pointObject.Out())) ||
        !Ask(pointObject.Get(), target)) {
      continue;  // the point is gone from the project
    }
    // The point may have changed its type since the session was saved: a value it refuses is
    // offered as text, and one that has no text is left out.
    if (SUCCEEDED(target->put_VariantValue(value.v))) continue;
    COwnedVariant text;
    if (SUCCEEDED(CoerceAbi(value.v, VT_BSTR, &text.v))) target->put_Value(text.v.bstrVal);
  }
}
