// COutlookPoint (type code 8, "Outlook", shown as "Contacts"): a drop-down list of the people in
// the address book (vCard files, see COutlookAddressBook); picking one stores the name and copies
// the person's details into the points of the same page named after this one ("Client" fills
// "Client.FirstName", "Client.CompanyName", ...). Category entries in the list narrow it to one
// category, kept in the settings. The list belongs to the page window while the page is shown.
// Owned by its CPage; UI thread only.
#pragma once

#include "points/outlook_address_book.h"
#include "project/base_point.h"
#include "project/page_window.h"

class COutlookPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 8;

  struct Settings {
    int32_t option = 1;  // carried through
    bool operator==(const Settings& other) const = default;
  };

  COutlookPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The list while the point is shown, else 0.
  CPageWindow::Control Combo() const { return m_combo; }

  void Show(CPageWindow* window) override;
  bool Hide(bool verify) override;
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnCommand(uint32_t command, intptr_t argument) override;

  // Copies the contact's fields into the sibling points of the page.
  void FillSiblings(const COutlookContact& contact);

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  // Reads the address book and fills the list, selecting the stored name.
  void FillList();
  void Pick(int index);
  void DestroyCombo();

  Settings m_settings;
  CPageWindow::Control m_combo = 0;
  CPageWindow* m_comboWindow = nullptr;  // the window the list was made in
  QList<COutlookContact> m_contacts;
  QString m_filter;        // the category listed, empty for all
  bool m_filling = false;  // the list's own changes are no picks
};
