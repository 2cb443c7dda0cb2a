// CSessionListCtrl: the report-style list of the open project's sessions of one state (child
// window 113 of the main frame, which owns it): one row per session with its state icon and row
// colours, one column per configured point or the date and time. Touch-style selection (a tap
// adds a row, a tap on a selected row removes it, a tap on the only selected row opens it, a long
// press or a right click asks for the menu), the keyboard as usual, sorting by a clicked column
// through the session database and column widths kept per project in the settings. The rows come
// from a CSessionListModel it owns; the project belongs to the frame, which rebuilds the list
// after every change and before the project goes away. UI thread only.
#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <QUuid>
#include <cstdint>

#include "platform/settings_store.h"

class CProject;
class CSessionDatabase;
class CSessionListModel;
class QTimer;

class CSessionListCtrl : public QTreeView {
  Q_OBJECT

 public:
  static constexpr int kWindowId = 113;
  // How long the left button must rest on a selected row before the menu is asked for.
  static constexpr int kLongPressMs = 750;
  // Where the column widths are kept: this section, entry "<unique number>.<column>".
  static constexpr const char* kWidthSection = "SessionColumns";

  // Column widths are kept in `settings`, which outlives the list.
  explicit CSessionListCtrl(CSettingsStore& settings, QWidget* parent = nullptr);
  ~CSessionListCtrl() override;

  // Builds columns and rows from the project's database list as it stands (the caller has set
  // the shown state and refreshed the database); null, no database or an empty list leave the
  // list empty. The selection is cleared.
  void Rebuild(CProject* project, CSessionDatabase* database);
  CProject* Project() const;
  CSessionDatabase* Database() const;
  CSessionListModel* Model() const { return m_model; }

  // ---- columns
  QStringList ColumnKeys() const;
  // Writes the current widths of the project's columns to the settings.
  void SaveColumnWidths();
  // The settings entry of a column's width.
  static QString WidthEntry(int32_t uniqueNumber, int column);
  // The width a column gets without a stored one: the client width less a vertical scroll bar
  // and one pixel, shared by the columns, at least 64 pixels (128 at doubled scale).
  int DefaultColumnWidth(int columns) const;

  // ---- sorting: the key last clicked and its direction, kept while the project is open
  // Sorts by a column as a click on its header does: a new key ascending, the same key again
  // toggles the direction; the database is re-sorted and the list rebuilt.
  void SortByColumn(int column);
  // Back to no clicked column (a project was opened); the database keeps its own default order.
  void ResetSort();
  const QString& SortKey() const { return m_sortKey; }
  bool SortDescending() const { return m_sortDescending; }

  // ---- rows
  // The selected rows in order; a row is the database list's entry of the same index.
  QList<int> SelectedRows() const;
  // The GUIDs of the selected rows, in row order.
  QList<QUuid> SelectedGuids() const;
  int SelectedCount() const;
  // The GUIDs of every row, in row order (read from the database list; no row is built).
  QList<QUuid> AllGuids() const;

 Q_SIGNALS:
  // A tap on the only selected row, or Enter with one row selected: open that session.
  void sessionActivated(const QUuid& guid);
  // A long press on a selected row, a right click, the Menu key or Shift+F10: show the menu.
  void menuRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The row under a viewport point anywhere across the row's width, or -1.
  int RowAtPoint(const QPoint& point) const;
  bool IsRowSelected(int row) const;
  void SelectRow(int row, bool select);
  void OnLongPress();
  void ApplyColumnWidths();
  void UpdateSortIndicator();

  CSessionListModel* m_model;
  QTimer* m_longPress;
  CSettingsStore& m_settings;
  // The touch state: the row pressed (-1 none), whether it was selected before the press, and
  // whether the left button is still down and where the pointer is.
  int m_pressedRow = -1;
  bool m_wasSelected = false;
  bool m_leftDown = false;
  QPoint m_lastPos;
  QString m_sortKey;
  bool m_sortDescending = false;
};
