// CTelegramPoint (type code 14, "Telegram"): sends the values of chosen points to the server as
// a telegram, or applies matching telegrams it receives. Only the file record and the fields
// exist so far; every operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include <QStringList>

#include "project/base_point.h"

class CTelegramPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 14;

  struct Settings {
    QString telegramName = QStringLiteral("Telegram1");
    int32_t showAlerts = 1;
    int32_t send = 1;
    int32_t receive = 0;
    QString matchKey;    // empty, a point name, or "(GUID)"
    QStringList fields;  // points whose values a sent telegram carries; "(GUID)" adds the session's
    bool operator==(const Settings& other) const = default;
  };

  CTelegramPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
