#include "points/drop_point.h"

#include <algorithm>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "platform/settings_store.h"
#include "points/choice_logic.h"
#include "points/value_box_layout.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

namespace {

using Logic = CChoiceLogic;

const QString kClearKey = QStringLiteral("clear");

uint32_t ProjectNumber(const CProject* project) {
  return project ? static_cast<uint32_t>(project->GetHeader().uniqueNumber) : 0;
}

}  // namespace

CDropPoint::CDropPoint() : CBasePoint(kTypeCode, QStringLiteral("Drop List")) {}

void CDropPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

// ---- showing and leaving

void CDropPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  // A combo of an earlier showing in this window goes; one in another window is only forgotten.
  if (m_combo && m_comboWindow == window) window->DestroyControl(m_combo);
  m_combo = 0;
  m_comboWindow = nullptr;
  m_clearEntry = false;
  m_lastPick = -1;
  m_lastPickTime = 0;
  if (!window) return;
  const bool multi = m_settings.multiSelect != 0;
  unsigned styles = kCsVisible | kCsTabStop | kCsVScroll;
  if (!multi) styles |= m_settings.editable != 0 ? kCsDropDown : kCsDropDownList;
  m_combo = window->CreateControl(
      this, multi ? ControlKind::kMultiComboBox : ControlKind::kComboBox, styles, ControlId());
  if (!m_combo) return;
  m_comboWindow = window;
  const CProject* project = Project();
  window->SetControlFont(m_combo, project ? project->Graphics().Font(CGraphics::kNormal)
                                          : CDisplayScale::NormalFont());
  window->EnableControl(m_combo, !IsReadOnly());
  // Without it a list of fixed items could not go back to no choice once one was picked.
  m_clearEntry = m_settings.clearable && !multi && m_settings.editable == 0;
  if (m_clearEntry)
    window->AddItem(m_combo,
                    CLanguage::Instance().Translate(QStringLiteral("Point.DropList.Clear")));
  for (const Logic::Item& item : Logic::SplitItems(m_settings.items, m_settings.split != 0)) {
    window->AddItem(m_combo, item.display);
  }
  if (m_settings.remember != 0 && !multi) {
    const CSettingsStore store(CSettingsStore::DefaultFilePath());
    for (const QString& text : CDropMemory::Load(store, ProjectNumber(project), m_name)) {
      window->AddItem(m_combo, text);
    }
  }
  SelectStored();
}

void CDropPoint::SelectStored() {
  if (!m_combo || !m_comboWindow) return;
  const QList<Logic::Item> items = Logic::SplitItems(m_settings.items, m_settings.split != 0);
  const QString stored = OutputText();
  if (m_settings.multiSelect != 0) {
    const QList<bool> chosen = Logic::ChosenIn(items, stored);
    for (int i = 0; i < static_cast<int>(chosen.size()); ++i) {
      m_comboWindow->SetItemSelected(m_combo, i, chosen[i]);
    }
  } else if (m_settings.editable != 0) {
    m_comboWindow->SetControlText(m_combo, stored);
  } else {
    int index = Logic::FindValue(items, stored);
    if (index >= 0) index += ClearEntries();
    // A remembered entry stands for itself.
    for (int i = static_cast<int>(items.size()) + ClearEntries();
         index < 0 && i < m_comboWindow->ItemCount(m_combo); ++i) {
      if (m_comboWindow->ItemText(m_combo, i) == stored && !stored.isEmpty()) index = i;
    }
    m_comboWindow->SetCurrentIndex(m_combo, index);
  }
}

bool CDropPoint::Hide(bool verify) {
  if (!verify) {
    KeepRemembered();
    DestroyCombo();
  }
  if (CBasePoint::Hide(verify)) return true;
  if (m_combo && m_comboWindow) m_comboWindow->FocusControl(m_combo);
  return false;
}

void CDropPoint::KeepRemembered() {
  if (m_settings.remember == 0 || m_settings.multiSelect != 0 || !m_combo || !m_comboWindow) {
    return;
  }
  const QString stored = OutputText();
  QStringList texts;
  for (int i = ClearEntries(); i < m_comboWindow->ItemCount(m_combo); ++i) {
    texts.append(m_comboWindow->ItemText(m_combo, i));
  }
  if (!stored.isEmpty() && !texts.contains(stored)) texts.append(stored);
  CSettingsStore store(CSettingsStore::DefaultFilePath());
  CDropMemory::Save(store, ProjectNumber(Project()), m_name,
                    texts.mid(std::min(texts.size(), m_settings.items.size())));
}

void CDropPoint::DestroyCombo() {
  if (m_combo && m_comboWindow) m_comboWindow->DestroyControl(m_combo);
  m_combo = 0;
  m_comboWindow = nullptr;
}

// ---- values

void CDropPoint::SetValue(const QString& text) {
  const QList<Logic::Item> items = Logic::SplitItems(m_settings.items, m_settings.split != 0);
  if (m_settings.editable != 0 && m_settings.multiSelect == 0) {
    StoreText(text);
    if (m_combo && m_comboWindow) m_comboWindow->SetControlText(m_combo, text);
    return;
  }
  if (m_settings.multiSelect != 0) {
    const QList<bool> chosen = Logic::ChosenIn(items, text);
    StoreText(Logic::JoinChosen(items, chosen));
    if (m_combo && m_comboWindow) {
      for (int i = 0; i < static_cast<int>(chosen.size()); ++i) {
        m_comboWindow->SetItemSelected(m_combo, i, chosen[i]);
      }
    }
    return;
  }
  const int index = Logic::FindValue(items, text);
  if (index < 0) return;
  StoreText(items[index].value);
  if (m_combo && m_comboWindow) m_comboWindow->SetCurrentIndex(m_combo, index + ClearEntries());
}

void CDropPoint::OnCommand(uint32_t command, intptr_t argument) {
  if (!m_combo || !m_comboWindow || argument != m_combo) return;
  const uint16_t code = CommandNotification(command);
  const QList<Logic::Item> items = Logic::SplitItems(m_settings.items, m_settings.split != 0);
  if (code == kNotifyEditChange) {
    if (m_settings.editable == 0) return;
    // Picking an item shows its display text in the edit field; that text stands for the value.
    const QString text = m_comboWindow->ControlText(m_combo);
    const int index = m_comboWindow->CurrentIndex(m_combo);
    const bool picked =
        index >= 0 && index < static_cast<int>(items.size()) && items[index].display == text;
    StoreText(picked ? items[index].value : text);
    return;
  }
  if (code != kNotifySelectionChange && code != kNotifyCloseUp) return;
  if (m_settings.multiSelect != 0) {
    if (code != kNotifyCloseUp) return;
    QList<bool> chosen;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      chosen.append(m_comboWindow->IsItemSelected(m_combo, i));
    }
    StoreText(Logic::JoinChosen(items, chosen));
    return;
  }
  PickSingle(m_comboWindow->CurrentIndex(m_combo));
}

void CDropPoint::PickSingle(int comboIndex) {
  if (comboIndex < 0) return;
  if (comboIndex < ClearEntries()) {
    // The entry stays current, so the keys still step from it to the items.
    m_lastPick = -1;
    StoreText(QString());
    return;
  }
  const int index = comboIndex - ClearEntries();
  const int itemCount = static_cast<int>(m_settings.items.size());
  if (index < itemCount) {
    StoreText(Logic::SplitItem(m_settings.items[index], m_settings.split != 0).value);
    m_lastPick = index;
    return;
  }
  const QString text = m_comboWindow->ItemText(m_combo, comboIndex);
  const uint32_t now = CServices::Instance().TickCount();
  const bool again = index == m_lastPick && now - m_lastPickTime > 999;
  m_lastPick = index;
  m_lastPickTime = now;
  if (again && m_settings.editable != 0) {
    const int answer = CServices::Instance().Messages().ShowMessage(
        RemoveQuestion(text), kMbYesNo | kMbIconQuestion | kMbDefButton2);
    if (answer == kIdYes) {
      // The combo may be gone when the question's event loop left the page.
      if (!m_combo || !m_comboWindow) return;
      m_comboWindow->RemoveItem(m_combo, comboIndex);
      m_comboWindow->SetCurrentIndex(m_combo, -1);
      m_comboWindow->SetControlText(m_combo, QString());
      m_lastPick = -1;
      StoreText(QString());
      return;
    }
  }
  StoreText(text);
}

QString CDropPoint::RemoveQuestion(const QString& text) {
  QString question;
  if (!CLanguage::Instance().Lookup(QStringLiteral("Point.DropList.ConfirmRemove"), question)) {
    question = QStringLiteral("Point.DropList.ConfirmRemove");
  }
  return question.replace(QStringLiteral("%s"), text);
}

bool CDropPoint::GetColumnFormat(bool& numeric, int& length) {
  if (m_settings.editable != 0) return false;
  const QStringList values =
      Logic::Values(Logic::SplitItems(m_settings.items, m_settings.split != 0));
  if (m_settings.multiSelect != 0) {
    Logic::MultipleColumnFormat(values, numeric, length);
  } else {
    Logic::SingleColumnFormat(values, numeric, length);
  }
  return true;
}

// ---- measuring and painting

int CDropPoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  const int caption =
      CBasePoint::GetHeight(painter, CValueBoxLayout::CaptionWidth(m_settings.width, width, scale));
  return CValueBoxLayout::Height(m_settings.width, caption, scale);
}

int CDropPoint::Paint(QPainter* painter) {
  if (!painter) {
    if (m_combo && m_comboWindow && m_comboWindow->IsControlVisible(m_combo)) {
      m_comboWindow->ShowControl(m_combo, false);
    }
    return m_rect.height();
  }
  const int scale = CDisplayScale::Factor();
  const QRect item = m_rect;
  m_rect = CValueBoxLayout::CaptionRect(m_settings.width, item, scale);
  const int caption = CBasePoint::Paint(painter);
  m_rect = item;
  if (m_combo && m_comboWindow) {
    // The combo's rectangle holds its dropped list below the box.
    const QRect box = CValueBoxLayout::BoxRect(m_settings.width, item, caption, scale);
    m_comboWindow->PlaceControl(m_combo, box.adjusted(0, 0, 0, 128 * scale));
    m_comboWindow->ShowControl(m_combo, true);
  }
  return item.height();
}

// ---- settings and file record

void CDropPoint::SaveSettings() {
  m_properties.SetVariant(kClearKey, CVariant::FromBool(m_settings.clearable));
}

void CDropPoint::LoadSettings() {
  const CVariant* clear = m_properties.Find(kClearKey);
  m_settings.clearable = clear && clear->Type() == kVtBool && clear->IntegerPayload() != 0;
}

void CDropPoint::ReadFields(CArchive& ar, int version) {
  if (version >= 23) m_settings.multiSelect = ar.ReadInt32();
  m_settings.editable = ar.ReadInt32();
  m_settings.remember = ar.ReadInt32();
  if (version >= 6) m_settings.split = ar.ReadInt32();
  if (version >= 19) {
    m_settings.width = ar.ReadInt32();
    if (version < 21) m_settings.width = WidthFromFifths(m_settings.width);
  }
  const int32_t count = ar.ReadCount();
  m_settings.items.clear();
  for (int32_t i = 0; i < count; ++i) m_settings.items.append(ar.ReadString());
}

void CDropPoint::WriteFields(CArchive& ar) {
  ar.WriteInt32(m_settings.multiSelect);
  ar.WriteInt32(m_settings.editable);
  ar.WriteInt32(m_settings.remember);
  ar.WriteInt32(m_settings.split);
  ar.WriteInt32(m_settings.width);
  ar.WriteCount(static_cast<int32_t>(m_settings.items.size()));
  for (const QString& item : m_settings.items) ar.WriteString(item);
}

// ---- the registered type

namespace {

using S = CDropPoint::Settings;
using Field = CSettingsField<CDropPoint>;

const CPointTypeRegistration kDropListType({
    .typeCode = CDropPoint::kTypeCode,
    .typeName = "Drop List",
    .create = &CreatePointOf<CDropPoint>,
    .fields =
        {
            Field("multiSelect", &S::multiSelect),
            Field("editable", &S::editable),
            Field("remember", &S::remember),
            Field("split", &S::split),
            Field("width", &S::width),
            Field("items", &S::items),
            Field("clearable", &S::clearable),
        },
    .rank = 40,
    .displayName = "Drop List",
    .description = "Scrollable list",
    .icon = 162,
});

}  // namespace
