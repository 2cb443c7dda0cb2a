// CBasePoint: what every point of a page shares: its file record (identity, name, caption, help,
// flags, default value, properties), its current value, its dependants, and the overridable
// operations in their fixed slot order, with the base behaviour of each. The point types of
// src/points derive from it. A point is owned by its CPage; it refers back to its page and,
// through it, to the project. UI thread only.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <cstdint>

#include "values/variant.h"
#include "values/variant_map.h"

class CArchive;
class CPage;
class CPageWindow;
class CProject;
class CTelegram;
class QFont;
class QPainter;

// Results of SetValueV (the automation result numbers).
constexpr int32_t kPointOk = 0;
constexpr int32_t kPointTypeMismatch = static_cast<int32_t>(0x80020005);

class CBasePoint {
 public:
  CBasePoint(int32_t typeCode, const QString& typeName);
  virtual ~CBasePoint();
  CBasePoint(const CBasePoint&) = delete;
  CBasePoint& operator=(const CBasePoint&) = delete;

  // ---- overridable operations, in slot order
  // 1. Run-time visibility from the design-time flag; called for every point when a session is
  // loaded or started.
  virtual void Init();
  // 2. The page is being shown in `window`: the display caption is the caption's template
  // expanded.
  virtual void Show(CPageWindow* window);
  // 3. The page is being left; with `verify` the point may refuse (the required check).
  virtual bool Hide(bool verify);
  // 4. A value from outside: converted to text and set through SetValue.
  virtual int32_t SetValueV(const CVariant& value);
  // 5. Stores the text and repaints the point when it changed.
  virtual void SetValue(const QString& text);
  // 6. Height for a width: the display caption wrapped in the page font, plus the page gap.
  virtual int GetHeight(QPainter* painter, int width);
  // 7. Draws the display caption in the item rectangle; returns the height.
  virtual int Paint(QPainter* painter);
  // 8. A tap at page coordinates: shows the help text when there is one.
  virtual void OnTap(int x, int y);
  // 9. A notification of one of the point's controls (see page_window.h).
  virtual void OnCommand(uint32_t command, intptr_t argument);
  // 10. A point this one depends on changed.
  virtual void OnDep(CBasePoint* changed);
  // 11. A telegram arrived for the project.
  virtual void OnTelegram(CTelegram* telegram);
  // 12. The text that stands for `value` in an output document; false when not handled. File
  // values are extracted beside `baseFile`.
  virtual bool GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                               QString& text);
  // 13. The content query: whether every value is numeric and the length of the longest fixed
  // text. false: the point cannot tell.
  virtual bool GetColumnFormat(bool& numeric, int& length);
  // 14. / 15. Replace the value when it differs and notify the dependants; true on a change.
  virtual bool StoreValue(const CVariant& value);
  virtual bool StoreText(const QString& text);
  // 16. The point's label in lists: its name, or (preferCaption) its caption or type name.
  virtual QString GetLabel(bool preferCaption);
  // 17. / 18. The type copies its settings into its properties map just before the map is
  // written, and takes them out just after it was read.
  virtual void SaveSettings();
  virtual void LoadSettings();

  // ---- the base behaviours, bypassing any override (for custom-point sites)
  void DefaultShow(CPageWindow* window) { CBasePoint::Show(window); }
  bool DefaultVerify() { return CBasePoint::Hide(true); }
  bool DefaultHide() { return CBasePoint::Hide(false); }
  void DefaultSetValue(const QString& text) { CBasePoint::SetValue(text); }
  // Stores through the base SetValue too: the point's own SetValue may hand the value back to a
  // custom control, which asked for the default because it is already handling it.
  int32_t DefaultSetValueV(const CVariant& value) {
    QString text;
    if (!value.ToText(text)) return kPointTypeMismatch;
    CBasePoint::SetValue(text);
    return kPointOk;
  }
  int DefaultGetHeight(QPainter* painter, int width) {
    return CBasePoint::GetHeight(painter, width);
  }
  int DefaultPaint(QPainter* painter) { return CBasePoint::Paint(painter); }
  void DefaultOnTap(int x, int y) { CBasePoint::OnTap(x, y); }
  void DefaultOnCommand(uint32_t command, intptr_t argument) {
    CBasePoint::OnCommand(command, argument);
  }
  void DefaultOnDep(CBasePoint* changed) { CBasePoint::OnDep(changed); }
  bool DefaultGetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                              QString& text) {
    return CBasePoint::GetOutputString(value, baseFile, index, text);
  }

  // ---- dependants
  void AddDependent(CBasePoint* point);
  void RemoveDependent(CBasePoint* point);
  void ClearDependents() { m_dependants.clear(); }
  const QList<CBasePoint*>& Dependants() const { return m_dependants; }
  // Tells every dependant that this point changed, bounded in nesting by the project.
  void UpdateDependents();

  // ---- identity within the project
  // Draws a new number while the current one is 0 or taken by another point of the project.
  void MakeUniqueNumber();
  // Adds or raises a trailing number while another point of the project has the same name.
  void MakeNameUnique();

  // ---- the file record: the shared part, then LoadSettings / SaveSettings around the
  // properties map, then the type's own fields. `version` is the file's format version.
  void Read(CArchive& ar, int version);
  void Write(CArchive& ar);

  // ---- fields
  int32_t TypeCode() const { return m_typeCode; }
  const QString& TypeName() const { return m_typeName; }
  int32_t UniqueNumber() const { return m_unique; }
  void SetUniqueNumber(int32_t number);
  const QString& Name() const { return m_name; }
  void SetName(const QString& name);
  const QString& Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  const QString& Help() const { return m_help; }
  void SetHelp(const QString& help);
  int32_t Bold() const { return m_bold; }
  void SetBold(int32_t bold);
  int32_t RequiredMode() const { return m_required; }
  void SetRequiredMode(int32_t mode);
  int32_t Visible() const { return m_visible; }
  void SetVisible(int32_t visible);
  int32_t Results() const { return m_results; }
  void SetResults(int32_t results);
  int32_t CarryForward() const { return m_carryForward; }
  void SetCarryForward(int32_t carryForward);
  const CVariant& DefaultValue() const { return m_default; }
  void SetDefaultValue(const CVariant& value);
  const CVariantMap& Properties() const { return m_properties; }
  CVariantMap& MutableProperties() { return m_properties; }

  // ---- run-time state
  const CVariant& Value() const { return m_value; }
  // Replaces the value without notifying anybody (filling a session into the points).
  void AssignValue(const CVariant& value) { m_value = value; }
  // The value's text form, the point's output text.
  QString OutputText() const;
  bool IsShown() const { return m_shown; }
  void SetShown(bool shown) { m_shown = shown; }
  // Whether the page display shows the point: visible by design and not hidden at run time.
  bool IsDisplayed() const { return m_visible != 0 && m_shown; }
  // Whether the point can take room on its page; a point that never does (a condition) does not
  // make its page worth showing.
  virtual bool TakesRoom() const { return true; }
  const QString& DisplayCaption() const { return m_displayCaption; }
  const QRect& ItemRect() const { return m_rect; }
  void SetItemRect(const QRect& rect) { m_rect = rect; }

  // ---- surroundings
  CPage* Page() const { return m_page; }
  void SetPage(CPage* page) { m_page = page; }
  // Whether the project's name and number indexes hold the point (kept by CProject).
  bool IsIndexed() const { return m_indexed; }
  void SetIndexed(bool indexed) { m_indexed = indexed; }
  CProject* Project() const;
  // The page window while the point's page is shown, else nullptr.
  CPageWindow* Window() const;
  // True while the project's current session may not be changed.
  bool IsReadOnly() const;
  // The identifier of the point's controls: 1000 + its position in the page counted from 1
  // (1000 when it is not in a page).
  int ControlId() const;
  // Repaints the item rectangle when the page is shown.
  void InvalidatePoint() const;

 protected:
  // The type's own fields after the shared record; the base has none.
  virtual void ReadFields(CArchive& ar, int version);
  virtual void WriteFields(CArchive& ar);

  // A value-box width stored in fifths of today's unit by files before version 21 (saturated
  // rather than overflowing for absurd values).
  static int32_t WidthFromFifths(int32_t fifths);

  // The page font for the bold flag and the text colour of the project's graphics.
  QFont CaptionFont() const;
  int PageGap() const;

  // Marks the owning project changed.
  void MarkChanged() const;

  CPage* m_page = nullptr;
  int32_t m_typeCode;
  QString m_typeName;
  int32_t m_unique = 0;
  QString m_name;
  QString m_caption;
  QString m_help;
  int32_t m_bold = 1;
  int32_t m_required = 0;
  int32_t m_visible = 1;
  int32_t m_results = 1;
  int32_t m_carryForward = 0;
  CVariant m_default;
  CVariantMap m_properties;
  CVariant m_value;
  bool m_shown = true;
  QString m_displayCaption;
  QRect m_rect;
  QList<CBasePoint*> m_dependants;
  bool m_indexed = false;
};
