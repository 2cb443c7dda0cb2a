// CCameraPoint ("TWKF.Camera"): a built-in custom control that stores one photo as a file value
// holding a JPEG and shows it as a thumbnail. A photo comes from the camera's capture window
// (through the dialog service, which saves it into the Camera Roll folder, watched here as the
// folder a camera application writes to) or from the newest complete picture of a configured
// folder; each is turned upright, scaled to the configured size and stored as a new JPEG.
// Created by the hosting; UI thread only.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "points/builtin_control.h"

class CCameraPoint : public CBuiltInControl {
 public:
  CCameraPoint();

  // "$XDG_PICTURES_DIR/Camera Roll" (the pictures folder of the desktop when the variable is not
  // set), made when missing; empty when it cannot be made.
  static QString CameraRollFolder();

  HRESULT Show() override;
  HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;

  // For tests and the page display: the thumbnail shown (null without a decodable photo).
  const QImage& Thumbnail() const { return m_thumbnail; }
  bool ButtonsShown() const { return m_buttonsShown; }

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;

 private:
  bool Capture();
  bool CaptureFromCamera();
  bool CaptureFromFolder();
  // Imports the picture at `path`, trying `attempts` times a quarter second apart while it
  // cannot be read or is still being written.
  bool Import(const QString& path, int attempts);
  void RebuildThumbnail();
  // The thumbnail's box for the point's width (normal or doubled pixels).
  QSize ThumbnailBox(int width) const;
  QRect Band() const;
  QRect CameraButton() const;
  QRect DeleteButton() const;

  QString m_path;
  QString m_types = QStringLiteral("jpg,jpeg");
  bool m_delete = false;
  int m_thumbWidth = 240;
  int m_thumbHeight = 160;
  bool m_shell = true;
  int m_shellWidth = 640;
  int m_shellHeight = 480;
  QString m_filename;

  QImage m_thumbnail;
  bool m_holdsFile = false;
  bool m_buttonsShown = true;
  int m_width = 0;  // the width last offered to GetHeight
};
