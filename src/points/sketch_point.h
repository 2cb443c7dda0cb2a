// CSketchPoint (type code 11, "Sketch"): freehand strokes in a few colours over an optional
// background picture (its own, or another point's photo). It paints the canvas and the colour
// bar in the page; a tap on the bar picks a colour, a tap on the canvas opens the drawing
// surface. The value is the strokes in binary form (older text values are read too); it is only
// rewritten when the user draws. Renders to JPEG for output documents. Owned by its CPage; UI
// thread only.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <optional>

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

  void Init() override;
  void Show(CPageWindow* window) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  void OnDep(CBasePoint* changed) override;
  bool GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                       QString& text) override;

  // Renders `value` over the background to a JPEG file (IPoint.SaveSketchImage), which is
  // replaced whole or not at all; false when there is nothing to render or the file cannot be
  // written.
  bool SaveSketchImage(const CVariant& value, const QString& path);
  // Opens the drawing surface (what a tap on the canvas does).
  void Draw();

  int SelectedColour() const { return m_colour; }
  // The canvas size now (for a point of `width` when it is not laid out).
  QSize CanvasSize(int width = 0) const;
  const QImage& Background() const { return m_background; }
  // Reloads the background picture from the background point or the point's own bytes.
  void LoadBackground();

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  QSize CanvasFor(const CVariant& value, int width) const;
  // The picture size of a camera point named as the background, which fixes the canvas.
  std::optional<QSize> CameraShellSize() const;
  // Where the canvas and the colour bar are drawn in the item rectangle.
  QRect CanvasRect() const;
  QRect BarRect() const;

  Settings m_settings;
  int m_colour = 0;
  QImage m_background;
  bool m_backgroundLoaded = false;
};
