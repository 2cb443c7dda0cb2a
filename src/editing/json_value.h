// CJsonValue: the small JSON reader of command links (the "values", "projects" and "sessions"
// parameters). A node has a name (its member key inside an object), a value text, an is-string
// flag and its children in order. The link form is lenient where links written by other
// programs rely on it (text after the root is not examined, numbers are taken as written, a
// comma before the closing bracket is allowed); the strict form also holds a whole document to
// the standard grammar. It reads no "null", no exponents and no \u escapes: those fail. Nesting
// is limited, so no input can exhaust the stack. Values, owned by their parent; any thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class CJsonValue {
 public:
  enum class Mode { kLink, kStrict };
  // Deeper documents fail rather than recurse further.
  static constexpr int kMaxDepth = 256;

  // The root node, or nothing when the text does not read.
  static std::optional<CJsonValue> Parse(const QString& text, Mode mode = Mode::kLink);
  // A document's bytes (UTF-8) in the strict form; invalid UTF-8 fails.
  static std::optional<CJsonValue> ParseDocument(const QByteArray& bytes);

  const QString& Name() const { return m_name; }
  // The unescaped string, the number as written, "true" / "false"; empty for arrays and objects.
  const QString& Text() const { return m_text; }
  bool IsString() const { return m_isString; }
  bool IsArray() const { return m_kind == Kind::kArray; }
  bool IsObject() const { return m_kind == Kind::kObject; }
  const std::vector<CJsonValue>& Children() const { return m_children; }
  // The texts of the string members of an array (others are skipped).
  QStringList StringItems() const;

 private:
  enum class Kind { kScalar, kArray, kObject };
  friend class CJsonReader;

  QString m_name;
  QString m_text;
  bool m_isString = false;
  Kind m_kind = Kind::kScalar;
  std::vector<CJsonValue> m_children;
};
