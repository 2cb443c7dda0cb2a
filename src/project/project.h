// CProject: one installed project (a ".ppc" file): its header fields, graphics, properties and
// ordered pages, loading it from the file (or from bytes) with every field its format version
// allows, saving it safely, finding points by name and number, bounding the notification of
// dependants, expanding point templates and the send-validation rule. The main window owns the
// open project; tools and tests own theirs. UI thread only.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "project/graphics.h"
#include "values/variant_map.h"

class CArchive;
class CBasePoint;
class CPage;

class CProject {
 public:
  // The format version this system writes; newer files are refused.
  static constexpr int32_t kFormatVersion = 100;
  // Dependants are told at most this many levels deep (chains and cycles end there).
  static constexpr int kMaxNotificationDepth = 10;

  // The header fields of the project file, in file order.
  struct Header {
    int32_t uniqueNumber = 0;
    QString title;
    QString company;
    QString author;
    QString copyright;
    QString webUrl;
    QString notes;
    int64_t createdTime = 0;  // seconds since 1970 UTC
    int64_t savedTime = 0;
    int32_t revision = 1;
    int32_t checkWord = 0;
    int32_t sessionLock = 0;     // a stored session opens read-only
    int32_t noDelete = 0;        // the session list refuses to delete sessions
    int32_t option3 = 0;         // carried through
    int32_t option4 = 0;         // carried through
    int32_t unitRestamp = 0;     // an edited session takes the current unit ID
    int32_t autoNewSession = 0;  // finishing a session starts the next one
    int32_t useCaptions = 0;     // session-list columns headed by captions
    int32_t option8 = 0;         // carried through
    int32_t arrivalSound = 1;    // play a sound when the server pushes a session
    QString sessionListColumns;  // point names, each followed by ";"
    bool operator==(const Header& other) const = default;
  };

  CProject();
  ~CProject();
  CProject(const CProject&) = delete;
  CProject& operator=(const CProject&) = delete;

  // ---- loading and saving
  // Reads the project file. A file that cannot be opened fails quietly; a damaged, foreign or
  // too new file shows its messages and fails, leaving the project empty.
  bool Load(const QString& path);
  // The same from bytes already in memory; `path` names the project (and where Save writes).
  bool LoadFromBytes(const QByteArray& bytes, const QString& path = QString());
  // Writes the project to its path through the safe save; shows "Project.CantSave" on failure.
  // While loading, only remembers that a save is wanted.
  bool Save();
  // The bytes of the project file as Save would write them.
  QByteArray SaveToBytes();

  const QString& Path() const { return m_path; }
  // The path's last component.
  const QString& FileName() const { return m_fileName; }
  void SetPath(const QString& path);
  bool IsLoading() const { return m_loading; }
  bool IsChanged() const { return m_changed; }
  int ChangeCount() const { return m_changeCount; }
  // Marks the project changed (ignored while loading).
  void SetChanged();
  // The format version of the file being read; kFormatVersion once loaded.
  int32_t FormatVersion() const { return m_version; }

  // ---- fields (the Mutable... accessors are for loaders and tools: they do not mark the project
  // changed, so an edit through them calls SetChanged itself)
  const Header& GetHeader() const { return m_header; }
  void SetHeader(const Header& header);
  Header& MutableHeader() { return m_header; }
  const CGraphics& Graphics() const { return m_graphics; }
  CGraphics& MutableGraphics() { return m_graphics; }
  const CVariantMap& Properties() const { return m_properties; }
  CVariantMap& MutableProperties() { return m_properties; }

  // ---- pages
  int PageCount() const { return static_cast<int>(m_pages.size()); }
  CPage* Page(int index) const;
  int IndexOfPage(const CPage* page) const;
  // A new empty page at `position` (the end when negative or beyond it).
  CPage* AddPage(int position = -1);
  // Removes the page with all its points.
  void RemovePage(CPage* page);
  const std::vector<std::unique_ptr<CPage>>& Pages() const { return m_pages; }
  // Calls `visit` for every point, page by page in order.
  void ForEachPoint(const std::function<void(CBasePoint*)>& visit) const;

  // ---- finding points
  // By name, without regard to case; never `asker` itself.
  CBasePoint* FindPointByName(const QString& name, const CBasePoint* asker = nullptr) const;
  CBasePoint* FindPointByNumber(int32_t number, const CBasePoint* asker = nullptr) const;
  // Index maintenance: pages and points call these when a point joins or leaves the project and
  // around a change of its name or number.
  // IndexPoint answers whether the point's number and name were still free (no other point
  // indexed under either), in which case neither needs to be made unique.
  bool IndexPoint(CBasePoint* point);
  void UnindexPoint(CBasePoint* point);
  // Drops every reference the project and its points hold to a point that is going away.
  void ForgetPoint(CBasePoint* point);
  // While a file is read, a page about to read `onPage` points makes room in the indexes for as
  // many on every page still to come, but never for more than `mostInFile` points beyond those
  // indexed (what the rest of the file can hold), so the indexes do not grow step by step.
  void ForeseePoints(qsizetype onPage, qsizetype mostInFile);

  // ---- notification of dependants
  // Enters one level of notification; false when the bound is exceeded.
  bool EnterNotification();
  // Leaves it; back at the top, runs a relayout requested meanwhile.
  void LeaveNotification();
  bool IsNotifying() const { return m_depth > 0; }
  int NotificationDepth() const { return m_depth; }
  void RequestRelayout(CPage* page) { m_relayoutPage = page; }

  // ---- the session being edited
  // The open session's identifier (36 characters), empty when none is open.
  const QString& SessionGuid() const { return m_sessionGuid; }
  void SetSessionGuid(const QString& guid) { m_sessionGuid = guid; }
  // A stored session opened under the session lock may not be changed.
  bool IsReadOnly() const { return m_readOnly; }
  void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
  // Clears every point's dependants and fills the points with their default values: plain ones
  // first, then, in page and point order, text defaults holding point references, expanded.
  void FillDefaults();
  // Runs Init on every point in page and point order.
  void InitPoints();

  // ---- templates and send validation
  // `text` with each "<%name%>" replaced by the value of the point of that name; `referrer`,
  // when given, becomes a dependant of every point it names.
  QString ExpandTemplate(const QString& text, CBasePoint* referrer) const;
  // Whether stored sessions must pass the validation before they are sent, and its settings.
  bool SendValidation(QString& pointName, QString& value) const;
  // Whether a stored session whose value of the validation point has this text may be sent.
  bool PassesSendValidation(const QString& storedText) const;

  // The unit ID the templates show for "_UnitID": from the installed source (tests), else the
  // application object's, else "Local".
  static void SetUnitIdSource(std::function<QString()> source);
  static QString UnitId();

  // ---- identity helpers
  // The state of a pseudo-random sequence seeded from an object's address and the tick count.
  static uint64_t UniqueSeed(const void* object);
  // The next 32-bit draw of the sequence.
  static uint32_t NextRandom(uint64_t& state);
  // A 31-bit number composed from four draws: bits 16-22 of the first as bits 24-30, then the
  // low bytes of the other three.
  static int32_t DrawUniqueNumber(uint64_t& state);
  // The check word a file keeps: low 32 bits of the created time plus the unique number.
  static int32_t ComputeCheckWord(int64_t createdTime, int32_t uniqueNumber);

 private:
  void Reset();
  void ReadFile(CArchive& ar);
  void RunPendingRelayout();

  QString m_path;
  QString m_fileName;
  Header m_header;
  CGraphics m_graphics;
  CVariantMap m_properties;
  std::vector<std::unique_ptr<CPage>> m_pages;
  // A point name as a key that hashes and compares case-folded, code point by code point, without
  // making a folded copy: the index is filled and asked once per point of every file read. The
  // hash of the folded name is kept with it, so growing the index never reads the names again.
  struct NameKey {
    explicit NameKey(const QString& text);
    bool operator==(const NameKey& other) const;
    friend size_t qHash(const NameKey& key, size_t seed) noexcept {
      return static_cast<size_t>((key.folded ^ seed) * 0x9E3779B97F4A7C15ull);
    }
    QString name;
    uint64_t folded;  // seed-free hash of the folded name
  };

  // Every point of the project by case-folded name and by number. Several points may share a key
  // until names and numbers are made unique: the first is in m_by..., the others in m_moreBy....
  QHash<NameKey, CBasePoint*> m_byName;
  QHash<NameKey, QList<CBasePoint*>> m_moreByName;
  QHash<int32_t, CBasePoint*> m_byNumber;
  QHash<int32_t, QList<CBasePoint*>> m_moreByNumber;
  int32_t m_version = kFormatVersion;
  bool m_loading = false;
  int32_t m_pagesToRead = 0;  // pages of the file being read not yet read, this one included
  bool m_saveWanted = false;
  bool m_changed = false;
  int m_changeCount = 0;
  bool m_destroying = false;
  int m_depth = 0;
  CPage* m_relayoutPage = nullptr;
  QString m_sessionGuid;
  bool m_readOnly = false;
};
