// CNumericBoxPoint: the base of the built-in controls that keep their value in an edit box of the
// page window with an icon at its right (the numpad and the incrementor). It owns the box while
// the page is shown, measures the point from its caption width and the height below it, paints
// the caption and leaves the box and its icon to the control; without a page window (a preview,
// a print) the value is drawn where the box would be. UI thread.
#pragma once

#include "points/builtin_control.h"
#include "project/page_window.h"

class CNumericBoxPoint : public CBuiltInControl {
 public:
  using CBuiltInControl::CBuiltInControl;

  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;

 protected:
  // The caption's width for a point `width` wide, and the point's height with that caption.
  virtual int CaptionWidth(int width, int scale) const = 0;
  virtual int Height(int captionHeight, int scale) const = 0;
  // Paints the box's frame and icon into the point's rectangle `item` (the caption is drawn).
  virtual void PaintBox(QPainter& painter, const QRect& item, int scale) = 0;

  void SiteChanging() override { DestroyBox(); }
  // Makes the box (control `id`) on the host's page window, in the page font; false without one.
  bool CreateBox(int id, bool readOnly);
  virtual void DestroyBox();
  bool HasBox() const { return m_box != 0 && m_boxWindow != nullptr; }
  void SetBoxText(const QString& text);
  // Places and shows the box in `field`, or without one draws the value there.
  void PlaceBox(QPainter& painter, const QRect& field, int scale);

  CPageWindow::Control m_box = 0;
  CPageWindow* m_boxWindow = nullptr;
};
