// CIncrementorPoint ("TWKF.Incrementor"): hands out the next number of a named sequence kept on
// the device, written into a template ("SI-%unitid%-%value%"). A number is drawn when the point is
// first shown empty and on a tap on its icon; a number typed into the box restarts the sequence
// after it. A built-in custom control: it keeps the value as text through its site and owns its
// value box while the page is shown. Made by the hosting, owned by its references; UI thread.
#pragma once

#include <optional>

#include "points/numeric_box_point.h"

class CSettingsStore;

class CIncrementorPoint : public CNumericBoxPoint {
 public:
  static constexpr const char* kClassId = "{AB10ECCA-675D-4628-B5CE-7E1D780B130E}";
  static constexpr int kBoxId = 104;
  // A tap on the icon this soon after an edit of the box ended is the same gesture, not a
  // request for a number.
  static constexpr uint32_t kTapAfterEditMs = 250;

  struct Settings {
    QString unique = QStringLiteral("Unnamed");
    int32_t initial = 1;
    int32_t increment = 1;
    QString format = QStringLiteral("%value%");
    int32_t size = 5;
    int32_t readOnly = 1;  // the box cannot be typed in
    int32_t manual = 0;    // no number is drawn when the point is first shown empty
    bool operator==(const Settings& other) const = default;
  };

  CIncrementorPoint();
  const Settings& GetSettings() const { return m_settings; }

  // Hands out a number: the sequence's next one, or `typed`; the value becomes the filled
  // template, or "Error" without a sequence name or a "%value%".
  void HandOut(std::optional<int> typed = std::nullopt);

  HRESULT Show() override;
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
  void DestroyBox() override;

 private:
  // Shows the text in the box and stores it as the value (once: not from inside itself).
  void Take(const QString& text);
  // Whether the user can type into the box.
  bool Typeable() const;
  QString CurrentUnitId() const;

  Settings m_settings;
  std::optional<QString> m_textBeforeEdit;  // the box's text when it gained the focus
  std::optional<uint32_t> m_editEnded;      // tick count when the box last lost the focus
  bool m_setting = false;                   // SetValue is running
};
