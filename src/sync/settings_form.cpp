#include "sync/settings_form.h"

#include <QByteArray>

#include "app/language.h"
#include "app/twkf_app.h"
#include "platform/settings_store.h"
#include "sync/connection.h"

namespace {

const QString kSettings = QString::fromLatin1(CConnectionSettings::kSection);
const QString kLocked = QStringLiteral("Locked");

// The 29 characters the address check removes, blank included.
constexpr char16_t kRemoved[] = u"!#%&\u20AC\u20B5\u00A3\u00A5^~|/()[]{}=+?,;@*\\\"' ";

int HexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// A decimal number as a C conversion reads it: leading digits count, nothing readable is 0.
int ReadDecimal(const QString& text) {
  const QString t = text.trimmed();
  qsizetype end = 0;
  if (end < t.size() && (t[end] == QLatin1Char('-') || t[end] == QLatin1Char('+'))) ++end;
  while (end < t.size() && t[end].isDigit() && end < 10) ++end;
  bool ok = false;
  const int value = t.left(end).toInt(&ok);
  return ok ? value : 0;
}

// "0" clears, "1" sets, anything else leaves the switch as it was.
void ApplySwitch(const QString& value, bool& target) {
  if (value == QLatin1String("0")) target = false;
  if (value == QLatin1String("1")) target = true;
}

}  // namespace

CSettingsForm CSettingsForm::Load(const CConnection& connection, const CSettingsStore& store,
                                  const QString& unitId) {
  const CConnectionSettings& s = connection.Settings();
  CSettingsForm form;
  if (s.server.contains(QLatin1Char(':')) && !IsRelayName(s.server)) {
    const CServerAddress address = CServerAddress::Parse(s.server);
    form.address = address.host;
    form.port = address.port;
  } else {
    form.address = s.server;
  }
  form.unitId = unitId;
  form.password = s.password;
  form.continuous = !s.onDemand;
  form.encryption = s.encryption;
  form.requestPush = s.requestPush;
  form.autoNew = s.autoNew;
  form.autoOld = s.autoOld;
  form.dedupe = store.ReadInt(kSettings, QStringLiteral("Dedupe"), 0) != 0;
  const int days = store.ReadInt(kSettings, QStringLiteral("PurgeDays"), kDefaultPurgeDays);
  form.purgeDays = PurgeDayCounts().contains(days) ? days : kNoPurgeEntry;
  form.locked = store.ReadInt(kSettings, kLocked, 0) != 0;
  return form;
}

QList<int> CSettingsForm::PurgeDayCounts() {
  QList<int> days;
  for (int n = 0; n <= 30; ++n) days.append(n);
  for (int n = 40; n <= 100; n += 10) days.append(n);
  return days;
}

QString CSettingsForm::PurgeEntryText(int days) {
  const CLanguage& language = CLanguage::Instance();
  if (days == 0) return language.Translate(QStringLiteral("Settings.PurgeImmediately"));
  if (days == 1) return language.Translate(QStringLiteral("Settings.PurgeOneDay"));
  return language.Translate(QStringLiteral("Settings.PurgePluralDays"))
      .replace(QLatin1String("%s"), QString::number(days));
}

QString CSettingsForm::CleanAddress(const QString& address) {
  const QString removed = QString::fromUtf16(kRemoved);
  QString clean;
  for (const QChar c : address.trimmed()) {
    if (!removed.contains(c)) clean.append(c);
  }
  return clean;
}

QString CSettingsForm::PercentDecode(const QString& value) {
  QString decoded;
  QByteArray bytes;  // the run of decoded bytes not yet turned into characters
  const auto flush = [&] {
    decoded += QString::fromUtf8(bytes);
    bytes.clear();
  };
  qsizetype i = 0;
  while (i < value.size()) {
    if (value[i] != QLatin1Char('%')) {
      flush();
      decoded += value[i++];
      continue;
    }
    if (value.size() - i < 3) break;  // too short to decode: the rest stays as it is
    const int high = HexValue(value[i + 1]);
    const int low = HexValue(value[i + 2]);
    if (high < 0 || low < 0) {
      flush();
      decoded += value[i++];
      continue;
    }
    bytes.append(static_cast<char>(high * 16 + low));
    i += 3;
  }
  flush();
  return decoded + value.mid(i);
}

QList<QPair<QString, QString>> CSettingsForm::ParseQuery(const QString& query) {
  QList<QPair<QString, QString>> pairs;
  for (const QString& piece : query.split(QLatin1Char('&'))) {
    const qsizetype equals = piece.indexOf(QLatin1Char('='));
    if (equals <= 0) continue;
    pairs.append({piece.left(equals).toLower(), PercentDecode(piece.mid(equals + 1))});
  }
  return pairs;
}

void CSettingsForm::ApplyQuery(const QString& query, CSettingsStore& store) {
  for (const auto& [key, value] : ParseQuery(query)) {
    if (key == QLatin1String("unit_id")) {
      unitId = value;
    } else if (key == QLatin1String("server_address")) {
      address = value;
    } else if (key == QLatin1String("server_port")) {
      port = ReadDecimal(value);
    } else if (key == QLatin1String("server_password")) {
      password = value;
    } else if (key == QLatin1String("encryption")) {
      ApplySwitch(value, encryption);
    } else if (key == QLatin1String("auto_connect")) {
      ApplySwitch(value, continuous);
    } else if (key == QLatin1String("push_sessions")) {
      ApplySwitch(value, requestPush);
    } else if (key == QLatin1String("auto_send_new")) {
      ApplySwitch(value, autoNew);
    } else if (key == QLatin1String("auto_send_old")) {
      ApplySwitch(value, autoOld);
    } else if (key == QLatin1String("prevent_duplicate")) {
      ApplySwitch(value, dedupe);
    } else if (key == QLatin1String("purge_days")) {
      const int days = ReadDecimal(value);
      if (PurgeDayCounts().contains(days)) purgeDays = days;
    } else if (key == QLatin1String("settings_locked")) {
      if (value == QLatin1String("0") || value == QLatin1String("1")) {
        store.WriteInt(kSettings, kLocked, value.toInt());
        locked = value == QLatin1String("1");
      }
    }
  }
}

QString CSettingsForm::ServerText() const {
  const QString host = address.trimmed();
  // An empty address stays empty whatever the port says, so the connection stays unconfigured.
  if (host.isEmpty() || IsRelayName(host) || port == CServerAddress::kDefaultPort) return host;
  return QStringLiteral("%1:%2").arg(host).arg(port);
}

CSettingsForm::CommitResult CSettingsForm::Commit(CSettingsStore& store,
                                                  CConnection& connection) const {
  const bool storedLocked = store.ReadInt(kSettings, kLocked, 0) != 0;
  if (locked != storedLocked) {
    if (locked && password.isEmpty()) return CommitResult::kNeedsPassword;
    store.WriteInt(kSettings, kLocked, locked ? 1 : 0);
  }
  const QString unit = unitId.trimmed();
  store.WriteString(QStringLiteral("Unit"), QStringLiteral("ID"), unit);
  if (CTWKFApp* app = CTWKFApp::Instance()) app->SetUnitId(unit);
  connection.SetUnitId(unit);

  CConnectionSettings& s = connection.Settings();
  s.server = ServerText();
  s.password = password.trimmed();
  s.onDemand = !continuous;
  s.encryption = encryption;
  s.requestPush = requestPush;
  s.autoNew = autoNew;
  s.autoOld = autoOld;
  s.Save(store);
  store.WriteInt(kSettings, QStringLiteral("Dedupe"), dedupe ? 1 : 0);
  store.WriteInt(kSettings, QStringLiteral("PurgeDays"),
                 purgeDays == kNoPurgeEntry ? kDefaultPurgeDays : purgeDays);

  // As after a relay failure: the other relay host, then a fresh start.
  connection.SwitchRelayHost();
  connection.Restart(continuous);
  return CommitResult::kStored;
}
