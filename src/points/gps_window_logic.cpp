#include "points/gps_window_logic.h"

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "platform/settings_store.h"
#include "points/gps_device.h"
#include "points/gps_format.h"

namespace {

QString TranslateKey(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

// The whole number a text starts with, as "%i" reads it; `fallback` when there is none.
int LeadingNumber(const QString& text, int fallback) {
  const QString trimmed = text.trimmed();
  qsizetype end = 0;
  if (end < trimmed.size() && (trimmed[end] == u'-' || trimmed[end] == u'+')) ++end;
  while (end < trimmed.size() && trimmed[end].isDigit()) ++end;
  bool ok = false;
  const int number = trimmed.left(end).toInt(&ok);
  return ok ? number : fallback;
}

}  // namespace

CGPSWindowLogic::CGPSWindowLogic(CGPSDevice& device, bool closeOnFix)
    : m_device(device), m_closeOnFix(closeOnFix) {}

CGPSWindowLogic::Next CGPSWindowLogic::Open() { return ConnectOrReview(); }

CGPSWindowLogic::Next CGPSWindowLogic::Poll() {
  if (const std::optional<CGPSPosition> position = m_device.TakePosition()) {
    ShowPosition(*position);
    if (position->fixed) {
      m_fix = position;
      m_view.canAccept = true;
      if (m_closeOnFix) return Next::kAccept;
    }
    return Next::kPoll;
  }
  if (m_device.IsOpen()) {
    // The reader keeps trying a receiver that went away; say so until it is back.
    if (!m_device.IsConnected()) {
      SetStatus(QLT_KEY("Point.GPS.Disconnected"));
      m_receiverAway = true;
    } else if (m_receiverAway) {
      SetStatus(QLT_KEY("Point.GPS.Waiting"));
      m_receiverAway = false;
    }
    return Next::kPoll;
  }
  SetStatus(QLT_KEY("Point.GPS.CantConnect"));
  if (!EditSetup()) return Next::kWait;
  m_device.Close();
  return ConnectOrReview();
}

CGPSWindowLogic::Next CGPSWindowLogic::Setup() {
  if (!EditSetup()) return m_device.IsOpen() ? Next::kPoll : Next::kWait;
  m_device.Close();
  return ConnectOrReview();
}

bool CGPSWindowLogic::Connect() {
  if (m_device.IsOpen()) {
    m_device.DiscardPosition();
    SetStatus(QLT_KEY("Point.GPS.Waiting"));
    return true;
  }
  if (!m_device.Open()) {
    SetStatus(QLT_KEY("Point.GPS.CantConnect"));
    return false;
  }
  SetStatus(QLT_KEY("Point.GPS.Connecting"));
  return true;
}

CGPSWindowLogic::Next CGPSWindowLogic::ConnectOrReview() {
  while (!Connect()) {
    // Without a port of its own in the settings the reader looked for a receiver and fell back
    // to a name that is not there: say what is missing rather than only that it failed.
    const char* question = QLT_KEY("Point.GPS.ReviewSettings");
    if (m_device.PortName() == QLatin1String(CGPSPortChoice::kFallbackPort)) {
      question = CGPSPortChoice::AvailablePorts().empty() ? QLT_KEY("Point.GPS.NoSerialPort")
                                                          : QLT_KEY("Point.GPS.NoReceiverFound");
    }
    // A "no" leaves the window open without polling; its setup button asks again.
    if (CServices::Instance().Messages().ShowMessage(TranslateKey(question),
                                                     kMbYesNo | kMbIconExclamation) != kIdYes ||
        !EditSetup()) {
      return Next::kWait;
    }
    m_device.Close();
  }
  return Next::kPoll;
}

bool CGPSWindowLogic::EditSetup() {
  CDialogService::GpsSetupRequest request =
      SetupRequest(m_device.SettingsFile(), CGPSPortChoice::AvailablePorts());
  return CServices::Instance().Dialogs().EditGpsSetup(request);
}

void CGPSWindowLogic::SetStatus(const char* key, bool fixed) {
  m_view.status = TranslateKey(key);
  m_view.fixed = fixed;
}

void CGPSWindowLogic::ShowPosition(CGPSPosition position) {
  SetStatus(position.fixed ? QLT_KEY("Point.GPS.Fixed") : QLT_KEY("Point.GPS.Fixing"),
            position.fixed != 0);
  m_view.latitude =
      CGPSFormat::FormatValue(position, QStringLiteral("%lat-d%\u00b0%lat-m%'%lat-s%\" %lat-hem%"));
  m_view.longitude = CGPSFormat::FormatValue(
      position, QStringLiteral("%long-d%\u00b0%long-m%'%long-s%\" %long-hem%"));
  m_view.altitude = CGPSFormat::FormatValue(position, QStringLiteral("%alt% m"));
  m_view.satellites = CGPSFormat::FormatValue(position, QStringLiteral("%sats%"));
}

CDialogService::GpsSetupRequest CGPSWindowLogic::SetupRequest(
    const QString& settingsFile, const std::vector<CGPSPortChoice::Port>& available) {
  const CSettingsStore settings(settingsFile);
  const QString section = QString::fromLatin1(CGPSPortChoice::kSection);
  const QString automatic = QString::fromLatin1(CGPSPortChoice::kAutomatic);
  CDialogService::GpsSetupRequest request;
  request.ports.append(automatic);
  for (const CGPSPortChoice::Port& port : available) request.ports.append(port.name);
  request.speeds = CGPSPortChoice::Speeds();

  const QString saved =
      settings.ReadString(section, QString::fromLatin1(CGPSPortChoice::kPortNameEntry)).trimmed();
  const bool chosen = !saved.isEmpty() && saved.compare(automatic, Qt::CaseInsensitive) != 0;
  request.port = chosen ? saved : automatic;
  if (!request.ports.contains(request.port)) request.ports.append(request.port);
  const int baud =
      settings.ReadInt(section, QString::fromLatin1(CGPSPortChoice::kPortBaudEntry), -1);
  request.speed = QString::number(baud > 0 ? baud : CGPSPortChoice::kDefaultBaud);
  if (!request.speeds.contains(request.speed)) request.speeds.append(request.speed);
  if (available.empty()) request.note = TranslateKey("Point.GPS.NoPorts");
  request.save = [settingsFile](const QString& port, const QString& speed) {
    return SaveSetup(settingsFile, port, speed);
  };
  return request;
}

bool CGPSWindowLogic::SaveSetup(const QString& settingsFile, const QString& port,
                                const QString& speed) {
  CSettingsStore settings(settingsFile);
  const QString section = QString::fromLatin1(CGPSPortChoice::kSection);
  const QString name =
      port.trimmed().isEmpty() ? QString::fromLatin1(CGPSPortChoice::kAutomatic) : port.trimmed();
  // A speed of nothing would leave the reader without a port to open.
  int baud = LeadingNumber(speed, CGPSPortChoice::kDefaultBaud);
  if (baud <= 0) baud = CGPSPortChoice::kDefaultBaud;
  if (settings.WriteInt(section, QString::fromLatin1(CGPSPortChoice::kPortBaudEntry), baud) &&
      settings.WriteString(section, QString::fromLatin1(CGPSPortChoice::kPortNameEntry), name)) {
    return true;
  }
  QString text = TranslateKey("Point.GPS.CantSaveSettings");
  text.replace(QStringLiteral("%s"), settingsFile);
  CServices::Instance().Messages().ShowMessage(text, kMbOk | kMbIconExclamation);
  return false;
}
