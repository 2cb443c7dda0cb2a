#include "points/outlook_point.h"

#include <QPainter>

#include "app/language.h"
#include "platform/settings_store.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"
#include "values/variant_ops.h"

namespace {

constexpr int kListHeight = 20;
constexpr int kDropHeight = 128;

QString TranslateKey(const QString& key) {
  QString text;
  return CLanguage::Instance().Lookup(key, text) ? text : key;
}

QString CreateNewText() { return TranslateKey(QStringLiteral("Point.Outlook.New")); }
QString ShowAllText() { return TranslateKey(QStringLiteral("Point.Outlook.ShowAll")); }

const QString kSection = QStringLiteral("Outlook");

}  // namespace

COutlookPoint::COutlookPoint() : CBasePoint(kTypeCode, QStringLiteral("Outlook")) {}

void COutlookPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

// ---- showing and leaving

void COutlookPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  // A list of an earlier showing in this window goes; one in another window is only forgotten.
  if (m_combo && m_comboWindow == window) window->DestroyControl(m_combo);
  m_combo = 0;
  m_comboWindow = nullptr;
  if (!window) return;
  m_combo =
      window->CreateControl(this, ControlKind::kComboBox,
                            kCsVisible | kCsTabStop | kCsVScroll | kCsDropDownList, ControlId());
  if (!m_combo) return;
  m_comboWindow = window;
  const CProject* project = Project();
  window->SetControlFont(m_combo, project ? project->Graphics().Font(CGraphics::kNormal)
                                          : CDisplayScale::NormalFont());
  window->EnableControl(m_combo, !IsReadOnly());
  const CSettingsStore store(CSettingsStore::DefaultFilePath());
  m_filter = store.ReadString(kSection, QStringLiteral("Category"));
  FillList();
}

void COutlookPoint::FillList() {
  if (!m_combo || !m_comboWindow) return;
  const CSettingsStore store(CSettingsStore::DefaultFilePath());
  const QString folder =
      COutlookAddressBook::DefaultFolder(store.ReadString(kSection, QStringLiteral("Folder")));
  // Without an address book the list still shows the stored name.
  QStringList entries{QString()};
  if (COutlookAddressBook::ReadFolder(folder, m_contacts)) {
    entries = COutlookAddressBook::ListEntries(m_contacts, m_filter, ShowAllText());
  }
  const QString stored = OutputText();
  if (!stored.isEmpty() && !entries.contains(stored)) entries.insert(1, stored);
  m_filling = true;
  m_comboWindow->ClearItems(m_combo);
  for (const QString& entry : entries) m_comboWindow->AddItem(m_combo, entry);
  m_comboWindow->SetCurrentIndex(m_combo, static_cast<int>(entries.indexOf(stored)));
  m_filling = false;
}

bool COutlookPoint::Hide(bool verify) {
  if (!verify) DestroyCombo();
  if (CBasePoint::Hide(verify)) return true;
  if (m_combo && m_comboWindow) m_comboWindow->FocusControl(m_combo);
  return false;
}

void COutlookPoint::DestroyCombo() {
  if (m_combo && m_comboWindow) m_comboWindow->DestroyControl(m_combo);
  m_combo = 0;
  m_comboWindow = nullptr;
}

// ---- values

void COutlookPoint::SetValue(const QString& text) {
  if (!StoreText(text)) return;
  InvalidatePoint();
  FillList();
}

void COutlookPoint::OnCommand(uint32_t command, intptr_t argument) {
  if (m_filling || !m_combo || !m_comboWindow || argument != m_combo) return;
  if (CommandNotification(command) != kNotifySelectionChange) return;
  Pick(m_comboWindow->CurrentIndex(m_combo));
}

void COutlookPoint::Pick(int index) {
  if (index < 0) return;
  const QString entry = m_comboWindow->ItemText(m_combo, index);
  QString category;
  switch (COutlookAddressBook::ClassifyEntry(entry, CreateNewText(), ShowAllText(), &category)) {
    case COutlookAddressBook::EntryKind::kCreateNew:
      m_filling = true;
      m_comboWindow->SetCurrentIndex(m_combo, 0);
      m_filling = false;
      break;
    case COutlookAddressBook::EntryKind::kShowAll:
    case COutlookAddressBook::EntryKind::kCategory: {
      m_filter = category;
      CSettingsStore store(CSettingsStore::DefaultFilePath());
      store.WriteString(kSection, QStringLiteral("Category"), m_filter);
      FillList();
      break;
    }
    case COutlookAddressBook::EntryKind::kEmpty:
      StoreText(QString());
      break;
    case COutlookAddressBook::EntryKind::kContact:
      StoreText(entry);
      for (const COutlookContact& contact : m_contacts) {
        if (contact.FileAs() == entry) {
          FillSiblings(contact);
          break;
        }
      }
      break;
  }
  UpdateDependents();
}

void COutlookPoint::FillSiblings(const COutlookContact& contact) {
  CPage* page = Page();
  if (!page) return;
  const QString prefix = COutlookAddressBook::SiblingPrefix(m_name);
  // A sibling told of its new value may change the page's points; walk a copy.
  QList<CBasePoint*> points;
  for (const auto& point : page->Points()) points.append(point.get());
  for (CBasePoint* point : points) {
    if (point == this) continue;
    const QString field = COutlookAddressBook::SiblingField(prefix, point->Name());
    if (field.isEmpty()) continue;
    if (COutlookAddressBook::DateFields().contains(field)) {
      const QDate date = contact.dates.value(field);
      point->SetValueV(date.isValid()
                           ? CVariant::FromDate(OleDateFromDateTime(QDateTime(date, QTime(0, 0))))
                           : CVariant());
    } else {
      point->SetValue(contact.texts.value(field));
    }
  }
}

// ---- measuring and painting

int COutlookPoint::GetHeight(QPainter* painter, int width) {
  return CBasePoint::GetHeight(painter, width) + kListHeight * CDisplayScale::Factor();
}

int COutlookPoint::Paint(QPainter* painter) {
  if (!painter) {
    if (m_combo && m_comboWindow && m_comboWindow->IsControlVisible(m_combo)) {
      m_comboWindow->ShowControl(m_combo, false);
    }
    return m_rect.height();
  }
  const int caption = CBasePoint::Paint(painter);
  if (m_combo && m_comboWindow) {
    const int scale = CDisplayScale::Factor();
    // The list's rectangle holds its dropped part below the box.
    m_comboWindow->PlaceControl(m_combo,
                                QRect(m_rect.left(), m_rect.top() + caption, m_rect.width(),
                                      (kListHeight + kDropHeight) * scale));
    m_comboWindow->ShowControl(m_combo, true);
  }
  return caption + kListHeight * CDisplayScale::Factor();
}

// ---- file record

void COutlookPoint::ReadFields(CArchive& ar, int) { m_settings.option = ar.ReadInt32(); }

void COutlookPoint::WriteFields(CArchive& ar) { ar.WriteInt32(m_settings.option); }

// ---- the registered type

namespace {

using S = COutlookPoint::Settings;
using Field = CSettingsField<COutlookPoint>;

const CPointTypeRegistration kOutlookType({
    .typeCode = COutlookPoint::kTypeCode,
    .typeName = "Outlook",
    .create = &CreatePointOf<COutlookPoint>,
    .fields =
        {
            Field("option", &S::option),
        },
    .rank = 190,
    .displayName = "Contacts",
    .description = "Import address book",
    .icon = 168,
});

}  // namespace
