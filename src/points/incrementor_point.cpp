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

CIncrementorPoint::CIncrementorPoint() : CBuiltInControl(MakeGuid(kClassId)) {}

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
  return m_box != 0 && m_boxWindow != nullptr && !ReadOnly() && m_settings.readOnly == 0;
}

HRESULT CIncrementorPoint::Show() {
  const HRESULT hr = CBuiltInControl::Show();
  DestroyBox();
  if (CPageWindow* window = HostWindow()) {
    m_box = window->CreateControl(HostPoint(), ControlKind::kEdit,
                                  kCsBorder | kCsTabStop | kCsAutoHScroll, kBoxId);
    if (m_box != 0) {
      m_boxWindow = window;
      window->SetControlFont(m_box, PageFont());
      window->SetControlReadOnly(m_box, ReadOnly() || m_settings.readOnly != 0);
    }
  }
  const QString value = Value();
  // A session that may not change keeps its empty value: nothing is drawn from the sequence.
  if (value.isEmpty() && m_settings.manual == 0 && !ReadOnly()) {
    HandOut();
  } else if (m_box != 0) {
    m_boxWindow->SetControlText(m_box, value);
  }
  return hr;
}

void CIncrementorPoint::DestroyBox() {
  m_textBeforeEdit.reset();
  if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->DestroyControl(m_box);
  m_box = 0;
  m_boxWindow = nullptr;
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
  if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->SetControlText(m_box, text);
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
        } else if (m_box != 0 && m_boxWindow != nullptr) {
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

HRESULT CIncrementorPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  const LONG width = CNumericEntry::IncrementorCaptionWidth(m_settings.size, nWidth, scale);
  LONG caption = 0;
  const HRESULT hr = CaptionHeight(hDC, width, &caption);
  if (FAILED(hr)) return hr;
  *pnHeight = CNumericEntry::IncrementorHeight(m_settings.size, caption, scale);
  return S_OK;
}

HRESULT CIncrementorPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (pRect == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  if (hDC == nullptr) {
    if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->ShowControl(m_box, false);
    return S_OK;
  }
  const int scale = CDisplayScale::Factor();
  const QRect item = FromAbi(*pRect);
  PaintCaption(hDC, item,
               CNumericEntry::IncrementorCaptionWidth(m_settings.size, item.width(), scale));

  const QRect box = CNumericEntry::IncrementorBox(m_settings.size, item, scale);
  const int iconSide = 16 * scale;
  const QRect icon(box.right() + 1 - iconSide, box.top() + (box.height() - iconSide) / 2, iconSide,
                   iconSide);
  const QRect field = box.adjusted(0, 0, -18 * scale, 0);
  hDC->save();
  CNumericEntry::DrawIncrementorIcon(*hDC, icon);
  if (m_box != 0 && m_boxWindow != nullptr) {
    m_boxWindow->PlaceControl(m_box, field);
    m_boxWindow->ShowControl(m_box, true);
  } else {
    // Without a page window (a preview, a print) the value is drawn where the box would be.
    hDC->setPen(QColor(160, 160, 160));
    hDC->setBrush(QColor(240, 240, 240));
    hDC->drawRect(field.adjusted(0, 0, -1, -1));
    hDC->setFont(PageFont());
    hDC->setPen(Qt::black);
    hDC->drawText(field.adjusted(3 * scale, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Value());
  }
  hDC->restore();
  return S_OK;
}
