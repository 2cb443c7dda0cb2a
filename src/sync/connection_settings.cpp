#include "sync/connection_settings.h"

#include "platform/settings_store.h"

namespace {

const QString kSettings = QString::fromLatin1(CConnectionSettings::kSection);

bool ReadBool(const CSettingsStore& store, const char* entry, bool defaultValue) {
  return store.ReadInt(kSettings, QLatin1String(entry), defaultValue ? 1 : 0) != 0;
}

uint32_t ReadMs(const CSettingsStore& store, const char* entry, uint32_t defaultValue) {
  return static_cast<uint32_t>(
      store.ReadInt(kSettings, QLatin1String(entry), static_cast<int>(defaultValue)));
}

}  // namespace

CServerAddress CServerAddress::Parse(const QString& server) {
  CServerAddress address;
  if (server.startsWith(QLatin1Char('$'))) {
    address.relay = true;
    address.relayName = server.mid(1);
    return address;
  }
  const qsizetype colon = server.indexOf(QLatin1Char(':'));
  if (colon < 0) {
    address.host = server;
    return address;
  }
  address.host = server.left(colon);
  // Read like a C decimal conversion: leading digits count, anything unreadable is 0, which the
  // connection refuses as "no port".
  const QString text = server.mid(colon + 1).trimmed();
  qsizetype end = 0;
  if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+'))) ++end;
  while (end < text.size() && text[end].isDigit() && end < 12) ++end;
  bool ok = false;
  const qlonglong port = text.left(end).toLongLong(&ok);
  address.port = ok && port >= INT32_MIN && port <= INT32_MAX ? static_cast<int>(port) : 0;
  return address;
}

CConnectionSettings CConnectionSettings::Load(const CSettingsStore& store) {
  CConnectionSettings s;
  s.server = store.ReadString(kSettings, QStringLiteral("Server"));
  s.password = store.ReadString(kSettings, QStringLiteral("Password"));
  s.onDemand = ReadBool(store, "Demand", s.onDemand);
  s.encryption = ReadBool(store, "Encryption", s.encryption);
  s.requestPush = ReadBool(store, "RequestPush", s.requestPush);
  s.autoNew = ReadBool(store, "Auto", s.autoNew);
  s.autoOld = ReadBool(store, "AutoOld", s.autoOld);
  s.connectTimeout = ReadMs(store, "ConnectTimeout", s.connectTimeout);
  s.reconnectDelay = ReadMs(store, "ReconnectDelay", s.reconnectDelay);
  s.idleTimeout = ReadMs(store, "IdleTimeout", s.idleTimeout);
  s.idlePing = ReadMs(store, "IdlePing", s.idlePing);
  s.relayHosts[0] = store.ReadString(kSettings, QStringLiteral("RelayHost1"),
                                     QStringLiteral("relay1.brenmoor.net"));
  s.relayHosts[1] = store.ReadString(kSettings, QStringLiteral("RelayHost2"),
                                     QStringLiteral("relay2.brenmoor.net"));
  const int relayPort = store.ReadInt(kSettings, QStringLiteral("RelayPort"), s.relayPort);
  if (relayPort > 0 && relayPort <= 65535) s.relayPort = static_cast<uint16_t>(relayPort);
  return s;
}

bool CConnectionSettings::Save(CSettingsStore& store) const {
  bool ok = store.WriteString(kSettings, QStringLiteral("Server"), server);
  ok = store.WriteString(kSettings, QStringLiteral("Password"), password) && ok;
  ok = store.WriteInt(kSettings, QStringLiteral("Demand"), onDemand ? 1 : 0) && ok;
  ok = store.WriteInt(kSettings, QStringLiteral("Encryption"), encryption ? 1 : 0) && ok;
  ok = store.WriteInt(kSettings, QStringLiteral("RequestPush"), requestPush ? 1 : 0) && ok;
  ok = store.WriteInt(kSettings, QStringLiteral("Auto"), autoNew ? 1 : 0) && ok;
  ok = store.WriteInt(kSettings, QStringLiteral("AutoOld"), autoOld ? 1 : 0) && ok;
  return ok;
}
