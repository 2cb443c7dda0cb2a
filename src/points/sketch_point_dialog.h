// CSketchPointDialog: the drawing surface of the sketch point. The page display only reports
// taps, so a tap on the canvas opens this surface at a size fit for drawing; it takes strokes
// (press, move, release), the palette, undo and clear, and hands the strokes back on OK. The
// client installs the widget dialog (ui/sketch_dialog.*); tests install scripted ones; without
// any, the canvas cannot be drawn on. The installer owns the object; UI thread only.
#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include "points/sketch_point_logic.h"

class CSketchPointDialog {
 public:
  struct Request {
    QString caption;
    QImage background;  // null for none
    QSize canvas;       // the canvas size; strokes are in its coordinates
    QList<SketchLogic::Stroke> strokes;
    int paletteSize = 4;       // 0: no colour bar
    int colour = 0;            // the selected colour
    bool eraseGesture = true;  // press and hold removes the strokes of the selected colour
  };

  virtual ~CSketchPointDialog() = default;
  // Lets the user draw; true on OK with the new strokes and colour in `request`.
  virtual bool Edit(Request& request) = 0;

  // The dialog in use (nullptr: none), and installing another (returns the previous one).
  static CSketchPointDialog* Instance();
  static CSketchPointDialog* Install(CSketchPointDialog* dialog);
};
