#include "points/print_document.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringEncoder>

namespace PrintDocument {

QStringList SplitChunks(const QString& templateText) {
  QStringList chunks;
  for (qsizetype at = 0; at < templateText.size(); at += kChunkSize) {
    chunks.append(templateText.mid(at, kChunkSize));
  }
  return chunks;
}

namespace {

QString SessionToken(const QString& token, const SessionFacts& session, bool& known) {
  known = true;
  const auto is = [&token](std::initializer_list<const char*> names) {
    for (const char* name : names) {
      if (token.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
  };
  if (is({"uuid", "guid", "tracking_id", ".guid"})) return session.guid;
  if (is({"recdate", ".date"})) {
    return session.date.isValid() ? session.date.toString(QStringLiteral("yyyy-M-d")) : QString();
  }
  if (is({"rectime", ".time"})) {
    return session.date.isValid() ? session.date.toString(QStringLiteral("HH-mm")) : QString();
  }
  if (is({".unitID"})) return session.unitId;
  known = false;
  return QString();
}

}  // namespace

QString FileName(const QString& pattern, const SessionFacts& session, const PointText& point) {
  QString name = pattern;
  qsizetype from = 0;
  while (true) {
    const qsizetype open = name.indexOf(QLatin1Char('%'), from);
    if (open < 0) break;
    const qsizetype close = name.indexOf(QLatin1Char('%'), open + 1);
    if (close < 0) break;
    const QString token = name.mid(open + 1, close - open - 1).trimmed();
    bool known = false;
    QString value = SessionToken(token, session, known);
    if (!known && point) value = point(token);
    value.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.replace(open, close - open + 1, value);
    // Go on after the value: a value holding "%" is never read as a token.
    from = open + value.size();
  }
  return name;
}

QString OutputPath(const QString& folder, const QString& name, const QString& temporary) {
  QString dir = folder;
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = temporary;
  while (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))) {
    dir.chop(1);
  }
  return dir + QLatin1Char('/') + name;
}

QString Fill(const QString& templateText, const PointText& point) {
  QString out;
  qsizetype at = 0;
  while (at < templateText.size()) {
    const qsizetype open = templateText.indexOf(QStringLiteral("<%"), at);
    if (open < 0) {
      out += QStringView(templateText).mid(at);
      break;
    }
    out += QStringView(templateText).mid(at, open - at);
    const qsizetype close = templateText.indexOf(QStringLiteral("%>"), open + 2);
    if (close < 0) break;
    const QString value =
        point ? point(templateText.mid(open + 2, close - open - 2).trimmed()) : QString();
    for (const QChar c : value) {
      switch (c.unicode()) {
        case u'\n':
          out += QStringLiteral("<br>\r\n");
          break;
        case u'\r':
          break;
        case u'&':
          out += QStringLiteral("&amp;");
          break;
        case u'<':
          out += QStringLiteral("&lt;");
          break;
        case u'>':
          out += QStringLiteral("&gt;");
          break;
        default:
          out += c;
      }
    }
    at = close + 2;
  }
  return out;
}

QString WithoutScripts(const QString& html) {
  using RE = QRegularExpression;
  static const RE kElements(
      QStringLiteral(R"(<(script|iframe|object|applet|frameset|noscript)\b.*?</\1\s*>)"),
      RE::CaseInsensitiveOption | RE::DotMatchesEverythingOption);
  static const RE kTags(
      QStringLiteral(
          R"(</?(script|iframe|frame|frameset|object|embed|applet|noscript|base)\b[^>]*>)"),
      RE::CaseInsensitiveOption);
  static const RE kRefresh(QStringLiteral(R"(<meta\b[^>]*http-equiv\s*=\s*["']?\s*refresh[^>]*>)"),
                           RE::CaseInsensitiveOption);
  static const RE kEvents(
      QStringLiteral(R"((<[^>]*?)[\s/]on[a-z]+\s*=\s*("[^"]*"|'[^']*'|[^\s>]*))"),
      RE::CaseInsensitiveOption);
  static const RE kAddresses(QStringLiteral(R"((java|vb)\s*script\s*:)"),
                             RE::CaseInsensitiveOption);
  QString text = html;
  // Again until nothing changes: taking out one piece may join the halves of another.
  for (QString before; before != text;) {
    before = text;
    text.remove(kElements);
    text.remove(kTags);
    text.remove(kRefresh);
    text.replace(kEvents, QStringLiteral("\\1"));
    text.replace(kAddresses, QStringLiteral("blocked:"));
  }
  if (text.isEmpty()) return text;
  static const QString kPolicy = QStringLiteral(
      "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'; "
      "object-src 'none'\">");
  static const RE kDoctype(QStringLiteral(R"(^\s*<!doctype[^>]*>)"), RE::CaseInsensitiveOption);
  const QRegularExpressionMatch doctype = kDoctype.match(text);
  const qsizetype at = doctype.hasMatch() ? doctype.capturedEnd() : 0;
  return text.insert(at, kPolicy);
}

bool Write(const QString& path, const QString& html) {
  QStringEncoder encoder(QStringEncoder::Utf16LE, QStringConverter::Flag::WriteBom);
  const QByteArray bytes = encoder.encode(html);
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace PrintDocument
