// libFuzzer target: the upgrade offer, the upgrade file and the language file as the server sends
// them, parsed and served over a temporary data folder and program folder. The first byte chooses
// the message, the rest is its payload. Nothing may crash, only the two known file names may ever
// appear, and a file that is there must be exactly what its check value promised.
#include "sync/download_requests.h"

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "sync/handshake.h"
#include "sync/net_message.h"

namespace {

// Questions are answered Yes, as nobody at the screen would.
class CSilentMessageService : public CMessageService {
 public:
  int ShowMessage(const QString&, unsigned style) override { return NaturalAnswer(style); }
};

struct CWorld {
  CWorld() {
    auto services = std::make_unique<CServices>();
    services->SetMessageService(std::make_unique<CSilentMessageService>());
    CServices::Install(std::move(services));
    data = root.filePath(QStringLiteral("data"));
    program = root.filePath(QStringLiteral("program"));
    QDir().mkpath(data);
    QDir().mkpath(program);
    requests =
        std::make_unique<CDownloadRequests>(data, program, [](const CNetMessage&) { return true; });
  }
  QTemporaryDir root;
  QString data;
  QString program;
  std::unique_ptr<CDownloadRequests> requests;
};

const uint32_t kCodes[] = {CDownloadRequests::kUpgradeOffer, CDownloadRequests::kUpgradeFile,
                           CDownloadRequests::kLanguageFile};

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CWorld world;
  if (size == 0) return 0;
  const QString upgrade = QDir(world.program).filePath(QStringLiteral("Upgrade.run"));
  const QString language = QDir(world.data).filePath(QStringLiteral("Language.ini"));
  QFile::remove(upgrade);
  QFile::remove(language);
  const QByteArray payload(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
  CNetMessage message(kCodes[data[0] % std::size(kCodes)], payload);

  // The parsers on their own: a parse that succeeds read no more than the payload holds.
  CNetMessage copy = message;
  CDownloadRequests::UpgradeFile upgradeFile;
  CDownloadRequests::LanguageFile languageFile;
  QString version;
  CDownloadRequests::ParseUpgradeOffer(copy, version);
  if (CDownloadRequests::ParseUpgradeFile(copy, upgradeFile) && upgradeFile.status == 0 &&
      upgradeFile.digest.size() + upgradeFile.bytes.size() + 2 != payload.size()) {
    std::abort();
  }
  if (CDownloadRequests::ParseLanguageFile(copy, languageFile) && languageFile.status == 0 &&
      languageFile.bytes.size() + 6 != payload.size()) {
    std::abort();
  }

  if (!world.requests->Handle(message)) std::abort();
  if (QFile::exists(upgrade) && CHandshake::Sha1(Read(upgrade)) != payload.mid(2, 20)) {
    std::abort();
  }
  if (QFile::exists(language)) {
    const QByteArray bytes = Read(language);
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                                     reinterpret_cast<const Bytef*>(bytes.data()),
                                                     static_cast<uInt>(bytes.size())));
    if (payload.size() < 6 ||
        payload.mid(2, 4) != QByteArray::fromRawData(reinterpret_cast<const char*>(&crc), 4)) {
      std::abort();
    }
  }
  const QStringList dataFiles = QDir(world.data).entryList(QDir::Files | QDir::Hidden);
  const QStringList programFiles = QDir(world.program).entryList(QDir::Files | QDir::Hidden);
  if (dataFiles.size() > 1 || programFiles.size() > 1) std::abort();
  return 0;
}
