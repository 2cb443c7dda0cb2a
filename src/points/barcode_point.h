// CBarcodePoint ("TWKF.Barcode"): the built-in control of the barcode point. It draws the stored
// code in a box under the caption with the "(Tap for Barcode)" button below it; a tap there
// opens the scan window, where a scanner that types like a keyboard (ending with Enter), or the
// user, enters the code that becomes the value. The scanning options of the designer (which
// symbologies, closing on a scan, ...) are kept and saved again as they were. Made by the
// hosting, reference-counted; UI thread.
#pragma once

#include <array>

#include "points/builtin_control.h"

class CBarcodePoint : public CBuiltInControl {
 public:
  static constexpr char kClassId[] = "{CA2C599F-2B4F-4F0B-B4B2-17F359F8A067}";
  // The properties, in the order they are saved, each a whole number defaulting to 1 except
  // "LargeButton".
  static constexpr std::array<const char*, 16> kProperties = {
      "CloseOnScan", "LargeButton", "Write",   "EAN-13",   "EAN-8",  "UPC-A",      "UPC-E", "ITF",
      "Codabar",     "Code-39",     "Code-93", "Code-128", "PDF417", "DataMatrix", "Aztec", "QR"};

  CBarcodePoint();

  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;

  int32_t Property(const char* name) const;

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;

 private:
  bool LargeButton() const { return Property("LargeButton") != 0; }
  void Scan();

  std::array<int32_t, kProperties.size()> m_values;
};
