// CProjectListCtrl: the list of installed projects: one 40-pixel row per project file with its
// icon, its title and a badge with the number of active sessions. A tap opens the project;
// Ctrl and Shift select several; a right click or a long press on a selected row offers to
// delete. Rows carry the file path and the project's unique number. Without rows it shows the
// empty state: no project installed, the data folder and how projects arrive. Owned by the main
// frame; UI thread only.
#pragma once

#include <QListWidget>
#include <QTimer>
#include <cstdint>

class CProjectListEmptyState;
struct CProjectSummary;

class CProjectListCtrl : public QListWidget {
  Q_OBJECT

 public:
  static constexpr int kWindowId = 112;
  // The project images: plain, highlighted (the server delivered something), the count badge.
  static constexpr int kImagePlain = 0;
  static constexpr int kImageHighlighted = 1;
  static constexpr int kImageBadge = 2;
  static constexpr int kLongPressMs = 750;

  enum Role {
    kPathRole = Qt::UserRole + 1,
    kCountRole,   // the badge text: the active sessions as "%u", empty for none
    kNumberRole,  // the project's unique number
    kImageRole,
  };

  explicit CProjectListCtrl(QWidget* parent = nullptr);
  ~CProjectListCtrl() override;

  // The folder the projects are installed in, shown while the list is empty.
  void SetDataFolder(const QString& folder);
  CProjectListEmptyState* EmptyState() const { return m_emptyState; }

  void AddProject(const CProjectSummary& summary, bool highlighted);
  int RowOfPath(const QString& path) const;
  QString PathAt(int row) const;
  QString TitleAt(int row) const;
  QString CountAt(int row) const;
  int ImageAt(int row) const;
  QList<int> SelectedRows() const;

 Q_SIGNALS:
  // A tap or Enter on a row.
  void projectActivated(const QString& path);
  // A right click on a row (with the global position), or a long press on a selected row.
  void menuRequested(const QPoint& globalPosition);
  void deleteRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnLongPress();
  void UpdateEmptyState();

  CProjectListEmptyState* m_emptyState;
  QTimer m_longPress;
  int m_pressedRow = -1;
  bool m_longPressFired = false;
};
