// CDropPoint (type code 4, "Drop List"): a combo box over a fixed item list, optionally editable,
// multi-select and remembering typed entries in the profile. A clearable list of fixed items
// starts with an entry that clears the value (a typed or ticked value is cleared in the box
// itself). The combo exists while the page is shown and belongs to the page window; the rules
// without a window are in CChoiceLogic. Owned by its CPage; UI thread only.
#pragma once

#include <QStringList>

#include "project/base_point.h"
#include "project/page_window.h"

class CDropPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 4;

  struct Settings {
    QStringList items;  // "value;display" when split is set
    int32_t multiSelect = 0;
    int32_t editable = 0;
    int32_t remember = 0;
    int32_t split = 0;
    int32_t width = 0;       // value box width in units; 0: the box stands under the caption
    bool clearable = false;  // the property "clear"
    bool operator==(const Settings& other) const = default;
  };

  CDropPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The combo while the point is shown, else 0.
  CPageWindow::Control Combo() const { return m_combo; }

  void Show(CPageWindow* window) override;
  bool Hide(bool verify) override;
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnCommand(uint32_t command, intptr_t argument) override;
  bool GetColumnFormat(bool& numeric, int& length) override;
  void SaveSettings() override;
  void LoadSettings() override;

  // The question asked before a remembered entry is removed.
  static QString RemoveQuestion(const QString& text);

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  void DestroyCombo();
  // Marks what the stored text chooses in the combo.
  void SelectStored();
  void PickSingle(int comboIndex);
  void KeepRemembered();
  // 1 while the combo starts with the entry that clears the value, else 0.
  int ClearEntries() const { return m_clearEntry ? 1 : 0; }

  Settings m_settings;
  CPageWindow::Control m_combo = 0;
  CPageWindow* m_comboWindow = nullptr;  // the window the combo was made in; it outlives it
  bool m_clearEntry = false;             // the combo starts with the clearing entry
  int m_lastPick = -1;
  uint32_t m_lastPickTime = 0;
};
