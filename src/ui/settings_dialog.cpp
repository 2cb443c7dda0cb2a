#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/language.h"
#include "app/message_service.h"
#include "app/twkf_app.h"
#include "platform/settings_store.h"
#include "sync/connection.h"

namespace {

template <typename T>
T* Named(T* widget, int id) {
  widget->setObjectName(QString::number(id));
  return widget;
}

QDialogButtonBox* OkCancel(QDialog* dialog, const QString& ok, const QString& cancel) {
  auto* buttons = new QDialogButtonBox(dialog);
  Named(buttons->addButton(ok, QDialogButtonBox::AcceptRole), 1)->setDefault(true);
  Named(buttons->addButton(cancel, QDialogButtonBox::RejectRole), 2);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

QString CSettingsDialog::Text(const char* key) {
  const QString text = CLanguage::Instance().Translate(QString::fromLatin1(key));
  return text.isEmpty() ? QString::fromLatin1(key) : text;
}

CSettingsDialog::CUnlockPrompt::CUnlockPrompt(const CSettingsForm& form, QWidget* parent)
    : QDialog(parent), m_form(form) {
  setObjectName(QStringLiteral("Unlock Settings"));
  setWindowTitle(Text(QLT_KEY("Settings.UnlockPromptTitle")));
  auto* layout = new QVBoxLayout(this);
  auto* message = new QLabel(Text(QLT_KEY("Settings.UnlockPromptMessage")), this);
  message->setWordWrap(true);
  layout->addWidget(message);
  m_password = Named(new QLineEdit(this), 1003);
  m_password->setEchoMode(QLineEdit::Password);
  layout->addWidget(m_password);
  layout->addWidget(OkCancel(this, Text(QLT_KEY("System.OK")), Text(QLT_KEY("System.Cancel"))));
}

void CSettingsDialog::CUnlockPrompt::accept() {
  if (m_form.UnlockMatches(m_password->text())) {
    QDialog::accept();
    return;
  }
  CLanguage::Instance().MessageByKey(QStringLiteral("Settings.UnlockFailedWrongPassword"),
                                     kMbIconExclamation);
  m_password->clear();
  m_password->setFocus();
}

CSettingsDialog::CSettingsDialog(CSettingsStore& store, CConnection& connection,
                                 const QString& unitId, const QString& query, QWidget* parent)
    : QDialog(parent), m_store(store), m_connection(connection) {
  setObjectName(QStringLiteral("Settings"));
  setWindowTitle(Text(QLT_KEY("Settings.Title")));
  auto* grid = new QGridLayout(this);
  int row = 0;
  const auto addLabel = [&](int id, const char* key) {
    auto* label = Named(new QLabel(Text(key), this), id);
    grid->addWidget(label, row, 0);
    return label;
  };
  const auto addCheck = [&](int id, const char* key) {
    auto* box = Named(new QCheckBox(QLatin1Char(' ') + Text(key), this), id);
    grid->addWidget(box, row++, 0, 1, 2);
    return box;
  };

  addLabel(1027, QLT_KEY("Settings.FieldServerAddressLong"));
  m_address = Named(new QLineEdit(this), 1000);
  grid->addWidget(m_address, row++, 1);
  m_relayNotice = Named(new QLabel(Text(QLT_KEY("Settings.WillUseRelay")), this), 1026);
  QFont bold = font();
  bold.setWeight(QFont::Bold);
  m_relayNotice->setFont(bold);
  m_relayNotice->setWordWrap(true);
  grid->addWidget(m_relayNotice, row++, 0, 1, 2);
  m_portLabel = addLabel(1025, QLT_KEY("Settings.FieldServerPort"));
  // The edit and its arrows in one; the arrows' identifier (1002) has no widget of its own. The
  // range is every TCP port, so a port a server uses is never clamped.
  m_port = Named(new QSpinBox(this), 1001);
  m_port->setRange(1, 65535);
  grid->addWidget(m_port, row++, 1, Qt::AlignLeft);
  addLabel(1028, QLT_KEY("Settings.FieldUnitID"));
  m_unitId = Named(new QLineEdit(this), 1004);
  grid->addWidget(m_unitId, row++, 1);
  addLabel(1029, QLT_KEY("Settings.FieldPassword"));
  m_password = Named(new QLineEdit(this), 1003);
  m_password->setEchoMode(QLineEdit::Password);
  grid->addWidget(m_password, row++, 1);
  auto* heading = Named(new QLabel(Text(QLT_KEY("Settings.SectionHeading2")), this), 1030);
  grid->addWidget(heading, row++, 0, 1, 2);
  m_continuous = addCheck(1005, QLT_KEY("Settings.FieldContinuousConnection"));
  m_encryption = addCheck(1006, QLT_KEY("Settings.FieldEncryptionLong"));
  m_requestPush = addCheck(1007, QLT_KEY("Settings.ReceiveSessionsOnConnect"));
  m_autoNew = addCheck(1008, QLT_KEY("Settings.AutoSubmitNewSessions"));
  m_autoOld = addCheck(1009, QLT_KEY("Settings.AutoSubmitOldSessions"));
  m_dedupe = addCheck(1011, QLT_KEY("Settings.FieldPreventDuplicate"));
  m_lock = addCheck(1012, QLT_KEY("Settings.FieldLockSettings"));
  addLabel(1031, QLT_KEY("Settings.FieldPurgeSentSessions"));
  m_purge = Named(new QComboBox(this), 1010);
  for (const int days : CSettingsForm::PurgeDayCounts()) {
    m_purge->addItem(CSettingsForm::PurgeEntryText(days), days);
  }
  grid->addWidget(m_purge, row++, 1, Qt::AlignLeft);
  auto* version = Named(new QLabel(this), 1024);
  version->setText(
      Text(QLT_KEY("Settings.VersionLine")).replace(QLatin1String("%s"), CTWKFApp::VersionText()));
  grid->addWidget(version, row++, 0, 1, 2);
  grid->addWidget(OkCancel(this, Text(QLT_KEY("System.OK")), Text(QLT_KEY("System.Cancel"))), row++,
                  0, 1, 2);
  grid->setColumnStretch(1, 1);
  setMinimumWidth(380);

  m_form = CSettingsForm::Load(connection, store, unitId);
  if (!query.isEmpty()) m_form.ApplyQuery(query, store);
  m_address->setText(m_form.address);
  m_port->setValue(m_form.port);
  m_unitId->setText(m_form.unitId);
  m_password->setText(m_form.password);
  m_continuous->setChecked(m_form.continuous);
  m_encryption->setChecked(m_form.encryption);
  m_requestPush->setChecked(m_form.requestPush);
  m_autoNew->setChecked(m_form.autoNew);
  m_autoOld->setChecked(m_form.autoOld);
  m_dedupe->setChecked(m_form.dedupe);
  m_purge->setCurrentIndex(m_purge->findData(m_form.purgeDays));
  m_lock->setChecked(m_form.locked);
  EnableControls(!m_form.locked);
  OnAddressEdited();

  connect(m_address, &QLineEdit::textChanged, this, &CSettingsDialog::OnAddressEdited);
  connect(m_lock, &QCheckBox::clicked, this, &CSettingsDialog::OnLockClicked);
}

void CSettingsDialog::ReadControls() {
  m_form.address = m_address->text();
  m_form.port = m_port->value();
  m_form.unitId = m_unitId->text();
  m_form.password = m_password->text();
  m_form.continuous = m_continuous->isChecked();
  m_form.encryption = m_encryption->isChecked();
  m_form.requestPush = m_requestPush->isChecked();
  m_form.autoNew = m_autoNew->isChecked();
  m_form.autoOld = m_autoOld->isChecked();
  m_form.dedupe = m_dedupe->isChecked();
  m_form.locked = m_lock->isChecked();
  const int index = m_purge->currentIndex();
  m_form.purgeDays = index < 0 ? CSettingsForm::kNoPurgeEntry : m_purge->itemData(index).toInt();
}

void CSettingsDialog::OnAddressEdited() {
  const QString text = m_address->text();
  const QString clean = CSettingsForm::CleanAddress(text);
  if (clean != text) {
    // The cursor keeps its place among the characters that stay.
    const int cursor = static_cast<int>(
        CSettingsForm::CleanAddress(text.left(m_address->cursorPosition())).size());
    const QSignalBlocker blocker(m_address);
    m_address->setText(clean);
    m_address->setCursorPosition(cursor);
  }
  const bool relay = CSettingsForm::IsRelayName(clean);
  m_relayNotice->setVisible(relay);
  m_portLabel->setVisible(!relay);
  m_port->setVisible(!relay);
  m_encryption->setEnabled(m_purge->isEnabled() && !relay);
}

void CSettingsDialog::EnableControls(bool enabled) {
  for (QWidget* child : findChildren<QWidget*>()) {
    // OK and Cancel sit in the button box; the unlock prompt is a dialog of its own.
    const bool keep = child == m_lock || qobject_cast<QDialogButtonBox*>(child) ||
                      qobject_cast<QDialog*>(child) || child->parentWidget() != this;
    if (!keep) child->setEnabled(enabled);
  }
}

void CSettingsDialog::OnLockClicked() {
  ReadControls();
  if (m_lock->isChecked() || m_purge->isEnabled()) return;
  auto* prompt = new CUnlockPrompt(m_form, this);
  prompt->setAttribute(Qt::WA_DeleteOnClose);
  connect(prompt, &QDialog::finished, this, &CSettingsDialog::OnUnlockPromptDone);
  prompt->open();
}

void CSettingsDialog::OnUnlockPromptDone(int result) {
  if (result != QDialog::Accepted) {
    m_lock->setChecked(true);
    return;
  }
  // The unlock holds even when the dialog is then cancelled.
  m_store.WriteInt(QStringLiteral("Settings"), QStringLiteral("Locked"), 0);
  EnableControls(true);
  OnAddressEdited();
}

void CSettingsDialog::accept() {
  ReadControls();
  if (m_form.Commit(m_store, m_connection) == CSettingsForm::CommitResult::kNeedsPassword) {
    CLanguage::Instance().MessageByKey(QStringLiteral("Settings.LockNeedsPassword"),
                                       kMbIconInformation);
    return;
  }
  QDialog::accept();
}
