#include "points/incrementor_point.h"

#include <QPainter>
#include <algorithm>

#include "app/services.h"
#include "app/twkf_app.h"
#include "app/unit_identity.h"
#include "platform/settings_store.h"
#include "points/custom_point.h"
#include "points/numeric_entry.h"
#include "project/display_scale.h"
#include "project/point_type.h"
#include "values/abi_values.h"

namespace {

const CPointTypeRegistration kIncrementor(
    BuiltInControlType(180, CIncrementorPoint::kClassId, "TWKF.Incrementor", "Incrementor",
                       "Assign unique values", 237, 15, &CreateBuiltInControl<CIncrementorPoint>));

// The unit ID the numbers are written with: the running client's, else the stored setting.
QString UnitId(const CSettingsStore& settings) {
  if (const CTWKFApp* app = CTWKFApp::Instance(); app != nullptr && !app->UnitId().isEmpty()) {
    return app->UnitId();
  }
  return settings.ReadString(QStringLiteral("Unit"), QStringLiteral("ID"),
                             QString::fromLatin1(CUnitIdentity::kDefaultId));
}

// Calls `use` with the client's settings: the running application's, else the settings file.
template <class Use>
void WithSettings(Use use) {
  if (CTWKFApp* app = CTWKFApp::Instance()) {
    use(app->Settings());
    return;
  }
  CSettingsStore settings(CSettingsStore::DefaultFilePath());
  use(settings);
}

}  // namespace

CIncrementorPoint::CIncrementorPoint() : CNumericBoxPoint(MakeGuid(kClassId)) {}

void CIncrementorPoint::LoadProperties(const CBagReader& bag) {
  const Settings defaults;
  m_settings.unique = bag.Text("Unique", defaults.unique);
  m_settings.initial = bag.Int("Initial", defaults.initial);
  m_settings.increment = bag.Int("Increment", defaults.increment);
  m_settings.format = bag.Text("Format", defaults.format);
  m_settings.size = bag.Int("Size", defaults.size);
  m_settings.readOnly = bag.Int("ReadOnly", defaults.readOnly);
  m_settings.manual = bag.Int("Manual", defaults.manual);
}

void CIncrementorPoint::SaveProperties(CBagWriter& bag) const {
  bag.Text("Unique", m_settings.unique);
  bag.Int("Initial", m_settings.initial);
  bag.Int("Increment", m_settings.increment);
  bag.Text("Format", m_settings.format);
  bag.Int("Size", m_settings.size);
  bag.Int("ReadOnly", m_settings.readOnly);
  bag.Int("Manual", m_settings.manual);
}

void CIncrementorPoint::HandOut(std::optional<int> typed) {
  if (!CNumericEntry::CanHandOut(m_settings.unique, m_settings.format)) {
    Take(QStringLiteral("Error"));
    return;
  }
  WithSettings([&](CSettingsStore& settings) {
    const int number =
        typed ? *typed : CNumericEntry::NextNumber(settings, m_settings.unique, m_settings.initial);
    CNumericEntry::HandedOut(settings, m_settings.unique, number, m_settings.increment);
    Take(CNumericEntry::FillFormat(m_settings.format, number, UnitId(settings)));
  });
}

QString CIncrementorPoint::CurrentUnitId() const {
  QString id;
  WithSettings([&](CSettingsStore& settings) { id = UnitId(settings); });
  return id;
}

bool CIncrementorPoint::Typeable() const {
  return HasBox() && !ReadOnly() && m_settings.readOnly == 0;
}

HRESULT CIncrementorPoint::Show() {
  const HRESULT hr = CBuiltInControl::Show();
  CreateBox(kBoxId, ReadOnly() || m_settings.readOnly != 0);
  const QString value = Value();
  // A session that may not change keeps its empty value: nothing is drawn from the sequence.
  if (value.isEmpty() && m_settings.manual == 0 && !ReadOnly()) {
    HandOut();
  } else {
    SetBoxText(value);
  }
  return hr;
}

void CIncrementorPoint::DestroyBox() {
  m_textBeforeEdit.reset();
  CNumericBoxPoint::DestroyBox();
}

HRESULT CIncrementorPoint::Hide() {
  DestroyBox();
  return CBuiltInControl::Hide();
}

HRESULT CIncrementorPoint::SetValue(BSTR strValue) {
  if (m_setting) return S_OK;
  Take(TextFromBstr(strValue));
  return S_OK;
}

void CIncrementorPoint::Take(const QString& text) {
  if (m_setting) return;
  m_setting = true;
  SetBoxText(text);
  SetSiteValue(text);
  m_setting = false;
}

HRESULT CIncrementorPoint::OnTap(LONG x, LONG y) {
  if (Site() == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  const QRect item = Rect();
  const bool leftOfIcons = x < item.right() + 1 - 18 * scale;
  const bool aboveBox =
      CNumericEntry::Units(m_settings.size) > 0 && y < item.bottom() + 1 - 20 * scale;
  if (leftOfIcons || aboveBox) return Site()->DefaultOnTap(x, y);
  if (ReadOnly()) return S_OK;
  const uint32_t now = CServices::Instance().TickCount();
  if (m_editEnded && now - *m_editEnded < kTapAfterEditMs) return S_OK;
  HandOut();
  return S_OK;
}

HRESULT CIncrementorPoint::OnCommand(ULONG nCommand, LONGLONG nArgument) {
  const HRESULT hr = CBuiltInControl::OnCommand(nCommand, nArgument);
  if (!Typeable() || CommandControlId(nCommand) != kBoxId) return hr;
  switch (CommandNotification(nCommand)) {
    case kNotifySetFocus:
      if (!m_textBeforeEdit) m_textBeforeEdit = m_boxWindow->ControlText(m_box);
      break;
    case kNotifyKillFocus: {
      if (!m_textBeforeEdit) break;
      const QString before = *m_textBeforeEdit;
      m_textBeforeEdit.reset();
      const QString text = m_boxWindow->ControlText(m_box);
      // Only a changed text restarts the sequence: passing through the box hands out nothing.
      if (text != before) {
        const std::optional<int> number =
            CNumericEntry::TypedNumber(m_settings.format, CurrentUnitId(), text);
        if (number) {
          HandOut(number);
        } else if (HasBox()) {
          m_boxWindow->SetControlText(m_box, before);
        }
      }
      m_editEnded = CServices::Instance().TickCount();
      break;
    }
    default:
      break;
  }
  return hr;
}

int CIncrementorPoint::CaptionWidth(int width, int scale) const {
  return CNumericEntry::IncrementorCaptionWidth(m_settings.size, width, scale);
}

int CIncrementorPoint::Height(int captionHeight, int scale) const {
  return CNumericEntry::IncrementorHeight(m_settings.size, captionHeight, scale);
}

void CIncrementorPoint::PaintBox(QPainter& painter, const QRect& item, int scale) {
  const QRect box = CNumericEntry::IncrementorBox(m_settings.size, item, scale);
  const int iconSide = 16 * scale;
  const QRect icon(box.right() + 1 - iconSide, box.top() + (box.height() - iconSide) / 2, iconSide,
                   iconSide);
  const QRect field = box.adjusted(0, 0, -18 * scale, 0);
  CNumericEntry::DrawIncrementorIcon(painter, icon);
  if (!HasBox()) {
    painter.setPen(QColor(160, 160, 160));
    painter.setBrush(QColor(240, 240, 240));
    painter.drawRect(field.adjusted(0, 0, -1, -1));
  }
  PlaceBox(painter, field, scale);
}
