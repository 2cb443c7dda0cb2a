#include "points/ultradrop_table.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <vector>

#include "points/builtin_control.h"

namespace {

QByteArray Key(const char* pattern, int a, int b = 0) {
  return QByteArray(pattern)
      .replace("%1", QByteArray::number(a))
      .replace("%2", QByteArray::number(b));
}

}  // namespace

// ---- the table

QList<CUltraColumn> CUltraTable::DefaultColumns() {
  return {{QStringLiteral("Display"), {}}, {QStringLiteral("Value"), {}}};
}

int CUltraTable::ColumnIndex(const QString& name) const {
  for (int i = 0; i < columns.size(); ++i) {
    if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

QList<CUltraColumn> CUltraTable::ReadColumns(const CBagReader& bag) {
  if (!bag.Has("Column.Count")) return DefaultColumns();
  // A damaged count cannot make more columns than the bag could hold names for.
  const int count = std::clamp(bag.Int("Column.Count"), 0, 1000);
  QList<CUltraColumn> columns;
  for (int i = 1; i <= count; ++i) {
    columns.append({bag.Text(Key("Column.%1.Name", i).constData()),
                    bag.Text(Key("Column.%1.Point", i).constData())});
  }
  return columns;
}

void CUltraTable::WriteColumns(CBagWriter& bag, const QList<CUltraColumn>& columns) {
  bag.Int("Column.Count", static_cast<int32_t>(columns.size()));
  for (int i = 0; i < columns.size(); ++i) {
    bag.Text(Key("Column.%1.Name", i + 1).constData(), columns[i].name);
    bag.Text(Key("Column.%1.Point", i + 1).constData(), columns[i].point);
  }
}

QList<CUltraItem> CUltraTable::ReadItems(const CBagReader& bag, int columnCount) {
  QList<CUltraItem> items;
  const int rows = std::max(0, bag.Int("Items.Count"));
  if (columnCount <= 0 || rows == 0) return items;
  if (bag.Has("Chunks.Count")) {
    QString joined;
    const int chunks = std::max(0, bag.Int("Chunks.Count"));
    for (int i = 1; i <= chunks; ++i) joined += bag.Text(Key("Chunk.%1", i).constData());
    const QStringList cells = joined.split(QLatin1Char('\t'));
    // The last TAB ends the last cell; what follows it is no cell.
    const qsizetype available = cells.size() - 1;
    const qsizetype fullRows = (available + columnCount - 1) / columnCount;
    for (qsizetype row = 0; row < std::min<qsizetype>(rows, fullRows); ++row) {
      CUltraItem item;
      for (int column = 0; column < columnCount; ++column) {
        const qsizetype at = row * columnCount + column;
        item.cells.append(at < available ? cells[at] : QString());
      }
      items.append(item);
    }
    return items;
  }
  // One property per cell: the count is only trusted as far as the rows are there.
  for (int row = 1; row <= rows; ++row) {
    CUltraItem item;
    bool any = false;
    for (int column = 1; column <= columnCount; ++column) {
      const QByteArray key = Key("Items.%1.%2", row, column);
      any = any || bag.Has(key.constData());
      item.cells.append(bag.Text(key.constData()));
    }
    if (!any) break;
    items.append(item);
  }
  return items;
}

void CUltraTable::WriteItems(CBagWriter& bag, const QList<CUltraItem>& items, int columnCount) {
  QString joined;
  for (const CUltraItem& item : items) {
    for (int column = 0; column < columnCount; ++column) {
      // A TAB inside a cell would shift every later cell.
      joined += item.Cell(column).replace(QLatin1Char('\t'), QLatin1Char(' '));
      joined += QLatin1Char('\t');
    }
  }
  const int chunks = static_cast<int>((joined.size() + kChunkChars - 1) / kChunkChars);
  bag.Int("Items.Count", static_cast<int32_t>(items.size()));
  bag.Int("Chunks.Count", chunks);
  for (int i = 0; i < chunks; ++i) {
    bag.Text(Key("Chunk.%1", i + 1).constData(),
             joined.mid(qsizetype(i) * kChunkChars, kChunkChars));
  }
}

// ---- templates

CUltraTemplate::CUltraTemplate(const QString& text, const QList<CUltraColumn>& columns) {
  qsizetype from = 0;
  QString literal;
  while (from < text.size()) {
    const qsizetype open = text.indexOf(QStringLiteral("<%"), from);
    const qsizetype close = open < 0 ? -1 : text.indexOf(QStringLiteral("%>"), open + 2);
    if (close < 0) break;
    literal += text.mid(from, open - from);
    const QString name = text.mid(open + 2, close - open - 2).trimmed();
    int column = -1;
    for (int i = 0; i < columns.size() && column < 0; ++i) {
      if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) column = i;
    }
    if (column < 0) {
      literal += QStringLiteral("(%1: not found)").arg(name);
    } else {
      m_parts.append({literal, column});
      literal.clear();
    }
    from = close + 2;
  }
  literal += text.mid(from);
  if (!literal.isEmpty()) m_parts.append({literal, -1});
}

QString CUltraTemplate::Fill(const CUltraItem& item) const {
  // The common template of one field takes the cell without copying.
  if (m_parts.size() == 1 && m_parts[0].literal.isEmpty()) return item.Cell(m_parts[0].column);
  QString text;
  for (const Part& part : m_parts) {
    text += part.literal;
    if (part.column >= 0) text += item.Cell(part.column);
  }
  return text;
}

// ---- filtering and choosing

QList<int> CUltraChoice::Kept(const CUltraTable& table, const CUltraFilter& filter) {
  QList<int> kept;
  const int count = static_cast<int>(table.items.size());
  if (!filter.set) {
    kept.reserve(count);
    for (int i = 0; i < count; ++i) kept.append(i);
    return kept;
  }
  if (filter.value.isEmpty() || filter.column < 0) {
    if (filter.all) {
      for (int i = 0; i < count; ++i) kept.append(i);
    }
    return kept;
  }
  // Compared without regard to case in place: no lower-cased copy of every cell.
  const QString& value = filter.value;
  const auto cs = Qt::CaseInsensitive;
  for (int i = 0; i < count; ++i) {
    const QStringList& cells = table.items[i].cells;
    const QStringView cell =
        filter.column < cells.size() ? QStringView(cells[filter.column]) : QStringView();
    bool keep = true;
    if (filter.condition == CUltraFilter::kEqual) keep = cell.compare(value, cs) == 0;
    if (filter.condition == CUltraFilter::kContains) keep = cell.contains(value, cs);
    if (filter.condition == CUltraFilter::kStartsWith) keep = cell.startsWith(value, cs);
    if (keep) kept.append(i);
  }
  return kept;
}

QList<int> CUltraChoice::TextRanks(const QStringList& shown) {
  // The C locale's order is by code point (capitals first, "10" before "9"), which no reader
  // expects: it sorts as English does instead.
  const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
  QCollator collator(locale);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  collator.setNumericMode(true);
  // One key per text, so a long list is sorted by cheap key comparisons.
  std::vector<QCollatorSortKey> keys;
  keys.reserve(static_cast<std::size_t>(shown.size()));
  for (const QString& text : shown) keys.push_back(collator.sortKey(text));
  std::vector<int> order(static_cast<std::size_t>(shown.size()));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
    return keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]) < 0;
  });
  QList<int> ranks(shown.size());
  for (std::size_t place = 0; place < order.size(); ++place) {
    ranks[order[place]] = static_cast<int>(place);
  }
  return ranks;
}

QList<int> CUltraChoice::Matching(const QStringList& shown, const QList<int>& kept,
                                  const QString& search, int limit) {
  QList<int> matching;
  for (int index : kept) {
    if (matching.size() >= limit) break;
    if (search.isEmpty() || shown.value(index).contains(search, Qt::CaseInsensitive)) {
      matching.append(index);
    }
  }
  return matching;
}

bool CUltraChoice::IsChosenIn(const QString& value, const QString& separator, const QString& text) {
  const QString needle = value + separator;
  for (qsizetype at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + 1)) {
    if (at == 0 || text[at - 1] == QLatin1Char(' ')) return true;
  }
  return false;
}

QList<int> CUltraChoice::Chosen(const QStringList& outputs, const QString& text, bool multi,
                                const QString& separator) {
  QList<int> chosen;
  for (int i = 0; i < outputs.size(); ++i) {
    if (multi) {
      if (IsChosenIn(outputs[i], separator, text)) chosen.append(i);
    } else if (outputs[i].compare(text, Qt::CaseInsensitive) == 0) {
      chosen.append(i);
      break;
    }
  }
  return chosen;
}

QString CUltraChoice::Joined(const QStringList& texts, const QList<int>& chosen, bool multi,
                             const QString& separator) {
  if (!multi) return chosen.isEmpty() ? QString() : texts.value(chosen.first());
  QString joined;
  for (int index : chosen) joined += texts.value(index) + separator + QLatin1Char(' ');
  return joined;
}

QString CUltraChoice::ColumnText(const CUltraTable& table, int column, const QList<int>& chosen,
                                 bool multi, const QString& separator) {
  QStringList cells;
  QList<int> order;
  for (int index : chosen) {
    order.append(static_cast<int>(cells.size()));
    cells.append(table.items.value(index).Cell(column));
  }
  QString text = Joined(cells, order, multi, separator);
  text.remove(QLatin1Char('\r'));
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text;
}
