// CCrossPoint ("TWKF.Cross"): a built-in custom control whose combo box lists other sessions of
// the project (found by the database's free query, shown through a template) and copies the
// values of chosen points from the session picked into the current one. It reaches the sessions
// only through the automation objects (IProject.Database, IDatabase.Query and Item), like an
// outside control would. Made by the hosting for its custom point; owned by its references; UI
// thread only.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <span>

#include "points/builtin_control.h"

class CPageWindow;

class CCrossPoint : public CBuiltInControl {
 public:
  static constexpr GUID kClassId =
      qlt::automation::GuidLiteral("{AD194798-DB31-4EE4-B9EA-C18801054C8F}");

  struct Settings {
    QString display = QStringLiteral("<%_TIME%> on <%_DATE%>");
    QString states = QStringLiteral("AS");
    QString sortPoint = QStringLiteral("_DATE");
    bool sortNumeric = false;
    bool sortDescending = true;
    QString filterPoint;
    QString filterValue;  // a template
    QString points;       // names separated by ";"
  };

  // One part of the display template: literal text, the saved date, the saved time, or the next
  // queried column.
  struct DisplayPart {
    enum Kind { kText, kDate, kTime, kColumn } kind;
    QString text;
  };
  static QList<DisplayPart> ParseDisplay(const QString& display);
  // The shown text of one query row: `saved` is the decimal FILETIME count of the local save time,
  // `columns` the row's column values in order.
  static QString FormatEntry(const QList<DisplayPart>& parts, const QString& saved,
                             std::span<const QString> columns);

  CCrossPoint();

  HRESULT Show() override;
  HRESULT Hide() override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnCommand(ULONG nCommand, LONGLONG nArgument) override;

  const Settings& GetSettings() const { return m_settings; }

 protected:
  ~CCrossPoint() override;
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;
  void SiteChanging() override { DestroyCombo(); }

 private:
  // The space under the caption that holds the box (normal and doubled scale).
  static int BoxHeight();
  void DestroyCombo();
  // Empties the list and fills it from the query.
  void Fill();
  // Copies the named points' values from the session of the current entry.
  void CopyChosen();

  Settings m_settings;
  CPageWindow* m_window = nullptr;
  int m_combo = 0;
  // The GUID text of each entry of the list, empty for "(Error)" and "(No matches)".
  QStringList m_guids;
};
