// CClientButtonBar: the bar of large buttons at the foot of the main window. The buttons share
// the width equally; an enabled button lights up under the pointer and, when clicked, hands its
// command to the frame. Owned by the main frame; UI thread only.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <cstdint>

class CClientButtonBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWindowId = 111;

  struct Button {
    QString text;
    uint32_t command = 0;
    bool enabled = true;
  };

  explicit CClientButtonBar(QWidget* parent = nullptr);

  void SetButtons(const QList<Button>& buttons);
  const QList<Button>& Buttons() const { return m_buttons; }
  // Changes the enabled flag of the button with the command; false when there is none.
  bool EnableButton(uint32_t command, bool enabled);
  bool HasButton(uint32_t command) const { return IndexOf(command) >= 0; }
  bool IsButtonEnabled(uint32_t command) const;
  // The rectangle of the button with the command (empty when there is none).
  QRect ButtonRect(uint32_t command) const;

 Q_SIGNALS:
  void commandChosen(uint32_t command);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int IndexOf(uint32_t command) const;
  QRect RectAt(int index) const;
  int IndexAt(const QPoint& position) const;
  void SetHot(int index);

  QList<Button> m_buttons;
  int m_hot = -1;
  int m_pressed = -1;
};
