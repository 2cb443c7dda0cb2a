#include "editing/plain_page_display.h"

#include "project/page.h"

bool CPlainPageDisplay::ChangeToPage(CPage* page, bool verify) {
  m_refusing = nullptr;
  if (page && page == m_page) return true;
  if (m_page) {
    if (verify && !m_page->Leave(true, &m_refusing)) return false;
    m_page->Leave(false);
    m_page = nullptr;
  }
  m_page = page;
  if (page) page->Activate(&m_window);
  return true;
}
