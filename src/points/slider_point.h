// CSliderPoint ("TWKF.Slider"): a whole number chosen on a track bar, beside or under the
// caption. A built-in custom control: it keeps the value as text through its site and owns its
// track bar (a control of the page window) while the page is shown. Made by the hosting, owned
// by its references; UI thread.
#pragma once

#include "points/builtin_control.h"
#include "project/page_window.h"

class CSliderPoint : public CBuiltInControl {
 public:
  static constexpr const char* kClassId = "{410FD546-0087-4B67-92B7-2A05A325B794}";
  static constexpr int kBarId = 100;

  struct Settings {
    int32_t rangeMin = 0;
    int32_t rangeMax = 10;
    int32_t ticks = 1;  // 0 none, 1 below, 2 above, 3 both; anything else as 1
    int32_t inline_ = 0;
    bool operator==(const Settings& other) const = default;
  };

  CSliderPoint();
  const Settings& GetSettings() const { return m_settings; }
  // The tick style as the track bar takes it (kCsTicksBelow / kCsTicksAbove).
  static unsigned TickStyles(int32_t ticks);

  HRESULT Show() override;
  HRESULT Hide() override;
  HRESULT SetValue(BSTR strValue) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnCommand(ULONG nCommand, LONGLONG nArgument) override;

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;
  void SiteChanging() override { DestroyBar(); }

 private:
  void DestroyBar();
  // The tick setting as drawn: 0 to 3.
  int Ticks() const;

  Settings m_settings;
  CPageWindow::Control m_bar = 0;
  CPageWindow* m_barWindow = nullptr;
  bool m_setting = false;  // SetValue is running
};
