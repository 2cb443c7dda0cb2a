// CDialogService: the dialogs a point opens on a tap: the calendar and time of day, the file-open
// and file-save dialogs, the sketch drawing surface and the stopwatch. This base answers as a
// headless run does: every dialog is cancelled. The client sets the widget dialogs
// (ui/qt_dialog_service.*) in CServices; tests set scripted ones overriding what they need. Owned
// by CServices; UI thread.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

class CDialogService {
 public:
  enum class TimeParts { kDate, kDateAndTime, kTime };

  // One stroke of a sketch: a palette index and the points in canvas coordinates.
  struct Stroke {
    int colour = 0;
    QList<QPoint> points;
    bool operator==(const Stroke& other) const = default;
  };

  struct SketchRequest {
    QString caption;
    QImage background;  // null for none
    QSize canvas;       // the canvas size; strokes are in its coordinates
    QList<Stroke> strokes;
    int paletteSize = 4;       // 0: no colour bar
    int colour = 0;            // the selected colour
    bool eraseGesture = true;  // press and hold removes the strokes of the selected colour
  };

  // What the stopwatch dialog drives and shows; the watch itself belongs to the point, so its
  // count does not depend on the dialog.
  class Stopwatch {
   public:
    virtual ~Stopwatch() = default;
    virtual bool Running() const = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void Reset() = 0;  // stops, then sets the total to 0
    // The running total as the dialog shows it.
    virtual QString Display() const = 0;
  };

  virtual ~CDialogService() = default;

  // Lets the user change `value` in place; false when the dialog was closed without OK.
  virtual bool ChooseDateTime(QDateTime& value, TimeParts parts);
  // The file to attach; `filter` is in the "Name|*.a;*.b|...||" form of the project file.
  // nullopt when cancelled.
  virtual std::optional<QString> OpenFile(const QString& filter, const QString& folder);
  // Where to save a copy of `name` (the user confirms overwriting there); nullopt when
  // cancelled.
  virtual std::optional<QString> SaveFile(const QString& name, const QString& extension);
  // Lets the user draw; true on OK with the new strokes and colour in `request`.
  virtual bool EditSketch(SketchRequest& request);
  // Lets the user start, stop and reset `watch` until the dialog is closed.
  virtual void RunStopwatch(Stopwatch& watch);
};
