// CLanguage: the process-wide translation table. Every user-visible text is looked up
// here by a key "Section.Entry". The table is filled from the default translation embedded in the
// program (":/Language.ini") and overlaid by a "Language.ini" from the data folder or, failing
// that, the program folder. The application object loads it at start-up, the language download
// reloads it; everything else only reads it. UI thread only.
//
// Keys in the sources: pass a key to Translate, Lookup or MessageByKey as a string literal, or
// write it with QLT_KEY("Section.Entry") where it travels through a variable or a table; the keys
// test (tests/app/language_keys_test.cpp) then checks that the embedded default has a text for it.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class QAction;

// Marks a translation key that is not passed to CLanguage directly (a key kept in a table or a
// variable), so the keys test finds it. Expands to the literal itself.
#define QLT_KEY(key) key

class CLanguage {
 public:
  CLanguage() = default;
  CLanguage(const CLanguage&) = delete;
  CLanguage& operator=(const CLanguage&) = delete;

  // The table the whole system translates through.
  static CLanguage& Instance();

  // `load translation`: clears the table, parses the embedded default, then the first of
  // "<dataFolder>/Language.ini" and "<programFolder>/Language.ini" that opens (an empty folder
  // is skipped). The checksum becomes the CRC-32 of that file's bytes; when no file was read it
  // keeps its earlier value. Returns true when the table holds at least one entry.
  bool LoadTranslation(const QString& dataFolder, const QString& programFolder);

  // Parses one translation text (any bytes) over the table; later keys replace earlier ones.
  void Parse(const QByteArray& bytes);
  // Empties the table (the checksum stays).
  void Clear() { m_table.clear(); }

  // `translate`: the value, or the empty text when the key is missing.
  QString Translate(const QString& key) const { return m_table.value(key); }
  // `lookup`: true and the value when the key is present; `value` is untouched otherwise.
  bool Lookup(const QString& key, QString& value) const;
  // The value (the key itself when missing) with each "%s" filled by the next of `fills`; a fill's
  // own "%s" stays as it is.
  QString TranslateWith(const QString& key, const QStringList& fills) const;
  // `message by key`: shows the value (the key itself when missing) through the services'
  // message service with the given MessageStyle; returns the button pressed (MessageAnswer).
  int MessageByKey(const QString& key, unsigned style) const;
  // `translate menu`: every action whose text is a key gets the value as its text; the others
  // keep theirs. Only the actions given are visited: QtGui cannot reach a submenu's actions, so
  // the widget layer passes each menu's actions (QWidget::actions()) itself, submenus included.
  void TranslateMenu(const QList<QAction*>& actions) const;

  // CRC-32 (zlib) of the raw bytes of the translation file last read from disk; 0 until one is.
  uint32_t Checksum() const { return m_checksum; }

  int Count() const { return static_cast<int>(m_table.size()); }
  bool IsEmpty() const { return m_table.isEmpty(); }
  const QHash<QString, QString>& Table() const { return m_table; }

  // Decodes a translation text by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE); text without
  // one is UTF-8 when it is valid UTF-8, else Windows-1252 (DecodeAnsiText).
  static QString DecodeText(const QByteArray& bytes);

 private:
  QHash<QString, QString> m_table;
  uint32_t m_checksum = 0;
};
