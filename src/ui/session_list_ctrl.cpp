#include "ui/session_list_ctrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "project/display_scale.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "ui/session_list_model.h"

namespace {

// The fixed column the date and time columns sort by: `saved`.
constexpr int kSavedColumn = 2;

}  // namespace

CSessionListCtrl::CSessionListCtrl(CSettingsStore& settings, QWidget* parent)
    : QTreeView(parent),
      m_model(new CSessionListModel(this)),
      m_longPress(new QTimer(this)),
      m_settings(settings) {
  const int factor = CDisplayScale::Factor();
  setFont(CDisplayScale::NormalFont());
  setModel(m_model);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(0);
  // Rows are all alike, so the view never asks for a row it does not show to learn its height.
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16 * factor, 16 * factor));
  setSortingEnabled(false);
  // Right clicks come to mousePressEvent, never to a parent's context menu.
  setContextMenuPolicy(Qt::PreventContextMenu);
  viewport()->setContextMenuPolicy(Qt::PreventContextMenu);

  QHeaderView* columns = header();
  columns->setStretchLastSection(false);
  columns->setSectionsMovable(false);
  columns->setSectionsClickable(true);
  columns->setSortIndicatorShown(false);
  connect(columns, &QHeaderView::sectionClicked, this, &CSessionListCtrl::SortByColumn);

  m_longPress->setSingleShot(true);
  m_longPress->setInterval(kLongPressMs);
  connect(m_longPress, &QTimer::timeout, this, &CSessionListCtrl::OnLongPress);
}

CSessionListCtrl::~CSessionListCtrl() = default;

CProject* CSessionListCtrl::Project() const { return m_model->Project(); }

CSessionDatabase* CSessionListCtrl::Database() const { return m_model->Database(); }

void CSessionListCtrl::Rebuild(CProject* project, CSessionDatabase* database) {
  m_longPress->stop();
  m_pressedRow = -1;
  m_leftDown = false;
  m_model->SetProject(project, database);
  ApplyColumnWidths();
  UpdateSortIndicator();
}

QStringList CSessionListCtrl::ColumnKeys() const { return m_model->ColumnKeys(); }

QString CSessionListCtrl::WidthEntry(int32_t uniqueNumber, int column) {
  return QStringLiteral("%1.%2").arg(static_cast<uint32_t>(uniqueNumber)).arg(column);
}

int CSessionListCtrl::DefaultColumnWidth(int columns) const {
  const int minimum = 64 * CDisplayScale::Factor();
  if (columns <= 0) return minimum;
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const int client = contentsRect().width();
  return std::max(minimum, (client - scrollBar - 1) / columns);
}

void CSessionListCtrl::ApplyColumnWidths() {
  const CProject* project = Project();
  const int columns = m_model->columnCount();
  const int fallback = DefaultColumnWidth(columns);
  const QString section = QString::fromLatin1(kWidthSection);
  for (int i = 0; i < columns; ++i) {
    int width = fallback;
    if (project) {
      width =
          m_settings.ReadInt(section, WidthEntry(project->GetHeader().uniqueNumber, i), fallback);
      // A width no one could have dragged to is not a width.
      if (width <= 0) width = fallback;
    }
    header()->resizeSection(i, width);
  }
}

void CSessionListCtrl::SaveColumnWidths() {
  const CProject* project = Project();
  if (!project) return;
  const QString section = QString::fromLatin1(kWidthSection);
  for (int i = 0; i < m_model->columnCount(); ++i) {
    m_settings.WriteInt(section, WidthEntry(project->GetHeader().uniqueNumber, i),
                        header()->sectionSize(i));
  }
}

void CSessionListCtrl::SortByColumn(int column) {
  CProject* project = Project();
  const QStringList keys = ColumnKeys();
  if (!project || column < 0 || column >= keys.size()) return;
  CSessionDatabase* database = Database();
  if (!database) return;
  const QString& key = keys[column];
  const QString previousKey = m_sortKey;
  const bool previousDescending = m_sortDescending;
  if (key != m_sortKey) {
    m_sortKey = key;
    m_sortDescending = false;
  } else {
    m_sortDescending = !m_sortDescending;
  }
  bool sorted;
  if (key == QLatin1String(CSessionListModel::kDateKey) ||
      key == QLatin1String(CSessionListModel::kTimeKey)) {
    sorted = database->SetSort(kSavedColumn, QString(), false, m_sortDescending);
  } else {
    sorted = database->SetSort(0, key, m_model->ColumnLooksNumeric(column), m_sortDescending);
  }
  if (!sorted) {
    // The database kept its order (a transaction is open, or it failed): so does the header.
    m_sortKey = previousKey;
    m_sortDescending = previousDescending;
  }
  // The widths the user gave the columns survive the rebuild.
  SaveColumnWidths();
  Rebuild(project, database);
}

void CSessionListCtrl::ResetSort() {
  m_sortKey.clear();
  m_sortDescending = false;
  UpdateSortIndicator();
}

void CSessionListCtrl::UpdateSortIndicator() {
  const int column = static_cast<int>(ColumnKeys().indexOf(m_sortKey));
  if (m_sortKey.isEmpty() || column < 0) {
    header()->setSortIndicatorShown(false);
    return;
  }
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, m_sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

QList<int> CSessionListCtrl::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

QList<QUuid> CSessionListCtrl::SelectedGuids() const {
  QList<QUuid> guids;
  for (int row : SelectedRows()) {
    const QUuid guid = m_model->GuidAt(row);
    if (!guid.isNull()) guids.append(guid);
  }
  return guids;
}

int CSessionListCtrl::SelectedCount() const {
  return static_cast<int>(selectionModel()->selectedRows().size());
}

QList<QUuid> CSessionListCtrl::AllGuids() const {
  QList<QUuid> guids;
  const int rows = m_model->rowCount();
  guids.reserve(rows);
  for (int row = 0; row < rows; ++row) {
    const QUuid guid = m_model->GuidAt(row);
    if (!guid.isNull()) guids.append(guid);
  }
  return guids;
}

int CSessionListCtrl::RowAtPoint(const QPoint& point) const {
  const QModelIndex index = indexAt(point);
  if (index.isValid()) return index.row();
  // Full-row selection: beside the last column the row is still the row.
  for (int column = 0; column < m_model->columnCount(); ++column) {
    const int left = columnViewportPosition(column);
    if (left + columnWidth(column) <= 0) continue;
    const QModelIndex inColumn = indexAt(QPoint(std::max(left, 0), point.y()));
    return inColumn.isValid() ? inColumn.row() : -1;
  }
  return -1;
}

bool CSessionListCtrl::IsRowSelected(int row) const {
  return row >= 0 && selectionModel()->isRowSelected(row, QModelIndex());
}

void CSessionListCtrl::SelectRow(int row, bool select) {
  const QModelIndex index = m_model->index(row, 0);
  if (!index.isValid()) return;
  selectionModel()->select(index,
                           (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                               QItemSelectionModel::Rows);
}

void CSessionListCtrl::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  m_lastPos = point;
  const int row = RowAtPoint(point);
  event->accept();
  if (event->button() == Qt::RightButton) {
    // As in any list: a right click on a row outside the selection makes it the selection, so
    // the menu acts on what was clicked.
    if (row >= 0 && !IsRowSelected(row)) {
      selectionModel()->select(m_model->index(row, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
    }
    Q_EMIT menuRequested();
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  m_leftDown = true;
  if (row < 0) {
    m_pressedRow = -1;
    clearSelection();
    return;
  }
  m_pressedRow = row;
  m_wasSelected = IsRowSelected(row);
  if (!m_wasSelected) SelectRow(row, true);
  selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
  m_longPress->start();
}

void CSessionListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second tap of a quick pair is a tap like the first.
  mousePressEvent(event);
}

void CSessionListCtrl::mouseMoveEvent(QMouseEvent* event) {
  // No drag selection: the pointer is only followed for the long press.
  m_lastPos = event->position().toPoint();
  event->accept();
}

void CSessionListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  m_leftDown = false;
  m_longPress->stop();
  const int pressed = m_pressedRow;
  m_pressedRow = -1;
  if (pressed < 0 || RowAtPoint(event->position().toPoint()) != pressed) return;
  if (m_wasSelected) {
    SelectRow(pressed, false);
    return;
  }
  if (SelectedCount() == 1) {
    const QList<QUuid> guids = SelectedGuids();
    if (!guids.isEmpty()) Q_EMIT sessionActivated(guids.first());
  }
}

void CSessionListCtrl::OnLongPress() {
  if (!m_leftDown || m_pressedRow < 0) return;
  if (RowAtPoint(m_lastPos) != m_pressedRow || !IsRowSelected(m_pressedRow)) return;
  // The press has become the menu's: its release neither deselects nor opens the row.
  m_pressedRow = -1;
  Q_EMIT menuRequested();
}

void CSessionListCtrl::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (SelectedCount() == 1) Q_EMIT sessionActivated(SelectedGuids().value(0));
      event->accept();
      return;
    case Qt::Key_Menu:
      Q_EMIT menuRequested();
      event->accept();
      return;
    case Qt::Key_F10:
      if (event->modifiers() & Qt::ShiftModifier) {
        Q_EMIT menuRequested();
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QTreeView::keyPressEvent(event);
}
