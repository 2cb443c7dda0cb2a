// CNumpadWnd: the numpad point's keypad: the number being typed across the top with a backspace
// key at its right, twelve keys ("1" to "9", "0", the decimal key and "-") in four rows of three,
// and Cancel and OK in the bottom corners, in bold "Tahoma". The physical keyboard types into the
// field as well (Enter is OK, Escape Cancel). OK with a text the request refuses shows why and
// keeps the keypad open. Modal, created on the stack by whoever opens it; UI thread only.
#pragma once

#include <QDialog>
#include <QList>

#include "app/dialog_service.h"

class QLineEdit;
class QPushButton;

class CNumpadWnd : public QDialog {
 public:
  // Command identifiers of the twelve keys, row by row.
  static constexpr int kKeyIds[12] = {300, 301, 302, 310, 311, 312, 320, 321, 322, 330, 331, 332};

  CNumpadWnd(QWidget* parent, const CDialogService::NumberRequest& request);

  QString Text() const;
  QLineEdit* Field() const { return m_field; }
  // The key with that command identifier (for tests), or nullptr.
  QPushButton* Key(int id) const;
  QPushButton* BackspaceKey() const { return m_backspace; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }

  void accept() override;

 private:
  void Press(const QString& label);

  CDialogService::NumberRequest m_request;
  QLineEdit* m_field = nullptr;
  QList<QPushButton*> m_keys;
  QPushButton* m_backspace = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};
