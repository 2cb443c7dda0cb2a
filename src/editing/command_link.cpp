#include "editing/command_link.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include "editing/json_value.h"

namespace {

const QString kPrefix = QStringLiteral("qlt://");

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

}  // namespace

QString CCommandLink::StripQuotes(const QString& line) {
  if (line.size() > 1 && line.startsWith(u'"') && line.endsWith(u'"')) {
    return line.mid(1, line.size() - 2);
  }
  return line;
}

std::optional<CCommandLink> CCommandLink::Read(const QString& line) {
  const QString text = StripQuotes(line);
  // The prefix is compared exactly: a link whose prefix is in capitals is not a command link.
  if (text.size() < kPrefix.size() || !text.startsWith(kPrefix, Qt::CaseSensitive)) {
    return std::nullopt;
  }
  CCommandLink link;
  const QString rest = text.mid(kPrefix.size());
  const qsizetype question = rest.indexOf(u'?');
  if (question > 0) {
    link.m_commandText = rest.left(question);
    link.m_query = rest.mid(question + 1);
  } else {
    link.m_commandText = rest;
  }
  // The command only has to contain one of these; the first found in this order wins.
  static const std::pair<const char*, Command> kCommands[] = {
      {"configure", Command::kConfigure},          {"delete/project", Command::kDeleteProject},
      {"open/session", Command::kOpenSession},     {"new/session", Command::kNewSession},
      {"delete/session", Command::kDeleteSession}, {"send/sessions", Command::kSendSessions},
  };
  const QString lowered = link.m_commandText.toLower();
  for (const auto& [word, command] : kCommands) {
    if (lowered.contains(QLatin1String(word))) {
      link.m_command = command;
      break;
    }
  }
  return link;
}

QString CCommandLink::Param(const QString& name) const {
  for (const QStringView piece : QStringView(m_query).split(u'&')) {
    const qsizetype equals = piece.indexOf(u'=');
    if (equals < 0) continue;
    if (piece.left(equals) == name) return PercentDecode(piece.mid(equals + 1).toString());
  }
  return QString();
}

QHash<QString, QString> CCommandLink::EditingArguments() const {
  return {{QStringLiteral("values"), Param(QStringLiteral("values"))},
          {QStringLiteral("page"), Param(QStringLiteral("page"))}};
}

QString CCommandLink::PercentDecode(const QString& value) {
  QString out;
  out.reserve(value.size());
  QByteArray run;
  const auto flush = [&out, &run] {
    if (run.isEmpty()) return;
    out.append(QString::fromUtf8(run));
    run.clear();
  };
  qsizetype i = 0;
  while (i < value.size()) {
    // A "%" among the last two characters stays as it is.
    if (value.at(i) == u'%' && i + 2 < value.size()) {
      const int high = HexDigit(value.at(i + 1));
      const int low = HexDigit(value.at(i + 2));
      if (high >= 0 && low >= 0) {
        run.append(static_cast<char>(high * 16 + low));
        i += 3;
        continue;
      }
    }
    flush();
    out.append(value.at(i));
    ++i;
  }
  flush();
  return out;
}

QUuid CCommandLink::ReadGuid(const QString& text) {
  static const QRegularExpression kGuid(QStringLiteral(
      "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
  if (text.size() != 36 || !kGuid.match(text).hasMatch()) return QUuid();
  return QUuid::fromString(text);
}

QList<QUuid> CCommandLink::ReadGuids(const QString& text, bool single) {
  QStringList texts;
  if (single && !text.startsWith(u'[')) {
    texts.append(text);
  } else {
    texts = ReadStrings(text);
  }
  QList<QUuid> guids;
  QSet<QUuid> seen;
  for (const QString& item : texts) {
    const QUuid guid = ReadGuid(item);
    if (!guid.isNull() && !seen.contains(guid)) {
      seen.insert(guid);
      guids.append(guid);
    }
  }
  return guids;
}

QStringList CCommandLink::ReadStrings(const QString& text) {
  const std::optional<CJsonValue> root = CJsonValue::Parse(text);
  if (!root || !root->IsArray()) return {};
  return root->StringItems();
}

bool CCommandLink::IsSafeProjectName(const QString& name) {
  if (name.size() <= 4 || name.size() > 255 || name.startsWith(u'-') || name.startsWith(u'.')) {
    return false;
  }
  if (!name.endsWith(QLatin1String(".ppc"), Qt::CaseInsensitive)) return false;
  if (name.contains(u'/') || name.contains(u'\\') || name.contains(QLatin1String(".."))) {
    return false;
  }
  for (const QChar c : name) {
    if (c.unicode() < 32 || c.unicode() == 127 || c.category() == QChar::Other_Format) {
      return false;
    }
  }
  return true;
}
