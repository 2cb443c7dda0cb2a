// CMathPoint (type code 9, "Math"): computes its value from a formula over other points, formats
// the number with its Decimals and rounding settings (or shows "#REF#" for a formula that does
// not parse and "#ERR#" for one that cannot be evaluated) and shows it in a value box beside or
// under its caption. It recalculates when it is shown and whenever a point its formula names
// changes. Owned by its CPage; the value box belongs to the page window. UI thread only.
#pragma once

#include "points/expr/math_expression.h"
#include "project/base_point.h"
#include "project/page_window.h"

class CMathPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 9;

  struct Settings {
    QString expression;
    int32_t locked = 1;     // the value box is read-only
    int32_t width = 5;      // value box width in units; 0: the box stands under the caption
    int32_t decimals = -1;  // -1 free, -2 hexadecimal
    int32_t rounding = 1;   // 0 plain, 1 exact with ties to even, 2 exact with ties up
    bool operator==(const Settings& other) const = default;
  };

  CMathPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // Parses the formula, which makes this point a dependant of every point it names.
  void Init() override;
  // Recalculates, then creates the value box (not yet visible; Paint places and shows it).
  void Show(CPageWindow* window) override;
  // Leaving the page (without verify) destroys the value box.
  bool Hide(bool verify) override;
  // Stores the text; the value box follows a change.
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  // Draws the caption beside or above the box and places the box; without a painter the box is
  // hidden.
  int Paint(QPainter* painter) override;
  // Typing into an unlocked value box stores the typed text.
  void OnCommand(uint32_t command, intptr_t argument) override;
  void OnDep(CBasePoint* changed) override;
  bool GetColumnFormat(bool& numeric, int& length) override;
  void SaveSettings() override;
  void LoadSettings() override;

  // Evaluates the formula and stores the formatted result (or the error text) with SetValue.
  virtual void Recalculate();
  // The text Recalculate stores for an evaluation: formatted with Decimals and rounding.
  static QString ResultText(bool parsed, bool evaluated, double value, const Settings& settings);

  bool IsParsed() const { return m_parsed; }
  // The value box while the page is shown, else 0.
  CPageWindow::Control ValueBox() const { return m_box; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  void DestroyBox();

  Settings m_settings;
  CMathExpression m_expression;
  bool m_parsed = false;
  CPageWindow::Control m_box = 0;
  CPageWindow* m_boxWindow = nullptr;  // the window that made the box (not owned)
};
