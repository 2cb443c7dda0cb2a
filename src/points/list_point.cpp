#include "points/list_point.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "points/choice_logic.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page_window.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

namespace {

using Logic = CChoiceLogic;

QFont ItemFont(const CProject* project) {
  return project ? project->Graphics().Font(CGraphics::kNormal) : CDisplayScale::NormalFont();
}

}  // namespace

CListPoint::CListPoint() : CBasePoint(kTypeCode, QStringLiteral("Selection")) {}

void CListPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

// ---- values

void CListPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  MarkItems(OutputText());
}

void CListPoint::SetValue(const QString& text) {
  StoreText(text);
  // The marks follow the value even when it was already stored (a reload or a repeat).
  MarkItems(text);
  InvalidatePoint();
}

void CListPoint::MarkItems(const QString& text) {
  const QList<Logic::Item> items = Logic::SplitItems(m_settings.items, m_settings.split != 0);
  if (m_settings.singleSelect != 0) {
    m_selected = QList<bool>(items.size(), false);
    const int index = Logic::FindValue(items, text);
    if (index >= 0) m_selected[index] = true;
  } else {
    m_selected = Logic::ChosenIn(items, text);
  }
}

bool CListPoint::GetColumnFormat(bool& numeric, int& length) {
  const QStringList values =
      Logic::Values(Logic::SplitItems(m_settings.items, m_settings.split != 0));
  if (m_settings.singleSelect != 0) {
    Logic::SingleColumnFormat(values, numeric, length);
  } else {
    Logic::MultipleColumnFormat(values, numeric, length);
  }
  return true;
}

// ---- measuring, painting, tapping

int CListPoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  const QFontMetrics metrics(ItemFont(Project()));
  int widest = 0;
  for (const Logic::Item& item : Logic::SplitItems(m_settings.items, m_settings.split != 0)) {
    widest = std::max(widest, metrics.horizontalAdvance(item.display));
  }
  const int count = static_cast<int>(m_settings.items.size());
  m_columns = Logic::GridColumns(width, widest, count, scale);
  m_rows = Logic::GridRows(count, m_columns);
  m_captionHeight = CBasePoint::GetHeight(painter, width);
  return m_captionHeight + m_rows * Logic::GridRowHeight(scale);
}

QRect CListPoint::ItemButton(int index) const {
  if (index < 0 || index >= m_settings.items.size() || m_columns <= 0) return QRect();
  const int scale = CDisplayScale::Factor();
  const QRect cell =
      Logic::GridCell(m_rect, m_rect.top() + m_captionHeight, m_columns, index, scale);
  return cell.adjusted(2 * scale, 2 * scale, -2 * scale, -2 * scale);
}

int CListPoint::Paint(QPainter* painter) {
  if (!painter) return m_rect.height();
  const int scale = CDisplayScale::Factor();
  const QRect item = m_rect;
  m_rect.setHeight(std::max(0, std::min(item.height(), m_captionHeight)));
  CBasePoint::Paint(painter);
  m_rect = item;
  if (m_selected.size() != m_settings.items.size()) MarkItems(OutputText());

  const QList<Logic::Item> items = Logic::SplitItems(m_settings.items, m_settings.split != 0);
  const QColor idle = IsReadOnly() ? QColor(232, 232, 232) : QColor(255, 255, 230);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setFont(ItemFont(Project()));
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    const QRect button = ItemButton(i);
    const bool selected = m_selected.value(i);
    painter->setPen(QPen(selected ? QColor(0, 84, 166) : QColor(208, 208, 208), 1));
    painter->setBrush(selected ? QColor(0, 102, 204) : idle);
    painter->drawRoundedRect(QRectF(button).adjusted(0.5, 0.5, -0.5, -0.5), 6 * scale, 6 * scale);
    painter->setPen(selected ? QColor(Qt::white) : QColor(Qt::black));
    painter->drawText(button.adjusted(4 * scale, 0, -4 * scale, 0),
                      Qt::AlignCenter | Qt::TextSingleLine, items[i].display);
  }
  painter->restore();
  return item.height();
}

void CListPoint::OnTap(int x, int y) {
  for (int i = 0; i < static_cast<int>(m_settings.items.size()); ++i) {
    if (!ItemButton(i).contains(x, y)) continue;
    if (IsReadOnly()) return;
    if (m_selected.size() != m_settings.items.size()) MarkItems(OutputText());
    const bool single = m_settings.singleSelect != 0;
    Logic::ToggleSelection(m_selected, i, single);
    StoreText(Logic::SelectionText(Logic::SplitItems(m_settings.items, m_settings.split != 0),
                                   m_selected, single));
    InvalidatePoint();
    return;
  }
  CBasePoint::OnTap(x, y);
}

// ---- file record

void CListPoint::ReadFields(CArchive& ar, int version) {
  m_settings.singleSelect = ar.ReadInt32();
  if (version >= 7) m_settings.split = ar.ReadInt32();
  const int32_t count = ar.ReadCount();
  m_settings.items.clear();
  for (int32_t i = 0; i < count; ++i) m_settings.items.append(ar.ReadString());
}

void CListPoint::WriteFields(CArchive& ar) {
  ar.WriteInt32(m_settings.singleSelect);
  ar.WriteInt32(m_settings.split);
  ar.WriteCount(static_cast<int32_t>(m_settings.items.size()));
  for (const QString& item : m_settings.items) ar.WriteString(item);
}

// ---- the registered type

namespace {

using S = CListPoint::Settings;
using Field = CSettingsField<CListPoint>;

const CPointTypeRegistration kSelectionType({
    .typeCode = CListPoint::kTypeCode,
    .typeName = "Selection",
    .create = &CreatePointOf<CListPoint>,
    .fields =
        {
            Field("singleSelect", &S::singleSelect),
            Field("split", &S::split),
            Field("items", &S::items),
        },
    .rank = 30,
    .displayName = "Selection",
    .description = "List of options",
    .icon = 144,
});

}  // namespace
