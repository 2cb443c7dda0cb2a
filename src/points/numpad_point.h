// CNumpadPoint ("TWKF.Numpad"): a number typed into a value box or on the on-screen keypad, with
// an optional range check when the page is left. A built-in custom control: it keeps the value
// as text through its site and owns its value box (an edit box of the page window) while the
// page is shown. Made by the hosting, owned by its references; UI thread.
#pragma once

#include "points/numeric_box_point.h"
#include "points/numeric_entry.h"

class CNumpadPoint : public CNumericBoxPoint {
 public:
  static constexpr const char* kClassId = "{4087CCCB-F036-408C-86C0-B032163F3795}";
  static constexpr int kBoxId = 100;

  struct Settings {
    int32_t size = 0;  // value box width in units; 0 puts the box under the caption
    QString decimal = QStringLiteral("Auto");
    int32_t range = 0;
    QString rangeMin;
    QString rangeMax;
    int32_t maxLength = 0;
    bool operator==(const Settings& other) const = default;
  };

  CNumpadPoint();
  const Settings& GetSettings() const { return m_settings; }
  CNumericEntry::Range Range() const;

  HRESULT Show() override;
  HRESULT Verify(VARIANT_BOOL* pbValid) override;
  HRESULT Hide() override;
  HRESULT SetValue(BSTR strValue) override;
  HRESULT OnTap(LONG x, LONG y) override;
  HRESULT OnCommand(ULONG nCommand, LONGLONG nArgument) override;

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;
  int CaptionWidth(int width, int scale) const override;
  int Height(int captionHeight, int scale) const override;
  void PaintBox(QPainter& painter, const QRect& item, int scale) override;

 private:
  // Shows the text in the box and stores it as the value.
  void Take(const QString& text);

  Settings m_settings;
};
