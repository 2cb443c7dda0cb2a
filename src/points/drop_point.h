// CDropPoint (type code 4, "Drop List"): a combo box over a fixed item list, optionally editable,
// multi-select and remembering typed entries. Only the file record and the fields exist so far;
// every operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include <QStringList>

#include "project/base_point.h"

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

  void SaveSettings() override;
  void LoadSettings() override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
