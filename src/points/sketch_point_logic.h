// The sketch point's logic without widgets: strokes and their two value forms (the binary archive
// this client writes and the text form of older data), the palette, the canvas size, scaling a
// background picture, drawing strokes and the JPEG output. Pure functions; any thread.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

#include "app/dialog_service.h"
#include "values/variant.h"

class QPainter;

namespace SketchLogic {

// The largest canvas: a picture or a stored size beyond it is scaled down to fit.
constexpr int kMaxCanvasWidth = 1600;
constexpr int kMaxCanvasHeight = 1200;
// Colours of the palette, in palette order.
constexpr int kColourCount = 9;
// Strokes and points beyond these are not read from a value (a damaged count cannot make the
// reader allocate more than the value holds anyway; these bound drawing time).
constexpr int kMaxPointsPerStroke = 1'000'000;

// The dialog service hands strokes to the drawing surface and back in this form.
using Stroke = CDialogService::Stroke;

struct Sketch {
  QList<Stroke> strokes;
  QSize canvas;          // from the binary form's trailing size; invalid when it has none
  bool damaged = false;  // the value ended early or held nonsense; `strokes` has what came before
};

// The colour of a palette index (black for an index outside the palette).
QColor Colour(int index);
// The number of colours a palette setting offers: 0 none, 1 four, 2 eight, 3 nine, any other
// positive value four.
int PaletteSize(int palette);

// The binary form: stroke count, per stroke the colour and the points, then the canvas size when
// both numbers are positive.
QByteArray Encode(const QList<Stroke>& strokes, const QSize& canvas);
Sketch DecodeBinary(const QByteArray& bytes);
// The older text form (ends in "0"); `scale` doubles its coordinates at doubled scale.
Sketch DecodeText(const QString& text, int scale);
// Either form from a point value; anything else holds no strokes.
Sketch Decode(const CVariant& value, int scale);

// What the canvas size is derived from.
struct CanvasInputs {
  QSize stored;                // the point's canvas size setting
  std::optional<QSize> shell;  // a camera background point's shell size
  QSize picture;               // the loaded background picture, invalid for none
  int controlWidth = 0;        // the drawing area's width, 0 when unknown
  int pointWidth = 0;
  int canvasRows = 2;
  int scale = 1;
};
QSize CanvasSize(const CanvasInputs& inputs);
// `size` scaled down (keeping its proportions) to fit inside 1600 × 1200; at least 1 × 1.
QSize FitCanvas(const QSize& size);

// The display height of a canvas drawn `width` pixels wide (bounded, so an absurd canvas cannot
// make a page of millions of pixels).
int DisplayHeight(const QSize& canvas, int width);

// A pointer position on a canvas drawn `factor` times its size, as a canvas point clamped to the
// canvas.
QPoint ToCanvas(const QPointF& position, double factor, const QSize& canvas);
// Removes the strokes of one colour (the press-and-hold gesture); true when any went.
bool RemoveColour(QList<Stroke>& strokes, int colour);

// Draws the strokes with a canvas-to-target scale factor, 2-pixel solid pens.
void DrawStrokes(QPainter& painter, const QList<Stroke>& strokes, double factor);
// The sketch as a picture of the canvas size: the background scaled to fill it, then the
// strokes. An absurd canvas is drawn at a reduced size.
QImage Render(const QImage& background, const QList<Stroke>& strokes, const QSize& canvas);

// The output file: the base file cut before its last ".", "_<index>" when the index is above 0,
// then "_", the point's name and ".jpg".
QString OutputFileName(const QString& baseFile, uint32_t index, const QString& pointName);

// Decodes a background picture at its own size, and again scaled down to fit 1600 × 1200 when it
// is at least that large.
QImage LoadBackground(const QByteArray& bytes);

}  // namespace SketchLogic
