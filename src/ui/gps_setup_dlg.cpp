#include "ui/gps_setup_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/language.h"
#include "project/display_scale.h"

namespace {

QString TranslateKey(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

bool IsAutomatic(const QString& port, const QString& automatic) {
  return port.trimmed().compare(automatic, Qt::CaseInsensitive) == 0;
}

}  // namespace

CGPSSetupDlg::CGPSSetupDlg(CDialogService::GpsSetupRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
  setWindowTitle(TranslateKey("Point.GPS.SetupTitle"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  if (!request.note.isEmpty()) {
    auto* note = new QLabel(request.note, this);
    note->setWordWrap(true);
    layout->addWidget(note);
  }
  auto* form = new QFormLayout();
  m_port = new QComboBox(this);
  m_port->setEditable(true);
  m_port->setInsertPolicy(QComboBox::NoInsert);
  m_port->addItems(request.ports);
  m_port->setCurrentText(request.port);
  m_speed = new QComboBox(this);
  m_speed->addItems(request.speeds);
  m_speed->setCurrentText(request.speed);
  form->addRow(TranslateKey("Point.GPS.Port"), m_port);
  form->addRow(TranslateKey("Point.GPS.Speed"), m_speed);
  layout->addLayout(form);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  m_ok = new QPushButton(TranslateKey("System.OK"), this);
  m_ok->setDefault(true);
  auto* cancel = new QPushButton(TranslateKey("System.Cancel"), this);
  buttons->addWidget(m_ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(m_port, &QComboBox::currentTextChanged, this, &CGPSSetupDlg::PortChanged);
  connect(m_ok, &QPushButton::clicked, this, &CGPSSetupDlg::Save);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  PortChanged();
  setMinimumWidth(240 * CDisplayScale::Factor());
}

void CGPSSetupDlg::PortChanged() {
  const QString automatic = m_request.ports.value(0);
  m_speed->setEnabled(!IsAutomatic(m_port->currentText(), automatic));
}

void CGPSSetupDlg::Save() {
  const QString port = m_port->currentText().trimmed();
  const QString speed = m_speed->currentText();
  if (m_request.save && !m_request.save(port, speed)) return;
  m_request.port = port;
  m_request.speed = speed;
  accept();
}
