// CListPoint (type code 2, "Selection"): all items laid out as a grid of buttons under the
// caption; a tap toggles an item (one at a time with single select) and stores the chosen values.
// The rules without a window are in CChoiceLogic. Owned by its CPage; UI thread only.
#pragma once

#include <QList>
#include <QStringList>

#include "project/base_point.h"

class CListPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 2;

  struct Settings {
    QStringList items;  // "value;display" when split is set
    int32_t singleSelect = 1;
    int32_t split = 0;
    bool operator==(const Settings& other) const = default;
  };

  CListPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // Which items are marked as chosen, in item order (empty until the value was set or shown).
  const QList<bool>& Selected() const { return m_selected; }
  int Columns() const { return m_columns; }
  int Rows() const { return m_rows; }
  // The button of item `index` on the page (after a layout), else an empty rectangle.
  QRect ItemButton(int index) const;

  void Show(CPageWindow* window) override;
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  bool GetColumnFormat(bool& numeric, int& length) override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  void MarkItems(const QString& text);

  Settings m_settings;
  QList<bool> m_selected;
  int m_columns = 0;
  int m_rows = 0;
  int m_captionHeight = 0;  // the base height above the grid, from the last layout
};
