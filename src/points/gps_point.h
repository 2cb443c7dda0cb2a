// CGPSPoint ("TWKF.GPS"): the built-in control of the GPS point. It draws the recorded position in
// a box under the caption with the "(Tap for GPS)" button below it; a tap there opens the GPS
// window over the shared reader and, on OK, writes the fix as the value through the point's
// "Format" template and, with "Expand", into the sub-points named after it (".Lat", ".Zone",
// ...). A tap on a point that holds a position clears it when "Write" is set. Counted as a user
// of the shared reader for its lifetime. Made by the hosting, reference-counted; UI thread.
#pragma once

#include "points/builtin_control.h"
#include "points/gps_point_logic.h"
#include "points/gps_position.h"

class CGPSPoint : public CBuiltInControl {
 public:
  static constexpr char kClassId[] = "{828EDD96-892C-4D7E-B6FE-D2F4F527A870}";

  CGPSPoint();

  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;

  const CGPSPointLogic::Properties& Properties() const { return m_properties; }
  // Writes a fix: the value from the template, then the sub-points that exist.
  void Record(CGPSPosition position);

 protected:
  ~CGPSPoint() override;
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;

 private:
  void OpenWindow();
  void WriteSubPoints(CGPSPosition& position);

  CGPSPointLogic::Properties m_properties = CGPSPointLogic::Defaults();
};
