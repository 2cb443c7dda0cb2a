#include "app/language.h"

#include <zlib.h>

#include <QAction>
#include <QFile>
#include <QtEndian>
#include <mutex>

#include "app/services.h"
#include "values/ansi_text.h"

// The embedded default lives in qlt_core's resources; a static library's resource object is only
// linked in when something names it. Q_INIT_RESOURCE must be used outside any namespace.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace {

void EnsureResources() {
  static std::once_flag once;
  std::call_once(once, InitResources);
}

// UTF-16 code units as the file holds them, without validation: an unpaired surrogate stays what
// it is, and a last odd byte (a truncated file) is dropped.
QString DecodeUtf16(const char* data, qsizetype size, bool bigEndian) {
  const qsizetype units = size / 2;
  QString text(units, Qt::Uninitialized);
  QChar* out = text.data();
  for (qsizetype i = 0; i < units; ++i) {
    const uchar* unit = reinterpret_cast<const uchar*>(data + 2 * i);
    out[i] = QChar(bigEndian ? qFromBigEndian<quint16>(unit) : qFromLittleEndian<quint16>(unit));
  }
  return text;
}

QByteArray ReadWholeFile(const QString& path, bool& opened) {
  QFile file(path);
  opened = file.open(QIODevice::ReadOnly);
  return opened ? file.readAll() : QByteArray();
}

}  // namespace

CLanguage& CLanguage::Instance() {
  static CLanguage language;
  return language;
}

QString CLanguage::DecodeText(const QByteArray& bytes) {
  const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
  const qsizetype size = bytes.size();
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    return QString::fromUtf8(bytes.constData() + 3, size - 3);
  }
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    return DecodeUtf16(bytes.constData() + 2, size - 2, false);
  }
  if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    return DecodeUtf16(bytes.constData() + 2, size - 2, true);
  }
  return DecodeAnsiText(bytes);
}

void CLanguage::Parse(const QByteArray& bytes) {
  const QString text = DecodeText(bytes);
  bool sectionSeen = false;
  QString prefix;

  qsizetype start = 0;
  const qsizetype length = text.size();
  while (start <= length) {
    qsizetype end = start;
    while (end < length && text[end] != u'\r' && text[end] != u'\n') ++end;
    const QStringView line = QStringView(text).mid(start, end - start);
    start = end + 1;

    if (line.size() < 4) continue;
    if (line.front() == u'[') {
      const qsizetype close = line.indexOf(u']');
      const QStringView name = close < 0 ? line.mid(1) : line.mid(1, close - 1);
      prefix = name.toString() + u'.';
      sectionSeen = true;
      continue;
    }
    if (!sectionSeen) continue;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;

    QString value = line.mid(equals + 1).toString();
    value.replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    if (value.size() > 1 && value.front() == u'"' && value.back() == u'"') {
      value = value.mid(1, value.size() - 2);
    }
    m_table.insert(prefix + line.left(equals).toString(), value);
  }
}

bool CLanguage::LoadTranslation(const QString& dataFolder, const QString& programFolder) {
  EnsureResources();
  Clear();

  QFile resource(QStringLiteral(":/Language.ini"));
  if (resource.open(QIODevice::ReadOnly)) Parse(resource.readAll());

  for (const QString& folder : {dataFolder, programFolder}) {
    if (folder.isEmpty()) continue;
    bool opened = false;
    const QByteArray bytes = ReadWholeFile(folder + QStringLiteral("/Language.ini"), opened);
    if (!opened) continue;
    Parse(bytes);
    // crc32 takes a uInt length; a translation file never comes near 4 GB, but stay exact.
    uLong crc = crc32(0L, Z_NULL, 0);
    const auto* data = reinterpret_cast<const Bytef*>(bytes.constData());
    for (qsizetype done = 0; done < bytes.size();) {
      const uInt chunk = static_cast<uInt>(qMin<qsizetype>(bytes.size() - done, 1 << 30));
      crc = crc32(crc, data + done, chunk);
      done += chunk;
    }
    m_checksum = static_cast<uint32_t>(crc);
    break;
  }
  return !m_table.isEmpty();
}

bool CLanguage::Lookup(const QString& key, QString& value) const {
  const auto found = m_table.constFind(key);
  if (found == m_table.constEnd()) return false;
  value = *found;
  return true;
}

QString CLanguage::TranslateWith(const QString& key, const QStringList& fills) const {
  QString text;
  if (!Lookup(key, text)) text = key;
  qsizetype from = 0;
  for (const QString& fill : fills) {
    const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
    if (at < 0) break;
    text.replace(at, 2, fill);
    from = at + fill.size();
  }
  return text;
}

int CLanguage::MessageByKey(const QString& key, unsigned style) const {
  QString text;
  if (!Lookup(key, text)) text = key;
  return CServices::Instance().Messages().ShowMessage(text, style);
}

void CLanguage::TranslateMenu(const QList<QAction*>& actions) const {
  for (QAction* action : actions) {
    if (action == nullptr) continue;
    QString value;
    if (Lookup(action->text(), value)) action->setText(value);
  }
}
