// CEditPoint (type code 3, "Edit"): the plain typed-entry field: an edit box on the page, one line
// beside or under the caption or several lines under it, optionally masked as a password,
// numeric with a range check and up/down arrows drawn beside the box, zero-filled to a width, or
// read-only. Its value is the text typed, stored as the user types; the rules without a window
// are in CEditPointLogic. Owned by its CPage; the box belongs to the page window. UI thread only.
#pragma once

#include "project/base_point.h"
#include "project/page_window.h"

class CEditPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 3;

  struct Settings {
    int32_t numeric = 0;
    int32_t password = 0;
    int32_t rangeCheck = 0;
    int32_t minimum = 0;
    int32_t maximum = 100;
    int32_t arrows = 0;
    // > 0: a box of that many lines under the caption; <= 0: a one-line box beside the caption
    // whose width grows with -lines
    int32_t lines = 1;
    int32_t maxLength = 0;  // 0: no limit
    int32_t padWidth = 0;   // > 0: texts are filled with "0" on the left to this length
    bool readOnly = false;  // the property "readonly"
    bool operator==(const Settings& other) const = default;
  };

  CEditPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The point takes no input: the session is read-only or the point's "readonly" flag is set.
  bool IsInputReadOnly() const;
  // The box while the point is shown, else 0.
  CPageWindow::Control Box() const { return m_box; }

  void Show(CPageWindow* window) override;
  bool Hide(bool verify) override;
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  void OnCommand(uint32_t command, intptr_t argument) override;
  bool GetColumnFormat(bool& numeric, int& length) override;
  bool StoreValue(const CVariant& value) override;
  bool StoreText(const QString& text) override;
  void SaveSettings() override;
  void LoadSettings() override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  void DestroyBox();
  void FocusBox();
  // One step of the arrows from what the box holds.
  void Step(int delta);

  Settings m_settings;
  CPageWindow::Control m_box = 0;
  // The window the box was made in; it outlives the box.
  CPageWindow* m_boxWindow = nullptr;
};
