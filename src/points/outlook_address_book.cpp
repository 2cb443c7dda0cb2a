#include "points/outlook_address_book.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>
#include <initializer_list>
#include <optional>

#include "values/ansi_text.h"

namespace {

// One property line after unfolding: name, parameters and the raw value bytes.
struct CProperty {
  QString name;        // upper case, group removed
  QStringList types;   // upper case TYPE values (and the bare 2.1 parameters)
  QByteArray charset;  // CHARSET parameter, empty when none
  bool quotedPrintable = false;
  bool base64 = false;
  QByteArray value;
};

bool IsFoldContinuation(const QByteArray& line) {
  return !line.isEmpty() && (line[0] == ' ' || line[0] == '\t');
}

// The file's bytes as UTF-8 lines: UTF-16 files are converted, a UTF-8 mark is dropped.
QList<QByteArray> RawLines(const QByteArray& bytes) {
  QByteArray text = bytes;
  if (text.startsWith("\xFF\xFE") || text.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(text.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                       : QStringConverter::Utf16BE);
    const QString decoded = decoder(QByteArrayView(text).sliced(2));
    text = decoded.toUtf8();
  } else if (text.startsWith("\xEF\xBB\xBF")) {
    text.remove(0, 3);
  }
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  return text.split('\n');
}

// The position of the ':' that ends the name and parameters, skipping quoted parameter values.
qsizetype ValueColon(const QByteArray& line) {
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return i;
  }
  return -1;
}

bool IsQuotedPrintableLine(const QByteArray& line) {
  const qsizetype colon = ValueColon(line);
  return colon > 0 && line.left(colon).toUpper().contains("QUOTED-PRINTABLE");
}

// Joins folded lines and the soft line breaks of quoted-printable values.
QList<QByteArray> LogicalLines(const QList<QByteArray>& raw) {
  QList<QByteArray> lines;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (IsFoldContinuation(raw[i]) && !lines.isEmpty()) {
      lines.last().append(raw[i].mid(1));
      continue;
    }
    QByteArray line = raw[i];
    if (IsQuotedPrintableLine(line)) {
      while (line.endsWith('=') && i + 1 < raw.size()) {
        line.chop(1);
        line.append(raw[++i]);
      }
    }
    lines.append(line);
  }
  return lines;
}

bool ParseProperty(const QByteArray& line, CProperty& property) {
  const qsizetype colon = ValueColon(line);
  if (colon <= 0) return false;
  const QList<QByteArray> parts = line.left(colon).split(';');
  QByteArray name = parts[0].trimmed().toUpper();
  const qsizetype dot = name.lastIndexOf('.');
  if (dot >= 0) name = name.mid(dot + 1);
  if (name.isEmpty()) return false;
  property.name = QString::fromLatin1(name);
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QByteArray parameter = parts[i].trimmed();
    const qsizetype equals = parameter.indexOf('=');
    const QByteArray key = equals < 0 ? QByteArray("TYPE") : parameter.left(equals).toUpper();
    QByteArray value = equals < 0 ? parameter : parameter.mid(equals + 1);
    value.replace('"', QByteArray());
    if (key == "ENCODING" ||
        (equals < 0 && (value.toUpper() == "QUOTED-PRINTABLE" || value.toUpper() == "BASE64" ||
                        value.toUpper() == "B"))) {
      const QByteArray encoding = value.toUpper();
      property.quotedPrintable = encoding == "QUOTED-PRINTABLE";
      property.base64 = encoding == "BASE64" || encoding == "B";
    } else if (key == "CHARSET") {
      property.charset = value;
    } else if (key == "TYPE") {
      for (const QByteArray& type : value.split(',')) {
        property.types.append(QString::fromLatin1(type.trimmed().toUpper()));
      }
    }
  }
  property.value = line.mid(colon + 1);
  return true;
}

QByteArray DecodeQuotedPrintable(const QByteArray& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size()) {
      bool ok = false;
      const int byte = text.mid(i + 1, 2).toInt(&ok, 16);
      if (ok) {
        bytes.append(static_cast<char>(byte));
        i += 2;
        continue;
      }
    }
    bytes.append(text[i]);
  }
  return bytes;
}

// The value's text: its own charset when it names one this build knows, else UTF-8 when valid,
// else Windows-1252.
QString ValueText(const CProperty& property) {
  QByteArray bytes =
      property.quotedPrintable ? DecodeQuotedPrintable(property.value) : property.value;
  // Line breaks inside quoted-printable values come as CR LF.
  bytes.replace("\r\n", "\n");
  if (!property.charset.isEmpty() && property.charset.toUpper() != "UTF-8") {
    QStringDecoder decoder(property.charset.constData());
    if (decoder.isValid()) {
      const QString text = decoder(bytes);
      if (!decoder.hasError()) return text;
    }
  }
  return DecodeAnsiText(bytes);
}

// Splits a structured value at unescaped ";" and removes the escapes of each component.
QStringList Components(const QString& value, QChar separator = QLatin1Char(';')) {
  QStringList parts;
  QString current;
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == QLatin1Char('\\') && i + 1 < value.size()) {
      const QChar next = value[++i];
      current += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QLatin1Char('\n') : next;
    } else if (c == separator) {
      parts.append(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.append(current);
  for (QString& part : parts) part = part.trimmed();
  return parts;
}

QString Unescaped(const QString& value) { return Components(value, QChar(0)).join(QString()); }

QDate ParseDate(const QString& value) {
  QString text = value.trimmed();
  const qsizetype time = text.indexOf(QLatin1Char('T'));
  if (time >= 0) text.truncate(time);
  for (const char* format : {"yyyy-MM-dd", "yyyyMMdd"}) {
    const QDate date = QDate::fromString(text, QLatin1String(format));
    if (date.isValid()) return date;
  }
  return QDate();
}

class CCardBuilder {
 public:
  void Add(const CProperty& property) {
    if (property.base64) return;  // photos, keys and sounds
    const QString value = ValueText(property);
    const QString& name = property.name;
    const auto has = [&](const char* type) { return property.types.contains(QLatin1String(type)); };
    if (name == QLatin1String("FN")) {
      m_fullName = Unescaped(value).trimmed();
    } else if (name == QLatin1String("N")) {
      const QStringList parts = Components(value);
      Set("LastName", parts.value(0));
      Set("FirstName", parts.value(1));
      Set("MiddleName", parts.value(2));
      Set("Title", parts.value(3));
      Set("Suffix", parts.value(4));
    } else if (name == QLatin1String("ORG")) {
      const QStringList parts = Components(value);
      Set("CompanyName", parts.value(0));
      Set("Department", parts.mid(1).join(QStringLiteral(", ")));
    } else if (name == QLatin1String("TITLE")) {
      Set("JobTitle", Unescaped(value));
    } else if (name == QLatin1String("TEL")) {
      QString number = Unescaped(value);
      // vCard 4 gives numbers as "tel:" addresses.
      if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) number.remove(0, 4);
      if (has("FAX")) {
        SetFirstFree({has("HOME") ? "HomeFaxNumber" : "BusinessFaxNumber"}, number);
      } else if (has("CELL")) {
        SetFirstFree({"MobileTelephoneNumber"}, number);
      } else if (has("PAGER")) {
        SetFirstFree({"PagerNumber"}, number);
      } else if (has("CAR")) {
        SetFirstFree({"CarTelephoneNumber"}, number);
      } else if (has("X-EVOLUTION-ASSISTANT") || has("X-ASSISTANT")) {
        SetFirstFree({"AssistantTelephoneNumber"}, number);
      } else if (has("X-EVOLUTION-RADIO") || has("RADIO")) {
        SetFirstFree({"RadioTelephoneNumber"}, number);
      } else if (has("HOME")) {
        SetFirstFree({"HomeTelephoneNumber", "Home2TelephoneNumber"}, number);
      } else {
        SetFirstFree({"BusinessTelephoneNumber", "Business2TelephoneNumber"}, number);
      }
    } else if (name == QLatin1String("EMAIL")) {
      SetFirstFree({"Email1Address", "Email2Address", "Email3Address"}, Unescaped(value));
    } else if (name == QLatin1String("ADR")) {
      const QStringList parts = Components(value);
      const char* kind = has("WORK") ? "Business" : has("HOME") ? "Home" : "Other";
      QStringList street;
      for (int i = 0; i < 3; ++i) {
        if (!parts.value(i).isEmpty()) street.append(parts.value(i));
      }
      const QString base = QStringLiteral("%1Address").arg(QLatin1String(kind));
      SetIfFree(base + QLatin1String("Street"), street.join(QLatin1Char('\n')));
      SetIfFree(base + QLatin1String("City"), parts.value(3));
      SetIfFree(base + QLatin1String("State"), parts.value(4));
      SetIfFree(base + QLatin1String("PostalCode"), parts.value(5));
      SetIfFree(base + QLatin1String("Country"), parts.value(6));
    } else if (name == QLatin1String("BDAY")) {
      SetDate("Birthday", value);
    } else if (name == QLatin1String("ANNIVERSARY") || name == QLatin1String("X-ANNIVERSARY") ||
               name == QLatin1String("X-MS-ANNIVERSARY") ||
               name == QLatin1String("X-EVOLUTION-ANNIVERSARY")) {
      SetDate("Anniversary", value);
    } else if (name == QLatin1String("URL")) {
      SetFirstFree({"WebPage"}, Unescaped(value));
    } else if (name == QLatin1String("NOTE")) {
      Set("Body", Unescaped(value));
    } else if (name == QLatin1String("CATEGORIES")) {
      for (const QString& category : Components(value, QLatin1Char(','))) {
        if (!category.isEmpty() && !m_contact.categories.contains(category)) {
          m_contact.categories.append(category);
        }
      }
    } else if (name == QLatin1String("X-SPOUSE") || name == QLatin1String("X-MS-SPOUSE") ||
               name == QLatin1String("X-EVOLUTION-SPOUSE")) {
      Set("Spouse", Unescaped(value));
    } else if (name == QLatin1String("X-ASSISTANT") || name == QLatin1String("X-MS-ASSISTANT") ||
               name == QLatin1String("X-EVOLUTION-ASSISTANT")) {
      Set("AssistantName", Unescaped(value));
    } else if (name == QLatin1String("X-MS-CHILD") || name == QLatin1String("X-CHILDREN")) {
      const QString child = Unescaped(value);
      const QString children = m_contact.texts.value(QStringLiteral("Children"));
      Set("Children", children.isEmpty() ? child : children + QStringLiteral(", ") + child);
    } else if (name == QLatin1String("X-EVOLUTION-OFFICE") ||
               name == QLatin1String("X-MS-OFFICE")) {
      Set("OfficeLocation", Unescaped(value));
    }
    // Everything else (PHOTO, UID, REV, NICKNAME, X-...) has no contact field.
  }

  // The card, or nothing when it has no name to list it by.
  bool Finish(COutlookContact& contact) {
    QString fileAs = m_fullName;
    const QString last = m_contact.texts.value(QStringLiteral("LastName"));
    const QString first = m_contact.texts.value(QStringLiteral("FirstName"));
    if (fileAs.isEmpty()) {
      fileAs =
          last.isEmpty() || first.isEmpty() ? last + first : last + QStringLiteral(", ") + first;
    }
    if (fileAs.isEmpty()) fileAs = m_contact.texts.value(QStringLiteral("CompanyName"));
    if (fileAs.isEmpty()) fileAs = m_contact.texts.value(QStringLiteral("Email1Address"));
    fileAs = fileAs.simplified();
    if (fileAs.isEmpty()) return false;
    m_contact.texts.insert(QStringLiteral("FileAs"), fileAs);
    if (!m_contact.categories.isEmpty()) {
      m_contact.texts.insert(QStringLiteral("Categories"),
                             m_contact.categories.join(QStringLiteral(", ")));
    }
    contact = m_contact;
    return true;
  }

 private:
  void Set(const char* field, const QString& value) {
    if (!value.isEmpty()) m_contact.texts.insert(QLatin1String(field), value);
  }
  void SetIfFree(const QString& field, const QString& value) {
    if (!value.isEmpty() && !m_contact.texts.contains(field)) m_contact.texts.insert(field, value);
  }
  void SetFirstFree(std::initializer_list<const char*> fields, const QString& value) {
    if (value.isEmpty()) return;
    for (const char* field : fields) {
      if (!m_contact.texts.contains(QLatin1String(field))) {
        m_contact.texts.insert(QLatin1String(field), value);
        return;
      }
    }
  }
  void SetDate(const char* field, const QString& value) {
    const QDate date = ParseDate(value);
    if (date.isValid()) m_contact.dates.insert(QLatin1String(field), date);
  }

  COutlookContact m_contact;
  QString m_fullName;
};

}  // namespace

const QStringList& COutlookAddressBook::TextFields() {
  static const QStringList fields = {
      QStringLiteral("BusinessFaxNumber"),
      QStringLiteral("CompanyName"),
      QStringLiteral("Department"),
      QStringLiteral("Email1Address"),
      QStringLiteral("MobileTelephoneNumber"),
      QStringLiteral("OfficeLocation"),
      QStringLiteral("PagerNumber"),
      QStringLiteral("BusinessTelephoneNumber"),
      QStringLiteral("JobTitle"),
      QStringLiteral("HomeTelephoneNumber"),
      QStringLiteral("Email2Address"),
      QStringLiteral("Spouse"),
      QStringLiteral("Email3Address"),
      QStringLiteral("Home2TelephoneNumber"),
      QStringLiteral("HomeFaxNumber"),
      QStringLiteral("CarTelephoneNumber"),
      QStringLiteral("AssistantName"),
      QStringLiteral("AssistantTelephoneNumber"),
      QStringLiteral("Children"),
      QStringLiteral("Categories"),
      QStringLiteral("WebPage"),
      QStringLiteral("Business2TelephoneNumber"),
      QStringLiteral("RadioTelephoneNumber"),
      QStringLiteral("FileAs"),
      QStringLiteral("YomiCompanyName"),
      QStringLiteral("YomiFirstName"),
      QStringLiteral("YomiLastName"),
      QStringLiteral("Title"),
      QStringLiteral("FirstName"),
      QStringLiteral("MiddleName"),
      QStringLiteral("LastName"),
      QStringLiteral("Suffix"),
      QStringLiteral("HomeAddressStreet"),
      QStringLiteral("HomeAddressCity"),
      QStringLiteral("HomeAddressState"),
      QStringLiteral("HomeAddressPostalCode"),
      QStringLiteral("HomeAddressCountry"),
      QStringLiteral("OtherAddressStreet"),
      QStringLiteral("OtherAddressCity"),
      QStringLiteral("OtherAddressState"),
      QStringLiteral("OtherAddressPostalCode"),
      QStringLiteral("OtherAddressCountry"),
      QStringLiteral("BusinessAddressStreet"),
      QStringLiteral("BusinessAddressCity"),
      QStringLiteral("BusinessAddressState"),
      QStringLiteral("BusinessAddressPostalCode"),
      QStringLiteral("BusinessAddressCountry"),
      QStringLiteral("Body"),
  };
  return fields;
}

const QStringList& COutlookAddressBook::DateFields() {
  static const QStringList fields = {QStringLiteral("Anniversary"), QStringLiteral("Birthday")};
  return fields;
}

QList<COutlookContact> COutlookAddressBook::Parse(const QByteArray& bytes) {
  QList<COutlookContact> contacts;
  std::optional<CCardBuilder> card;
  const auto finish = [&] {
    COutlookContact contact;
    if (card && card->Finish(contact)) contacts.append(contact);
    card.reset();
  };
  for (const QByteArray& line : LogicalLines(RawLines(bytes))) {
    CProperty property;
    if (!ParseProperty(line, property)) continue;
    const QString value = QString::fromLatin1(property.value.trimmed().toUpper());
    if (property.name == QLatin1String("BEGIN") && value == QLatin1String("VCARD")) {
      // A card left open by a damaged file ends where the next begins.
      finish();
      card.emplace();
    } else if (property.name == QLatin1String("END") && value == QLatin1String("VCARD")) {
      finish();
    } else if (card) {
      card->Add(property);
    }
  }
  finish();
  return contacts;
}

bool COutlookAddressBook::ReadFolder(const QString& folder, QList<COutlookContact>& contacts) {
  contacts.clear();
  const QDir dir(folder);
  if (folder.isEmpty() || !dir.exists() || !dir.isReadable()) return false;
  const QFileInfoList files =
      dir.entryInfoList({QStringLiteral("*.vcf"), QStringLiteral("*.vcard")},
                        QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& info : files) {
    if (info.size() > kMaxFileSize) continue;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) continue;
    contacts.append(Parse(file.read(kMaxFileSize)));
  }
  std::stable_sort(contacts.begin(), contacts.end(),
                   [](const COutlookContact& a, const COutlookContact& b) {
                     return QString::compare(a.FileAs(), b.FileAs(), Qt::CaseInsensitive) < 0;
                   });
  return true;
}

QString COutlookAddressBook::DefaultFolder(const QString& configured) {
  if (!configured.isEmpty()) return configured;
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
      .filePath(QStringLiteral("contacts"));
}

// ---- the point's list

COutlookAddressBook::EntryKind COutlookAddressBook::ClassifyEntry(const QString& entry,
                                                                  const QString& createNewText,
                                                                  const QString& showAllText,
                                                                  QString* category) {
  if (entry.isEmpty()) return EntryKind::kEmpty;
  if (entry == createNewText) return EntryKind::kCreateNew;
  if (entry == showAllText) return EntryKind::kShowAll;
  if (entry.startsWith(QLatin1String("[ ")) && entry.size() > 4 &&
      entry.endsWith(QLatin1String(" ]"))) {
    if (category) *category = entry.mid(2, entry.size() - 4).trimmed();
    return EntryKind::kCategory;
  }
  return EntryKind::kContact;
}

QStringList COutlookAddressBook::ListEntries(const QList<COutlookContact>& contacts,
                                             const QString& filter, const QString& showAllText) {
  QStringList entries{QString()};
  QStringList categories;
  for (const COutlookContact& contact : contacts) {
    for (const QString& category : contact.categories) {
      if (!categories.contains(category, Qt::CaseInsensitive)) categories.append(category);
    }
    if (filter.isEmpty() || contact.categories.contains(filter, Qt::CaseInsensitive)) {
      entries.append(contact.FileAs());
    }
  }
  if (!filter.isEmpty()) entries.append(showAllText);
  categories.sort(Qt::CaseInsensitive);
  for (const QString& category : categories) {
    if (category.compare(filter, Qt::CaseInsensitive) != 0) {
      entries.append(QStringLiteral("[ %1 ]").arg(category));
    }
  }
  return entries;
}

// ---- filling the siblings

QString COutlookAddressBook::SiblingPrefix(const QString& pointName) {
  const qsizetype dot = pointName.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 ? pointName.left(dot + 1) : pointName + QLatin1Char('.');
}

QString COutlookAddressBook::SiblingField(const QString& prefix, const QString& name) {
  if (name.size() <= prefix.size() || !name.startsWith(prefix, Qt::CaseSensitive)) return {};
  const QString field = name.mid(prefix.size());
  if (TextFields().contains(field, Qt::CaseSensitive) ||
      DateFields().contains(field, Qt::CaseSensitive)) {
    return field;
  }
  return {};
}
