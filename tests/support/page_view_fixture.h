// The page display fixture of the widget tests: a probe point that measures, paints, refuses and
// records what the page display asks of it, and a project with a top-level page display shown and
// activated on the offscreen platform, with scripted services. Header-only, for the test binaries
// that link the user interface library; the test's thread.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QPainter>
#include <QTest>
#include <memory>

#include "project/base_point.h"
#include "project/page.h"
#include "project/page_window.h"
#include "project/project.h"
#include "support/scoped_services.h"
#include "ui/page_ctrl.h"

namespace qlt::test {

inline const QString kSessionGuid = QStringLiteral("0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5");

// A point of a fixed height that paints a flat colour, optionally owns an edit box placed over
// its lower part, can refuse verification and records taps, commands and widths.
class CProbePoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 90;

  explicit CProbePoint(int height, QColor colour = Qt::lightGray)
      : CBasePoint(kTypeCode, QStringLiteral("Probe")), m_height(height), m_colour(colour) {}

  // Gives the point an edit box with these extra styles when it is shown.
  void WantEdit(unsigned extraStyles = 0) {
    m_wantEdit = true;
    m_styles = extraStyles;
  }
  void SetRefuse(bool refuse) { m_refuse = refuse; }
  void SetHeight(int height) { m_height = height; }

  CPageWindow::Control Box() const { return m_box; }
  int VerifyCount() const { return m_verifies; }
  const QList<QPoint>& Taps() const { return m_taps; }
  const QList<uint32_t>& Commands() const { return m_commands; }
  int LastWidth() const { return m_lastWidth; }

  void Show(CPageWindow* window) override {
    CBasePoint::Show(window);
    if (m_wantEdit && window) {
      m_box = window->CreateControl(this, ControlKind::kEdit,
                                    kCsVisible | kCsBorder | kCsTabStop | m_styles, ControlId());
    }
  }
  bool Hide(bool verify) override {
    if (verify) {
      ++m_verifies;
      if (m_refuse && Window() && m_box) Window()->FocusControl(m_box);
      return !m_refuse;
    }
    if (m_box && Window()) Window()->DestroyControl(m_box);
    m_box = 0;
    return true;
  }
  int GetHeight(QPainter*, int width) override {
    m_lastWidth = width;
    return m_height;
  }
  int Paint(QPainter* painter) override {
    CPageWindow* window = Window();
    if (!painter) {
      if (m_box && window && window->IsControlVisible(m_box)) window->ShowControl(m_box, false);
      return 0;
    }
    painter->fillRect(ItemRect(), m_colour);
    if (m_box && window) {
      const QRect& rect = ItemRect();
      window->PlaceControl(m_box, QRect(rect.left(), rect.bottom() - 24, rect.width(), 22));
      window->ShowControl(m_box, true);
    }
    return ItemRect().height();
  }
  void OnTap(int x, int y) override {
    m_taps.append(QPoint(x, y));
    CBasePoint::OnTap(x, y);
  }
  void OnCommand(uint32_t command, intptr_t) override { m_commands.append(command); }

 private:
  int m_height;
  QColor m_colour;
  bool m_wantEdit = false;
  unsigned m_styles = 0;
  bool m_refuse = false;
  CPageWindow::Control m_box = 0;
  int m_verifies = 0;
  QList<QPoint> m_taps;
  QList<uint32_t> m_commands;
  int m_lastWidth = 0;
};

// A project with pages and a page display of the given size shown as an active window.
class PageViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project = std::make_unique<CProject>();
    m_project->SetSessionGuid(kSessionGuid);
    m_view = std::make_unique<CPageCtrl>();
  }
  void TearDown() override {
    m_view.reset();
    m_project.reset();
  }

  CPage* AddPage(const QString& caption = QStringLiteral("Page")) {
    CPage* page = m_project->AddPage();
    page->SetCaption(caption);
    return page;
  }
  CProbePoint* AddProbe(CPage* page, int height, QColor colour = Qt::lightGray) {
    auto probe = std::make_unique<CProbePoint>(height, colour);
    return static_cast<CProbePoint*>(page->InsertPoint(std::move(probe)));
  }
  // Shows the window at the size and waits until it is exposed and active.
  void ShowView(int width, int height) {
    m_view->resize(width, height);
    m_view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    m_view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
  }
  QWidget* Focused() const { return QApplication::focusWidget(); }

  CScopedServices m_services{CScopedServices::Clock::kWall};
  std::unique_ptr<CProject> m_project;
  std::unique_ptr<CPageCtrl> m_view;
};

}  // namespace qlt::test
