// CPlainPageWindow: a page window without widgets, for tests and headless runs. It keeps every
// control's kind, styles, place and state in memory, records what the points asked of the page
// (repaints, relayouts, help texts, posted commands, page changes) and lets a test act as the user
// by changing a control and delivering its notification. Owned by whoever shows the page; UI
// thread only.
#pragma once

#include <QList>
#include <QMap>
#include <QStringList>

#include "project/page_window.h"

class CPlainPageWindow : public CPageWindow {
 public:
  struct ControlState {
    CBasePoint* owner = nullptr;
    ControlKind kind = ControlKind::kEdit;
    unsigned styles = 0;
    int id = 0;
    QRect rect;
    bool visible = false;
    bool enabled = true;
    bool readOnly = false;
    int textLimit = 0;
    QFont font;
    QString text;
    QStringList items;
    QList<bool> selected;
    int current = -1;
    std::optional<QDateTime> dateTime;
    QString picture;
    int minimum = 0;
    int maximum = 100;
    int position = 0;
  };

  struct PostedCommand {
    CBasePoint* point;
    uint32_t command;
    intptr_t argument;
  };

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
  bool IsOnScreen() const override { return m_onScreen; }

  // --- for tests
  void SetOnScreen(bool onScreen) { m_onScreen = onScreen; }
  // The control's state, or nullptr when it does not exist (any more).
  const ControlState* State(Control control) const;
  ControlState* State(Control control);
  // Every live control of a point, in creation order.
  QList<Control> ControlsOf(const CBasePoint* owner) const;
  Control FocusedControl() const { return m_focus; }
  // Acts as the user: delivers the notification of the control to its point.
  void Notify(Control control, uint16_t notification);
  // Delivers the posted commands (as the event loop would) and forgets them.
  void DeliverPosted();

  const QList<QRect>& Invalidated() const { return m_invalidated; }
  int RelayoutCount() const { return m_relayouts; }
  const QStringList& HelpShown() const { return m_help; }
  const QList<PostedCommand>& Posted() const { return m_posted; }
  const QList<CPage*>& PageChanges() const { return m_pageChanges; }
  void ClearRecords();

 private:
  QMap<Control, ControlState> m_controls;
  Control m_next = 1;
  Control m_focus = 0;
  bool m_onScreen = true;
  QList<QRect> m_invalidated;
  int m_relayouts = 0;
  QStringList m_help;
  QList<PostedCommand> m_posted;
  QList<CPage*> m_pageChanges;
};
