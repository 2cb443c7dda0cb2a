// CUltraDropPoint ("TWKF.UltraDrop"): the built-in control of the ultradrop, a combo box over a
// table with named columns (ultradrop_table.h) whose items show and store texts made from
// templates, kept by a filter on another point's value, taken from the project, from another
// ultradrop ("Share.Point") or from a data file (ultradrop_data_file.h). Typing into the box
// narrows the list to the items whose shown text holds the typed text; choosing writes the
// chosen items' cells into the columns' points. The combo is made in the page window in the
// host point's name and lives between Show and Hide. Made by the hosting, owned by its
// references; UI thread only.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "points/builtin_control.h"
#include "points/ultradrop_table.h"
#include "project/page_window.h"

class CCustomPoint;

class CUltraDropPoint : public CBuiltInControl {
 public:
  static constexpr GUID kClassId = {
      0x6741DDA0, 0x05C6, 0x41BE, {0x84, 0x51, 0x67, 0xA7, 0xB4, 0x47, 0xDF, 0xF6}};
  // The combo lists at most this many items; typing narrows a longer list.
  static constexpr int kMaxListed = 2000;
  // The place of the blank first item ("InsertBlankItem") among the listed items' indexes.
  static constexpr int kBlankItem = -1;

  struct Settings {
    QString sharePoint;
    QString formatDisplay = QStringLiteral("<% Display %>");
    QString formatOutput = QStringLiteral("<% Value %>");
    QString filterPoint;
    QString filterColumn;
    int32_t filterAll = 0;
    int32_t filterCondition = 0;
    int32_t expandLock = 1;
    int32_t size = 0;  // value box width in units; 0: the box under the caption
    int32_t multiSelect = 0;
    QString separator = QStringLiteral(";");
    QString localPath;
    QString desktopPath;
    int32_t desktopSave = 0;
    int32_t desktopMonitor = 0;
    int32_t newlines = 0;
    int32_t delimiter = 0;
    int32_t displayMode = 0;
    int32_t sortItems = 0;
    int32_t insertBlankItem = 0;
    QString desktopFileTime;
  };

  CUltraDropPoint();

  HRESULT SetSite(ICustomPointSite* pSite) override;
  HRESULT Init() override;
  HRESULT Show() override;
  HRESULT Hide() override;
  HRESULT SetValue(BSTR strValue) override;
  HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnCommand(ULONG nCommand, LONGLONG nArgument) override;
  HRESULT OnDep(IDispatch* pPoint) override;

  const Settings& GetSettings() const { return m_settings; }
  // The table in use (this point's own or the shared one); loaded on first use.
  const CUltraTable& Table();
  // The items the combo lists now (indexes into Table()), in combo order.
  const QList<int>& Listed() const { return m_listed; }
  // The cached copy of a designer-side data file: "<program folder>/Resources/<project
  // number>d-<desktop path with \ / : as _>.res".
  static QString ResourcePath(const QString& programFolder, uint32_t projectNumber,
                              const QString& desktopPath);

 protected:
  ~CUltraDropPoint() override;
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;
  void SiteChanging() override;

 private:
  void LoadTable();
  std::shared_ptr<const CUltraTable> TableInUse();
  std::shared_ptr<const CUltraTable> SharedTable();
  // Shown texts and stored values of the table in use, made again when the table changes.
  void Derive(const std::shared_ptr<const CUltraTable>& table);
  CUltraFilter Filter() const;
  void Fill();
  void MarkValue();
  void Choose(const QList<int>& chosen, const QString& value);
  void ChooseText(const QString& text);
  void DestroyCombo();
  void CheckSelectionMode();

  Settings m_settings;
  CUltraTable m_stored;                         // the table of the property bag
  std::shared_ptr<const CUltraTable> m_own;     // the table this point loaded
  std::shared_ptr<const CUltraTable> m_shared;  // another point's, while sharing
  // Held, so a table made later can never take the address of the one these were made for.
  std::shared_ptr<const CUltraTable> m_derivedFor;
  QStringList m_shown;
  QStringList m_outputs;
  QList<int> m_ranks;  // with "SortItems", each item's place in the sorted list
  bool m_loaded = false;
  bool m_loading = false;
  QString m_sharedText;  // the shared point's value text the table was read from
  QString m_search;
  QList<int> m_kept;  // the items the filter keeps, for m_keptValue over m_keptFor
  std::shared_ptr<const CUltraTable> m_keptFor;
  QString m_keptValue;
  bool m_keptValid = false;
  QList<int> m_listed;
  CPageWindow::Control m_combo = 0;
  CPageWindow* m_comboWindow = nullptr;
  CCustomPoint* m_registeredAs = nullptr;
};
