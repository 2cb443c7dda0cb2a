// CSettingsForm: what the settings dialog shows and edits, without widgets: the values read from
// the connection and the store when it opens, the address check, the configuration query, the
// purge list, and what OK stores, applies to the connection and restarts. The dialog owns one
// form and keeps it in step with its controls; plain values, UI thread.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

class CConnection;
class CSettingsStore;

class CSettingsForm {
 public:
  static constexpr int kDefaultPurgeDays = 30;
  static constexpr int kNoPurgeEntry = -1;

  // What OK did: stored and restarted, or refused because a lock needs a password first.
  enum class CommitResult { kStored, kNeedsPassword };

  // The values the dialog opens with: address and port from the connection's server address (a
  // relay name keeps its colons), the unit ID given, the password and the five switches from the
  // connection, "Dedupe", "PurgeDays" and "Locked" from the store.
  static CSettingsForm Load(const CConnection& connection, const CSettingsStore& store,
                            const QString& unitId);

  // The day counts of the purge list in its order: 0 to 30, then 40 to 100 in tens.
  static QList<int> PurgeDayCounts();
  // The translated text of the purge entry for `days`.
  static QString PurgeEntryText(int days);

  // The address with white space trimmed and every character a server address cannot hold
  // removed ("$", ":", "." and "-" stay).
  static QString CleanAddress(const QString& address);
  static bool IsRelayName(const QString& address) { return address.startsWith(QLatin1Char('$')); }

  // Percent decoding of a configuration value: "%" with two hexadecimal digits is a byte, runs
  // of bytes are UTF-8; a "%" without hexadecimal digits stays, one with fewer than two
  // characters after it ends the decoding (the rest stays as it is); "+" stays "+".
  static QString PercentDecode(const QString& value);
  // The pieces "key=value" of a query separated by "&": keys lower-cased, values decoded; pieces
  // without "=" or with an empty key are left out.
  static QList<QPair<QString, QString>> ParseQuery(const QString& query);

  // Applies a configuration query to the form. "settings_locked" 0 or 1 is written to the store
  // at once; nothing else is stored before OK.
  void ApplyQuery(const QString& query, CSettingsStore& store);

  // Whether the lock box may be cleared with `typed`: only the password field's exact text.
  bool UnlockMatches(const QString& typed) const { return typed == password; }

  // OK: stores the form (`Settings` entries, `Unit`/`ID`), applies it to the connection and
  // restarts the connection. Nothing is stored when a lock is being set without a password.
  CommitResult Commit(CSettingsStore& store, CConnection& connection) const;

  // The server address as stored: "address:port" for a direct server on another port than the
  // default, otherwise the address alone.
  QString ServerText() const;

  QString address;
  int port = 2001;
  QString unitId;
  QString password;
  bool continuous = true;
  bool encryption = true;
  bool requestPush = true;
  bool autoNew = false;
  bool autoOld = false;
  bool dedupe = false;
  bool locked = false;
  int purgeDays = kDefaultPurgeDays;  // the selected entry's day count, kNoPurgeEntry for none
};
