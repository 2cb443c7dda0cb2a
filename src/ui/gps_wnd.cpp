#include "ui/gps_wnd.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/language.h"
#include "points/device_button.h"
#include "project/display_scale.h"

namespace {

QString TranslateKey(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

}  // namespace

CGPSWnd::CGPSWnd(CDialogService::GpsWindow& logic, QWidget* parent)
    : QDialog(parent), m_logic(logic) {
  const int scale = CDisplayScale::Factor();
  setWindowTitle(TranslateKey("Point.GPS.Title"));
  setModal(true);
  m_timer.setInterval(CDialogService::GpsWindow::kPollMilliseconds);
  connect(&m_timer, &QTimer::timeout, this, &CGPSWnd::PollNow);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();
  auto* icon = new QLabel(this);
  icon->setPixmap(
      QPixmap::fromImage(CDeviceButton::IconImage(CDeviceButton::Icon::kGps, 32 * scale)));
  top->addWidget(icon);
  m_status = new QLabel(this);
  m_status->setFont(CDisplayScale::Font(11, true));
  m_status->setWordWrap(true);
  top->addWidget(m_status, 1);
  layout->addLayout(top);

  auto* form = new QFormLayout();
  const char* const labels[] = {QLT_KEY("Point.GPS.Latitude"), QLT_KEY("Point.GPS.Longitude"),
                                QLT_KEY("Point.GPS.Altitude"), QLT_KEY("Point.GPS.Satellites")};
  for (int i = 0; i < 4; ++i) {
    m_lines[i] = new QLabel(this);
    m_lines[i]->setFont(CDisplayScale::Font(11, true));
    m_lines[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(TranslateKey(labels[i]), m_lines[i]);
  }
  layout->addLayout(form);

  auto* buttons = new QHBoxLayout();
  m_settings = new QPushButton(TranslateKey("Point.GPS.Settings"), this);
  m_ok = new QPushButton(TranslateKey("System.OK"), this);
  auto* cancel = new QPushButton(TranslateKey("System.Cancel"), this);
  for (QPushButton* button : {m_settings, m_ok, cancel}) button->setAutoDefault(false);
  m_ok->setEnabled(false);
  buttons->addWidget(m_settings);
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(m_settings, &QPushButton::clicked, this,
          [this] { Run(&CDialogService::GpsWindow::Setup); });
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setMinimumWidth(260 * scale);
}

int CGPSWnd::Execute() {
  // Connecting may ask questions: they come over the window, so it shows first.
  show();
  Run(&CDialogService::GpsWindow::Open);
  if (!isVisible()) return result();  // closed at once
  return exec();
}

void CGPSWnd::PollNow() { Run(&CDialogService::GpsWindow::Poll); }

void CGPSWnd::Run(CDialogService::GpsWindow::Next (CDialogService::GpsWindow::*call)()) {
  m_timer.stop();
  const CDialogService::GpsWindow::Next next = (m_logic.*call)();
  ShowView();
  switch (next) {
    case CDialogService::GpsWindow::Next::kPoll:
      if (isVisible()) m_timer.start();
      break;
    case CDialogService::GpsWindow::Next::kWait:
      break;
    case CDialogService::GpsWindow::Next::kAccept:
      accept();
      break;
  }
}

void CGPSWnd::ShowView() {
  const CDialogService::GpsView& view = m_logic.View();
  m_status->setText(view.status);
  m_status->setStyleSheet(view.fixed ? QStringLiteral("color: rgb(0, 128, 0);")
                                     : QStringLiteral("color: rgb(255, 0, 0);"));
  const QString* texts[] = {&view.latitude, &view.longitude, &view.altitude, &view.satellites};
  for (int i = 0; i < 4; ++i) m_lines[i]->setText(*texts[i]);
  m_ok->setEnabled(view.canAccept);
}

void CGPSWnd::done(int result) {
  m_timer.stop();
  QDialog::done(result);
}
