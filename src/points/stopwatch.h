// CStopwatch: the watch of a stopwatch point: a total in hundredths of a second and, while it
// runs, the tick it was started at (CServices' tick counter), so the count goes on whatever
// window is open or page is shown. Also the time forms of the point's value: the six formats,
// stored ("1:02:03.45") and displayed ("1 : 02 : 03 . 45"), and reading a stored text back. Owned
// by its point's control; UI thread.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "app/dialog_service.h"

class CStopwatch : public CDialogService::Stopwatch {
 public:
  static constexpr int kDefaultFormat = 5;

  // The total in `format` (0 to 5; any other gives the empty text), in the stored or the
  // displayed form.
  static QString Format(uint32_t total, int format, bool displayed);
  // The total a text stands for: up to four numbers separated by ":" and "." (blanks around
  // them ignored), hours, minutes and seconds from the right, the number after a "." being
  // hundredths (so 3.5 is 3 seconds and 5 hundredths). The empty text is 0; a text that is not
  // such a time, or a time too long to count, is none.
  static std::optional<uint32_t> Parse(const QString& text);

  explicit CStopwatch(int displayFormat = kDefaultFormat) : m_displayFormat(displayFormat) {}

  // The total so far, with the time since Start while the watch runs.
  uint32_t Total() const;
  // Sets the total (a running watch goes on counting from it).
  void SetTotal(uint32_t total);
  void SetDisplayFormat(int format) { m_displayFormat = format; }
  // Counts every Stop and Reset: a caller compares it to learn whether the user ended a count.
  int Changes() const { return m_changes; }

  bool Running() const override { return m_running; }
  void Start() override;
  void Stop() override;
  void Reset() override;
  QString Display() const override { return Format(Total(), m_displayFormat, true); }

 private:
  uint32_t m_total = 0;
  uint32_t m_startTick = 0;
  bool m_running = false;
  int m_displayFormat;
  int m_changes = 0;
};
