// CLayoutPoint (type code 7, "Layout"): a static text, separator line or image on a page. Only
// the file record and the fields exist so far; every operation is still the base point's. Owned
// by its CPage; UI thread only.
#pragma once

#include <QByteArray>

#include "project/base_point.h"

class CLayoutPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 7;

  struct Settings {
    QString text;           // a template
    int32_t alignment = 1;  // 0 left, 1 centred, 2 right
    QString fontFace = QStringLiteral("Tahoma");
    int32_t fontSize = -12;  // negative: character height
    int32_t italic = 0;
    int32_t underline = 0;
    uint32_t colour = 0;     // 0x00BBGGRR, text and line colour
    QByteArray image;        // an encoded picture, empty for none
    int32_t imageScale = 0;  // non-zero: the picture was made for doubled scale
    bool operator==(const Settings& other) const = default;
  };

  CLayoutPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
