#include "editing/json_value.h"

#include <QStringDecoder>

class CJsonReader {
 public:
  CJsonReader(const QString& text, CJsonValue::Mode mode) : m_text(text), m_mode(mode) {}

  bool ReadDocument(CJsonValue& root) {
    SkipSpace();
    if (!ReadValue(root, 0)) return false;
    if (m_mode == CJsonValue::Mode::kLink) return true;
    SkipSpace();
    return m_pos == m_text.size();
  }

 private:
  bool Strict() const { return m_mode == CJsonValue::Mode::kStrict; }
  bool AtEnd() const { return m_pos >= m_text.size(); }
  QChar Peek() const { return m_text.at(m_pos); }

  void SkipSpace() {
    while (!AtEnd()) {
      const char16_t c = Peek().unicode();
      // Links skip every control character and the space; a document only the four the grammar
      // names.
      const bool space =
          Strict() ? (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') : (c >= 1 && c <= 32);
      if (!space) return;
      ++m_pos;
    }
  }

  bool ReadValue(CJsonValue& node, int depth) {
    if (AtEnd()) return false;
    const QChar c = Peek();
    if (c == u'"') {
      node.m_isString = true;
      return ReadString(node.m_text);
    }
    if (c == u'[' || c == u'{') {
      if (depth >= CJsonValue::kMaxDepth) return false;
      return ReadContainer(node, c == u'{', depth);
    }
    if (QStringLiteral("0123456789+-.").contains(c)) return ReadNumber(node.m_text);
    for (const QString& word : {QStringLiteral("true"), QStringLiteral("false")}) {
      if (QStringView(m_text).mid(m_pos).startsWith(word)) {
        m_pos += word.size();
        node.m_text = word;
        return true;
      }
    }
    return false;
  }

  bool ReadString(QString& out) {
    ++m_pos;  // the opening quote
    while (!AtEnd()) {
      const QChar c = m_text.at(m_pos++);
      if (c == u'"') return true;
      if (c != u'\\') {
        // The grammar wants control characters escaped; links take them as they come.
        if (Strict() && c.unicode() < 0x20) return false;
        out.append(c);
        continue;
      }
      if (AtEnd()) return false;
      switch (m_text.at(m_pos++).unicode()) {
        case u'"':
          out.append(u'"');
          break;
        case u'\\':
          out.append(u'\\');
          break;
        case u'b':
          out.append(QChar(8));
          break;
        case u'f':
          out.append(QChar(12));
          break;
        case u'n':
          out.append(QChar(10));
          break;
        case u'r':
          out.append(QChar(13));
          break;
        case u't':
          out.append(QChar(9));
          break;
        default:
          return false;
      }
    }
    return false;
  }

  bool ReadNumber(QString& out) {
    const qsizetype start = m_pos;
    bool sign = false, dot = false, digit = false;
    while (!AtEnd()) {
      const QChar c = Peek();
      if (c == u'+' || c == u'-') {
        if (sign) return false;
        sign = true;
      } else if (c == u'.') {
        if (dot) return false;
        dot = true;
      } else if (c.isDigit() && c.unicode() < 128) {
        digit = true;
      } else {
        break;
      }
      ++m_pos;
    }
    if (!digit) return false;
    out = m_text.mid(start, m_pos - start);
    return !Strict() || StrictNumber(out);
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)? : the grammar's numbers without an exponent.
  static bool StrictNumber(const QString& number) {
    qsizetype i = 0;
    if (number.startsWith(u'-')) ++i;
    if (i >= number.size() || !number.at(i).isDigit()) return false;
    if (number.at(i) == u'0' && i + 1 < number.size() && number.at(i + 1).isDigit()) return false;
    while (i < number.size() && number.at(i).isDigit()) ++i;
    if (i == number.size()) return true;
    if (number.at(i) != u'.' || ++i == number.size()) return false;
    while (i < number.size() && number.at(i).isDigit()) ++i;
    return i == number.size();
  }

  bool ReadContainer(CJsonValue& node, bool object, int depth) {
    node.m_kind = object ? CJsonValue::Kind::kObject : CJsonValue::Kind::kArray;
    const QChar close = object ? u'}' : u']';
    ++m_pos;
    bool comma = false;
    while (true) {
      SkipSpace();
      if (AtEnd()) return false;
      if (Peek() == close) {
        ++m_pos;
        // A comma before the closing bracket is what links allow and the grammar does not.
        return !(Strict() && comma);
      }
      if (!node.m_children.empty() && !comma) return false;
      CJsonValue child;
      if (object) {
        if (Peek() != u'"' || !ReadString(child.m_name)) return false;
        SkipSpace();
        if (AtEnd() || Peek() != u':') return false;
        ++m_pos;
        SkipSpace();
      }
      if (!ReadValue(child, depth + 1)) return false;
      node.m_children.push_back(std::move(child));
      SkipSpace();
      comma = !AtEnd() && Peek() == u',';
      if (comma) ++m_pos;
    }
  }

  const QString& m_text;
  const CJsonValue::Mode m_mode;
  qsizetype m_pos = 0;
};

std::optional<CJsonValue> CJsonValue::Parse(const QString& text, Mode mode) {
  CJsonValue root;
  CJsonReader reader(text, mode);
  if (!reader.ReadDocument(root)) return std::nullopt;
  return root;
}

std::optional<CJsonValue> CJsonValue::ParseDocument(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(bytes);
  if (decoder.hasError()) return std::nullopt;
  return Parse(text, Mode::kStrict);
}

QStringList CJsonValue::StringItems() const {
  QStringList items;
  for (const CJsonValue& child : m_children) {
    if (child.m_isString) items.append(child.m_text);
  }
  return items;
}
