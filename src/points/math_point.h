// CMathPoint (type code 9, "Math"): a point that computes its value from a formula over other
// points and shows it in a value box. Only the file record and the fields exist so far; every
// operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include "project/base_point.h"

class CMathPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 9;

  struct Settings {
    QString expression;
    int32_t locked = 1;     // the value box is read-only
    int32_t width = 5;      // value box width in units; 0: the box stands under the caption
    int32_t decimals = -1;  // -1 free, -2 hexadecimal
    int32_t rounding = 1;   // 0 plain, 1 exact with ties to even, 2 exact with ties up
    bool operator==(const Settings& other) const = default;
  };

  CMathPoint();

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
