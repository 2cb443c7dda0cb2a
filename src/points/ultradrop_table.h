// The ultradrop's table and the rules over it, without any window: named columns (CUltraColumn),
// items with one text per column (CUltraItem), the two stored forms of the table in the property
// bag, the templates of an item's shown and stored text (CUltraTemplate), which items a filter
// keeps and which items a value text chooses (CUltraChoice). Plain values; any thread.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class CBagReader;
class CBagWriter;

struct CUltraColumn {
  QString name;
  QString point;  // the point the chosen items' cells of this column are written into, or empty
  bool operator==(const CUltraColumn& other) const = default;
};

struct CUltraItem {
  QStringList cells;  // one per column, in column order
  QString Cell(int column) const {
    return column >= 0 && column < cells.size() ? cells[column] : QString();
  }
  bool operator==(const CUltraItem& other) const = default;
};

struct CUltraTable {
  QList<CUltraColumn> columns = DefaultColumns();
  QList<CUltraItem> items;

  // "Display" and "Value".
  static QList<CUltraColumn> DefaultColumns();
  // The column of that name without regard to case, or -1.
  int ColumnIndex(const QString& name) const;

  // "Column.Count" with "Column.<i>.Name" and "Column.<i>.Point" (from 1); the default columns
  // when there is no count.
  static QList<CUltraColumn> ReadColumns(const CBagReader& bag);
  static void WriteColumns(CBagWriter& bag, const QList<CUltraColumn>& columns);
  // "Items.Count" rows from the chunks ("Chunks.Count", "Chunk.<i>": every cell ended by TAB, row
  // after row) or, without chunks, from the older one property per cell ("Items.<row>.<col>").
  // Cells a damaged bag lacks are empty.
  static QList<CUltraItem> ReadItems(const CBagReader& bag, int columnCount);
  // Always the chunk form.
  static void WriteItems(CBagWriter& bag, const QList<CUltraItem>& items, int columnCount);
  static constexpr int kChunkChars = 8000;
};

// A template of an item's text: every "<% name %>" stands for the item's cell in the column of
// that name (blanks around it ignored, case ignored), "(name: not found)" for a name no column
// has. A "<%" without a closing "%>" and everything after it stay as they are. Parsed once.
class CUltraTemplate {
 public:
  CUltraTemplate(const QString& text, const QList<CUltraColumn>& columns);
  QString Fill(const CUltraItem& item) const;

 private:
  struct Part {
    QString literal;
    int column = -1;  // -1: the literal alone
  };
  QList<Part> m_parts;
};

// What the point's filter settings ask for: with both the point and the column set, the items
// whose cell in that column compares with the filter point's value.
struct CUltraFilter {
  enum Condition : int32_t { kEqual = 0, kContains = 1, kStartsWith = 2 };
  bool set = false;  // both "Filter.Point" and "Filter.Column" are named
  QString value;     // the filter point's value text
  int column = -1;   // the filter column, -1 when the table has none of that name
  int32_t condition = kEqual;
  bool all = false;  // "Filter.All": without a usable value show every item, else none
};

class CUltraChoice {
 public:
  // Indexes of the items the filter keeps, in table order. Any other condition keeps the item.
  static QList<int> Kept(const CUltraTable& table, const CUltraFilter& filter);
  // Each item's place when the shown texts are put in the order a reader expects (the user's
  // language, case second, numbers by their value); equal texts keep their table order.
  static QList<int> TextRanks(const QStringList& shown);
  // Of `kept`, those whose shown text contains `search` without regard to case (all for an empty
  // search), at most `limit`.
  static QList<int> Matching(const QStringList& shown, const QList<int>& kept,
                             const QString& search, int limit);

  // Whether `value` + `separator` occurs in `text` at its start or after a space.
  static bool IsChosenIn(const QString& value, const QString& separator, const QString& text);
  // The items a value text chooses: several, every item whose stored value (+ separator) occurs
  // in the text; one, the first item whose stored value equals the text without regard to case.
  static QList<int> Chosen(const QStringList& outputs, const QString& text, bool multi,
                           const QString& separator);
  // The point's value for chosen items: several, each stored value + separator + space; one, its
  // stored value.
  static QString Joined(const QStringList& texts, const QList<int>& chosen, bool multi,
                        const QString& separator);
  // A column point's text: the chosen items' cells (joined as Joined), CR dropped and LF as
  // CR LF.
  static QString ColumnText(const CUltraTable& table, int column, const QList<int>& chosen,
                            bool multi, const QString& separator);
};
