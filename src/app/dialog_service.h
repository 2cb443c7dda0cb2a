// CDialogService: the dialogs a point opens on a tap: the calendar and time of day, the file-open
// and file-save dialogs, the sketch drawing surface, the stopwatch, the numeric keypad, the GPS
// window with its setup dialog, the barcode scan window and the camera's capture window. This
// base answers as a headless run does: every dialog is cancelled. The client sets the widget
// dialogs (ui/qt_dialog_service.*) in CServices; tests set scripted ones overriding what they
// need. Owned by CServices; UI thread.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
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

  // What the GPS window shows.
  struct GpsView {
    QString status;
    bool fixed = false;  // the status is drawn green, else red
    QString latitude, longitude, altitude, satellites;
    bool canAccept = false;  // OK is enabled
  };

  // The GPS point's side of its window: it connects the reader, answers each poll and opens the
  // setup dialog itself; the window shows View() after every call and does what it answers.
  class GpsWindow {
   public:
    enum class Next {
      kPoll,    // (re)start the poll timer
      kWait,    // stop the poll timer; the user may open the setup or cancel
      kAccept,  // close the window with OK
    };
    virtual ~GpsWindow() = default;
    virtual Next Open() = 0;
    virtual Next Poll() = 0;   // every kPollMilliseconds while polling
    virtual Next Setup() = 0;  // the setup button
    virtual const GpsView& View() const = 0;
    static constexpr int kPollMilliseconds = 1000;
  };

  // The GPS setup dialog: a port ("Auto" first) and a speed.
  struct GpsSetupRequest {
    QStringList ports;
    QStringList speeds;
    QString port;  // the choices, in and out
    QString speed;
    QString note;  // shown above the lists when not empty
    // Called on OK; false keeps the dialog open (it has told the user why).
    std::function<bool(const QString& port, const QString& speed)> save;
  };

  // The barcode scan window: a scanner that types like a keyboard ends a code with Enter.
  struct BarcodeRequest {
    QString caption;
    QString code;             // the stored code, replaced by a scan; the result on OK
    bool closeOnScan = true;  // Enter closes the window, else OK does
  };

  // The numeric keypad.
  struct NumberRequest {
    QString text;        // the number to start from; what was typed, after OK
    QString decimalKey;  // the label of the keypad's "." key
    int maxLength = 0;   // longest text; 0 no limit
    // The message that refuses a typed text on OK (the keypad then stays open); empty to take
    // it. May be empty.
    std::function<QString(const QString&)> refusal;
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
  // Runs the GPS window until it closes; true when it closed with OK.
  virtual bool ShowGpsWindow(GpsWindow& window);
  // True when the settings were saved with OK.
  virtual bool EditGpsSetup(GpsSetupRequest& request);
  // True on OK with the code in `request`.
  virtual bool ScanBarcode(BarcodeRequest& request);
  // Lets the user type a number on the keypad; true on OK with the text in `request`.
  virtual bool EnterNumber(NumberRequest& request);
  // Shows the camera's capture window, which saves the photos it takes into `folder`; true when
  // it closed after a photo was saved there, false when cancelled or no camera could be used.
  virtual bool TakePhoto(const QString& folder);
  // Lets the user start, stop and reset `watch` until the dialog is closed.
  virtual void RunStopwatch(Stopwatch& watch);
};
