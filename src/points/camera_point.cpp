#include "points/camera_point.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include "app/image_services.h"
#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "points/camera_point_logic.h"
#include "points/file_point_logic.h"
#include "project/display_scale.h"
#include "values/file_blob.h"

namespace {

using CameraPointLogic::PictureState;

const char* const kClassId = "{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}";
constexpr int kButton = 39;     // button diameter
constexpr int kPairWidth = 92;  // camera and delete buttons side by side
constexpr int kBoxPadding = 4;  // between the box's edge and the thumbnail
constexpr int kCameraAttempts = 10;
constexpr int kAttemptPauseMs = 250;
const QColor kButtonFill(0xFA, 0xFA, 0xFA);
const QColor kButtonLine(0xD0, 0xD0, 0xD0);

// The translated text with each "%s" replaced by the next argument.
QString Text(const char* key, const QStringList& arguments = {}) {
  return CLanguage::Instance().TranslateWith(QString::fromLatin1(key), arguments);
}

int Warn(const char* key, const QStringList& arguments = {}) {
  return CServices::Instance().Messages().ShowMessage(Text(key, arguments),
                                                      kMbOk | kMbIconExclamation);
}

void DrawButton(QPainter& painter, const QRect& circle, bool camera, int scale) {
  painter.setPen(QPen(kButtonLine, scale));
  painter.setBrush(kButtonFill);
  painter.drawEllipse(circle);
  const QRectF icon = QRectF(circle).adjusted(12 * scale, 12 * scale, -12 * scale, -12 * scale);
  painter.setPen(
      QPen(QColor(0x50, 0x50, 0x50), 1.5 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  if (camera) {
    const QRectF body = icon.adjusted(0, icon.height() * 0.2, 0, -icon.height() * 0.1);
    painter.drawRoundedRect(body, 2 * scale, 2 * scale);
    const qreal lens = body.height() * 0.55;
    painter.drawEllipse(QRectF(body.center() - QPointF(lens / 2, lens / 2), QSizeF(lens, lens)));
    painter.drawLine(QPointF(icon.left() + icon.width() * 0.3, body.top()),
                     QPointF(icon.left() + icon.width() * 0.4, icon.top() + icon.height() * 0.05));
    painter.drawLine(QPointF(icon.left() + icon.width() * 0.4, icon.top() + icon.height() * 0.05),
                     QPointF(icon.left() + icon.width() * 0.6, icon.top() + icon.height() * 0.05));
    painter.drawLine(QPointF(icon.left() + icon.width() * 0.6, icon.top() + icon.height() * 0.05),
                     QPointF(icon.left() + icon.width() * 0.7, body.top()));
  } else {  // a waste bin
    const qreal w = icon.width();
    painter.drawLine(QPointF(icon.left(), icon.top() + w * 0.15),
                     QPointF(icon.right(), icon.top() + w * 0.15));
    painter.drawLine(QPointF(icon.left() + w * 0.35, icon.top()),
                     QPointF(icon.left() + w * 0.65, icon.top()));
    QPainterPath bin;
    bin.moveTo(icon.left() + w * 0.12, icon.top() + w * 0.15);
    bin.lineTo(icon.left() + w * 0.2, icon.bottom());
    bin.lineTo(icon.right() - w * 0.2, icon.bottom());
    bin.lineTo(icon.right() - w * 0.12, icon.top() + w * 0.15);
    painter.drawPath(bin);
  }
}

// Lets the event loop run for a while, as the camera application's folder fills.
void Pause(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

CCameraPoint::CCameraPoint() : CBuiltInControl(MakeGuid(kClassId)) {}

QString CCameraPoint::CameraRollFolder() {
  QString pictures = qEnvironmentVariable("XDG_PICTURES_DIR");
  if (pictures.isEmpty()) {
    pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  }
  if (pictures.isEmpty()) return QString();
  const QString folder = QDir(pictures).filePath(QStringLiteral("Camera Roll"));
  return QDir().mkpath(folder) ? folder : QString();
}

void CCameraPoint::LoadProperties(const CBagReader& bag) {
  m_path = bag.Text("Path");
  m_types = bag.Text("Types", QString::fromLatin1(CameraPointLogic::kDefaultTypes));
  m_delete = bag.Flag("Delete");
  m_thumbWidth = bag.Int("ThumbWidth", 240);
  m_thumbHeight = bag.Int("ThumbHeight", 160);
  m_shell = bag.Flag("Shell", true);
  m_shellWidth = bag.Int("ShellWidth", 640);
  m_shellHeight = bag.Int("ShellHeight", 480);
  m_filename = bag.Text("Filename");
}

void CCameraPoint::SaveProperties(CBagWriter& bag) const {
  bag.Text("Path", m_path);
  bag.Text("Types", m_types);
  bag.Flag("Delete", m_delete);
  bag.Int("ThumbWidth", m_thumbWidth);
  bag.Int("ThumbHeight", m_thumbHeight);
  bag.Flag("Shell", m_shell);
  bag.Int("ShellWidth", m_shellWidth);
  bag.Int("ShellHeight", m_shellHeight);
  bag.Text("Filename", m_filename);
}

HRESULT CCameraPoint::Show() {
  RebuildThumbnail();
  // A held photo is shown whole; the buttons come back with a tap.
  m_buttonsShown = !m_holdsFile;
  return CBuiltInControl::Show();
}

HRESULT CCameraPoint::SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  const HRESULT hr = CBuiltInControl::SetValueV(vValue, pbResult);
  RebuildThumbnail();
  // A photo that arrives is shown whole; the buttons come back with a tap.
  m_buttonsShown = !m_holdsFile;
  return hr;
}

QSize CCameraPoint::ThumbnailBox(int width) const {
  const int scale = CDisplayScale::Factor();
  const int w = qBound(1, m_thumbWidth, 4096) * scale;
  const int h = qBound(1, m_thumbHeight, 4096) * scale;
  const int available = width - 20 * scale;
  if (width > 0 && w > available && available > 0) {
    return QSize(available, qMax(1, int(qint64(available) * h / w)));
  }
  return QSize(w, h);
}

HRESULT CCameraPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  const HRESULT hr = CBuiltInControl::GetHeight(hDC, nWidth, pnHeight);
  if (FAILED(hr)) return hr;
  if (m_width != int(nWidth)) {
    m_width = int(nWidth);
    RebuildThumbnail();
  }
  *pnHeight += ThumbnailBox(m_width).height() + 2 * kBoxPadding * CDisplayScale::Factor();
  return S_OK;
}

QRect CCameraPoint::Band() const {
  const QRect rect = Rect();
  const int scale = CDisplayScale::Factor();
  const QSize box = ThumbnailBox(rect.width()) + QSize(2, 2) * kBoxPadding * scale;
  return QRect(rect.left() + (rect.width() - box.width()) / 2, rect.bottom() + 1 - box.height(),
               box.width(), box.height());
}

QRect CCameraPoint::CameraButton() const {
  const QRect band = Band();
  const int scale = CDisplayScale::Factor();
  const int size = kButton * scale;
  const int left =
      m_holdsFile ? band.center().x() - kPairWidth * scale / 2 : band.center().x() - size / 2;
  return QRect(left, band.center().y() - size / 2, size, size);
}

QRect CCameraPoint::DeleteButton() const {
  const QRect band = Band();
  const int scale = CDisplayScale::Factor();
  const int size = kButton * scale;
  return QRect(band.center().x() + kPairWidth * scale / 2 - size, band.center().y() - size / 2,
               size, size);
}

HRESULT CCameraPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  const HRESULT hr = CBuiltInControl::Paint(hDC, pRect);
  if (FAILED(hr) || hDC == nullptr) return hr;
  const int scale = CDisplayScale::Factor();
  const QRect band = Band();
  QPainter& painter = *hDC;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(band, 14 * scale, 14 * scale);
  const QRect inner = band.adjusted(kBoxPadding * scale, kBoxPadding * scale, -kBoxPadding * scale,
                                    -kBoxPadding * scale);
  if (!m_thumbnail.isNull()) {
    const QSize fitted = CameraPointLogic::FitInto(m_thumbnail.size(), inner.size());
    const QRect target(inner.left() + (inner.width() - fitted.width()) / 2,
                       inner.top() + (inner.height() - fitted.height()) / 2, fitted.width(),
                       fitted.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_thumbnail);
  } else if (m_holdsFile) {
    painter.setPen(Qt::black);
    painter.setFont(CDisplayScale::NormalFont());
    painter.drawText(inner, Qt::AlignCenter, Text("Point.Camera.NonImage"));
  }
  if ((!m_holdsFile || m_buttonsShown) && !ReadOnly()) {
    DrawButton(painter, CameraButton(), true, scale);
    if (m_holdsFile) DrawButton(painter, DeleteButton(), false, scale);
  }
  painter.restore();
  return S_OK;
}

HRESULT CCameraPoint::OnTap(LONG x, LONG y) {
  const QRect band = Band();
  if (y < band.top()) return CBuiltInControl::OnTap(x, y);
  if (ReadOnly()) return S_OK;
  const QPoint at{int(x), int(y)};
  if (m_holdsFile && !m_buttonsShown) {
    m_buttonsShown = true;
  } else if (CameraButton().contains(at)) {
    if (Capture()) m_buttonsShown = false;
  } else if (m_holdsFile && DeleteButton().contains(at)) {
    const int answer = CServices::Instance().Messages().ShowMessage(
        Text("Point.Camera.ConfirmDelete"), kMbYesNo | kMbIconQuestion | kMbDefButton2);
    if (answer == kIdYes && SetSiteValueV(CVariant())) RebuildThumbnail();
  } else if (m_holdsFile) {
    m_buttonsShown = false;
  }
  Invalidate();
  return S_OK;
}

bool CCameraPoint::Capture() { return m_shell ? CaptureFromCamera() : CaptureFromFolder(); }

bool CCameraPoint::CaptureFromCamera() {
  const QString folder = CameraRollFolder();
  if (folder.isEmpty()) {
    Warn("Point.Camera.NoCameraRoll");
    return false;
  }
  const CameraPointLogic::CameraRollMark before = CameraPointLogic::MarkCameraRoll(folder);
  if (!CServices::Instance().Dialogs().TakePhoto(folder)) return false;
  const CameraPointLogic::CameraRollMark taken = CameraPointLogic::MarkCameraRoll(folder);
  if (taken.path.isEmpty() || taken == before) {
    Warn("Point.Camera.NoNewPhoto", {QDir::toNativeSeparators(folder)});
    return false;
  }
  return Import(taken.path, kCameraAttempts);
}

bool CCameraPoint::CaptureFromFolder() {
  const QString types =
      m_types.isEmpty() ? QString::fromLatin1(CameraPointLogic::kDefaultTypes) : m_types;
  const QString folder = FilePointLogic::ResolveFolder(m_path);
  const CImageServices images;
  QString refused;
  PictureState why = PictureState::kNotAPicture;
  const QString path = CameraPointLogic::FindNewestPicture(folder, types, images, &refused, &why);
  if (!path.isEmpty()) return Import(path, 1);
  const QString shown = QDir::toNativeSeparators(refused);
  if (refused.isEmpty()) {
    Warn("Point.Camera.NoFiles", {types, QDir::toNativeSeparators(folder)});
  } else if (why == PictureState::kIncomplete) {
    Warn("Point.Camera.Incomplete", {shown});
  } else if (why == PictureState::kTooLarge) {
    Warn("Point.Camera.TooLarge", {shown});
  } else {
    Warn("Point.Camera.CantLoad", {shown});
  }
  return false;
}

bool CCameraPoint::Import(const QString& path, int attempts) {
  const CImageServices images;
  QByteArray jpeg;
  PictureState state = PictureState::kNotAPicture;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) Pause(kAttemptPauseMs);
    QByteArray source;
    if (!CameraPointLogic::ReadPicture(path, source)) {
      state = PictureState::kNotAPicture;
      continue;
    }
    if (CameraPointLogic::ImportPicture(source, m_shellWidth, m_shellHeight, images, jpeg,
                                        &state)) {
      break;
    }
    // A picture too large stays too large, and one that decoded but did not convert will not
    // convert the next time either.
    if (state == PictureState::kTooLarge || state == PictureState::kCantConvert) break;
  }
  const QString shown = QDir::toNativeSeparators(path);
  switch (state) {
    case PictureState::kPicture:
      break;
    case PictureState::kTooLarge:
      Warn("Point.Camera.TooLarge", {shown});
      return false;
    case PictureState::kIncomplete:
      Warn("Point.Camera.Incomplete", {shown});
      return false;
    case PictureState::kCantConvert:
      Warn("Point.Camera.CantRescale", {shown});
      return false;
    case PictureState::kNotAPicture:
      Warn("Point.Camera.CantLoad", {shown});
      return false;
  }
  const QString source =
      m_filename.isEmpty() ? QFileInfo(path).fileName() : ResolveValue(m_filename);
  const QString name =
      CameraPointLogic::StoredName(source, Name(), CServices::Instance().TickCount());
  if (!SetSiteValueV(FileBlob::Make(name, jpeg))) return false;
  if (m_delete) QFile::remove(path);
  RebuildThumbnail();
  return true;
}

void CCameraPoint::RebuildThumbnail() {
  const CVariant value = ValueV();
  QByteArray content;
  m_holdsFile = FileBlob::IsFile(value) && !FileBlob::Name(value).isEmpty() &&
                FileBlob::Content(value, content);
  m_thumbnail = QImage();
  if (!m_holdsFile) return;
  const CImageServices images;
  const QSize box = ThumbnailBox(m_width > 0 ? m_width : Rect().width());
  const QSize size = CameraPointLogic::FitInto(images.ImageSize(content), box);
  m_thumbnail =
      images.LoadImage(content, size.width(), size.height(), CImageServices::kReducedDecode);
}

const CPointTypeRegistration kCamera(BuiltInControlType(140, kClassId, "TWKF.Camera", "Camera",
                                                        "Take photos", 224, 15,
                                                        &CreateBuiltInControl<CCameraPoint>));
