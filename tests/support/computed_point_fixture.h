// Test support for the computed points: a project with one page shown in a page window without
// widgets, scripted messages, and helpers that add named points. Test code only.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <utility>

#include "points/edit_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/project_builder.h"
#include "support/qt_print.h"
#include "support/scoped_services.h"

class ComputedPointFixture : public ::testing::Test {
 protected:
  template <typename T>
  T* Add(const QString& name, CPage* page = nullptr) {
    return qlt::test::AddPoint<T>(page ? page : m_page, name);
  }
  // A point made here (a subclass that counts, for example), added to the page.
  template <typename T>
  T* Insert(std::unique_ptr<T> point, const QString& name) {
    T* raw = point.get();
    m_page->InsertPoint(std::move(point));
    raw->SetName(name);
    return raw;
  }
  CEditPoint* Input(const QString& name, const QString& text = QString()) {
    CEditPoint* point = Add<CEditPoint>(name);
    point->AssignValue(CVariant::FromString(text));
    return point;
  }
  CMathPoint* Math(const QString& name, const QString& formula, int32_t decimals = -1,
                   int32_t rounding = 1) {
    CMathPoint* point = Add<CMathPoint>(name);
    CMathPoint::Settings& s = point->MutableSettings();
    s.expression = formula;
    s.decimals = decimals;
    s.rounding = rounding;
    return point;
  }
  // Init on every point, then the page shown, as attaching a session and opening the page do.
  void Start() {
    m_project.InitPoints();
    m_page->Activate(&m_window);
  }
  // A value typed by the user.
  static void Type(CBasePoint* point, const QString& text) { point->SetValue(text); }

  qlt::test::CScopedServices m_services;
  CProject m_project;
  CPage* m_page = m_project.AddPage();
  CPlainPageWindow m_window;
};
