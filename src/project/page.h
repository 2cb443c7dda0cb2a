// CPage: one page of a project: its file record (identity, caption, text, help, option,
// properties) and its ordered, owned points, with showing and leaving the page, adding, removing
// and finding points and the deferred relayout. Owned by its CProject; UI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "values/variant_map.h"

class CArchive;
class CBasePoint;
class CPageWindow;
class CProject;

class CPage {
 public:
  explicit CPage(CProject* project);
  ~CPage();
  CPage(const CPage&) = delete;
  CPage& operator=(const CPage&) = delete;

  // Shows every point in `window`, in order.
  void Activate(CPageWindow* window);
  // Leaves the page: every point hides; with `verify` the first point that refuses stops it and
  // is returned in `failing`. A read-only session never verifies. Without verification the page
  // forgets its window.
  bool Leave(bool verify, CBasePoint** failing = nullptr);
  // Creates a point of the type at `position` (the end when negative or beyond it); nullptr for
  // a type code without a point class.
  CBasePoint* AddPoint(int32_t typeCode, int position = -1);
  // Takes ownership of a point made elsewhere (a point converted while loading).
  CBasePoint* InsertPoint(std::unique_ptr<CBasePoint> point, int position = -1);
  // Removes and destroys the point; its name leaves the project's session-list columns.
  void RemovePoint(CBasePoint* point);
  // Detaches the point from the page and the project and hands it over.
  std::unique_ptr<CBasePoint> TakePoint(CBasePoint* point);
  // The first visible, shown point with a positive height whose rectangle holds the position.
  CBasePoint* PointAt(int x, int y) const;
  // Whether Previous and Next stop at the page: it has no points, or one that is displayed and
  // can take room (a page of hidden points or of conditions only is passed over).
  bool IsVisible() const;
  // Lays the page out again, or only marks that it must be while dependants are being told.
  void Relayout();

  int PointCount() const { return static_cast<int>(m_points.size()); }
  CBasePoint* Point(int index) const;
  int IndexOf(const CBasePoint* point) const;
  const std::vector<std::unique_ptr<CBasePoint>>& Points() const { return m_points; }

  // The page record; `version` is the file's format version.
  void Read(CArchive& ar, int version);
  void Write(CArchive& ar);

  // ---- fields
  int32_t UniqueNumber() const { return m_unique; }
  void SetUniqueNumber(int32_t number);
  const QString& Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  const QString& Text() const { return m_text; }
  void SetText(const QString& text);
  const QString& Help() const { return m_help; }
  void SetHelp(const QString& help);
  int32_t Option() const { return m_option; }
  void SetOption(int32_t option);
  const CVariantMap& Properties() const { return m_properties; }
  CVariantMap& MutableProperties() { return m_properties; }

  CProject* Project() const { return m_project; }
  CPageWindow* Window() const { return m_window; }
  bool IsActivating() const { return m_activating; }

 private:
  void ReadPoints(CArchive& ar, int version);

  CProject* m_project;
  int32_t m_unique = 0;
  QString m_caption = QStringLiteral("New Page");
  QString m_text;
  QString m_help;
  int32_t m_option = 1;
  CVariantMap m_properties;
  std::vector<std::unique_ptr<CBasePoint>> m_points;
  CPageWindow* m_window = nullptr;
  bool m_activating = false;
};
