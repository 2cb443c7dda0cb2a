// CLinkPoint (type code 5, "Link"): a caption that jumps to another page, opens an address or
// hands a command link to the main window when tapped. Only the file record and the fields exist
// so far; every operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include <QByteArray>

#include "project/base_point.h"

class CLinkPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 5;

  struct Settings {
    uint32_t targetPage = 0;  // page unique number, 0 for none
    QString address;          // a template
    int32_t alignment = 0;    // of the caption: 0 left, 1 centred, 2 right
    QString fontFace = QStringLiteral("Tahoma");
    int32_t fontSize = -12;
    int32_t italic = 0;
    int32_t underline = 1;
    uint32_t colour = 0x00FF0000;  // 0x00BBGGRR: blue
    QByteArray image;
    int32_t imageScale = 0;
    int32_t imageFlag = 0;  // carried through
    bool operator==(const Settings& other) const = default;
  };

  CLinkPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
