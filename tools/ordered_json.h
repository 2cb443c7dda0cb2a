// COrderedJson: a JSON value whose objects keep their members in the order written, with a strict
// parser and a pretty printer. The project forms need both: a property map's order is part of the
// file (a map is written back in the order it was read), and a dump meant for review should read
// top-down in file order. Numbers keep their literal text, so 64-bit integers stay exact.
// Plain value type; any thread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>

class COrderedJson {
 public:
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  using Member = std::pair<QString, COrderedJson>;

  // Nesting deeper than this is refused by the parser (hostile input must not exhaust the stack).
  static constexpr int kMaxDepth = 256;

  COrderedJson() = default;  // null
  static COrderedJson Bool(bool value);
  static COrderedJson Integer(int64_t value);
  static COrderedJson Unsigned(uint64_t value);
  // A number from its JSON literal (the caller formats it; it must be a valid JSON number).
  static COrderedJson NumberLiteral(const QByteArray& literal);
  static COrderedJson String(const QString& text);
  static COrderedJson Array();
  static COrderedJson Object();

  Kind GetKind() const { return m_kind; }
  bool IsNull() const { return m_kind == kNull; }
  bool IsBool() const { return m_kind == kBool; }
  bool IsNumber() const { return m_kind == kNumber; }
  bool IsString() const { return m_kind == kString; }
  bool IsArray() const { return m_kind == kArray; }
  bool IsObject() const { return m_kind == kObject; }
  // "null", "a boolean", "a number", "a text", "an array", "an object": for error messages.
  QString KindName() const;

  bool BoolValue() const { return m_bool; }
  const QString& StringValue() const { return m_text; }
  const QByteArray& NumberText() const { return m_number; }
  // The number as an integer when its literal is one (no fraction or exponent) and fits.
  bool ToInt64(int64_t& out) const;
  bool ToUInt64(uint64_t& out) const;
  // The number as a double (always possible for a parsed number).
  bool ToDouble(double& out) const;

  // Arrays.
  const QList<COrderedJson>& Items() const;
  void Append(COrderedJson value);
  // Objects: members in order; Insert appends (the caller keeps keys unique).
  const QList<Member>& Members() const;
  void Insert(const QString& key, COrderedJson value);
  // The member of that key, or nullptr.
  const COrderedJson* Find(const QString& key) const;

  // Parses a whole JSON text (UTF-8). On failure returns false and describes the first problem
  // with its line and column.
  static bool Parse(const QByteArray& text, COrderedJson& out, QString& error);
  // Indented by two spaces; an array or object that fits in the line stays on one line. Ends with
  // a line feed.
  QByteArray ToText() const;

  bool operator==(const COrderedJson& other) const;

 private:
  class Parser;
  void Write(QByteArray& out, int indent) const;
  bool WriteInline(QByteArray& out, qsizetype limit) const;
  bool IsScalar() const { return m_kind != kArray && m_kind != kObject; }
  static void WriteString(QByteArray& out, const QString& text);

  Kind m_kind = kNull;
  bool m_bool = false;
  QByteArray m_number;
  QString m_text;
  // Shared after copying; Append and Insert detach first.
  std::shared_ptr<QList<COrderedJson>> m_items;
  std::shared_ptr<QList<Member>> m_members;
};
