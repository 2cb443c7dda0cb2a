// Builds projects for tests through the model's own API: points added by type with a name and a
// caption, a sample project holding every point type with settings away from their defaults,
// and the demo project the page display tests look at. Test code only; the test's thread.
#pragma once

#include <QByteArray>
#include <QString>

#include "project/page.h"

class CProject;

namespace qlt::test {

// Adds a point of type T (a point class with its kTypeCode) to the page.
template <typename T>
T* AddPoint(CPage* page, const QString& name, const QString& caption = QString()) {
  auto* point = static_cast<T*>(page->AddPoint(T::kTypeCode));
  point->SetName(name);
  if (!caption.isNull()) point->SetCaption(caption);
  return point;
}

// `size` bytes of a pattern that differs by `seed`.
QByteArray PatternBytes(int size, int seed);

// Fills an empty project with every point type, settings different from their defaults,
// properties maps, default values of several types and both images.
void FillSampleProject(CProject& project);

// Fills an empty project for looking at pages: a data-entry page with edit points of every shape
// and points of several other types, and a page with long help text in the help markup. With
// `ownImages` the project brings its own header and side images.
void BuildDemoProject(CProject& project, bool ownImages);

}  // namespace qlt::test
