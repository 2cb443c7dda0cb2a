// CChoiceLogic: the rules the boolean, drop and list points share, without any window: item
// texts split into value and display text, which values a stored text chooses, the stored text
// of several choices, the column format of the values, the boolean buttons and where a tap lands,
// and the list point's grid. CDropMemory keeps the texts a drop point remembers in the profile.
// Stateless functions; UI thread (the profile is the client's settings file).
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>

class CSettingsStore;

class CChoiceLogic {
 public:
  struct Item {
    QString value;
    QString display;
  };

  // With `split` an item text "value;display" is cut at its first ";"; otherwise (or without a
  // ";") value and display are the whole text.
  static Item SplitItem(const QString& text, bool split);
  static QList<Item> SplitItems(const QStringList& texts, bool split);
  static QStringList Values(const QList<Item>& items);

  // Whether `value` followed by ";" occurs in `stored` at its start or after a space.
  static bool IsChosenIn(const QString& value, const QString& stored);
  // Per item, whether the stored text of several choices chooses it.
  static QList<bool> ChosenIn(const QList<Item>& items, const QString& stored);
  // The stored text of several choices: each chosen value followed by "; ", in item order.
  static QString JoinChosen(const QList<Item>& items, const QList<bool>& chosen);
  // The first item whose value equals `text` without regard to case, or -1.
  static int FindValue(const QList<Item>& items, const QString& text);

  // Column format of one value out of `values`: numeric when every value is a numeric text,
  // length the longest.
  static void SingleColumnFormat(const QStringList& values, bool& numeric, int& length);
  // Column format of several values: never numeric, length the sum of each length plus 2.
  static void MultipleColumnFormat(const QStringList& values, bool& numeric, int& length);

  // ---- the boolean point
  enum class ButtonKind { kTrue, kFalse, kNa };
  struct Button {
    ButtonKind kind;
    QString text;
  };
  // The buttons of a style, left to right; unknown styles show the true button alone.
  static QList<Button> BooleanButtons(int32_t style, const QString& trueText,
                                      const QString& falseText, const QString& naText);
  // The side of a square button, and of the row's height: 36 pixels at normal scale.
  static int ButtonSize(int scale) { return 36 * scale; }
  // The row of `count` buttons at the right of the item, centred vertically.
  static QRect ButtonRow(const QRect& item, int count, int scale);
  // What a tap does to a boolean point's value. kPassOn: the tap is left of the buttons.
  enum class TapResult { kPassOn, kClear, kSet, kNothing };
  static TapResult BooleanTap(const QRect& item, const QList<Button>& buttons, int x, int y,
                              int scale, const QString& stored, QString& newValue);

  // ---- the list point's grid
  // Columns for a width: width / (widest + 32 x scale), at least 1, at most the item count.
  static int GridColumns(int width, int widest, int count, int scale);
  static int GridRows(int count, int columns);
  // The height of one row of buttons.
  static int GridRowHeight(int scale) { return 36 * scale; }
  // The button rectangle of item `index` in a grid below `top` inside `item`.
  static QRect GridCell(const QRect& item, int top, int columns, int index, int scale);
  // New selection after a tap on item `index`.
  static void ToggleSelection(QList<bool>& selected, int index, bool single);
  // The stored text of a selection: single, the first selected value; else JoinChosen.
  static QString SelectionText(const QList<Item>& items, const QList<bool>& selected, bool single);
};

// The texts a drop point remembers, in the profile section "DropList" under entries
// "<project number>.<point name>.Count" and "<project number>.<point name>.<nnn>" (from 001).
class CDropMemory {
 public:
  static QStringList Load(const CSettingsStore& store, uint32_t project, const QString& point);
  static bool Save(CSettingsStore& store, uint32_t project, const QString& point,
                   const QStringList& entries);
};
