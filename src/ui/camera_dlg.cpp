#include "ui/camera_dlg.h"

#include <QCamera>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QImageCapture>
#include <QLabel>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

#include "app/language.h"

namespace {

QString Translated(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

}  // namespace

CCameraDlg::CCameraDlg(const QString& folder, QWidget* parent)
    : QDialog(parent),
      m_folder(folder),
      m_preview(new QLabel(this)),
      m_status(new QLabel(this)),
      m_take(new QPushButton(Translated("Point.Camera.TakePhoto"), this)) {
  setWindowTitle(Translated("Point.Camera.Title"));
  m_preview->setMinimumSize(320, 240);
  m_preview->setAlignment(Qt::AlignCenter);
  m_status->setWordWrap(true);
  m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  buttons->addButton(m_take, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_take, &QPushButton::clicked, this, [this] { Take(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_preview, 1);
  layout->addWidget(m_status);
  layout->addWidget(buttons);

  const QCameraDevice device = QMediaDevices::defaultVideoInput();
  if (device.isNull()) {
    // Nothing to preview: the window is the message and its buttons.
    m_preview->hide();
    m_status->setMinimumWidth(420);
    m_take->setEnabled(false);
    m_status->setText(Translated("Point.Camera.NoCamera")
                          .replace(QStringLiteral("%s"), QDir::toNativeSeparators(folder)));
    return;
  }
  m_status->setText(Translated("Point.Camera.Waiting"));
  m_camera = new QCamera(device, this);
  m_capture = new QImageCapture(this);
  m_session = new QMediaCaptureSession(this);
  m_sink = new QVideoSink(this);
  m_session->setCamera(m_camera);
  m_session->setImageCapture(m_capture);
  m_session->setVideoSink(m_sink);
  m_capture->setFileFormat(QImageCapture::JPEG);
  connect(m_sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& frame) {
    const QImage image = frame.toImage();
    if (!image.isNull()) {
      m_preview->setPixmap(QPixmap::fromImage(
          image.scaled(m_preview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
  });
  connect(m_capture, &QImageCapture::imageSaved, this, [this](int, const QString&) { accept(); });
  connect(m_capture, &QImageCapture::errorOccurred, this,
          [this](int, QImageCapture::Error, const QString& text) {
            m_status->setText(
                Translated("Point.Camera.CameraError").replace(QStringLiteral("%s"), text));
            m_take->setEnabled(true);
          });
  connect(m_camera, &QCamera::errorOccurred, this, [this](QCamera::Error, const QString& text) {
    m_status->setText(Translated("Point.Camera.CameraError").replace(QStringLiteral("%s"), text));
    m_take->setEnabled(false);
  });
  m_camera->start();
}

void CCameraDlg::Take() {
  if (m_capture == nullptr || !m_capture->isReadyForCapture()) return;
  m_take->setEnabled(false);
  const QString name =
      QDateTime::currentDateTime().toString(QStringLiteral("'IMG_'yyyyMMdd_HHmmsszzz'.jpg'"));
  m_capture->captureToFile(QDir(m_folder).filePath(name));
}
