// CHostedControl: a custom point's control as the point sees it (CCustomControl), over the
// control's ICustomPoint (and ICustomPoint2 when offered) with the point's site. Each call holds a
// reference to the control for its length, so a control that releases itself inside a call is
// not destroyed under it. Owned by its CCustomPoint; made by CCustomPointHost; UI thread.
#pragma once

#include "points/custom_point.h"
#include "qlt_custom_point.h"

class CAutomationRoot;
class XCustomPointSite;

class CHostedControl : public CCustomControl {
 public:
  // Takes over the reference to `control`; `site` is the site the control accepted (a
  // reference is taken).
  CHostedControl(CAutomationRoot* root, CCustomPoint* point, ICustomPoint* control,
                 XCustomPointSite* site);
  ~CHostedControl() override;
  CHostedControl(const CHostedControl&) = delete;
  CHostedControl& operator=(const CHostedControl&) = delete;

  ICustomPoint* Object() const { return m_control; }
  // Loads the control's properties from the point's map when it keeps any (after creation).
  void LoadProperties();

  bool Configure() override;
  void Init() override;
  void Show() override;
  bool Verify() override;
  void Hide() override;
  void SetValue(const QString& text) override;
  int32_t SetValueV(const CVariant& value) override;
  int GetHeight(QPainter* painter, int width) override;
  void Paint(QPainter* painter, const QRect& rect) override;
  void OnTap(int x, int y) override;
  void OnCommand(uint32_t command, intptr_t argument) override;
  void OnDep(CBasePoint* changed) override;
  void OnTelegram(CTelegram* telegram) override;
  bool GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                       QString& text) override;
  void SaveProperties() override;

 private:
  // Runs `call` with the control held; false when the control is gone.
  template <typename F>
  HRESULT Held(F call);

  CAutomationRoot* m_root;
  CCustomPoint* m_point;
  ICustomPoint* m_control;
  ICustomPoint2* m_control2 = nullptr;
  XCustomPointSite* m_site;
};
