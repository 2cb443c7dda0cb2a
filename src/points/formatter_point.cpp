#include "points/formatter_point.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "app/language.h"
#include "points/formatter_fill.h"
#include "project/display_scale.h"
#include "project/point_type.h"

namespace {

const CPointTypeRegistration kFormatter(BuiltInControlType(110, CFormatterPoint::kClassId,
                                                           "TWKF.Formatter", "Formatter",
                                                           "Format strings", 236, 15,
                                                           &CreateBuiltInControl<CFormatterPoint>));

constexpr int kPadding = 3;  // around the text in its box, at normal scale

}  // namespace

CFormatterPoint::CFormatterPoint() : CBuiltInControl(MakeGuid(kClassId)) {}

void CFormatterPoint::LoadProperties(const CBagReader& bag) { m_format = bag.Text("Format"); }

void CFormatterPoint::SaveProperties(CBagWriter& bag) const { bag.Text("Format", m_format); }

void CFormatterPoint::Fill(bool registration) {
  if (Site() == nullptr) return;
  if (!m_format.contains(QStringLiteral("<%"))) {
    SetSiteValue(m_format);
    return;
  }
  const auto lookup = [this](const QString& name, QString& text) {
    bool found = false;
    text = PointValue(name, &found);
    return found;
  };
  CFormatterFill::PrecedentSink precedents;
  if (registration) precedents = [this](const QString& name) { AddPrecedent(name); };
  const int width = Rect().width();
  const int before = HostWindow() != nullptr ? TextHeight(width) : 0;
  SetSiteValue(CFormatterFill::Fill(m_format, lookup, precedents));
  // A text that needs more or fewer lines moves the points below it.
  if (HostWindow() != nullptr && TextHeight(width) != before) InvalidateLayout();
}

HRESULT CFormatterPoint::Init() {
  if (Site() == nullptr) return E_UNEXPECTED;
  Fill(true);
  return S_OK;
}

HRESULT CFormatterPoint::OnDep(IDispatch*) {
  if (Site() == nullptr) return E_UNEXPECTED;
  Fill(false);
  return S_OK;
}

QString CFormatterPoint::ShownText() const {
  const QString value = Value();
  return value.isEmpty() ? CLanguage::Instance().Translate(QStringLiteral("Point.Formatter.Empty"))
                         : value;
}

int CFormatterPoint::TextHeight(int width) const {
  const int scale = CDisplayScale::Factor();
  const QFontMetrics metrics(PageFont());
  const int inner = std::max(1, width - 2 * kPadding * scale);
  const int text =
      metrics.boundingRect(QRect(0, 0, inner, 1 << 20), Qt::TextWordWrap, ShownText()).height();
  return std::max(text, metrics.height()) + 2 * kPadding * scale;
}

HRESULT CFormatterPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  LONG caption = 0;
  const HRESULT hr = Site()->DefaultGetHeight(hDC, nWidth, &caption);
  if (FAILED(hr)) return hr;
  *pnHeight = caption + TextHeight(nWidth);
  return S_OK;
}

HRESULT CFormatterPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (pRect == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  if (hDC == nullptr) return S_OK;
  Site()->DefaultPaint(hDC, pRect);
  const int scale = CDisplayScale::Factor();
  const QRect item = FromAbi(*pRect);
  const int height = std::min(TextHeight(item.width()), item.height());
  const QRect box(item.left(), item.bottom() + 1 - height, item.width(), height);
  hDC->save();
  hDC->setPen(QColor(200, 200, 200));
  hDC->setBrush(QColor(246, 246, 246));
  hDC->drawRect(box.adjusted(0, 0, -1, -1));
  hDC->setFont(PageFont());
  hDC->setPen(Value().isEmpty() ? QColor(128, 128, 128) : QColor(0, 0, 0));
  const int pad = kPadding * scale;
  hDC->drawText(box.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                ShownText());
  hDC->restore();
  return S_OK;
}
