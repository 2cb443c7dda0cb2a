// CPageCtrl: the window that shows one page of the open project: the header band, the page text
// and the visible points stacked from top to bottom, scrolled vertically, or the help text of
// the page or of a point instead. It lays the page out, paints it into an off-screen image,
// routes taps, keys and the child controls' notifications to the points, keeps the focused
// control in view and changes pages only when the page being left agrees. It is the widget
// implementation of CPageWindow: points create their edit boxes, combo boxes, date-time pickers
// and track bars through it. The main frame owns it; the pages and points belong to the project.
// UI thread only.
#pragma once

#include <QEvent>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRegion>
#include <QSet>
#include <QWidget>

#include "editing/page_display.h"
#include "project/help_layout.h"
#include "project/page_backdrop.h"
#include "project/page_window.h"
#include "ui/control_host.h"

class CProject;
class QScrollBar;

class CPageCtrl : public QWidget, public CPageWindow, public CPageDisplay {
  Q_OBJECT

 public:
  // Posted to the notification target after every page change.
  static constexpr QEvent::Type kPageChangedEvent = QEvent::Type(0x8066);

  explicit CPageCtrl(QWidget* parent = nullptr);
  ~CPageCtrl() override;

  // ---- the page shown
  CPage* Page() const { return m_page; }
  CPage* ShownPage() const override { return m_page; }
  // Changes the page (see ChangeToPage); nullptr shows no page. The owner shows no page before
  // the project goes away.
  bool SetPage(CPage* page, bool verify);
  // Where the page-changed notification goes; the top-level window when none is set.
  void SetNotifyTarget(QObject* target) { m_notifyTarget = target; }
  // Hands a command to every point of the page, in order (unless a layout or another command is
  // running).
  void RouteCommand(uint32_t command, intptr_t argument);
  // The project is open for data entry (it has a session).
  bool IsRunning() const;

  // ---- help
  bool IsHelpShown() const { return m_helpShown; }
  // Returns to the page's points at the scroll position they had.
  void LeaveHelp();
  const QList<CHelpLayout::Run>& HelpRuns() const { return m_helpRuns; }

  // ---- scrolling and layout
  int ScrollPosition() const { return m_scroll; }
  int ScrollRange() const { return m_range; }
  void ScrollTo(int position);
  void ScrollBy(int delta) { ScrollTo(m_scroll + delta); }
  // Height of the page (or of the help text) at the last layout.
  int PageHeight() const { return m_pageHeight; }
  // Top of the content: the bottom of the header band (60 pixels, or the header image's height
  // when that is taller).
  int ContentTop() const { return m_contentTop; }
  // The client area: the widget without the scroll bar.
  QRect ClientRect() const;
  QScrollBar* ScrollBar() const { return m_scrollBar; }
  // The rendered page as the window shows it (client area only).
  const QImage& Buffer() const { return m_buffer; }
  // Renders what was invalidated now instead of from the event loop.
  void FlushPaint();

  // ---- controls
  CControlHost& Controls() { return *m_host; }
  QWidget* ControlWidget(Control control) const { return m_host->Widget(control); }
  QList<Control> ControlsOfPoint(const CBasePoint* point) const;
  // The control that has the keyboard focus, 0 for none.
  Control FocusedControl() const;

  // ---- CPageWindow
  Control CreateControl(CBasePoint* owner, ControlKind kind, unsigned styles, int id) override;
  void DestroyControl(Control control) override;
  void PlaceControl(Control control, const QRect& rect) override;
  void ShowControl(Control control, bool visible) override;
  bool IsControlVisible(Control control) const override;
  void FocusControl(Control control) override;
  void EnableControl(Control control, bool enabled) override;
  void SetControlFont(Control control, const QFont& font) override;
  void SetControlReadOnly(Control control, bool readOnly) override;
  void SetTextLimit(Control control, int limit) override;
  QString ControlText(Control control) const override;
  void SetControlText(Control control, const QString& text) override;
  void SelectAllText(Control control) override;
  void ClearItems(Control control) override;
  int AddItem(Control control, const QString& text) override;
  void AddItems(Control control, const QStringList& texts) override;
  void RemoveItem(Control control, int index) override;
  int ItemCount(Control control) const override;
  QString ItemText(Control control, int index) const override;
  int CurrentIndex(Control control) const override;
  void SetCurrentIndex(Control control, int index) override;
  bool IsItemSelected(Control control, int index) const override;
  void SetItemSelected(Control control, int index, bool selected) override;
  std::optional<QDateTime> ControlDateTime(Control control) const override;
  void SetControlDateTime(Control control, const std::optional<QDateTime>& value) override;
  void SetControlFormat(Control control, const QString& picture) override;
  void SetControlRange(Control control, int minimum, int maximum) override;
  int ControlPosition(Control control) const override;
  void SetControlPosition(Control control, int position) override;
  void Invalidate(const QRect& rect) override;
  void Relayout() override;
  void ShowHelp(const QString& caption, const QString& text) override;
  void PostCommand(CBasePoint* point, uint32_t command, intptr_t argument) override;
  bool ChangeToPage(CPage* page, bool verify) override;
  bool IsOnScreen() const override { return isVisible(); }

  // Brings a rectangle (client coordinates) into view, scrolling so that `above` pixels show
  // above it or `below` pixels below it.
  void EnsureVisible(const QRect& rect, int above, int below);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class ScrollStart { kKeep, kTop, kRestore };

  // Lays out the page (or the help text), sets the scroll bar, renders and restores the focus.
  void Layout(ScrollStart start, int restorePosition = 0);
  // Measures the page's text and points for a content width; returns the page height.
  int MeasurePage(int width);
  // Lays out the help runs for a content width; returns the help text's height.
  int MeasureHelp(int width);
  // Paints an area of the client into the off-screen image.
  void Render(const QRect& area, bool placeEveryPoint = false);
  void RenderPage(QPainter& painter, const QRect& area, bool placeEveryPoint);
  void RenderHelp(QPainter& painter, const QRect& area);
  // A tap at client coordinates.
  void Tap(const QPoint& position);
  // Moves the keyboard focus to the next (previous) control that takes Tab.
  void MoveFocus(bool next);
  // The controls that take Tab, in the order of their points on the page.
  QList<Control> TabOrder() const;
  // A child control's notification, on its way to its point.
  void OnNotification(Control control, uint16_t code);
  void OnScrollBarAction(int action);
  void PostPageChanged();
  void FocusFirstEdit();
  CProject* Project() const;
  int Scale() const;
  int Margin() const;
  int Spacing() const;

  CControlHost* m_host;
  QScrollBar* m_scrollBar;
  CPage* m_page = nullptr;
  QPointer<QObject> m_notifyTarget;
  CPageBackdrop m_backdrop;
  QImage m_buffer;
  QRegion m_dirty;
  bool m_flushQueued = false;
  QImage m_scratch;  // a surface for measuring without a buffer

  // layout
  QHash<const CBasePoint*, int> m_heights;
  QSet<Control> m_shownInLayout;  // controls their points showed during the running layout
  int m_textHeight = 0;
  int m_pageHeight = 0;
  int m_contentTop = 0;
  int m_range = 0;
  int m_scroll = 0;

  // help
  bool m_helpShown = false;
  QString m_helpCaption;
  QString m_helpText;
  int m_helpReturnScroll = 0;
  QList<CHelpLayout::Run> m_helpRuns;

  // guards
  bool m_inLayout = false;
  bool m_movingFocus = false;
  bool m_inKey = false;
  bool m_inCommand = false;
  bool m_painting = false;
  bool m_relayoutQueued = false;
  bool m_settingScrollBar = false;
};
