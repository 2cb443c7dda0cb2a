// CEditPoint (type code 3, "Edit"): the plain typed-entry field. Only the file record and the
// fields exist so far; every operation is still the base point's. Owned by its CPage; UI thread
// only.
#pragma once

#include "project/base_point.h"

class CEditPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 3;

  struct Settings {
    int32_t numeric = 0;
    int32_t password = 0;
    int32_t rangeCheck = 0;
    int32_t minimum = 0;
    int32_t maximum = 100;
    int32_t arrows = 0;
    // > 0: a box of that many lines under the caption; <= 0: a one-line box beside the caption
    // whose width grows with -lines
    int32_t lines = 1;
    int32_t maxLength = 0;  // 0: no limit
    int32_t padWidth = 0;   // > 0: texts are filled with "0" on the left to this length
    bool readOnly = false;  // the property "readonly"
    bool operator==(const Settings& other) const = default;
  };

  CEditPoint();

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
