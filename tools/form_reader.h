// CFormReader: reads one JSON object of a project form: typed members that keep their default
// when absent, a path for every message ("pages[2].points[0].caption"), and a final check that no
// member was left unread, so a misspelt name is an error instead of a silently ignored field.
// Problems are thrown as CFormReader::Error and caught where the whole form is read (the build of
// one form); nothing is thrown past that. Used by the `qlt project` mapping; main thread.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "ordered_json.h"

class CFormReader {
 public:
  struct Error {
    QString path;
    QString message;
    bool io = false;  // a file the form names could not be read (rather than a bad form)
    QString Text() const;
  };

  // Throws unless `object` is a JSON object.
  CFormReader(const COrderedJson& object, const QString& path);

  const QString& Path() const { return m_path; }
  QString PathOf(const QString& key) const;
  bool Has(const QString& key) const { return m_object.Find(key) != nullptr; }
  // The member, marked as read; nullptr when absent.
  const COrderedJson* Take(const QString& key);
  // The members in form order, all marked as read.
  const QList<COrderedJson::Member>& TakeAll();

  // Typed members: each returns whether the member was present and leaves `value` as it was
  // when not; a present member of the wrong kind or out of range throws.
  bool ReadInt32(const QString& key, int32_t& value);
  bool ReadUInt32(const QString& key, uint32_t& value);
  bool ReadInt64(const QString& key, int64_t& value);
  bool ReadBool(const QString& key, bool& value);
  bool ReadText(const QString& key, QString& value);
  bool ReadTextList(const QString& key, QStringList& value);

  // Throws when a member was never read.
  void Finish() const;

  // Value conversions for members and array items alike.
  [[noreturn]] static void Fail(const QString& path, const QString& message);
  static int64_t ToInteger(const COrderedJson& json, const QString& path, int64_t minimum,
                           int64_t maximum);
  static QString ToText(const COrderedJson& json, const QString& path);
  static QStringList ToTextList(const COrderedJson& json, const QString& path);
  static bool ToBool(const COrderedJson& json, const QString& path);
  static QString ItemPath(const QString& path, qsizetype index);

 private:
  const COrderedJson& m_object;
  QString m_path;
  QSet<QString> m_read;
};
