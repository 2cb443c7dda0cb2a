// CClientHeaderCtrl: the band at the top of the main window: the accent gradient, the client's
// emblem, a title in white and, while a project is open, a back arrow that leads back to the
// project list. Owned by the main frame; UI thread only.
#pragma once

#include <QWidget>

class CClientHeaderCtrl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWindowId = 110;

  explicit CClientHeaderCtrl(QWidget* parent = nullptr);

  void SetTitle(const QString& title);
  const QString& Title() const { return m_title; }
  void SetBackVisible(bool visible);
  bool IsBackVisible() const { return m_backVisible; }
  // Where the back arrow reacts (empty while it is hidden).
  QRect BackRect() const;

 Q_SIGNALS:
  void backClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString m_title;
  bool m_backVisible = false;
  bool m_backPressed = false;
};
