// CStopwatchPoint: the built-in control of the stopwatch point ("TWKF.Stopwatch"): shows the
// total under the caption, opens the stopwatch dialog on a tap in its band and stores the total
// as the point's value. The value is read back when it was changed from outside the control; a
// stored text that is not a time counts as 0 and is only replaced once the user stops or resets
// the watch. Properties "Display" and "Output" choose the formats (CStopwatch). Made by the
// hosting, reference-counted; UI thread only.
#pragma once

#include "points/builtin_control.h"
#include "points/stopwatch.h"

class CStopwatchPoint : public CBuiltInControl {
 public:
  static constexpr int kBand = 52;   // height of the time band below the caption
  static constexpr int kLabel = 18;  // the "(Tap to Operate)" line at the bottom of the band

  CStopwatchPoint();

  HRESULT SetValue(BSTR strValue) override;
  HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;

 private:
  // Takes the stored value into the watch unless it is the text the watch last wrote or read,
  // so the hundredths a coarser output format leaves out are kept between pages.
  void Follow(const QString& stored);
  void RunDialog();

  CStopwatch m_watch;
  int m_display = CStopwatch::kDefaultFormat;
  int m_output = CStopwatch::kDefaultFormat;
  QString m_seen;  // the stored text the watch stands for
  bool m_followed = false;
};
