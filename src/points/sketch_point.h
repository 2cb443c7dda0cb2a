// CSketchPoint (type code 11, "Sketch"): freehand strokes in a few colours over an optional
// background picture. Only the file record and the fields exist so far; every operation is still
// the base point's. Owned by its CPage; UI thread only.
#pragma once

#include <QByteArray>

#include "project/base_point.h"

class CSketchPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 11;

  struct Settings {
    int32_t canvasRows = 2;    // height without a picture, in units of 32 pixels
    int32_t canvasWidth = 0;   // 0: derived
    int32_t canvasHeight = 0;  // 0: derived
    int32_t penMode = 1;       // 1: press and hold erases
    int32_t palette = 1;       // 0 none, 1 four colours, 2 eight, 3 nine
    QString backgroundPoint;   // a point whose photo is the background
    QByteArray backgroundImage;
    bool operator==(const Settings& other) const = default;
  };

  CSketchPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
