#include "project/project.h"

#include <QFile>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "app/twkf_app.h"
#include "app/unit_identity.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/safe_save.h"
#include "project/template_expander.h"
#include "values/archive.h"
#include "values/variant_ops.h"

namespace {

const QString kMagic = QStringLiteral("Auditmoor");

std::function<QString()>& UnitIdSource() {
  static std::function<QString()> source;
  return source;
}

QString LastComponent(const QString& path) {
  const qsizetype cut =
      std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return path.mid(cut + 1);
}

// Raised inside the reader for a file that is not a project file at all or too new; caught with
// the archive errors at the load boundary.
void Refuse(const char* why) { throw CArchiveError(why); }

}  // namespace

CProject::CProject() = default;

CProject::~CProject() {
  // Points going away with the whole project need not unhook themselves one by one.
  m_destroying = true;
  m_byName.clear();
  m_moreByName.clear();
  m_byNumber.clear();
  m_moreByNumber.clear();
  m_pages.clear();
}

// ---- loading

bool CProject::Load(const QString& path) {
  SetPath(path);
  m_changed = false;
  // A save that a power cut interrupted is completed before the file is read.
  CSafeSave::Recover(path);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  file.close();
  return LoadFromBytes(bytes, path);
}

bool CProject::LoadFromBytes(const QByteArray& bytes, const QString& path) {
  SetPath(path);
  Reset();
  m_loading = true;
  m_saveWanted = false;
  m_pagesToRead = 0;
  try {
    CArchive ar(bytes);
    ReadFile(ar);
  } catch (const CArchiveError&) {
    Reset();
    m_loading = false;
    CLanguage::Instance().MessageByKey(QStringLiteral("Project.CantOpen"), kMbIconExclamation);
    return false;
  } catch (const std::bad_alloc&) {
    // Lengths are checked against the input before anything is allocated; this is the last line
    // should a value still be too large for the machine.
    Reset();
    m_loading = false;
    CLanguage::Instance().MessageByKey(QStringLiteral("Project.CantOpen"), kMbIconExclamation);
    return false;
  }
  m_version = kFormatVersion;
  m_loading = false;
  m_changed = false;
  if (m_saveWanted) {
    m_saveWanted = false;
    Save();
  }
  return true;
}

void CProject::ReadFile(CArchive& ar) {
  if (ar.ReadString() != kMagic) Refuse("not a project file");
  const int32_t version = ar.ReadInt32();
  if (version > kFormatVersion) {
    CLanguage::Instance().MessageByKey(QStringLiteral("Project.TooNew"), kMbIconExclamation);
    Refuse("project file too new");
  }
  m_version = version;

  Header& h = m_header;
  h.uniqueNumber = ar.ReadInt32();
  h.title = ar.ReadString();
  h.company = ar.ReadString();
  h.author = ar.ReadString();
  h.copyright = ar.ReadString();
  h.webUrl = ar.ReadString();
  if (version > 8) h.notes = ar.ReadString();
  h.createdTime = ar.ReadTime();
  h.savedTime = ar.ReadTime();
  if (version >= 16) h.revision = ar.ReadInt32();
  const int32_t expectedCheck = ComputeCheckWord(h.createdTime, h.uniqueNumber);
  if (version >= 15) {
    const int32_t stored = ar.ReadInt32();
    h.checkWord = stored == expectedCheck ? stored : 0;
  } else {
    h.checkWord = expectedCheck;
  }
  if (version >= 2) h.sessionLock = ar.ReadInt32();
  if (version >= 40) h.noDelete = ar.ReadInt32();
  if (version >= 2) h.option3 = ar.ReadInt32();
  if (version < 31) h.option3 = 0;
  if (version >= 29) h.option4 = ar.ReadInt32();
  if (version >= 41) {
    h.unitRestamp = ar.ReadInt32();
    h.autoNewSession = ar.ReadInt32();
    h.useCaptions = ar.ReadInt32();
    h.option8 = ar.ReadInt32();
  }
  if (version >= 42) h.arrivalSound = ar.ReadInt32();
  if (version >= 20) h.sessionListColumns = ar.ReadString();
  if (version >= 17) m_graphics.Read(ar, version);
  if (version >= 100) m_properties.Deserialize(ar, false);
  m_graphics.LoadLayout(m_properties);
  m_graphics.ResetFonts();

  const int32_t pages = ar.ReadCount();
  for (int32_t i = 0; i < pages; ++i) {
    m_pagesToRead = pages - i;
    AddPage()->Read(ar, version);
  }
  m_pagesToRead = 0;
}

void CProject::Reset() {
  m_relayoutPage = nullptr;
  m_byName.clear();
  m_moreByName.clear();
  m_byNumber.clear();
  m_moreByNumber.clear();
  {
    // Pages of an earlier content go without unhooking point by point.
    const bool destroying = std::exchange(m_destroying, true);
    m_pages.clear();
    m_destroying = destroying;
  }
  m_header = Header();
  m_graphics = CGraphics();
  m_properties.Clear();
  m_version = kFormatVersion;
  m_depth = 0;
}

// ---- saving

bool CProject::Save() {
  if (m_loading) {
    m_saveWanted = true;
    return true;
  }
  QString errorText;
  // A project made in memory has no file until it is given a path; writing ".save" into the
  // working folder instead would hide the mistake.
  const bool hasPath = !m_path.isEmpty();
  if (hasPath) m_header.savedTime = CServices::Instance().Now().toSecsSinceEpoch();
  if (!hasPath || !CSafeSave::Write(m_path, SaveToBytes(), errorText)) {
    QString text;
    if (!CLanguage::Instance().Lookup(QStringLiteral("Project.CantSave"), text)) {
      text = QStringLiteral("Project.CantSave");
    }
    if (!errorText.isEmpty()) text += QStringLiteral("\n\n") + errorText;
    CServices::Instance().Messages().ShowMessage(text, kMbOk | kMbIconExclamation);
    return false;
  }
  m_changed = false;
  return true;
}

QByteArray CProject::SaveToBytes() {
  CArchive ar;
  const Header& h = m_header;
  ar.WriteString(kMagic);
  ar.WriteInt32(kFormatVersion);
  ar.WriteInt32(h.uniqueNumber);
  ar.WriteString(h.title);
  ar.WriteString(h.company);
  ar.WriteString(h.author);
  ar.WriteString(h.copyright);
  ar.WriteString(h.webUrl);
  ar.WriteString(h.notes);
  ar.WriteTime(h.createdTime);
  ar.WriteTime(h.savedTime);
  ar.WriteInt32(h.revision);
  ar.WriteInt32(h.checkWord);
  ar.WriteInt32(h.sessionLock);
  ar.WriteInt32(h.noDelete);
  ar.WriteInt32(h.option3);
  ar.WriteInt32(h.option4);
  ar.WriteInt32(h.unitRestamp);
  ar.WriteInt32(h.autoNewSession);
  ar.WriteInt32(h.useCaptions);
  ar.WriteInt32(h.option8);
  ar.WriteInt32(h.arrivalSound);
  ar.WriteString(h.sessionListColumns);
  m_graphics.StoreLayout(m_properties);
  m_graphics.Write(ar);
  m_properties.Serialize(ar, false);
  ar.WriteCount(static_cast<int32_t>(m_pages.size()));
  for (const auto& page : m_pages) page->Write(ar);
  return ar.Buffer();
}

void CProject::SetPath(const QString& path) {
  m_path = path;
  m_fileName = LastComponent(path);
}

void CProject::SetChanged() {
  if (m_loading) return;
  m_changed = true;
  ++m_changeCount;
}

void CProject::SetHeader(const Header& header) {
  if (header == m_header) return;
  m_header = header;
  SetChanged();
}

// ---- pages

CPage* CProject::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return m_pages[index].get();
}

int CProject::IndexOfPage(const CPage* page) const {
  for (size_t i = 0; i < m_pages.size(); ++i) {
    if (m_pages[i].get() == page) return static_cast<int>(i);
  }
  return -1;
}

CPage* CProject::AddPage(int position) {
  if (position < 0 || position > PageCount()) position = PageCount();
  auto page = std::make_unique<CPage>(this);
  CPage* raw = page.get();
  m_pages.insert(m_pages.begin() + position, std::move(page));
  SetChanged();
  return raw;
}

void CProject::RemovePage(CPage* page) {
  const int index = IndexOfPage(page);
  if (index < 0) return;
  while (page->PointCount() > 0) page->TakePoint(page->Point(page->PointCount() - 1)).reset();
  if (m_relayoutPage == page) m_relayoutPage = nullptr;
  m_pages.erase(m_pages.begin() + index);
  SetChanged();
}

void CProject::ForEachPoint(const std::function<void(CBasePoint*)>& visit) const {
  for (const auto& page : m_pages) {
    for (const auto& point : page->Points()) visit(point.get());
  }
}

// ---- finding points

namespace {

// An index where most keys have one point: the first sits in `primary`, further ones (two points
// of one name until the names are made unique) in `more`.
template <typename Key>
CBasePoint* FindIndexed(const QHash<Key, CBasePoint*>& primary,
                        const QHash<Key, QList<CBasePoint*>>& more, const Key& key,
                        const CBasePoint* asker) {
  CBasePoint* first = primary.value(key);
  if (first && first != asker) return first;
  if (!first || more.isEmpty()) return nullptr;
  const auto it = more.constFind(key);
  if (it == more.cend()) return nullptr;
  for (CBasePoint* point : it.value()) {
    if (point != asker) return point;
  }
  return nullptr;
}

// True when no other point was indexed under the key.
template <typename Key>
bool AddIndexed(QHash<Key, CBasePoint*>& primary, QHash<Key, QList<CBasePoint*>>& more,
                const Key& key, CBasePoint* point) {
  CBasePoint*& first = primary[key];
  if (!first) {
    first = point;
    return true;
  }
  if (first == point) {
    const auto others = more.constFind(key);
    return others == more.cend() || others->isEmpty() ||
           (others->size() == 1 && others->first() == point);
  }
  QList<CBasePoint*>& others = more[key];
  if (!others.contains(point)) others.append(point);
  return false;
}

template <typename Key>
void RemoveIndexed(QHash<Key, CBasePoint*>& primary, QHash<Key, QList<CBasePoint*>>& more,
                   const Key& key, CBasePoint* point) {
  auto first = primary.find(key);
  if (first == primary.end()) return;
  auto others = more.find(key);
  if (first.value() == point) {
    if (others == more.end()) {
      primary.erase(first);
      return;
    }
    first.value() = others->takeFirst();
  } else if (others != more.end()) {
    others->removeAll(point);
  }
  if (others != more.end() && others->isEmpty()) more.erase(others);
}

// The code points of a text one by one, each case-folded as QString::toCaseFolded folds it (one
// code point at a time, a lone surrogate left as it is), so that two names are the same key
// exactly when their folded copies are equal.
class FoldedCodePoints {
 public:
  explicit FoldedCodePoints(QStringView text)
      : m_at(text.utf16()), m_end(text.utf16() + text.size()) {}
  bool AtEnd() const { return m_at == m_end; }
  char32_t Next() {
    const char16_t unit = *m_at++;
    if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? unit + (u'a' - u'A') : unit;
    char32_t codePoint = unit;
    if (QChar::isHighSurrogate(unit) && m_at != m_end && QChar::isLowSurrogate(*m_at)) {
      codePoint = QChar::surrogateToUcs4(unit, *m_at++);
    }
    return QChar::toCaseFolded(codePoint);
  }

 private:
  const char16_t* m_at;
  const char16_t* m_end;
};

}  // namespace

CProject::NameKey::NameKey(const QString& text) : name(text), folded(0xCBF29CE484222325ull) {
  // FNV-1a over the folded code points.
  for (FoldedCodePoints points(name); !points.AtEnd();) {
    folded ^= points.Next();
    folded *= 0x100000001B3ull;
  }
}

bool CProject::NameKey::operator==(const NameKey& other) const {
  if (folded != other.folded) return false;
  // A point looking itself up meets its own name.
  if (name.constData() == other.name.constData() && name.size() == other.name.size()) return true;
  FoldedCodePoints mine(name);
  FoldedCodePoints theirs(other.name);
  while (!mine.AtEnd() && !theirs.AtEnd()) {
    if (mine.Next() != theirs.Next()) return false;
  }
  return mine.AtEnd() && theirs.AtEnd();
}

CBasePoint* CProject::FindPointByName(const QString& name, const CBasePoint* asker) const {
  if (name.isEmpty()) return nullptr;
  return FindIndexed(m_byName, m_moreByName, NameKey(name), asker);
}

CBasePoint* CProject::FindPointByNumber(int32_t number, const CBasePoint* asker) const {
  return FindIndexed(m_byNumber, m_moreByNumber, number, asker);
}

bool CProject::IndexPoint(CBasePoint* point) {
  if (m_destroying || !point || point->Project() != this) return false;
  point->SetIndexed(true);
  bool free = AddIndexed(m_byNumber, m_moreByNumber, point->UniqueNumber(), point);
  if (!point->Name().isEmpty()) {
    free = AddIndexed(m_byName, m_moreByName, NameKey(point->Name()), point) && free;
  }
  return free;
}

void CProject::UnindexPoint(CBasePoint* point) {
  if (m_destroying || !point || !point->IsIndexed()) return;
  point->SetIndexed(false);
  RemoveIndexed(m_byNumber, m_moreByNumber, point->UniqueNumber(), point);
  if (!point->Name().isEmpty()) {
    RemoveIndexed(m_byName, m_moreByName, NameKey(point->Name()), point);
  }
}

void CProject::ForeseePoints(qsizetype onPage, qsizetype mostInFile) {
  if (!m_loading || m_pagesToRead <= 0 || onPage <= 0) return;
  const qsizetype expected =
      m_byNumber.size() + std::min(onPage * static_cast<qsizetype>(m_pagesToRead), mostInFile);
  // QHash::reserve rebuilds the table even when it is large enough already.
  if (expected > static_cast<qsizetype>(m_byNumber.capacity())) m_byNumber.reserve(expected);
  if (expected > static_cast<qsizetype>(m_byName.capacity())) m_byName.reserve(expected);
}

void CProject::ForgetPoint(CBasePoint* point) {
  if (m_destroying || !point) return;
  UnindexPoint(point);
  ForEachPoint([point](CBasePoint* other) { other->RemoveDependent(point); });
}

// ---- notification of dependants

bool CProject::EnterNotification() {
  if (m_depth > kMaxNotificationDepth) return false;
  ++m_depth;
  return true;
}

void CProject::LeaveNotification() {
  if (m_depth > 0) --m_depth;
  if (m_depth == 0) RunPendingRelayout();
}

void CProject::RunPendingRelayout() {
  CPage* page = std::exchange(m_relayoutPage, nullptr);
  if (page && IndexOfPage(page) >= 0) page->Relayout();
}

// ---- the session

void CProject::FillDefaults() {
  QList<CBasePoint*> withReferences;
  ForEachPoint([&withReferences](CBasePoint* point) {
    point->ClearDependents();
    const CVariant& value = point->DefaultValue();
    if (value.IsString() && value.StringPayload().contains(QStringLiteral("<%"))) {
      withReferences.append(point);
      return;
    }
    point->AssignValue(value);
  });
  // Their templates see the values of every other point.
  for (CBasePoint* point : withReferences) {
    point->AssignValue(
        CVariant::FromString(ExpandTemplate(point->DefaultValue().StringPayload(), nullptr)));
  }
}

void CProject::InitPoints() {
  ForEachPoint([](CBasePoint* point) { point->Init(); });
}

// ---- templates and send validation

QString CProject::ExpandTemplate(const QString& text, CBasePoint* referrer) const {
  return CTemplateExpander::Expand(*this, text, referrer);
}

bool CProject::SendValidation(QString& pointName, QString& value) const {
  const CVariant* enabled = m_properties.Find(QStringLiteral("validate.send.enabled"));
  if (!enabled || enabled->Type() != kVtBool || enabled->IntegerPayload() == 0) return false;
  const CVariant* point = m_properties.Find(QStringLiteral("validate.send.point"));
  const CVariant* expected = m_properties.Find(QStringLiteral("validate.send.value"));
  if (!point || !point->IsString() || point->StringPayload().isEmpty()) return false;
  if (!expected || !expected->IsString() || expected->StringPayload().isEmpty()) return false;
  pointName = point->StringPayload();
  value = expected->StringPayload();
  return true;
}

bool CProject::PassesSendValidation(const QString& storedText) const {
  QString pointName;
  QString value;
  if (!SendValidation(pointName, value)) return true;
  return storedText.compare(value, Qt::CaseInsensitive) == 0;
}

void CProject::SetUnitIdSource(std::function<QString()> source) {
  UnitIdSource() = std::move(source);
}

QString CProject::UnitId() {
  if (const auto& source = UnitIdSource()) return source();
  if (const CTWKFApp* app = CTWKFApp::Instance()) return app->UnitId();
  return QString::fromLatin1(CUnitIdentity::kDefaultId);
}

// ---- identity helpers

uint64_t CProject::UniqueSeed(const void* object) {
  // Two objects made in the same millisecond (or one address reused) still get different seeds.
  static uint64_t counter = 0;
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(object)) +
         CServices::Instance().TickCount() + 0x9E3779B97F4A7C15ull * ++counter;
}

uint32_t CProject::NextRandom(uint64_t& state) {
  // splitmix64: cheap to seed, which matters when every point of a large file draws a number.
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

int32_t CProject::DrawUniqueNumber(uint64_t& state) {
  const uint32_t a = NextRandom(state);
  const uint32_t b = NextRandom(state);
  const uint32_t c = NextRandom(state);
  const uint32_t d = NextRandom(state);
  return static_cast<int32_t>((((a >> 16) & 0x7F) << 24) | ((b & 0xFF) << 16) | ((c & 0xFF) << 8) |
                              (d & 0xFF));
}

int32_t CProject::ComputeCheckWord(int64_t createdTime, int32_t uniqueNumber) {
  return static_cast<int32_t>(static_cast<uint32_t>(createdTime) +
                              static_cast<uint32_t>(uniqueNumber));
}
