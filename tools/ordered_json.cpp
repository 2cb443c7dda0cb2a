#include "ordered_json.h"

#include <QSet>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr qsizetype kLineLimit = 100;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// A recursive-descent reader of RFC 8259 JSON over UTF-8 bytes. Duplicate keys are refused: in a
// hand-written form the second one would otherwise silently win.
class COrderedJson::Parser {
 public:
  explicit Parser(const QByteArray& text) : m_text(text) {}

  bool Run(COrderedJson& out, QString& error) {
    SkipBlanks();
    if (!ParseValue(out, 0)) {
      error = Where() + m_error;
      return false;
    }
    SkipBlanks();
    if (m_pos < m_text.size()) {
      error = Where() + QStringLiteral("unexpected text after the end of the document");
      return false;
    }
    return true;
  }

 private:
  bool Fail(const QString& message) {
    m_error = message;
    return false;
  }

  QString Where() const {
    int line = 1;
    qsizetype lineStart = 0;
    const qsizetype end = std::min(m_pos, m_text.size());
    for (qsizetype i = 0; i < end; ++i) {
      if (m_text[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    }
    // Columns count characters, not bytes: continuation bytes of UTF-8 do not advance them.
    int column = 1;
    for (qsizetype i = lineStart; i < end; ++i) {
      if ((static_cast<uchar>(m_text[i]) & 0xC0) != 0x80) ++column;
    }
    return QStringLiteral("line %1, column %2: ").arg(line).arg(column);
  }

  void SkipBlanks() {
    while (m_pos < m_text.size()) {
      const char c = m_text[m_pos];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
      ++m_pos;
    }
  }

  bool Peek(char& c) const {
    if (m_pos >= m_text.size()) return false;
    c = m_text[m_pos];
    return true;
  }

  bool ParseValue(COrderedJson& out, int depth) {
    char c = 0;
    if (!Peek(c)) return Fail(QStringLiteral("unexpected end of the document"));
    switch (c) {
      case '{':
        return ParseObject(out, depth + 1);
      case '[':
        return ParseArray(out, depth + 1);
      case '"': {
        QString text;
        if (!ParseString(text)) return false;
        out = COrderedJson::String(text);
        return true;
      }
      case 't':
        return ParseWord("true", COrderedJson::Bool(true), out);
      case 'f':
        return ParseWord("false", COrderedJson::Bool(false), out);
      case 'n':
        return ParseWord("null", COrderedJson(), out);
      default:
        if (c == '-' || IsDigit(c)) return ParseNumber(out);
        return Fail(QStringLiteral("unexpected character '%1'").arg(QChar::fromLatin1(c)));
    }
  }

  bool ParseWord(const char* word, COrderedJson value, COrderedJson& out) {
    const qsizetype length = static_cast<qsizetype>(std::strlen(word));
    if (m_text.mid(m_pos, length) != QByteArray(word)) {
      return Fail(QStringLiteral("unknown word (expected %1)").arg(QLatin1String(word)));
    }
    m_pos += length;
    out = std::move(value);
    return true;
  }

  bool ParseNumber(COrderedJson& out) {
    const qsizetype start = m_pos;
    auto digits = [&]() {
      const qsizetype from = m_pos;
      while (m_pos < m_text.size() && IsDigit(m_text[m_pos])) ++m_pos;
      return m_pos > from;
    };
    if (m_text[m_pos] == '-') ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '0') {
      ++m_pos;
    } else if (!digits()) {
      return Fail(QStringLiteral("a number needs digits"));
    }
    if (m_pos < m_text.size() && m_text[m_pos] == '.') {
      ++m_pos;
      if (!digits()) return Fail(QStringLiteral("a number needs digits after '.'"));
    }
    if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
      ++m_pos;
      if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) ++m_pos;
      if (!digits()) return Fail(QStringLiteral("a number needs digits in its exponent"));
    }
    out = COrderedJson::NumberLiteral(m_text.mid(start, m_pos - start));
    double value = 0;
    if (!out.ToDouble(value) || !std::isfinite(value)) {
      m_pos = start;
      return Fail(QStringLiteral("number out of range"));
    }
    return true;
  }

  bool ParseHex4(char16_t& unit) {
    if (m_pos + 4 > m_text.size()) return Fail(QStringLiteral("incomplete \\u escape"));
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = m_text[m_pos++];
      int digit = 0;
      if (IsDigit(c)) {
        digit = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        return Fail(QStringLiteral("bad hexadecimal digit in a \\u escape"));
      }
      unit = static_cast<char16_t>(unit * 16 + digit);
    }
    return true;
  }

  // Escapes may produce unpaired surrogates: texts of a project are UTF-16 and may hold them.
  bool ParseString(QString& out) {
    ++m_pos;         // the opening quote
    QByteArray run;  // raw UTF-8 since the last escape
    auto flush = [&]() -> bool {
      if (run.isEmpty()) return true;
      const QString decoded = QString::fromUtf8(run);
      if (decoded.toUtf8() != run) return Fail(QStringLiteral("text is not valid UTF-8"));
      out += decoded;
      run.clear();
      return true;
    };
    while (true) {
      if (m_pos >= m_text.size()) return Fail(QStringLiteral("unterminated text"));
      const char c = m_text[m_pos];
      if (c == '"') {
        ++m_pos;
        return flush();
      }
      if (static_cast<uchar>(c) < 0x20) {
        return Fail(QStringLiteral("control character in a text (write it as an escape)"));
      }
      if (c != '\\') {
        run.append(c);
        ++m_pos;
        continue;
      }
      if (!flush()) return false;
      if (++m_pos >= m_text.size()) return Fail(QStringLiteral("unterminated text"));
      const char e = m_text[m_pos++];
      switch (e) {
        case '"':
          out += QLatin1Char('"');
          break;
        case '\\':
          out += QLatin1Char('\\');
          break;
        case '/':
          out += QLatin1Char('/');
          break;
        case 'b':
          out += QLatin1Char('\b');
          break;
        case 'f':
          out += QLatin1Char('\f');
          break;
        case 'n':
          out += QLatin1Char('\n');
          break;
        case 'r':
          out += QLatin1Char('\r');
          break;
        case 't':
          out += QLatin1Char('\t');
          break;
        case 'u': {
          char16_t unit = 0;
          if (!ParseHex4(unit)) return false;
          out += QChar(unit);
          break;
        }
        default:
          return Fail(QStringLiteral("unknown escape \\%1").arg(QChar::fromLatin1(e)));
      }
    }
  }

  bool ParseArray(COrderedJson& out, int depth) {
    if (depth > kMaxDepth) return Fail(QStringLiteral("nested too deeply"));
    ++m_pos;
    out = COrderedJson::Array();
    SkipBlanks();
    char c = 0;
    if (Peek(c) && c == ']') {
      ++m_pos;
      return true;
    }
    while (true) {
      SkipBlanks();
      COrderedJson item;
      if (!ParseValue(item, depth)) return false;
      out.Append(std::move(item));
      SkipBlanks();
      if (!Peek(c)) return Fail(QStringLiteral("unterminated array"));
      ++m_pos;
      if (c == ']') return true;
      if (c != ',') {
        --m_pos;
        return Fail(QStringLiteral("expected ',' or ']' in an array"));
      }
    }
  }

  bool ParseObject(COrderedJson& out, int depth) {
    if (depth > kMaxDepth) return Fail(QStringLiteral("nested too deeply"));
    ++m_pos;
    out = COrderedJson::Object();
    SkipBlanks();
    char c = 0;
    if (Peek(c) && c == '}') {
      ++m_pos;
      return true;
    }
    // A set, not a scan of the members: a hostile object may have millions of them.
    QSet<QString> keys;
    while (true) {
      SkipBlanks();
      if (!Peek(c) || c != '"') return Fail(QStringLiteral("expected a member name in quotes"));
      const qsizetype keyPos = m_pos;
      QString key;
      if (!ParseString(key)) return false;
      if (keys.contains(key)) {
        m_pos = keyPos;
        return Fail(QStringLiteral("the member \"%1\" appears twice").arg(key));
      }
      keys.insert(key);
      SkipBlanks();
      if (!Peek(c) || c != ':') return Fail(QStringLiteral("expected ':' after a member name"));
      ++m_pos;
      SkipBlanks();
      COrderedJson value;
      if (!ParseValue(value, depth)) return false;
      out.Insert(key, std::move(value));
      SkipBlanks();
      if (!Peek(c)) return Fail(QStringLiteral("unterminated object"));
      ++m_pos;
      if (c == '}') return true;
      if (c != ',') {
        --m_pos;
        return Fail(QStringLiteral("expected ',' or '}' in an object"));
      }
    }
  }

  const QByteArray& m_text;
  qsizetype m_pos = 0;
  QString m_error;
};

COrderedJson COrderedJson::Bool(bool value) {
  COrderedJson json;
  json.m_kind = kBool;
  json.m_bool = value;
  return json;
}

COrderedJson COrderedJson::Integer(int64_t value) {
  return NumberLiteral(QByteArray::number(static_cast<qlonglong>(value)));
}

COrderedJson COrderedJson::Unsigned(uint64_t value) {
  return NumberLiteral(QByteArray::number(static_cast<qulonglong>(value)));
}

COrderedJson COrderedJson::NumberLiteral(const QByteArray& literal) {
  COrderedJson json;
  json.m_kind = kNumber;
  json.m_number = literal;
  return json;
}

COrderedJson COrderedJson::String(const QString& text) {
  COrderedJson json;
  json.m_kind = kString;
  json.m_text = text;
  return json;
}

COrderedJson COrderedJson::Array() {
  COrderedJson json;
  json.m_kind = kArray;
  json.m_items = std::make_shared<QList<COrderedJson>>();
  return json;
}

COrderedJson COrderedJson::Object() {
  COrderedJson json;
  json.m_kind = kObject;
  json.m_members = std::make_shared<QList<Member>>();
  return json;
}

QString COrderedJson::KindName() const {
  switch (m_kind) {
    case kNull:
      return QStringLiteral("null");
    case kBool:
      return QStringLiteral("a boolean");
    case kNumber:
      return QStringLiteral("a number");
    case kString:
      return QStringLiteral("a text");
    case kArray:
      return QStringLiteral("an array");
    case kObject:
      return QStringLiteral("an object");
  }
  return QString();
}

bool COrderedJson::ToInt64(int64_t& out) const {
  if (m_kind != kNumber) return false;
  const char* begin = m_number.constData();
  const char* end = begin + m_number.size();
  const auto result = std::from_chars(begin, end, out);
  return result.ec == std::errc() && result.ptr == end;
}

bool COrderedJson::ToUInt64(uint64_t& out) const {
  if (m_kind != kNumber || m_number.startsWith('-')) return false;
  const char* begin = m_number.constData();
  const char* end = begin + m_number.size();
  const auto result = std::from_chars(begin, end, out);
  return result.ec == std::errc() && result.ptr == end;
}

bool COrderedJson::ToDouble(double& out) const {
  if (m_kind != kNumber) return false;
  const char* begin = m_number.constData();
  const char* end = begin + m_number.size();
  double value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return false;
  out = value;
  return true;
}

const QList<COrderedJson>& COrderedJson::Items() const {
  static const QList<COrderedJson> kNone;
  return m_items ? *m_items : kNone;
}

void COrderedJson::Append(COrderedJson value) {
  if (m_kind != kArray) return;
  if (m_items.use_count() > 1) m_items = std::make_shared<QList<COrderedJson>>(*m_items);
  m_items->append(std::move(value));
}

const QList<COrderedJson::Member>& COrderedJson::Members() const {
  static const QList<Member> kNone;
  return m_members ? *m_members : kNone;
}

void COrderedJson::Insert(const QString& key, COrderedJson value) {
  if (m_kind != kObject) return;
  if (m_members.use_count() > 1) m_members = std::make_shared<QList<Member>>(*m_members);
  m_members->append({key, std::move(value)});
}

const COrderedJson* COrderedJson::Find(const QString& key) const {
  for (const Member& member : Members()) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

bool COrderedJson::Parse(const QByteArray& text, COrderedJson& out, QString& error) {
  Parser parser(text);
  COrderedJson parsed;
  if (!parser.Run(parsed, error)) return false;
  out = std::move(parsed);
  return true;
}

QByteArray COrderedJson::ToText() const {
  QByteArray out;
  Write(out, 0);
  out.append('\n');
  return out;
}

void COrderedJson::WriteString(QByteArray& out, const QString& text) {
  out.append('"');
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t c = text[i].unicode();
    switch (c) {
      case '"':
        out.append("\\\"");
        continue;
      case '\\':
        out.append("\\\\");
        continue;
      case '\b':
        out.append("\\b");
        continue;
      case '\f':
        out.append("\\f");
        continue;
      case '\n':
        out.append("\\n");
        continue;
      case '\r':
        out.append("\\r");
        continue;
      case '\t':
        out.append("\\t");
        continue;
      default:
        break;
    }
    const bool high = QChar::isHighSurrogate(c);
    const bool paired = high && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode());
    if (c < 0x20 || c == 0x7F || (QChar::isSurrogate(c) && !paired)) {
      // Control characters and unpaired surrogates (which UTF-8 cannot carry) as escapes.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out.append(escape);
    } else if (paired) {
      out.append(QStringView(text).mid(i, 2).toUtf8());
      ++i;
    } else {
      out.append(QStringView(text).mid(i, 1).toUtf8());
    }
  }
  out.append('"');
}

bool COrderedJson::WriteInline(QByteArray& out, qsizetype limit) const {
  switch (m_kind) {
    case kNull:
      out.append("null");
      break;
    case kBool:
      out.append(m_bool ? "true" : "false");
      break;
    case kNumber:
      out.append(m_number);
      break;
    case kString:
      WriteString(out, m_text);
      break;
    case kArray: {
      out.append('[');
      bool first = true;
      for (const COrderedJson& item : Items()) {
        if (!first) out.append(", ");
        first = false;
        if (!item.WriteInline(out, limit)) return false;
        if (out.size() > limit) return false;
      }
      out.append(']');
      break;
    }
    case kObject: {
      out.append('{');
      bool first = true;
      for (const Member& member : Members()) {
        if (!first) out.append(", ");
        first = false;
        WriteString(out, member.first);
        out.append(": ");
        if (!member.second.WriteInline(out, limit)) return false;
        if (out.size() > limit) return false;
      }
      out.append('}');
      break;
    }
  }
  return out.size() <= limit;
}

void COrderedJson::Write(QByteArray& out, int indent) const {
  if (IsScalar()) {
    WriteInline(out, std::numeric_limits<qsizetype>::max());
    return;
  }
  // A container that fits stays on the line it starts on.
  const qsizetype lineStart = out.lastIndexOf('\n') + 1;
  QByteArray inline_;
  if (WriteInline(inline_, kLineLimit - (out.size() - lineStart))) {
    out.append(inline_);
    return;
  }
  const QByteArray inner(2 * (indent + 1), ' ');
  const QByteArray outer(2 * indent, ' ');
  if (m_kind == kArray) {
    out.append("[\n");
    const QList<COrderedJson>& items = Items();
    for (qsizetype i = 0; i < items.size(); ++i) {
      out.append(inner);
      items[i].Write(out, indent + 1);
      out.append(i + 1 < items.size() ? ",\n" : "\n");
    }
    out.append(outer);
    out.append(']');
    return;
  }
  out.append("{\n");
  const QList<Member>& members = Members();
  for (qsizetype i = 0; i < members.size(); ++i) {
    out.append(inner);
    WriteString(out, members[i].first);
    out.append(": ");
    members[i].second.Write(out, indent + 1);
    out.append(i + 1 < members.size() ? ",\n" : "\n");
  }
  out.append(outer);
  out.append('}');
}

bool COrderedJson::operator==(const COrderedJson& other) const {
  if (m_kind != other.m_kind) return false;
  switch (m_kind) {
    case kNull:
      return true;
    case kBool:
      return m_bool == other.m_bool;
    case kNumber:
      return m_number == other.m_number;
    case kString:
      return m_text == other.m_text;
    case kArray:
      return Items() == other.Items();
    case kObject:
      return Members() == other.Members();
  }
  return false;
}
