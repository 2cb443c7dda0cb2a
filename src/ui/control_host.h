// CControlHost: the child controls of the page display as real widgets: a one-line or multi-line
// edit box, a combo box (with or without an edit field, or with check marks for several
// choices), a date-time picker and a track bar, each under a handle and with the point that owns
// it. It creates them by kind and styles, reads and writes their state without raising
// notifications, and reports what the user does to them (changes, choices, focus) through one
// callback. The host and its widgets belong to the page display widget; UI thread only.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

#include "project/page_window.h"

class CControlHost : public QObject {
 public:
  using Control = CPageWindow::Control;
  // Notification codes the page window interface has no name for: focus gained and lost.
  static constexpr uint16_t kNotifyEditSetFocus = 0x0100;
  static constexpr uint16_t kNotifyComboSetFocus = 0x0003;
  static constexpr uint16_t kNotifyComboKillFocus = 0x0004;

  // `surface` is the widget the controls are children of.
  explicit CControlHost(QWidget* surface);
  ~CControlHost() override;

  // Receives every notification: the control and the code.
  void SetNotifier(std::function<void(Control, uint16_t)> notifier) {
    m_notifier = std::move(notifier);
  }
  // Installed on every control widget and its inner widgets, for keys.
  void SetKeyFilter(QObject* filter) { m_keyFilter = filter; }

  Control Create(CBasePoint* owner, ControlKind kind, unsigned styles, int id);
  // The widget goes away at once from the page's point of view and is deleted later, so a
  // control may be destroyed from inside its own notification.
  void Destroy(Control control);
  void DestroyAll();

  // ---- what the page display needs to know
  bool Exists(Control control) const { return m_records.count(control) != 0; }
  QWidget* Widget(Control control) const;
  CBasePoint* Owner(Control control) const;
  int Id(Control control) const;
  ControlKind Kind(Control control) const;
  unsigned Styles(Control control) const;
  // Every control, in creation order.
  QList<Control> Controls() const;
  // The control a widget is (or is inside of), 0 for none.
  Control ControlOf(const QObject* widget) const;
  // A multi-line edit box takes Enter as a new line.
  bool IsMultiLineEdit(Control control) const;
  // Closes the open list of every combo box.
  void ClosePopups();
  // Reports focus moving from one widget to another as the controls' focus notifications.
  void FocusChanged(QWidget* from, QWidget* to);

  // ---- the controls' state (see CPageWindow)
  void Place(Control control, const QRect& rect);
  void Show(Control control, bool visible);
  bool IsVisible(Control control) const;
  void Focus(Control control);
  void Enable(Control control, bool enabled);
  void SetFont(Control control, const QFont& font);
  void SetReadOnly(Control control, bool readOnly);
  void SetTextLimit(Control control, int limit);
  QString Text(Control control) const;
  void SetText(Control control, const QString& text);
  void SelectAll(Control control);
  void ClearItems(Control control);
  int AddItem(Control control, const QString& text);
  void AddItems(Control control, const QStringList& texts);
  void RemoveItem(Control control, int index);
  int ItemCount(Control control) const;
  QString ItemText(Control control, int index) const;
  int CurrentIndex(Control control) const;
  void SetCurrentIndex(Control control, int index);
  bool IsItemSelected(Control control, int index) const;
  void SetItemSelected(Control control, int index, bool selected);
  std::optional<QDateTime> DateTime(Control control) const;
  void SetDateTime(Control control, const std::optional<QDateTime>& value);
  void SetFormat(Control control, const QString& picture);
  void SetRange(Control control, int minimum, int maximum);
  int Position(Control control) const;
  void SetPosition(Control control, int position);

 private:
  struct Record {
    QPointer<QWidget> widget;
    CBasePoint* owner = nullptr;
    ControlKind kind = ControlKind::kEdit;
    unsigned styles = 0;
    int id = 0;
    int limit = 0;       // the text limit asked for; 0 none
    int lastLength = 0;  // of a multi-line box's text, to undo typing past the limit
  };

  QWidget* MakeWidget(Control control, ControlKind kind, unsigned styles);
  void Notify(Control control, uint16_t code);
  void EnforceLimit(Control control);
  const Record* Find(Control control) const;
  Record* Find(Control control);
  // The text limit a line edit gets: the limit asked for, but never below the text it holds,
  // so that a longer value written into the box is shown whole.
  static int LineEditLimit(int limit, int textLength);

  QWidget* m_surface;
  std::map<Control, Record> m_records;
  Control m_next = 1;
  int m_quiet = 0;  // state is being written: the widgets' signals are not notifications
  std::function<void(Control, uint16_t)> m_notifier;
  QPointer<QObject> m_keyFilter;
};
