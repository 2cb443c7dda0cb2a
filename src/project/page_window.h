// CPageWindow: what a point sees of the page display while its page is shown. Points create their
// child controls (edit box, combo box, date-time picker, track bar) through it, place, show, hide
// and focus them, read and write their state, and get the controls' notifications back through
// their `OnCommand`. The widget page display of the user interface implements it; tests and
// headless runs use CPlainPageWindow. The page display owns every control it creates; a point
// only keeps the handle. UI thread only.
#pragma once

#include <QDateTime>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class CBasePoint;
class CPage;

// Kinds of child controls a point can ask for.
enum class ControlKind {
  kEdit,
  kComboBox,
  kMultiComboBox,  // a combo whose items can be chosen together; its text joins them with "; "
  kDateTimePicker,
  kTrackBar,
};

// Style bits of a child control (several apply to one kind only).
enum ControlStyle : unsigned {
  kCsBorder = 1u << 0,
  kCsTabStop = 1u << 1,
  kCsAutoHScroll = 1u << 2,
  kCsAutoVScroll = 1u << 3,
  kCsVScroll = 1u << 4,
  kCsMultiLine = 1u << 5,
  kCsWantReturn = 1u << 6,  // Enter makes a new line instead of leaving the box
  kCsPassword = 1u << 7,
  kCsRightAlign = 1u << 8,
  kCsReadOnly = 1u << 9,
  kCsDropDown = 1u << 10,      // combo with an edit field
  kCsDropDownList = 1u << 11,  // combo without an edit field
  kCsShowNone = 1u << 12,      // date-time picker with a "none" check box
  kCsUpDown = 1u << 13,        // date-time picker with up/down arrows instead of a calendar
  kCsVisible = 1u << 14,
  kCsTicksBelow = 1u << 15,  // track bar with tick marks below (and/or above) the bar
  kCsTicksAbove = 1u << 16,
};

// Notification codes; a control's notification reaches its point as OnCommand(command, argument)
// with the code in the high word of the command and the control identifier in the low word.
enum ControlNotification : uint16_t {
  kNotifySelectionChange = 0x0001,
  kNotifyEditChange = 0x0005,
  kNotifyDropDown = 0x0007,  // a combo's list is about to drop down (it may still be filled)
  kNotifyCloseUp = 0x0008,
  kNotifySetFocus = 0x0100,  // an edit box gained the focus
  kNotifyKillFocus = 0x0200,
  kNotifyChange = 0x0300,
  kNotifyDateTimeChange = 0x0D00,
  kNotifyPositionChange = 0x0E00,
};

inline uint32_t MakeCommand(uint16_t notification, uint16_t controlId) {
  return (static_cast<uint32_t>(notification) << 16) | controlId;
}
inline uint16_t CommandNotification(uint32_t command) { return command >> 16; }
inline uint16_t CommandControlId(uint32_t command) { return command & 0xFFFF; }

class CPageWindow {
 public:
  // A control handle; 0 is no control.
  using Control = int;

  virtual ~CPageWindow() = default;

  // --- child controls
  // Creates a control owned by the window whose notifications go to `owner`'s OnCommand with
  // the given identifier. The control starts with an empty rectangle.
  virtual Control CreateControl(CBasePoint* owner, ControlKind kind, unsigned styles, int id) = 0;
  virtual void DestroyControl(Control control) = 0;
  // For combo boxes the rectangle includes the height of the dropped list.
  virtual void PlaceControl(Control control, const QRect& rect) = 0;
  virtual void ShowControl(Control control, bool visible) = 0;
  virtual bool IsControlVisible(Control control) const = 0;
  virtual void FocusControl(Control control) = 0;
  virtual void EnableControl(Control control, bool enabled) = 0;
  virtual void SetControlFont(Control control, const QFont& font) = 0;
  virtual void SetControlReadOnly(Control control, bool readOnly) = 0;
  // Maximum text length in characters; 0 is no limit.
  virtual void SetTextLimit(Control control, int limit) = 0;

  // Text of an edit box or of the edit field of a combo box.
  virtual QString ControlText(Control control) const = 0;
  virtual void SetControlText(Control control, const QString& text) = 0;
  // Selects the whole text and scrolls the caret into view.
  virtual void SelectAllText(Control control) = 0;

  // Items of a combo box.
  virtual void ClearItems(Control control) = 0;
  virtual int AddItem(Control control, const QString& text) = 0;
  // Many items at once (a long list fills in one step where the display can do that).
  virtual void AddItems(Control control, const QStringList& texts) {
    for (const QString& text : texts) AddItem(control, text);
  }
  virtual void RemoveItem(Control control, int index) = 0;
  virtual int ItemCount(Control control) const = 0;
  virtual QString ItemText(Control control, int index) const = 0;
  // -1 for none.
  virtual int CurrentIndex(Control control) const = 0;
  virtual void SetCurrentIndex(Control control, int index) = 0;
  // Items chosen in a multi-select combo box.
  virtual bool IsItemSelected(Control control, int index) const = 0;
  virtual void SetItemSelected(Control control, int index, bool selected) = 0;

  // Date-time picker: no value while the picker shows "none".
  virtual std::optional<QDateTime> ControlDateTime(Control control) const = 0;
  virtual void SetControlDateTime(Control control, const std::optional<QDateTime>& value) = 0;
  // The picture in the picker's own language ('literal' text, d, dd, MMM, HH, tt, ...).
  virtual void SetControlFormat(Control control, const QString& picture) = 0;

  // Track bar.
  virtual void SetControlRange(Control control, int minimum, int maximum) = 0;
  virtual int ControlPosition(Control control) const = 0;
  virtual void SetControlPosition(Control control, int position) = 0;

  // --- the page display itself
  // Repaints the given rectangle (page coordinates).
  virtual void Invalidate(const QRect& rect) = 0;
  // Lays the page out again and repaints it.
  virtual void Relayout() = 0;
  // Shows a point's help text (with its caption as the heading).
  virtual void ShowHelp(const QString& caption, const QString& text) = 0;
  // Delivers OnCommand(command, argument) to the point later, from the event loop.
  virtual void PostCommand(CBasePoint* point, uint32_t command, intptr_t argument) = 0;
  // Changes the shown page, leaving the current one with or without verification.
  virtual bool ChangeToPage(CPage* page, bool verify) = 0;
  // True while the page is visible on screen (not merely laid out).
  virtual bool IsOnScreen() const = 0;
};
