#include "sync/download_requests.h"

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "project/file_writer.h"
#include "sync/handshake.h"
#include "sync/net_message.h"

namespace {

void Report(const char* key, unsigned icon) {
  CLanguage::Instance().MessageByKey(QString::fromLatin1(key), kMbOk | icon);
}

bool Ask(const QString& text) {
  return CServices::Instance().Messages().ShowMessage(text, kMbYesNo | kMbIconQuestion) == kIdYes;
}

uint32_t Crc32(const QByteArray& bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes its length as uInt: feed large files in pieces.
  constexpr qsizetype kPiece = 1 << 30;
  for (qsizetype done = 0; done < bytes.size();) {
    const qsizetype piece = std::min(kPiece, bytes.size() - done);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.constData() + done),
                static_cast<uInt>(piece));
    done += piece;
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace

CDownloadRequests::CDownloadRequests(QString dataFolder, QString programFolder, Sender send)
    : m_dataFolder(std::move(dataFolder)),
      m_programFolder(std::move(programFolder)),
      m_send(std::move(send)) {}

bool CDownloadRequests::Handle(CNetMessage& message) {
  switch (message.Code()) {
    case kUpgradeOffer:
      OnUpgradeOffer(message);
      break;
    case kUpgradeFile:
      OnUpgradeFile(message);
      break;
    case kLanguageFile:
      OnLanguageFile(message);
      break;
    default:
      break;
  }
  return true;
}

bool CDownloadRequests::ParseUpgradeOffer(CNetMessage& message, QString& version) {
  message.Rewind();
  return message.ReadString(version);
}

bool CDownloadRequests::ParseUpgradeFile(CNetMessage& message, UpgradeFile& file) {
  message.Rewind();
  file = UpgradeFile();
  if (!message.ReadU16(file.status)) return false;
  if (file.status != 0) return true;
  if (!message.ReadBytes(kDigestBytes, file.digest)) return false;
  file.bytes = message.ReadRest();
  return true;
}

bool CDownloadRequests::ParseLanguageFile(CNetMessage& message, LanguageFile& file) {
  message.Rewind();
  file = LanguageFile();
  if (!message.ReadU16(file.status)) return false;
  if (file.status != 0) return true;
  if (!message.ReadU32(file.checksum)) return false;
  file.bytes = message.ReadRest();
  return true;
}

bool CDownloadRequests::DigestHolds(const UpgradeFile& file) {
  return file.digest.size() == kDigestBytes && CHandshake::Sha1(file.bytes) == file.digest;
}

bool CDownloadRequests::ChecksumHolds(const LanguageFile& file) {
  return Crc32(file.bytes) == file.checksum;
}

bool CDownloadRequests::ReplaceFile(const QString& path, const QByteArray& bytes) {
  const QString temporary = path + QStringLiteral(".download");
  std::unique_ptr<CFileWriter> writer = CFileWriter::Create();
  writer->Remove(temporary);
  auto fail = [&] {
    writer->Close();
    writer->Remove(temporary);
    return false;
  };
  if (!writer->Open(temporary, CFileWriter::OpenMode::kCreate)) return fail();
  for (qsizetype done = 0; done < bytes.size();) {
    const int64_t piece = std::min<qsizetype>(65536, bytes.size() - done);
    if (writer->Write(bytes.constData() + done, piece) != piece) return fail();
    done += piece;
  }
  // Only a complete copy that has reached the disk takes the file's name.
  if (!writer->Flush()) return fail();
  writer->Close();
  if (!writer->Rename(temporary, path)) return fail();
  writer->SyncFolder(path);
  return true;
}

void CDownloadRequests::OnUpgradeOffer(CNetMessage& message) {
  if (!CanAsk()) return;
  QString version;
  if (!ParseUpgradeOffer(message, version)) return;
  QString text = CLanguage::Instance().Translate(QStringLiteral("Upgrade.ConfirmDownload"));
  text.replace(QStringLiteral("%s"), version);
  if (!Ask(text)) return;
  CNetMessage request(kUpgradeRequest);
  request.WriteString(QString::fromLatin1(kPlatform));
  m_send(request);
}

void CDownloadRequests::OnUpgradeFile(CNetMessage& message) {
  UpgradeFile file;
  if (!ParseUpgradeFile(message, file)) {
    Report(QLT_KEY("Upgrade.Corrupt"), kMbIconExclamation);
    return;
  }
  if (file.status != 0) {
    Report(QLT_KEY("Upgrade.Unavailable"), kMbIconExclamation);
    return;
  }
  if (!DigestHolds(file)) {
    Report(QLT_KEY("Upgrade.Corrupt"), kMbIconExclamation);
    return;
  }
  // Beside the program where it may be written, else in the data folder; the message names the
  // place either way.
  QStringList places;
  if (!m_programFolder.isEmpty()) places.append(m_programFolder);
  if (!m_dataFolder.isEmpty() && m_dataFolder != m_programFolder) places.append(m_dataFolder);
  QString stored;
  for (const QString& folder : places) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kUpgradeName));
    if (!ReplaceFile(path, file.bytes)) continue;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
    stored = path;
    break;
  }
  if (stored.isEmpty()) {
    Report(QLT_KEY("Upgrade.WriteError"), kMbIconExclamation);
    return;
  }
  m_upgradePath = stored;
  QString text = CLanguage::Instance().Translate(QStringLiteral("Upgrade.Stored"));
  text.replace(QStringLiteral("%s"), QDir::toNativeSeparators(stored));
  CServices::Instance().Messages().ShowMessage(text, kMbOk | kMbIconInformation);
}

void CDownloadRequests::OnLanguageFile(CNetMessage& message) {
  LanguageFile file;
  if (!ParseLanguageFile(message, file)) {
    Report(QLT_KEY("Upgrade.Corrupt"), kMbIconExclamation);
    return;
  }
  if (file.status != 0) {
    Report(QLT_KEY("Upgrade.Unavailable"), kMbIconExclamation);
    return;
  }
  const QString path = QDir(m_dataFolder).filePath(QString::fromLatin1(kLanguageName));
  if (file.checksum == 0) {
    // The server has no translation for us: the program folder's or the built-in one applies.
    if (QFileInfo::exists(path) && !CFileWriter::Create()->Remove(path)) {
      Report(QLT_KEY("Upgrade.WriteError"), kMbIconExclamation);
      return;
    }
    Reload();
    Report(QLT_KEY("Upgrade.LanguageInstalled"), kMbIconInformation);
    return;
  }
  if (!ChecksumHolds(file)) {
    Report(QLT_KEY("Upgrade.Corrupt"), kMbIconExclamation);
    return;
  }
  if (!ReplaceFile(path, file.bytes)) {
    Report(QLT_KEY("Upgrade.WriteError"), kMbIconExclamation);
    return;
  }
  Reload();
  Report(QLT_KEY("Upgrade.LanguageInstalled"), kMbIconInformation);
}

void CDownloadRequests::Reload() {
  // The built-in texts are parsed first and the file only over them, so a file that passed its
  // check but is damaged inside can replace texts, never take away the ones it lacks.
  CLanguage::Instance().LoadTranslation(m_dataFolder, m_programFolder);
  if (m_hooks.reloaded) m_hooks.reloaded();
}
