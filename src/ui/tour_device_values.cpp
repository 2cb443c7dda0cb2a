#include "ui/tour_device_values.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <optional>

#include "app/image_services.h"
#include "points/camera_point_logic.h"
#include "points/custom_point.h"
#include "points/gps_format.h"
#include "points/gps_nmea_decoder.h"
#include "points/voice_point_logic.h"
#include "project/project.h"
#include "sessions/session.h"
#include "values/file_blob.h"

namespace {

// "$" body "*" checksum CR LF, as a receiver sends it.
QByteArray Sentence(const char* body) {
  unsigned char sum = 0;
  for (const char* c = body; *c != '\0'; ++c) sum ^= static_cast<unsigned char>(*c);
  return "$" + QByteArray(body) + "*" +
         QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// What a receiver at a site entrance sends in one second: the fix and its dilutions.
std::optional<CGPSPosition> RecordedFix() {
  const QByteArray second =
      Sentence("GPGGA,103012.00,4807.0382,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,") +
      Sentence("GPGSA,A,3,04,05,09,12,17,24,25,29,,,,,1.6,0.9,1.3");
  CGPSNmeaDecoder decoder;
  decoder.Feed(second.constData(), static_cast<std::size_t>(second.size()));
  return decoder.Position();
}

bool FillFix(const CCustomPoint& point, const CProject& project, CSession& session,
             QString& error) {
  std::optional<CGPSPosition> fix = RecordedFix();
  if (!fix) {
    error = QStringLiteral("the recorded GPS sentences gave no fix");
    return false;
  }
  const CVariantMap& bag = point.Bag();
  const QString format = bag.Find(QStringLiteral("Format")) ? bag.GetText(QStringLiteral("Format"))
                                                            : CGPSFormat::DefaultFormat();
  session.SetValueText(point.Name(), CGPSFormat::FormatValue(*fix, format));
  if (bag.GetInteger(QStringLiteral("Expand"), 1) == 0) return true;
  for (const auto& [suffix, text] : CGPSFormat::SubPointTexts(*fix)) {
    if (const CBasePoint* sub = project.FindPointByName(point.Name() + suffix)) {
      session.SetValueText(sub->Name(), text);
    }
  }
  return true;
}

// A photo of a scaffold with a loose board, as a camera would save it.
QByteArray ScaffoldPhoto() {
  QImage photo(1600, 1200, QImage::Format_RGB32);
  QPainter painter(&photo);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 820);
  sky.setColorAt(0, QColor(96, 150, 210));
  sky.setColorAt(1, QColor(200, 222, 240));
  painter.fillRect(0, 0, 1600, 820, sky);
  painter.fillRect(0, 820, 1600, 380, QColor(120, 108, 92));
  // The building behind the scaffold, with its windows.
  painter.fillRect(180, 160, 1240, 660, QColor(186, 170, 150));
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 6; ++column) {
      painter.fillRect(250 + column * 195, 210 + row * 210, 110, 140, QColor(70, 84, 100));
    }
  }
  // Standards, ledgers and boards.
  painter.setPen(QPen(QColor(150, 155, 160), 14, Qt::SolidLine, Qt::FlatCap));
  for (int x = 140; x <= 1460; x += 220) painter.drawLine(x, 100, x, 860);
  for (int y = 330; y <= 770; y += 220) painter.drawLine(120, y, 1480, y);
  painter.setPen(QPen(QColor(130, 135, 140), 10));
  painter.drawLine(140, 770, 360, 330);
  painter.drawLine(1240, 770, 1460, 330);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(176, 130, 74));
  for (int y = 300; y <= 740; y += 220) {
    for (int x = 140; x < 1460; x += 220) {
      if (y == 520 && x == 800) continue;
      painter.drawRect(x + 4, y, 212, 26);
    }
  }
  // The loose board of level two, hanging from one end.
  painter.save();
  painter.translate(800, 526);
  painter.rotate(28);
  painter.drawRect(0, 0, 216, 26);
  painter.restore();
  // The barrier tape across the foot of the scaffold.
  QPainterPath tape;
  tape.moveTo(0, 900);
  tape.cubicTo(500, 930, 1100, 880, 1600, 915);
  painter.strokePath(tape, QPen(QColor(220, 40, 40), 18));
  painter.strokePath(tape, QPen(Qt::white, 18, Qt::DashLine));
  painter.end();
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(92);
  return writer.write(photo) ? jpeg : QByteArray();
}

bool FillPhoto(const CCustomPoint& point, CSession& session, QString& error) {
  const CVariantMap& bag = point.Bag();
  const CImageServices images;
  QByteArray stored;
  if (!CameraPointLogic::ImportPicture(
          ScaffoldPhoto(), bag.GetInteger(QStringLiteral("ShellWidth"), 640),
          bag.GetInteger(QStringLiteral("ShellHeight"), 480), images, stored)) {
    error = QStringLiteral("the sample photo could not be imported");
    return false;
  }
  const QString name =
      CameraPointLogic::StoredName(point.Name() + QStringLiteral(".jpg"), point.Name(), 0);
  session.SetValue(point.Name(), FileBlob::Make(name, stored));
  return true;
}

bool FillClip(const CCustomPoint& point, CSession& session, const QDateTime& recorded,
              QString& error) {
  QFile clip(QStringLiteral(":/tour/voice-note.m4a"));
  if (!clip.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("the sample voice clip is not in this build");
    return false;
  }
  session.SetValue(point.Name(),
                   FileBlob::Make(VoicePointLogic::RecordingName(recorded), clip.readAll()));
  return true;
}

}  // namespace

namespace TourDeviceValues {

bool Fill(const CProject& project, CSession& session, const QDateTime& recorded, QString& error) {
  bool ok = true;
  project.ForEachPoint([&](CBasePoint* base) {
    const auto* point = dynamic_cast<const CCustomPoint*>(base);
    if (!ok || point == nullptr) return;
    const QString type = point->UserTypeName();
    if (type == QLatin1String("TWKF.GPS")) {
      ok = FillFix(*point, project, session, error);
    } else if (type == QLatin1String("TWKF.Camera")) {
      ok = FillPhoto(*point, session, error);
    } else if (type == QLatin1String("TWKF.Voice")) {
      ok = FillClip(*point, session, recorded, error);
    }
  });
  return ok;
}

}  // namespace TourDeviceValues
