// COutlookPoint (type code 8, "Outlook", shown as "Contacts"): picks a person from the address
// book and copies the details into sibling points. Only the file record and the fields exist so
// far; every operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include "project/base_point.h"

class COutlookPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 8;

  struct Settings {
    int32_t option = 1;  // carried through
    bool operator==(const Settings& other) const = default;
  };

  COutlookPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
