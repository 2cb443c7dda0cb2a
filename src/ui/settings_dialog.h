// CSettingsDialog: the modal settings dialog over a CSettingsForm, and its unlock prompt. The
// rules (what is read, the address check, the query, what OK stores) live in the form; the dialog
// only mirrors the form in its controls. Controls carry their fixed identifiers as object names
// ("1000" the address, "1" OK ...). Made by the main frame, which parents it; UI thread.
#pragma once

#include <QDialog>

#include "sync/settings_form.h"

class CConnection;
class CSettingsStore;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class CSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // The prompt that clears a locked page: one password edit ("1003"), OK and Cancel. OK with the
  // wrong text says so, empties the edit and stays open.
  class CUnlockPrompt : public QDialog {
   public:
    CUnlockPrompt(const CSettingsForm& form, QWidget* parent);
    void accept() override;

   private:
    const CSettingsForm& m_form;
    QLineEdit* m_password;
  };

  // `query`: a configuration query ("key=value&...") applied over the stored values, or empty.
  CSettingsDialog(CSettingsStore& store, CConnection& connection, const QString& unitId,
                  const QString& query, QWidget* parent = nullptr);

  // OK: stores, applies and restarts the connection, then closes; stays open when a lock lacks
  // its password.
  void accept() override;

  const CSettingsForm& Form() const { return m_form; }

 private:
  void ReadControls();
  void OnAddressEdited();
  void OnLockClicked();
  void OnUnlockPromptDone(int result);
  // Enables every control, or, when locked, only OK, Cancel and the lock box.
  void EnableControls(bool enabled);
  static QString Text(const char* key);

  CSettingsStore& m_store;
  CConnection& m_connection;
  CSettingsForm m_form;
  QLineEdit* m_address;
  QLabel* m_relayNotice;
  QLabel* m_portLabel;
  QSpinBox* m_port;
  QLineEdit* m_unitId;
  QLineEdit* m_password;
  QCheckBox* m_continuous;
  QCheckBox* m_encryption;
  QCheckBox* m_requestPush;
  QCheckBox* m_autoNew;
  QCheckBox* m_autoOld;
  QCheckBox* m_dedupe;
  QCheckBox* m_lock;
  QComboBox* m_purge;
};
