// CProjectListEmptyState: what the project list shows while no project is installed: that there
// is none, the data folder's path in a read-only box (so it can be selected and copied into a file
// manager or a terminal) and how projects arrive: from the server after Connect, or by copying a
// project file into that folder. Owned by the project list, which lays it over its empty view;
// UI thread only.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

class CProjectListEmptyState : public QWidget {
  Q_OBJECT

 public:
  explicit CProjectListEmptyState(QWidget* parent = nullptr);

  void SetFolder(const QString& folder);
  QString Folder() const;

  // The parts, for tests.
  QLabel* Heading() const { return m_heading; }
  QLineEdit* FolderBox() const { return m_folder; }
  QLabel* Hint() const { return m_hint; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* m_icon;
  QLabel* m_heading;
  QLabel* m_folderLabel;
  QLineEdit* m_folder;
  QLabel* m_hint;
};
