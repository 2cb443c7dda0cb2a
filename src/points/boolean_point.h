// CBooleanPoint (type code 1, "Boolean"): one to three toggle buttons whose texts are the values.
// The caption stands left of a row of square buttons; a tap on a button sets its text or, when
// the value already is that text, clears it. The rules without a window are in CChoiceLogic.
// Owned by its CPage; UI thread only.
#pragma once

#include "project/base_point.h"

class CBooleanPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 1;

  struct Settings {
    QString trueText = QStringLiteral("True");
    QString falseText = QStringLiteral("False");
    QString naText = QStringLiteral("NA");
    // 0 one button (true), 1 true and false, 2 true, false and NA, 3 one button (false)
    int32_t style = 1;
    bool operator==(const Settings& other) const = default;
  };

  CBooleanPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The texts and buttons of a style integer of older files; other values keep the settings.
  static void ApplyLegacyStyle(int32_t legacyStyle, Settings& settings);

  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  bool GetColumnFormat(bool& numeric, int& length) override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
