// CPlainPageDisplay: the page display without widgets: a page is shown in a plain page window,
// and leaving it verifies its points as the widget display does. Owned by whoever runs the flow
// headless; UI thread only.
#pragma once

#include "editing/page_display.h"
#include "project/plain_page_window.h"

class CPlainPageDisplay : public CPageDisplay {
 public:
  CPage* ShownPage() const override { return m_page; }
  bool ChangeToPage(CPage* page, bool verify) override;

  // The point that refused the last verification, nullptr when none refused.
  CBasePoint* RefusingPoint() const { return m_refusing; }
  CPlainPageWindow& Window() { return m_window; }

 private:
  CPlainPageWindow m_window;
  CPage* m_page = nullptr;
  CBasePoint* m_refusing = nullptr;
};
