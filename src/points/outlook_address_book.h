// COutlookAddressBook: the address book the contacts point lists, read from vCard files (".vcf",
// versions 2.1, 3.0 and 4.0) in one folder, with each card's properties mapped to the contact
// field names the point fills its sibling points by. Reading is forgiving: folded and
// quoted-printable lines are joined, each line is decoded on its own (UTF-8 when valid, else its
// CHARSET or Windows-1252), and broken lines, unknown properties and cards without a name are
// skipped, so the good contacts of a damaged file still list. Also the pure rules of the point's
// list (entries, category filter, which sibling gets which field). Values; any thread.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct COutlookContact {
  QHash<QString, QString> texts;  // text fields by contact field name ("FirstName", ...)
  QHash<QString, QDate> dates;    // "Birthday", "Anniversary"
  QStringList categories;

  QString FileAs() const { return texts.value(QStringLiteral("FileAs")); }
};

class COutlookAddressBook {
 public:
  // Files larger than this are not read (an address book is far smaller).
  static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

  // The contact field names a sibling point can take, texts and dates.
  static const QStringList& TextFields();
  static const QStringList& DateFields();

  // The cards of one vCard file's bytes, in file order.
  static QList<COutlookContact> Parse(const QByteArray& bytes);
  // Every card of the ".vcf" files directly in `folder`, sorted by FileAs (case ignored). False
  // when the folder cannot be listed; unreadable files are skipped.
  static bool ReadFolder(const QString& folder, QList<COutlookContact>& contacts);
  // The folder the client reads: the settings' "Outlook"/"Folder" when set, else the user's
  // "contacts" data folder.
  static QString DefaultFolder(const QString& configured);

  // ---- the point's list
  // What an entry of the list stands for.
  enum class EntryKind { kEmpty, kCreateNew, kShowAll, kCategory, kContact };
  // The kind of `entry`; for a category, `category` receives its name.
  static EntryKind ClassifyEntry(const QString& entry, const QString& createNewText,
                                 const QString& showAllText, QString* category = nullptr);
  // The entries: an empty one, the contacts in the category `filter` (all when it is empty) by
  // FileAs, then "Show All" while a filter is set and one "[ name ]" entry per other category.
  static QStringList ListEntries(const QList<COutlookContact>& contacts, const QString& filter,
                                 const QString& showAllText);

  // ---- filling the siblings
  // The name prefix of the siblings: the point's name up to its last "." inclusive, or the name
  // and a ".".
  static QString SiblingPrefix(const QString& pointName);
  // The contact field a sibling called `name` takes for `prefix`, or the empty text when it takes
  // none (names and fields are compared exactly).
  static QString SiblingField(const QString& prefix, const QString& name);
};
