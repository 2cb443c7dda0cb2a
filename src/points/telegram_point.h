// CTelegramPoint (type code 14, "Telegram"): a button band under the caption that sends the values
// of chosen points to the server as a telegram, or applies the matching telegrams the unit
// receives to the current session's points. Owned by its CPage; UI thread only.
#pragma once

#include <QColor>
#include <QStringList>

#include "project/base_point.h"

class CTelegramPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 14;

  struct Settings {
    QString telegramName = QStringLiteral("Telegram1");
    int32_t showAlerts = 1;
    int32_t send = 1;
    int32_t receive = 0;
    QString matchKey;    // empty, a point name, or "(GUID)"
    QStringList fields;  // points whose values a sent telegram carries; "(GUID)" adds the session's
    bool operator==(const Settings& other) const = default;
  };

  // The button band under the base point's drawing, at normal scale.
  static constexpr int kBand = 32;
  static constexpr int kCorner = 8;
  // The match key and fields entry that stand for the current session's GUID.
  static constexpr const char16_t* kGuidKey = u"(GUID)";

  // What the band shows for the mode and value: the caption's key (empty: none) and the fill.
  struct Face {
    QString captionKey;
    QColor fill;
  };
  static Face FaceOf(const Settings& settings, bool valueEmpty);

  CTelegramPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // Whether a received telegram is for this point: receive mode, the same name (case matters) and,
  // with a match key, the current session's value of that point or its GUID.
  bool Matches(const CTelegram& telegram) const;
  // Makes and sends a telegram of the fields, with the alerts; false when the unit is not online.
  bool SendTelegram();

  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  void OnTelegram(CTelegram* telegram) override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  // The button band of the item rectangle.
  QRect BandRect() const;

  Settings m_settings;
};
