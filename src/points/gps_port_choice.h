// CGPSPortChoice: which serial port and speed the GPS reader opens: the user's settings (group
// "GPS" of the "Tarnwick" settings: "PortName", "PortBaud") when they name a port, otherwise the
// first port that looks like a GPS receiver, otherwise "GPS1:" at 57600. Plain functions; the
// list of ports is handed in so the choice is tested without hardware. Any thread.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class CSettingsStore;

class CGPSPortChoice {
 public:
  static constexpr int kDefaultBaud = 57600;
  static constexpr const char* kSection = "GPS";
  static constexpr const char* kPortNameEntry = "PortName";
  static constexpr const char* kPortBaudEntry = "PortBaud";
  static constexpr const char* kAutomatic = "Auto";
  static constexpr const char* kFallbackPort = "GPS1:";

  // What the system tells about one serial port.
  struct Port {
    QString name;  // the name the port opens by (ttyUSB0, or a path)
    QString description;
    QString manufacturer;
    int vendorId = -1;  // USB vendor, -1 when unknown
  };
  struct Choice {
    QString name;
    int baud = kDefaultBaud;
  };

  static Choice Choose(const CSettingsStore& settings, const std::vector<Port>& available);

  // Whether a port is a GPS receiver by its USB maker or its own description.
  static bool LooksLikeGps(const Port& port);

  // The serial ports of this machine.
  static std::vector<Port> AvailablePorts();

  // The speeds the setup offers, fastest first.
  static QStringList Speeds();
};
