// CCameraDlg: the camera's capture window. It shows the default camera's picture, takes a photo
// on "Take Photo" and saves it as a JPEG into the folder it was given (the Camera Roll the camera
// point watches), then closes with OK; Cancel closes it without a photo. Without a camera it says
// so and offers only Cancel. Modal, owned by whoever opens it; UI thread.
#pragma once

#include <QDialog>
#include <QString>

class QCamera;
class QImageCapture;
class QLabel;
class QMediaCaptureSession;
class QPushButton;
class QVideoSink;

class CCameraDlg : public QDialog {
 public:
  CCameraDlg(const QString& folder, QWidget* parent);

 private:
  void Take();

  QString m_folder;
  QLabel* m_preview;
  QLabel* m_status;
  QPushButton* m_take;
  QCamera* m_camera = nullptr;
  QImageCapture* m_capture = nullptr;
  QMediaCaptureSession* m_session = nullptr;
  QVideoSink* m_sink = nullptr;
};
