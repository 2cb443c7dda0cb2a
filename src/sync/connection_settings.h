// CConnectionSettings: the connection settings of the client's store (section "Settings") with
// their defaults, as the in-memory copy the connection keeps; CServerAddress: the forms of the
// server address. Plain values, copied freely; UI thread.
#pragma once

#include <QString>
#include <cstdint>

class CSettingsStore;

// Where a server address leads: "$name" is a relay name (any colon belongs to the name); otherwise
// a host with an optional ":port" (decimal), port 2001 when none is given.
struct CServerAddress {
  static constexpr int kDefaultPort = 2001;

  static CServerAddress Parse(const QString& server);

  bool relay = false;
  QString host;       // direct connections
  QString relayName;  // relay connections: the text after the "$"
  int port = kDefaultPort;
};

class CConnectionSettings {
 public:
  static constexpr const char* kSection = "Settings";

  // Reads every cached value, missing entries taking their defaults; the timing values are read
  // only here, when the connection is created.
  static CConnectionSettings Load(const CSettingsStore& store);
  // Writes the values the settings dialog edits (not the timings, which have no user interface).
  // True when every value reached the store.
  bool Save(CSettingsStore& store) const;

  QString server;
  QString password;
  bool onDemand = false;  // "Demand": connect only when a synchronisation needs it
  bool encryption = true;
  bool requestPush = true;
  bool autoNew = false;
  bool autoOld = false;
  uint32_t connectTimeout = 15000;  // ms from starting a connection to the end of the handshake
  uint32_t reconnectDelay = 15000;  // ms before a continuous connection is tried again
  uint32_t idleTimeout = 130000;    // ms without receiving before an online connection is dropped
  uint32_t idlePing = 60000;        // ms without sending before an online connection pings
  // The two hosts of the relay service, used in turn. Deployment data, so kept as settings
  // ("RelayHost1", "RelayHost2") with the service's usual names as defaults.
  QString relayHosts[2];
  // The relay service's port ("RelayPort"), where every switch of relay host starts again.
  uint16_t relayPort = 2001;
};
