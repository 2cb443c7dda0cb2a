// CFormatterPoint ("TWKF.Formatter"): a text template filled with other points' values
// (CFormatterFill), kept as the point's value and filled again whenever one of those points
// changes. It shows the filled text under its caption. A built-in custom control that talks to
// the client only through its site. Made by the hosting, owned by its references; UI thread.
#pragma once

#include "points/builtin_control.h"

class CFormatterPoint : public CBuiltInControl {
 public:
  static constexpr const char* kClassId = "{BF1519FA-332E-4E3A-B6C1-6412F559D1CA}";

  CFormatterPoint();
  const QString& Format() const { return m_format; }

  // Fills the template and sets the result as the value; with `registration` the point becomes
  // a dependant of every point the template names.
  void Fill(bool registration);

  HRESULT Init() override;
  HRESULT OnDep(IDispatch* pPoint) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;

 private:
  // The filled text as shown, and its height for a width.
  QString ShownText() const;
  int TextHeight(int width) const;

  QString m_format;
};
