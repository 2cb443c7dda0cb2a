#include "ui/multi_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QStylePainter>

CMultiComboBox::CMultiComboBox(QWidget* parent)
    : QComboBox(parent), m_model(new QStandardItemModel(this)) {
  setModel(m_model);
  view()->viewport()->installEventFilter(this);
  view()->installEventFilter(this);
  // New items come checkable and unchecked.
  connect(m_model, &QStandardItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) {
            for (int row = first; row <= last; ++row) {
              QStandardItem* item = m_model->item(row);
              if (!item) continue;
              item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
              item->setData(Qt::Unchecked, Qt::CheckStateRole);
            }
          });
}

bool CMultiComboBox::IsItemChecked(int index) const {
  const QStandardItem* item = m_model->item(index);
  return item && item->data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void CMultiComboBox::SetItemChecked(int index, bool checked) {
  if (QStandardItem* item = m_model->item(index)) {
    item->setData(checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    update();
  }
}

QStringList CMultiComboBox::CheckedTexts() const {
  QStringList texts;
  for (int row = 0; row < m_model->rowCount(); ++row) {
    if (IsItemChecked(row)) texts.append(m_model->item(row)->text());
  }
  return texts;
}

QString CMultiComboBox::JoinedText() const { return CheckedTexts().join(QStringLiteral("; ")); }

void CMultiComboBox::SetJoinedText(const QString& text) {
  QStringList wanted;
  for (const QString& part : text.split(QLatin1Char(';'))) {
    const QString trimmed = part.trimmed();
    if (!trimmed.isEmpty()) wanted.append(trimmed);
  }
  for (int row = 0; row < m_model->rowCount(); ++row) {
    SetItemChecked(row, wanted.contains(m_model->item(row)->text().trimmed()));
  }
}

void CMultiComboBox::hidePopup() {
  QComboBox::hidePopup();
  if (onClosed) onClosed();
}

bool CMultiComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QModelIndex index = view()->indexAt(mouse->position().toPoint());
    if (index.isValid()) Toggle(index.row());
    // The list stays open so that further items can be chosen.
    return true;
  }
  if (watched == view() && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
      Toggle(view()->currentIndex().row());
      return true;
    }
  }
  return QComboBox::eventFilter(watched, event);
}

void CMultiComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = JoinedText();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void CMultiComboBox::Toggle(int index) {
  if (index < 0 || index >= m_model->rowCount()) return;
  SetItemChecked(index, !IsItemChecked(index));
  if (onToggled) onToggled();
}
