// CDownloadRequests: the downloads the server offers while the connection is online: a newer
// client (offer 51, request 52, file 53 checked with SHA-1) and a newer translation file (request
// 81, file 82 checked with CRC-32). A file is checked before anything is written and then
// replaces the old one in a single rename, so a damaged download or a failing disk never leaves a
// half-written file and always keeps the old one. The upgrade lands beside the program (in the
// data folder when the program folder cannot be written) and the user is told where it is and to
// restart; a translation is installed in the data folder and the table reloaded at once.
// Questions and reports go through the message service. Owned by the main window (or a headless
// caller) beside the server requests; UI thread only, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class CNetMessage;

class CDownloadRequests {
 public:
  enum Code : uint32_t {
    kUpgradeOffer = 51,
    kUpgradeRequest = 52,
    kUpgradeFile = 53,
    kLanguageRequest = 81,
    kLanguageFile = 82,
  };
  static constexpr qsizetype kDigestBytes = 20;
  // The platform named in the upgrade request: an installer for another one cannot run here.
  static constexpr const char* kPlatform = "linux:x86_64";
  static constexpr const char* kUpgradeName = "Upgrade.run";
  static constexpr const char* kLanguageName = "Language.ini";

  using Sender = std::function<bool(const CNetMessage&)>;

  // What the owner is asked or told. `canAsk`: whether the user may be asked now (no modal
  // dialog or synchronisation run is open); empty means always. `reloaded`: the translation table
  // was loaded again (its checksum changed or the file went).
  struct Hooks {
    std::function<bool()> canAsk;
    std::function<void()> reloaded;
  };

  // The parsed payloads; the parsers read only, so the fuzz target and the tests share them.
  struct UpgradeFile {
    uint16_t status = 0;
    QByteArray digest;  // 20 bytes when the status is 0
    QByteArray bytes;
  };
  struct LanguageFile {
    uint16_t status = 0;
    uint32_t checksum = 0;
    QByteArray bytes;
  };

  CDownloadRequests(QString dataFolder, QString programFolder, Sender send);

  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }

  static bool Serves(uint32_t code) {
    return code == kUpgradeOffer || code == kUpgradeFile || code == kLanguageFile;
  }
  // Serves codes 51, 53 and 82. Always true: whatever becomes of a download, the connection stays
  // online; a code it does not serve is ignored.
  bool Handle(CNetMessage& message);

  // False when the payload is cut short (a file message with status 0 needs its check value).
  static bool ParseUpgradeOffer(CNetMessage& message, QString& version);
  static bool ParseUpgradeFile(CNetMessage& message, UpgradeFile& file);
  static bool ParseLanguageFile(CNetMessage& message, LanguageFile& file);
  // Whether the bytes are what the check value promises.
  static bool DigestHolds(const UpgradeFile& file);
  static bool ChecksumHolds(const LanguageFile& file);

  // Writes `bytes` as `path` through a temporary file beside it that is made durable and then
  // renamed over the old file: `path` holds the old content or the new, never part of either.
  // False (and the old file untouched, no temporary left) when anything fails.
  static bool ReplaceFile(const QString& path, const QByteArray& bytes);

  // Where the last upgrade was stored; empty until one was.
  const QString& UpgradePath() const { return m_upgradePath; }

 private:
  void OnUpgradeOffer(CNetMessage& message);
  void OnUpgradeFile(CNetMessage& message);
  void OnLanguageFile(CNetMessage& message);
  bool CanAsk() const { return !m_hooks.canAsk || m_hooks.canAsk(); }
  void Reload();

  QString m_dataFolder;
  QString m_programFolder;
  Sender m_send;
  Hooks m_hooks;
  QString m_upgradePath;
};
