#include "points/choice_logic.h"

#include <algorithm>

#include "platform/settings_store.h"
#include "values/variant_ops.h"

namespace {

const QString kDropSection = QStringLiteral("DropList");

QString CountEntry(uint32_t project, const QString& point) {
  return QStringLiteral("%1.%2.Count").arg(project).arg(point);
}

QString TextEntry(uint32_t project, const QString& point, int index) {
  return QStringLiteral("%1.%2.%3").arg(project).arg(point).arg(index, 3, 10, QLatin1Char('0'));
}

}  // namespace

CChoiceLogic::Item CChoiceLogic::SplitItem(const QString& text, bool split) {
  const qsizetype cut = split ? text.indexOf(QLatin1Char(';')) : -1;
  if (cut < 0) return {text, text};
  return {text.left(cut), text.mid(cut + 1)};
}

QList<CChoiceLogic::Item> CChoiceLogic::SplitItems(const QStringList& texts, bool split) {
  QList<Item> items;
  items.reserve(texts.size());
  for (const QString& text : texts) items.append(SplitItem(text, split));
  return items;
}

QStringList CChoiceLogic::Values(const QList<Item>& items) {
  QStringList values;
  for (const Item& item : items) values.append(item.value);
  return values;
}

bool CChoiceLogic::IsChosenIn(const QString& value, const QString& stored) {
  const QString needle = value + QLatin1Char(';');
  for (qsizetype at = stored.indexOf(needle); at >= 0; at = stored.indexOf(needle, at + 1)) {
    if (at == 0 || stored.at(at - 1) == QLatin1Char(' ')) return true;
  }
  return false;
}

QList<bool> CChoiceLogic::ChosenIn(const QList<Item>& items, const QString& stored) {
  QList<bool> chosen;
  for (const Item& item : items) chosen.append(IsChosenIn(item.value, stored));
  return chosen;
}

QString CChoiceLogic::JoinChosen(const QList<Item>& items, const QList<bool>& chosen) {
  QString text;
  for (qsizetype i = 0; i < items.size() && i < chosen.size(); ++i) {
    if (chosen[i]) text += items[i].value + QStringLiteral("; ");
  }
  return text;
}

int CChoiceLogic::FindValue(const QList<Item>& items, const QString& text) {
  for (qsizetype i = 0; i < items.size(); ++i) {
    if (items[i].value.compare(text, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

void CChoiceLogic::SingleColumnFormat(const QStringList& values, bool& numeric, int& length) {
  numeric = true;
  length = 0;
  for (const QString& value : values) {
    numeric = numeric && IsNumericList(value);
    length = std::max(length, static_cast<int>(value.size()));
  }
}

void CChoiceLogic::MultipleColumnFormat(const QStringList& values, bool& numeric, int& length) {
  numeric = false;
  length = 0;
  for (const QString& value : values) length += static_cast<int>(value.size()) + 2;
}

QList<CChoiceLogic::Button> CChoiceLogic::BooleanButtons(int32_t style, const QString& trueText,
                                                         const QString& falseText,
                                                         const QString& naText) {
  switch (style) {
    case 1:
      return {{ButtonKind::kTrue, trueText}, {ButtonKind::kFalse, falseText}};
    case 2:
      return {{ButtonKind::kTrue, trueText},
              {ButtonKind::kFalse, falseText},
              {ButtonKind::kNa, naText}};
    case 3:
      return {{ButtonKind::kFalse, falseText}};
    default:
      return {{ButtonKind::kTrue, trueText}};
  }
}

QRect CChoiceLogic::ButtonRow(const QRect& item, int count, int scale) {
  const int size = ButtonSize(scale);
  const int width = size * count;
  const int top = item.top() + (item.height() - size) / 2;
  return QRect(item.left() + item.width() - width, top, width, size);
}

CChoiceLogic::TapResult CChoiceLogic::BooleanTap(const QRect& item, const QList<Button>& buttons,
                                                 int x, int y, int scale, const QString& stored,
                                                 QString& newValue) {
  const QRect row = ButtonRow(item, static_cast<int>(buttons.size()), scale);
  if (x < row.left()) return TapResult::kPassOn;
  const int centre = row.top() + row.height() / 2;
  if (y < centre - 19 * scale || y > centre + 19 * scale) {
    newValue.clear();
    return TapResult::kClear;
  }
  const int index = (x - row.left()) / ButtonSize(scale);
  if (index < 0 || index >= buttons.size()) return TapResult::kNothing;
  const QString& text = buttons[index].text;
  newValue = stored == text ? QString() : text;
  return TapResult::kSet;
}

int CChoiceLogic::GridColumns(int width, int widest, int count, int scale) {
  const int cell = std::max(1, widest + 32 * scale);
  return std::clamp(width / cell, 1, std::max(1, count));
}

int CChoiceLogic::GridRows(int count, int columns) {
  if (count <= 0 || columns <= 0) return 0;
  return (count + columns - 1) / columns;
}

QRect CChoiceLogic::GridCell(const QRect& item, int top, int columns, int index, int scale) {
  columns = std::max(1, columns);
  const int width = item.width() / columns;
  const int height = GridRowHeight(scale);
  return QRect(item.left() + (index % columns) * width, top + (index / columns) * height, width,
               height);
}

void CChoiceLogic::ToggleSelection(QList<bool>& selected, int index, bool single) {
  if (index < 0 || index >= selected.size()) return;
  const bool now = !selected[index];
  if (single) std::fill(selected.begin(), selected.end(), false);
  selected[index] = now;
}

QString CChoiceLogic::SelectionText(const QList<Item>& items, const QList<bool>& selected,
                                    bool single) {
  if (!single) return JoinChosen(items, selected);
  for (qsizetype i = 0; i < items.size() && i < selected.size(); ++i) {
    if (selected[i]) return items[i].value;
  }
  return QString();
}

QStringList CDropMemory::Load(const CSettingsStore& store, uint32_t project, const QString& point) {
  QStringList entries;
  const int count = store.ReadInt(kDropSection, CountEntry(project, point), 0);
  // A damaged profile cannot make the combo swallow the machine: three digits is the limit.
  for (int i = 1; i <= std::min(count, 999); ++i) {
    const QString text = store.ReadString(kDropSection, TextEntry(project, point, i));
    if (!text.isEmpty()) entries.append(text);
  }
  return entries;
}

bool CDropMemory::Save(CSettingsStore& store, uint32_t project, const QString& point,
                       const QStringList& entries) {
  const int count = static_cast<int>(std::min<qsizetype>(entries.size(), 999));
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    ok = store.WriteString(kDropSection, TextEntry(project, point, i + 1), entries[i]) && ok;
  }
  return store.WriteInt(kDropSection, CountEntry(project, point), count) && ok;
}
