#include "automation/type_library.h"

#include <QFile>
#include <QRegularExpression>

// The resources live in a static library whose registration code is only linked in when something
// names it. Q_INIT_RESOURCE must be used outside any namespace.
static void InitTypeLibraryResources() { Q_INIT_RESOURCE(resources); }

namespace {

// The text between the first "[" and its "]" of `line`, and what follows it.
bool SplitAttributes(const QString& line, QString& attributes, QString& rest) {
  if (!line.startsWith(QLatin1Char('['))) {
    attributes.clear();
    rest = line;
    return true;
  }
  const qsizetype close = line.indexOf(QLatin1Char(']'));
  if (close < 0) return false;
  attributes = line.mid(1, close - 1);
  rest = line.mid(close + 1).trimmed();
  return true;
}

QString AttributeValue(const QString& attributes, const QString& name) {
  const QRegularExpression pattern(QStringLiteral("\\b%1\\(([^)]*)\\)").arg(name));
  const QRegularExpressionMatch match = pattern.match(attributes);
  return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

bool ParseMember(const QString& line, CTypeLibrary::Member& member) {
  QString attributes;
  QString rest;
  if (!SplitAttributes(line, attributes, rest)) return false;
  static const QRegularExpression signature(
      QStringLiteral("^HRESULT\\s+(\\w+)\\s*\\((.*)\\)\\s*;$"));
  const QRegularExpressionMatch match = signature.match(rest);
  if (!match.hasMatch()) return false;
  member.name = match.captured(1);
  const QString id = AttributeValue(attributes, QStringLiteral("id"));
  if (!id.isEmpty()) {
    bool ok = false;
    member.id = static_cast<DISPID>(id.toLongLong(&ok, 0));
    if (!ok) return false;
  }
  const QStringList flags = attributes.split(QLatin1Char(','), Qt::SkipEmptyParts);
  for (const QString& flag : flags) {
    if (flag.trimmed() == QLatin1String("propget")) member.kind = DISPATCH_PROPERTYGET;
    if (flag.trimmed() == QLatin1String("propput")) member.kind = DISPATCH_PROPERTYPUT;
  }
  const QString params = match.captured(2).trimmed();
  if (params.isEmpty()) return true;
  // Parameters: "[attrs] type name" separated by commas outside the brackets.
  QString current;
  int depth = 0;
  QStringList parts;
  for (const QChar c : params) {
    if (c == QLatin1Char('[')) ++depth;
    if (c == QLatin1Char(']')) --depth;
    if (c == QLatin1Char(',') && depth == 0) {
      parts.append(current.trimmed());
      current.clear();
    } else {
      current.append(c);
    }
  }
  parts.append(current.trimmed());
  for (const QString& part : parts) {
    QString paramAttributes;
    QString declaration;
    if (!SplitAttributes(part, paramAttributes, declaration)) return false;
    const qsizetype space = declaration.lastIndexOf(QLatin1Char(' '));
    if (space < 0) return false;
    CTypeLibrary::Parameter parameter;
    parameter.name = declaration.mid(space + 1);
    parameter.out = paramAttributes.contains(QLatin1String("out"));
    member.params.append(parameter);
  }
  return true;
}

}  // namespace

int CTypeLibrary::Member::InCount() const {
  int count = 0;
  for (const Parameter& parameter : params) count += parameter.out ? 0 : 1;
  return count;
}

const CTypeLibrary::Member* CTypeLibrary::Interface::Find(const QString& memberName,
                                                          WORD kind) const {
  for (const Member& member : members) {
    if (member.kind == kind && member.name == memberName) return &member;
  }
  return nullptr;
}

const CTypeLibrary::Interface* CTypeLibrary::FindInterface(const QString& interfaceName) const {
  for (const Interface& item : interfaces) {
    if (item.name == interfaceName) return &item;
  }
  return nullptr;
}

bool CTypeLibrary::Parse(const QString& text, CTypeLibrary& out, QString* error) {
  out = CTypeLibrary();
  static const QRegularExpression interfaceLine(
      QStringLiteral("^interface\\s+(\\w+)\\s*:\\s*(\\w+)\\s*\\{"));
  static const QRegularExpression coclassLine(QStringLiteral("^coclass\\s+(\\w+)\\s*\\{"));
  static const QRegularExpression defaultLine(
      QStringLiteral("^\\[default\\]\\s*interface\\s+(\\w+)\\s*;"));
  QString pending;  // the attributes line before an interface, coclass or library
  Interface* open = nullptr;
  CoClass* openClass = nullptr;
  const QStringList lines = text.split(QLatin1Char('\n'));
  QString attributesBlock;
  bool inAttributes = false;
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    const qsizetype comment = line.indexOf(QLatin1String("//"));
    if (comment >= 0) line.truncate(comment);
    line = line.trimmed();
    if (line.isEmpty()) continue;
    const auto fail = [&] {
      if (error != nullptr) *error = QStringLiteral("line %1: %2").arg(i + 1).arg(lines[i]);
      return false;
    };
    if (inAttributes) {
      if (line == QLatin1String("]")) {
        inAttributes = false;
        pending = attributesBlock;
      } else {
        attributesBlock += line + QLatin1Char(' ');
      }
      continue;
    }
    if (line == QLatin1String("[")) {
      inAttributes = true;
      attributesBlock.clear();
      continue;
    }
    if (open != nullptr) {
      if (line.startsWith(QLatin1String("};"))) {
        open = nullptr;
        continue;
      }
      Member member;
      if (!ParseMember(line, member)) return fail();
      open->members.append(member);
      continue;
    }
    if (openClass != nullptr) {
      if (line.startsWith(QLatin1String("};"))) {
        openClass = nullptr;
        continue;
      }
      const QRegularExpressionMatch match = defaultLine.match(line);
      if (!match.hasMatch()) return fail();
      openClass->defaultInterface = match.captured(1);
      continue;
    }
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      pending = line.mid(1, line.size() - 2);
      continue;
    }
    if (const QRegularExpressionMatch match = interfaceLine.match(line); match.hasMatch()) {
      Interface item;
      item.name = match.captured(1);
      item.base = match.captured(2);
      item.iid = QUuid::fromString(QStringView(AttributeValue(pending, QStringLiteral("uuid"))));
      if (item.iid.isNull()) return fail();
      out.interfaces.append(item);
      open = &out.interfaces.last();
      pending.clear();
      continue;
    }
    if (const QRegularExpressionMatch match = coclassLine.match(line); match.hasMatch()) {
      CoClass item;
      item.name = match.captured(1);
      item.clsid = QUuid::fromString(QStringView(AttributeValue(pending, QStringLiteral("uuid"))));
      if (item.clsid.isNull()) return fail();
      out.coclasses.append(item);
      openClass = &out.coclasses.last();
      pending.clear();
      continue;
    }
    if (line.startsWith(QLatin1String("library "))) {
      out.name = line.mid(8).trimmed();
      out.id = QUuid::fromString(QStringView(AttributeValue(pending, QStringLiteral("uuid"))));
      out.version = AttributeValue(pending, QStringLiteral("version"));
      out.lcid = AttributeValue(pending, QStringLiteral("lcid")).toUInt();
      pending.clear();
      continue;
    }
    if (line == QLatin1String("{") || line == QLatin1String("};") ||
        line.startsWith(QLatin1String("importlib("))) {
      continue;
    }
    return fail();
  }
  if (open != nullptr || openClass != nullptr || out.name.isEmpty()) {
    if (error != nullptr) *error = QStringLiteral("the description ends inside a block");
    return false;
  }
  return true;
}

const CTypeLibrary& CTypeLibrary::Embedded() {
  static const CTypeLibrary library = [] {
    InitTypeLibraryResources();
    CTypeLibrary parsed;
    QFile file(QString::fromLatin1(kResourcePath));
    if (file.open(QIODevice::ReadOnly)) {
      if (!Parse(QString::fromUtf8(file.readAll()), parsed)) parsed = CTypeLibrary();
    }
    return parsed;
  }();
  return library;
}
