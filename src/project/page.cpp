#include "project/page.h"

#include <QStringList>
#include <algorithm>

#include "project/base_point.h"
#include "project/page_window.h"
#include "project/point_factory.h"
#include "project/project.h"
#include "values/archive.h"

CPage::CPage(CProject* project) : m_project(project) {
  uint64_t state = CProject::UniqueSeed(this);
  do {
    m_unique = CProject::DrawUniqueNumber(state);
  } while (m_unique == 0);
}

CPage::~CPage() = default;

void CPage::Activate(CPageWindow* window) {
  m_activating = true;
  m_window = window;
  for (const auto& point : m_points) point->Show(window);
  m_activating = false;
}

bool CPage::Leave(bool verify, CBasePoint** failing) {
  if (failing) *failing = nullptr;
  if (m_project && m_project->IsReadOnly()) verify = false;
  for (const auto& point : m_points) {
    if (!point->Hide(verify) && verify) {
      if (failing) *failing = point.get();
      return false;
    }
  }
  if (!verify) m_window = nullptr;
  return true;
}

CBasePoint* CPage::AddPoint(int32_t typeCode, int position) {
  std::unique_ptr<CBasePoint> point = CPointFactory::CreatePoint(typeCode);
  if (!point) return nullptr;
  return InsertPoint(std::move(point), position);
}

CBasePoint* CPage::InsertPoint(std::unique_ptr<CBasePoint> point, int position) {
  if (!point) return nullptr;
  if (position < 0 || position > PointCount()) position = PointCount();
  CBasePoint* raw = point.get();
  m_points.insert(m_points.begin() + position, std::move(point));
  raw->SetPage(this);
  if (m_project) {
    m_project->IndexPoint(raw);
    raw->MakeUniqueNumber();
    m_project->SetChanged();
  }
  return raw;
}

void CPage::RemovePoint(CBasePoint* point) {
  if (IndexOf(point) < 0) return;
  if (m_project && !point->Name().isEmpty()) {
    // Only whole entries go: removing "Total" must not cut "SubTotal;" down to "Sub".
    QString& columns = m_project->MutableHeader().sessionListColumns;
    const QStringList entries = columns.split(QLatin1Char(';'));
    QString kept;
    for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
      if (entries[i].compare(point->Name(), Qt::CaseInsensitive) != 0) {
        kept += entries[i] + QLatin1Char(';');
      }
    }
    kept += entries.last();  // whatever follows the last ";" stays as it was
    columns = kept;
  }
  TakePoint(point).reset();
  if (m_project) m_project->SetChanged();
}

std::unique_ptr<CBasePoint> CPage::TakePoint(CBasePoint* point) {
  const int index = IndexOf(point);
  if (index < 0) return nullptr;
  std::unique_ptr<CBasePoint> owned = std::move(m_points[index]);
  m_points.erase(m_points.begin() + index);
  if (m_project) m_project->ForgetPoint(owned.get());
  owned->SetPage(nullptr);
  return owned;
}

CBasePoint* CPage::PointAt(int x, int y) const {
  for (const auto& point : m_points) {
    const QRect& rect = point->ItemRect();
    if (point->IsDisplayed() && rect.height() > 0 && rect.contains(x, y)) {
      return point.get();
    }
  }
  return nullptr;
}

bool CPage::IsVisible() const {
  if (m_points.empty()) return true;
  for (const auto& point : m_points) {
    if (point->IsDisplayed() && point->TakesRoom()) return true;
  }
  return false;
}

void CPage::Relayout() {
  if (m_activating || !m_window) return;
  if (m_project && m_project->IsNotifying()) {
    m_project->RequestRelayout(this);
    return;
  }
  m_window->Relayout();
}

CBasePoint* CPage::Point(int index) const {
  if (index < 0 || index >= PointCount()) return nullptr;
  return m_points[index].get();
}

int CPage::IndexOf(const CBasePoint* point) const {
  for (size_t i = 0; i < m_points.size(); ++i) {
    if (m_points[i].get() == point) return static_cast<int>(i);
  }
  return -1;
}

void CPage::Read(CArchive& ar, int version) {
  if (version > 2) m_unique = ar.ReadInt32();
  m_caption = ar.ReadString();
  m_text = ar.ReadString();
  m_help = ar.ReadString();
  if (version > 25) m_option = ar.ReadInt32();
  if (version > 99) m_properties.Deserialize(ar, false);
  ReadPoints(ar, version);
}

void CPage::ReadPoints(CArchive& ar, int version) {
  const int32_t count = ar.ReadCount();
  // Every point record takes bytes, so a count larger than the input ends in a read error long
  // before it could make the loop allocate much; the room reserved is bounded the same way (a
  // record is its type code and at least three strings and a flag).
  constexpr qsizetype kSmallestRecord = 4 + 3 + 4;
  const qsizetype mostInFile = ar.Remaining() / kSmallestRecord;
  m_points.reserve(m_points.size() + static_cast<size_t>(std::min<qsizetype>(count, mostInFile)));
  if (m_project) m_project->ForeseePoints(count, mostInFile);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t typeCode = ar.ReadInt32();
    std::unique_ptr<CBasePoint> created = CPointFactory::CreatePoint(typeCode);
    if (!created) throw CArchiveError("unknown point type");
    // The point joins the page before it reads its record, but the project's indexes only once
    // its number and name are known.
    CBasePoint* point = created.get();
    point->SetPage(this);
    m_points.push_back(std::move(created));
    point->Read(ar, version);
    // A number and name no other point holds are kept as they are without asking the indexes
    // again (the usual case: a file whose points are all distinct).
    const bool free = m_project && m_project->IndexPoint(point);
    if (!free || point->UniqueNumber() == 0) {
      point->MakeUniqueNumber();
      point->MakeNameUnique();
    }
    if (std::unique_ptr<CBasePoint> replacement = CPointFactory::ConvertLegacyPoint(*point)) {
      // The replacement takes over the number and name, so the old point goes first.
      TakePoint(point).reset();
      InsertPoint(std::move(replacement));
    }
  }
}

void CPage::Write(CArchive& ar) {
  ar.WriteInt32(m_unique);
  ar.WriteString(m_caption);
  ar.WriteString(m_text);
  ar.WriteString(m_help);
  ar.WriteInt32(m_option);
  m_properties.Serialize(ar, false);
  ar.WriteCount(static_cast<int32_t>(m_points.size()));
  for (const auto& point : m_points) {
    ar.WriteInt32(point->TypeCode());
    point->Write(ar);
  }
}

void CPage::SetUniqueNumber(int32_t number) {
  if (number == m_unique) return;
  m_unique = number;
  if (m_project) m_project->SetChanged();
}

void CPage::SetCaption(const QString& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  if (m_project) m_project->SetChanged();
}

void CPage::SetText(const QString& text) {
  if (text == m_text) return;
  m_text = text;
  if (m_project) m_project->SetChanged();
}

void CPage::SetHelp(const QString& help) {
  if (help == m_help) return;
  m_help = help;
  if (m_project) m_project->SetChanged();
}

void CPage::SetOption(int32_t option) {
  if (option == m_option) return;
  m_option = option;
  if (m_project) m_project->SetChanged();
}
