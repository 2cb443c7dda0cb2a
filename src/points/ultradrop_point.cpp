#include "points/ultradrop_point.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <algorithm>

#include "app/app_folders.h"
#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "points/custom_point.h"
#include "points/ultradrop_data_file.h"
#include "points/value_box_layout.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/project.h"
#include "qlt_automation.h"
#include "values/abi_values.h"

namespace {

// The ultradrops alive, by their host point, so one can use another's table.
QHash<const CCustomPoint*, CUltraDropPoint*>& Live() {
  static QHash<const CCustomPoint*, CUltraDropPoint*> live;
  return live;
}

// Posted to refill the list after a choice, outside the combo's own notification.
constexpr uint16_t kRefill = 0x7F01;

void ShowMessage(const char* key, const QStringList& arguments) {
  CServices::Instance().Messages().ShowMessage(
      CLanguage::Instance().TranslateWith(QString::fromLatin1(key), arguments), kMbIconExclamation);
}

}  // namespace

CUltraDropPoint::CUltraDropPoint() : CBuiltInControl(kClassId) {}

CUltraDropPoint::~CUltraDropPoint() { SiteChanging(); }

HRESULT CUltraDropPoint::SetSite(ICustomPointSite* pSite) {
  const HRESULT hr = CBuiltInControl::SetSite(pSite);
  if (FAILED(hr)) return hr;
  m_registeredAs = HostPoint();
  if (m_registeredAs != nullptr) Live().insert(m_registeredAs, this);
  return hr;
}

void CUltraDropPoint::SiteChanging() {
  // The page window owns the combo and may already be gone: the handle is only forgotten.
  m_combo = 0;
  m_comboWindow = nullptr;
  if (m_registeredAs != nullptr && Live().value(m_registeredAs) == this) {
    Live().remove(m_registeredAs);
  }
  m_registeredAs = nullptr;
}

// ---- properties

void CUltraDropPoint::LoadProperties(const CBagReader& bag) {
  Settings s;
  s.sharePoint = bag.Text("Share.Point");
  s.formatDisplay = bag.Text("Format.Display", s.formatDisplay);
  s.formatOutput = bag.Text("Format.Output", s.formatOutput);
  s.filterPoint = bag.Text("Filter.Point");
  s.filterColumn = bag.Text("Filter.Column");
  s.filterAll = bag.Int("Filter.All");
  s.filterCondition = bag.Int("Filter.Condition");
  s.expandLock = bag.Int("Expand.Lock", 1);
  s.size = bag.Int("Size");
  s.multiSelect = bag.Int("MultiSelect");
  s.separator = bag.Text("Separator", s.separator);
  s.localPath = bag.Text("Dynamic.LocalPath");
  s.desktopPath = bag.Text("Dynamic.DesktopPath");
  s.desktopSave = bag.Int("Dynamic.DesktopSave");
  s.desktopMonitor = bag.Int("Dynamic.DesktopMonitor");
  s.newlines = bag.Int("Dynamic.Newlines");
  s.delimiter = bag.Int("Dynamic.Delimiter");
  s.displayMode = bag.Int("DisplayMode");
  s.sortItems = bag.Int("SortItems");
  s.insertBlankItem = bag.Int("InsertBlankItem");
  s.desktopFileTime = bag.Text("Dynamic.DesktopFileTime");
  m_settings = s;
  m_stored.columns = CUltraTable::ReadColumns(bag);
  m_stored.items = CUltraTable::ReadItems(bag, static_cast<int>(m_stored.columns.size()));
  m_loaded = false;
}

void CUltraDropPoint::SaveProperties(CBagWriter& bag) const {
  const Settings& s = m_settings;
  bag.Text("Share.Point", s.sharePoint);
  bag.Text("Format.Display", s.formatDisplay);
  bag.Text("Format.Output", s.formatOutput);
  bag.Text("Filter.Point", s.filterPoint);
  bag.Text("Filter.Column", s.filterColumn);
  bag.Int("Filter.All", s.filterAll);
  bag.Int("Filter.Condition", s.filterCondition);
  bag.Int("Expand.Lock", s.expandLock);
  bag.Int("Size", s.size);
  bag.Int("MultiSelect", s.multiSelect);
  bag.Text("Separator", s.separator);
  bag.Text("Dynamic.LocalPath", s.localPath);
  bag.Text("Dynamic.DesktopPath", s.desktopPath);
  bag.Int("Dynamic.DesktopSave", s.desktopSave);
  bag.Int("Dynamic.DesktopMonitor", s.desktopMonitor);
  bag.Int("Dynamic.Newlines", s.newlines);
  bag.Int("Dynamic.Delimiter", s.delimiter);
  bag.Int("DisplayMode", s.displayMode);
  bag.Int("SortItems", s.sortItems);
  bag.Int("InsertBlankItem", s.insertBlankItem);
  bag.Text("Dynamic.DesktopFileTime", s.desktopFileTime);
  CUltraTable::WriteColumns(bag, m_stored.columns);
  // A table from a data file or another point is read again where it comes from.
  if (s.sharePoint.isEmpty() && s.localPath.isEmpty()) {
    const CUltraTable& table = m_own ? *m_own : m_stored;
    CUltraTable::WriteItems(bag, table.items, static_cast<int>(m_stored.columns.size()));
  }
}

// ---- the table

QString CUltraDropPoint::ResourcePath(const QString& programFolder, uint32_t projectNumber,
                                      const QString& desktopPath) {
  QString name = desktopPath;
  for (QChar c : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')}) {
    name.replace(c, QLatin1Char('_'));
  }
  return programFolder + QStringLiteral("/Resources/") + QString::number(projectNumber) +
         QStringLiteral("d-") + name + QStringLiteral(".res");
}

void CUltraDropPoint::LoadTable() {
  auto table = std::make_shared<CUltraTable>();
  table->columns = m_stored.columns;
  const CUltraDataFile::Options options{static_cast<int>(table->columns.size()),
                                        CUltraDataFile::DelimiterOf(m_settings.delimiter),
                                        m_settings.newlines != 0};
  const CCustomPoint* host = HostPoint();
  const CProject* project = host != nullptr ? host->Project() : nullptr;
  if (!m_settings.localPath.isEmpty() && m_stored.items.isEmpty()) {
    QString path = m_settings.localPath;
    // A relative path is taken from the project file's folder, not from wherever we started.
    if (QFileInfo(path).isRelative() && project != nullptr && !project->Path().isEmpty()) {
      path = QFileInfo(project->Path()).absoluteDir().filePath(path);
    }
    const CUltraDataFile::Result read = CUltraDataFile::ReadFile(path, options);
    if (!read.opened) {
      ShowMessage("Point.Ultradrop.CantImport", {QDir::toNativeSeparators(path)});
    } else if (read.truncated) {
      ShowMessage("Point.Ultradrop.Truncated",
                  {QDir::toNativeSeparators(path), QString::number(read.items.size())});
    }
    table->items = read.items;
  } else if (m_settings.desktopSave != 0 && m_settings.desktopMonitor != 0 &&
             !m_settings.desktopPath.isEmpty()) {
    const QString folder = CAppFolders::ProgramFolder();
    QDir().mkpath(folder + QStringLiteral("/Resources"));
    const uint32_t number =
        project != nullptr ? static_cast<uint32_t>(project->GetHeader().uniqueNumber) : 0;
    const CUltraDataFile::Result read =
        CUltraDataFile::ReadFile(ResourcePath(folder, number, m_settings.desktopPath), options);
    // Without the cached copy the table stored with the project stands.
    table->items = read.opened ? read.items : m_stored.items;
  } else {
    table->items = m_stored.items;
  }
  m_own = std::move(table);
  m_loaded = true;
}

std::shared_ptr<const CUltraTable> CUltraDropPoint::SharedTable() {
  const CCustomPoint* host = HostPoint();
  const CProject* project = host != nullptr ? host->Project() : nullptr;
  CBasePoint* named =
      project != nullptr ? project->FindPointByName(m_settings.sharePoint, host) : nullptr;
  if (named == nullptr) return std::make_shared<CUltraTable>(CUltraTable{m_stored.columns, {}});
  CUltraDropPoint* other = Live().value(dynamic_cast<CCustomPoint*>(named));
  if (other != nullptr && other != this) {
    // A ring of shares ends at the point that started it, with nothing.
    if (other->m_loading) return std::make_shared<CUltraTable>(CUltraTable{m_stored.columns, {}});
    m_loading = true;
    other->Table();
    m_loading = false;
    return other->m_shared ? other->m_shared : other->m_own;
  }
  // Any other point: its value text is the content of a data file, read again when it changes.
  const QString text = named->OutputText();
  if (m_shared && text == m_sharedText) return m_shared;
  m_sharedText = text;
  auto table = std::make_shared<CUltraTable>();
  table->columns = m_stored.columns;
  table->items = CUltraDataFile::ReadText(text, {static_cast<int>(table->columns.size()),
                                                 CUltraDataFile::DelimiterOf(m_settings.delimiter),
                                                 m_settings.newlines != 0})
                     .items;
  return table;
}

std::shared_ptr<const CUltraTable> CUltraDropPoint::TableInUse() {
  if (!m_settings.sharePoint.isEmpty()) {
    m_shared = SharedTable();
    Derive(m_shared);
    return m_shared;
  }
  if (!m_loaded) LoadTable();
  Derive(m_own);
  return m_own;
}

const CUltraTable& CUltraDropPoint::Table() { return *TableInUse(); }

void CUltraDropPoint::Derive(const std::shared_ptr<const CUltraTable>& table) {
  if (m_derivedFor == table) return;
  m_derivedFor = table;
  // The templates name this point's columns, whichever table is in use.
  const CUltraTemplate display(m_settings.formatDisplay, table->columns);
  const CUltraTemplate output(m_settings.formatOutput, table->columns);
  m_shown.clear();
  m_outputs.clear();
  m_shown.reserve(table->items.size());
  m_outputs.reserve(table->items.size());
  for (const CUltraItem& item : table->items) {
    m_shown.append(display.Fill(item));
    m_outputs.append(output.Fill(item));
  }
  m_ranks = m_settings.sortItems != 0 ? CUltraChoice::TextRanks(m_shown) : QList<int>();
}

// ---- operations

HRESULT CUltraDropPoint::Init() {
  // The data file is read again at each initialisation, so an updated file is seen.
  m_loaded = false;
  m_derivedFor.reset();
  m_keptValid = false;
  m_shared.reset();
  Table();
  if (!m_settings.filterPoint.isEmpty() && !m_settings.filterColumn.isEmpty()) {
    AddPrecedent(m_settings.filterPoint);
  }
  for (const CUltraColumn& column : m_stored.columns) {
    if (!column.point.isEmpty()) AddDependent(column.point);
  }
  if (!m_settings.sharePoint.isEmpty()) AddPrecedent(m_settings.sharePoint);
  return S_OK;
}

CUltraFilter CUltraDropPoint::Filter() const {
  CUltraFilter filter;
  filter.set = !m_settings.filterPoint.isEmpty() && !m_settings.filterColumn.isEmpty();
  if (!filter.set) return filter;
  filter.value = PointValue(m_settings.filterPoint);
  const CUltraTable* table = m_shared ? m_shared.get() : m_own.get();
  filter.column = table != nullptr ? table->ColumnIndex(m_settings.filterColumn) : -1;
  filter.condition = m_settings.filterCondition;
  filter.all = m_settings.filterAll != 0;
  return filter;
}

HRESULT CUltraDropPoint::Show() {
  if (Site() == nullptr) return E_UNEXPECTED;
  Site()->DefaultShow();
  DestroyCombo();
  m_search.clear();
  CCustomPoint* host = HostPoint();
  CPageWindow* window = HostWindow();
  if (host == nullptr || window == nullptr) return S_OK;
  const bool multi = m_settings.multiSelect != 0;
  const unsigned styles = kCsVisible | kCsTabStop | kCsVScroll | (multi ? 0u : kCsDropDown);
  m_combo =
      window->CreateControl(host, multi ? ControlKind::kMultiComboBox : ControlKind::kComboBox,
                            styles, host->ControlId());
  if (!m_combo) return S_OK;
  m_comboWindow = window;
  const CProject* project = host->Project();
  window->SetControlFont(m_combo, project ? project->Graphics().Font(CGraphics::kNormal)
                                          : CDisplayScale::NormalFont());
  window->EnableControl(m_combo, !ReadOnly());
  Fill();
  CheckSelectionMode();
  return S_OK;
}

void CUltraDropPoint::Fill() {
  const std::shared_ptr<const CUltraTable> table = TableInUse();
  // A keystroke only narrows: the filter runs again when its value or the table changed.
  const CUltraFilter filter = Filter();
  if (!m_keptValid || m_keptFor != table || m_keptValue != filter.value) {
    m_kept = CUltraChoice::Kept(*table, filter);
    if (!m_ranks.isEmpty()) {
      std::sort(m_kept.begin(), m_kept.end(),
                [this](int a, int b) { return m_ranks.value(a) < m_ranks.value(b); });
    }
    m_keptFor = table;
    m_keptValue = filter.value;
    m_keptValid = true;
  }
  m_listed = CUltraChoice::Matching(m_shown, m_kept, m_search, kMaxListed);
  // A blank first item lets a single choice be taken back; a search lists only matches.
  if (m_settings.insertBlankItem != 0 && m_settings.multiSelect == 0 && m_search.isEmpty()) {
    m_listed.prepend(kBlankItem);
  }
  if (!m_combo || !m_comboWindow) return;
  m_comboWindow->ClearItems(m_combo);
  for (int index : m_listed) m_comboWindow->AddItem(m_combo, m_shown.value(index));
  MarkValue();
}

void CUltraDropPoint::MarkValue() {
  if (!m_combo || !m_comboWindow) return;
  const QString value = Value();
  const QList<int> chosen =
      CUltraChoice::Chosen(m_outputs, value, m_settings.multiSelect != 0, m_settings.separator);
  if (m_settings.multiSelect != 0) {
    for (int i = 0; i < m_listed.size(); ++i) {
      m_comboWindow->SetItemSelected(m_combo, i, chosen.contains(m_listed[i]));
    }
    return;
  }
  const int at = chosen.isEmpty() ? -1 : static_cast<int>(m_listed.indexOf(chosen.first()));
  m_comboWindow->SetCurrentIndex(m_combo, m_search.isEmpty() ? at : -1);
  // The box shows what is being searched for, else the chosen item (or a value no item has).
  if (!m_search.isEmpty()) {
    m_comboWindow->SetControlText(m_combo, m_search);
  } else if (at < 0) {
    m_comboWindow->SetControlText(m_combo, chosen.isEmpty() ? value : m_shown[chosen.first()]);
  }
}

void CUltraDropPoint::CheckSelectionMode() {
  if (m_settings.displayMode != 1 || Site() == nullptr) return;
  IDispatch* dispatch = nullptr;
  IApplication* application = nullptr;
  BSTR version = nullptr;
  if (SUCCEEDED(Site()->GetApplication(&dispatch)) && dispatch != nullptr &&
      SUCCEEDED(
          dispatch->QueryInterface(IApplication::kIid, reinterpret_cast<void**>(&application))) &&
      application != nullptr) {
    application->get_Version(&version);
  }
  const QString text = TextFromBstr(version);
  const QStringList parts = text.split(QLatin1Char('.'));
  SysFreeString(version);
  if (application != nullptr) application->Release();
  if (dispatch != nullptr) dispatch->Release();
  const int major = parts.value(0).toInt();
  const int minor = parts.value(1).toInt();
  // This control is part of the program it runs in, whose own numbering starts again from 0.
  const QString own = QStringLiteral("%1.%2.%3.%4")
                          .arg(QLT_VERSION_MAJOR)
                          .arg(QLT_VERSION_MINOR)
                          .arg(QLT_VERSION_PATCH)
                          .arg(QLT_VERSION_TWEAK);
  if (major > 7 || (major == 7 && minor >= 2) || text == own) {
    InvalidateLayout();
    return;
  }
  static bool warned = false;
  if (!warned) {
    warned = true;
    ShowMessage("Point.Ultradrop.OldVersion", {});
  }
}

HRESULT CUltraDropPoint::Hide() {
  DestroyCombo();
  m_search.clear();
  return Site() != nullptr ? Site()->DefaultHide() : E_UNEXPECTED;
}

void CUltraDropPoint::DestroyCombo() {
  if (m_combo && m_comboWindow) m_comboWindow->DestroyControl(m_combo);
  m_combo = 0;
  m_comboWindow = nullptr;
}

void CUltraDropPoint::ChooseText(const QString& text) {
  Table();
  const bool multi = m_settings.multiSelect != 0;
  const QList<int> chosen = CUltraChoice::Chosen(m_outputs, text, multi, m_settings.separator);
  // A value no item has (its data file missing here, or changed) is kept as it is rather than
  // lost, and the column points keep theirs.
  if (chosen.isEmpty() && !text.isEmpty()) {
    SetSiteValue(text);
    MarkValue();
    return;
  }
  Choose(chosen, CUltraChoice::Joined(m_outputs, chosen, multi, m_settings.separator));
}

void CUltraDropPoint::Choose(const QList<int>& chosen, const QString& value) {
  SetSiteValue(value);
  const CCustomPoint* host = HostPoint();
  const CProject* project = host != nullptr ? host->Project() : nullptr;
  if (project != nullptr) {
    const CUltraTable& table = Table();
    for (int own = 0; own < m_stored.columns.size(); ++own) {
      const CUltraColumn& column = m_stored.columns[own];
      if (column.point.isEmpty()) continue;
      // A shared table's columns are found by this point's column names.
      const int at = m_shared ? table.ColumnIndex(column.name) : own;
      if (CBasePoint* point = project->FindPointByName(column.point, host)) {
        point->SetValue(CUltraChoice::ColumnText(table, at, chosen, m_settings.multiSelect != 0,
                                                 m_settings.separator));
      }
    }
  }
  MarkValue();
}

HRESULT CUltraDropPoint::SetValue(BSTR strValue) {
  if (Site() == nullptr) return E_UNEXPECTED;
  ChooseText(TextFromBstr(strValue));
  return S_OK;
}

HRESULT CUltraDropPoint::SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  if (Site() == nullptr) return E_UNEXPECTED;
  VARIANT text;
  VariantInit(&text);
  if (FAILED(CoerceAbi(vValue, VT_BSTR, &text))) {
    return CBuiltInControl::SetValueV(vValue, pbResult);
  }
  ChooseText(TextFromBstr(text.bstrVal));
  VariantClear(&text);
  if (pbResult != nullptr) *pbResult = VARIANT_TRUE;
  return S_OK;
}

HRESULT CUltraDropPoint::OnCommand(ULONG nCommand, LONGLONG nArgument) {
  if (!m_combo || !m_comboWindow) return S_OK;
  const uint16_t code = CommandNotification(nCommand);
  if (code == kRefill) {
    Fill();
    return S_OK;
  }
  if (nArgument != m_combo) return S_OK;
  const bool multi = m_settings.multiSelect != 0;
  if (code == kNotifyEditChange && !multi) {
    m_search = m_comboWindow->ControlText(m_combo);
    Fill();
    return S_OK;
  }
  if (multi && code == kNotifyCloseUp) {
    // Items the list does not show now keep their choice.
    QList<int> chosen = CUltraChoice::Chosen(m_outputs, Value(), true, m_settings.separator);
    for (int i = 0; i < m_listed.size(); ++i) {
      const bool selected = m_comboWindow->IsItemSelected(m_combo, i);
      if (selected && !chosen.contains(m_listed[i])) chosen.append(m_listed[i]);
      if (!selected) chosen.removeAll(m_listed[i]);
    }
    std::sort(chosen.begin(), chosen.end());
    Choose(chosen, CUltraChoice::Joined(m_outputs, chosen, true, m_settings.separator));
    return S_OK;
  }
  if (!multi && code == kNotifySelectionChange) {
    const int index = m_comboWindow->CurrentIndex(m_combo);
    if (index < 0 || index >= m_listed.size()) return S_OK;
    const int item = m_listed[index];
    const bool searched = !m_search.isEmpty();
    m_search.clear();
    if (item == kBlankItem) {
      Choose({}, QString());
    } else {
      Choose({item}, m_outputs[item]);
    }
    // The whole list comes back once the choice is made, not inside the combo's notification.
    if (searched && m_comboWindow) {
      m_comboWindow->PostCommand(HostPoint(), MakeCommand(kRefill, 0), 0);
    }
  }
  return S_OK;
}

HRESULT CUltraDropPoint::OnDep(IDispatch*) {
  // The filter value or the shared table may have changed.
  if (m_combo) Fill();
  return S_OK;
}

// ---- measuring and painting

HRESULT CUltraDropPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (Site() == nullptr) return E_UNEXPECTED;
  if (pnHeight == nullptr) return E_POINTER;
  const int scale = CDisplayScale::Factor();
  LONG caption = 0;
  Site()->DefaultGetHeight(hDC, CValueBoxLayout::CaptionWidth(m_settings.size, nWidth, scale),
                           &caption);
  *pnHeight = CValueBoxLayout::Height(m_settings.size, caption, scale);
  return S_OK;
}

HRESULT CUltraDropPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (Site() == nullptr) return E_UNEXPECTED;
  if (hDC == nullptr || pRect == nullptr) {
    if (m_combo && m_comboWindow) m_comboWindow->ShowControl(m_combo, false);
    return S_OK;
  }
  const int scale = CDisplayScale::Factor();
  const QRect item = FromAbi(*pRect);
  const QRect captionRect = CValueBoxLayout::CaptionRect(m_settings.size, item, scale);
  const QltRect caption = ToAbi(captionRect);
  Site()->DefaultPaint(hDC, &caption);
  LONG captionHeight = 0;
  Site()->DefaultGetHeight(hDC, captionRect.width(), &captionHeight);
  const QRect box = CValueBoxLayout::BoxRect(m_settings.size, item, captionHeight, scale);
  if (m_combo && m_comboWindow) {
    // The combo's rectangle holds its dropped list below the box.
    m_comboWindow->PlaceControl(m_combo, box.adjusted(0, 0, 0, 128 * scale));
    m_comboWindow->ShowControl(m_combo, true);
    return S_OK;
  }
  // Not shown in a page window (a preview or print): the chosen items' shown texts in a box.
  Table();
  const QList<int> chosen =
      CUltraChoice::Chosen(m_outputs, Value(), m_settings.multiSelect != 0, m_settings.separator);
  QStringList shown;
  for (int index : chosen) shown.append(m_shown.value(index));
  hDC->save();
  hDC->setPen(QColor(160, 160, 160));
  hDC->drawRect(box.adjusted(0, 0, -1, -1));
  hDC->setPen(Qt::black);
  hDC->drawText(box.adjusted(4 * scale, 0, -4 * scale, 0), Qt::AlignLeft | Qt::AlignVCenter,
                chosen.isEmpty() ? Value() : shown.join(QStringLiteral(", ")));
  hDC->restore();
  return S_OK;
}

// ---- the registered class

namespace {

const CPointTypeRegistration kUltraDropType(
    BuiltInControlType(80, "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "TWKF.UltraDrop", "Ultra Drop",
                       "More powerful lists", 215, 15, &CreateBuiltInControl<CUltraDropPoint>));

}  // namespace
