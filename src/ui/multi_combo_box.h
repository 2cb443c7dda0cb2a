// CMultiComboBox: a combo box whose items carry check marks, so that several can be chosen
// together; the closed box shows the chosen items joined by "; ". A click on an item toggles it
// and keeps the list open. Owned by its parent widget (the page display); UI thread only.
#pragma once

#include <QComboBox>
#include <QStringList>
#include <functional>

class QStandardItemModel;

class CMultiComboBox : public QComboBox {
 public:
  explicit CMultiComboBox(QWidget* parent);

  bool IsItemChecked(int index) const;
  void SetItemChecked(int index, bool checked);
  // The checked items in item order.
  QStringList CheckedTexts() const;
  // The checked items joined by "; ".
  QString JoinedText() const;
  // Checks exactly the items named in a "; "-joined text.
  void SetJoinedText(const QString& text);

  // Called when the user toggles an item and when the list closes.
  std::function<void()> onToggled;
  std::function<void()> onClosed;

  void hidePopup() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Toggle(int index);

  QStandardItemModel* m_model;
};
