#include "ui/sync_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/language.h"
#include "project/display_scale.h"

CSyncDlg::CSyncDlg(CSyncRun& run, QWidget* parent)
    : QDialog(parent),
      m_run(run),
      m_status(new QLabel(this)),
      m_projectTitle(new QLabel(this)),
      m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton(this)) {
  setWindowTitle(CSyncRun::Title());
  setModal(true);
  m_status->setObjectName(QStringLiteral("1025"));
  m_projectTitle->setObjectName(QStringLiteral("1020"));
  m_progress->setObjectName(QStringLiteral("1021"));
  m_cancel->setObjectName(QStringLiteral("2"));
  m_projectTitle->setFont(CDisplayScale::BoldFont());
  m_projectTitle->setText(m_run.ProjectTitle());
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  m_progress->setTextVisible(false);
  QString cancel = CLanguage::Instance().Translate(QStringLiteral("System.Cancel"));
  m_cancel->setText(cancel.isEmpty() ? QStringLiteral("Cancel") : cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_projectTitle);
  layout->addWidget(m_status);
  layout->addWidget(m_progress);
  layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
  const int factor = CDisplayScale::Factor();
  setMinimumWidth(260 * factor);
  connect(m_cancel, &QPushButton::clicked, this, &CSyncDlg::reject);
  m_run.SetView(this);
}

CSyncDlg::~CSyncDlg() { m_run.SetView(nullptr); }

void CSyncDlg::Execute() {
  m_run.Start();
  // A run that ended while starting (nothing to wait for) never shows its window.
  if (!m_run.IsEnded()) exec();
}

void CSyncDlg::SetStatus(const QString& text) { m_status->setText(text); }

void CSyncDlg::SetProgress(int position, int maximum) {
  m_progress->setRange(0, maximum);
  m_progress->setValue(std::min(position, maximum));
}

void CSyncDlg::OnEnded() { done(QDialog::Accepted); }

void CSyncDlg::reject() {
  m_run.Cancel();
  QDialog::reject();
}
