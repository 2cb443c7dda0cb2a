// TEMPORARY stand-in until the real session list lands.
#pragma once
#include <QTreeView>
#include <QUuid>
class CProject;
class CSessionListCtrl : public QTreeView {
  Q_OBJECT
 public:
  explicit CSessionListCtrl(QWidget* parent = nullptr) : QTreeView(parent) {}
  void Rebuild(CProject*) {}
  void SaveColumnWidths() {}
  void ResetSort() {}
  QList<QUuid> SelectedGuids() const { return {}; }
  int SelectedCount() const { return 0; }
  QList<QUuid> AllGuids() const { return {}; }
 Q_SIGNALS:
  void sessionActivated(const QUuid& guid);
  void menuRequested();
};
