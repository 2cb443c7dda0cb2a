// CListPoint (type code 2, "Selection"): all items laid out as a grid of buttons. Only the file
// record and the fields exist so far; every operation is still the base point's. Owned by its
// CPage; UI thread only.
#pragma once

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

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
