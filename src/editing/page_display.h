// CPageDisplay: what the editing flow shows pages in. The widget page view of the user interface
// implements it; headless runs (the command-line tool, command links without a window, tests)
// use CPlainPageDisplay. The display does not own the pages it shows. UI thread only.
#pragma once

class CBasePoint;
class CPage;

class CPageDisplay {
 public:
  virtual ~CPageDisplay() = default;

  // The page shown, nullptr for none.
  virtual CPage* ShownPage() const = 0;
  // Leaves the shown page and shows `page` (nullptr: none). With `verify` the shown page's points
  // verify first (asking the user through the message service); when one refuses, the page
  // stays and the answer is false.
  virtual bool ChangeToPage(CPage* page, bool verify) = 0;
};
