#include "ui/project_list_ctrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "editing/project_summary.h"
#include "project/display_scale.h"
#include "ui/client_icons.h"
#include "ui/project_list_empty_state.h"

namespace {

constexpr int kRowHeight = 40;
constexpr int kImageSize = 32;

// Draws a row: highlight when selected, the image at x = 8, the title at x = 48 in the larger
// bold font and the count on a badge right after it.
class CProjectRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const int scale = CDisplayScale::Factor();
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(r, selected ? palette.highlight() : palette.base());
    painter->setRenderHint(QPainter::Antialiasing);

    const int size = kImageSize * scale;
    const int image = index.data(CProjectListCtrl::kImageRole).toInt();
    painter->drawPixmap(r.left() + 8 * scale, r.top() + (r.height() - size) / 2,
                        CClientIcons::Bitmap(image == CProjectListCtrl::kImageHighlighted
                                                 ? CClientIcons::kProjectHighlighted
                                                 : CClientIcons::kProject,
                                             size));

    const QFont titleFont = CDisplayScale::Font(14, true);
    painter->setFont(titleFont);
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    const QString count = index.data(CProjectListCtrl::kCountRole).toString();
    const int badge = count.isEmpty() ? 0 : size + 8 * scale;
    const int left = r.left() + 48 * scale;
    const int room = std::max(0, r.right() - left - badge - 8 * scale);
    const QString title = painter->fontMetrics().elidedText(index.data(Qt::DisplayRole).toString(),
                                                            Qt::ElideRight, room);
    const QRect titleRect(left, r.top(), room, r.height());
    painter->drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, title);

    if (!count.isEmpty()) {
      const int x = left + painter->fontMetrics().horizontalAdvance(title) + 4 * scale;
      const QRect badgeRect(x, r.top() + (r.height() - size) / 2, size, size);
      painter->drawPixmap(badgeRect.topLeft(), CClientIcons::Bitmap(CClientIcons::kBadge, size));
      painter->setFont(CDisplayScale::Font(11, true));
      painter->setPen(Qt::white);
      painter->drawText(badgeRect, Qt::AlignCenter | Qt::TextSingleLine, count);
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), kRowHeight * CDisplayScale::Factor());
  }
};

}  // namespace

CProjectListCtrl::CProjectListCtrl(QWidget* parent)
    : QListWidget(parent), m_emptyState(new CProjectListEmptyState(this)) {
  setItemDelegate(new CProjectRowDelegate(this));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setMouseTracking(true);
  setFrameShape(QFrame::NoFrame);
  viewport()->setCursor(Qt::PointingHandCursor);
  m_longPress.setSingleShot(true);
  m_longPress.setInterval(kLongPressMs);
  connect(&m_longPress, &QTimer::timeout, this, &CProjectListCtrl::OnLongPress);
  // Rows come and go through the model: added one by one, all removed by clear().
  connect(model(), &QAbstractItemModel::rowsInserted, this, &CProjectListCtrl::UpdateEmptyState);
  connect(model(), &QAbstractItemModel::rowsRemoved, this, &CProjectListCtrl::UpdateEmptyState);
  connect(model(), &QAbstractItemModel::modelReset, this, &CProjectListCtrl::UpdateEmptyState);
  UpdateEmptyState();
}

CProjectListCtrl::~CProjectListCtrl() {
  // The model empties itself when it is destroyed with the list, after the empty state is gone.
  disconnect(model(), nullptr, this, nullptr);
}

void CProjectListCtrl::SetDataFolder(const QString& folder) { m_emptyState->SetFolder(folder); }

void CProjectListCtrl::UpdateEmptyState() {
  m_emptyState->setGeometry(viewport()->geometry());
  m_emptyState->setVisible(count() == 0);
  if (count() == 0) m_emptyState->raise();
}

void CProjectListCtrl::AddProject(const CProjectSummary& summary, bool highlighted) {
  auto* item = new QListWidgetItem(summary.title, this);
  item->setData(kPathRole, summary.path);
  item->setData(kCountRole, summary.activeSessions > 0
                                ? QString::number(static_cast<uint32_t>(summary.activeSessions))
                                : QString());
  item->setData(kNumberRole, summary.uniqueNumber);
  item->setData(kImageRole, highlighted ? kImageHighlighted : kImagePlain);
}

int CProjectListCtrl::RowOfPath(const QString& path) const {
  for (int row = 0; row < count(); ++row) {
    if (PathAt(row) == path) return row;
  }
  return -1;
}

QString CProjectListCtrl::PathAt(int row) const {
  const QListWidgetItem* it = item(row);
  return it ? it->data(kPathRole).toString() : QString();
}

QString CProjectListCtrl::TitleAt(int row) const {
  const QListWidgetItem* it = item(row);
  return it ? it->text() : QString();
}

QString CProjectListCtrl::CountAt(int row) const {
  const QListWidgetItem* it = item(row);
  return it ? it->data(kCountRole).toString() : QString();
}

int CProjectListCtrl::ImageAt(int row) const {
  const QListWidgetItem* it = item(row);
  return it ? it->data(kImageRole).toInt() : -1;
}

QList<int> CProjectListCtrl::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CProjectListCtrl::mousePressEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  const int row = indexAt(position).row();
  m_longPressFired = false;
  if (event->button() == Qt::RightButton) {
    if (row >= 0 && !item(row)->isSelected()) setCurrentRow(row);
    if (row >= 0) Q_EMIT menuRequested(event->globalPosition().toPoint());
    return;
  }
  QListWidget::mousePressEvent(event);
  m_pressedRow = event->button() == Qt::LeftButton ? row : -1;
  if (m_pressedRow >= 0) m_longPress.start();
}

void CProjectListCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (m_pressedRow >= 0 && indexAt(event->position().toPoint()).row() != m_pressedRow) {
    m_longPress.stop();
  }
  QListWidget::mouseMoveEvent(event);
}

void CProjectListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  m_longPress.stop();
  const int pressed = m_pressedRow;
  m_pressedRow = -1;
  QListWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || m_longPressFired || pressed < 0) return;
  // A tap with Ctrl or Shift only changes the selection (to delete several projects).
  if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) return;
  if (indexAt(event->position().toPoint()).row() == pressed) {
    Q_EMIT projectActivated(PathAt(pressed));
  }
}

void CProjectListCtrl::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (currentRow() >= 0) Q_EMIT projectActivated(PathAt(currentRow()));
      return;
    case Qt::Key_Delete:
      if (!SelectedRows().isEmpty()) Q_EMIT deleteRequested();
      return;
    case Qt::Key_Menu:
      if (!SelectedRows().isEmpty()) {
        Q_EMIT menuRequested(viewport()->mapToGlobal(visualRect(currentIndex()).center()));
      }
      return;
    default:
      QListWidget::keyPressEvent(event);
  }
}

void CProjectListCtrl::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  doItemsLayout();
  m_emptyState->setGeometry(viewport()->geometry());
}

void CProjectListCtrl::OnLongPress() {
  // The pressed row is cleared on release and the timer stops when the pointer leaves the row,
  // so the button is still down over it here.
  QListWidgetItem* pressed = item(m_pressedRow);
  if (!pressed || !pressed->isSelected()) return;
  m_longPressFired = true;
  Q_EMIT deleteRequested();
}
