#include "points/gps_port_choice.h"

#include <QSerialPortInfo>

#include "platform/settings_store.h"

namespace {

// USB makers whose serial devices are GPS receivers (u-blox, Garmin, SiRF-based GlobalSat).
constexpr int kGpsVendors[] = {0x1546, 0x091e, 0x1163};

}  // namespace

CGPSPortChoice::Choice CGPSPortChoice::Choose(const CSettingsStore& settings,
                                              const std::vector<Port>& available) {
  const QString section = QString::fromLatin1(kSection);
  const int baud = settings.ReadInt(section, QString::fromLatin1(kPortBaudEntry), -1);
  const QString name = settings.ReadString(section, QString::fromLatin1(kPortNameEntry)).trimmed();
  if (baud > 0 && !name.isEmpty() &&
      name.compare(QLatin1String(kAutomatic), Qt::CaseInsensitive) != 0) {
    return {name, baud};
  }
  for (const Port& port : available) {
    if (LooksLikeGps(port)) return {port.name, kDefaultBaud};
  }
  return {QString::fromLatin1(kFallbackPort), kDefaultBaud};
}

bool CGPSPortChoice::LooksLikeGps(const Port& port) {
  for (const int vendor : kGpsVendors) {
    if (port.vendorId == vendor) return true;
  }
  for (const QString& text : {port.description, port.manufacturer}) {
    if (text.contains(QLatin1String("GPS"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("GNSS"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("u-blox"), Qt::CaseInsensitive)) {
      return true;
    }
  }
  return false;
}

std::vector<CGPSPortChoice::Port> CGPSPortChoice::AvailablePorts() {
  std::vector<Port> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    ports.push_back({info.portName(), info.description(), info.manufacturer(),
                     info.hasVendorIdentifier() ? int(info.vendorIdentifier()) : -1});
  }
  return ports;
}

QStringList CGPSPortChoice::Speeds() {
  return {QStringLiteral("115200"), QStringLiteral("57600"), QStringLiteral("38400"),
          QStringLiteral("28800"),  QStringLiteral("19200"), QStringLiteral("9600"),
          QStringLiteral("4800"),   QStringLiteral("2400"),  QStringLiteral("1200")};
}
