// CFilePoint (type code 13, "File"): carries one whole file in its value as a file blob. Only
// the file record and the fields exist so far; every operation is still the base point's. Owned
// by its CPage; UI thread only.
#pragma once

#include "project/base_point.h"

class CFilePoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 13;

  struct Settings {
    QString filter = QStringLiteral("All Files|*.*||");
    int32_t attachButton = 3;  // bit value 2: shown
    int32_t saveButton = 3;
    int32_t openButton = 3;
    int32_t watchFolder = 0;  // non-zero: attaching first takes the newest file of the folder
    QString folder = QStringLiteral("\\My Documents");
    QString extensions = QStringLiteral("jpg;jpeg");
    int32_t deleteSource = 0;
    bool operator==(const Settings& other) const = default;
  };

  CFilePoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
