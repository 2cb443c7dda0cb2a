// CLogicPoint (type code 10, "Logic"): tests one or two conditions on other points, stores one of
// three state texts and shows or hides its target points. Only the file record and the fields
// exist so far; every operation is still the base point's. Owned by its CPage; UI thread only.
#pragma once

#include <QList>

#include "project/base_point.h"

class CLogicPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 10;

  struct Settings {
    QString firstName;
    int32_t firstComparison = 0;  // 0 "=", 1 "<>", 2 "<", 3 ">", 4 "<=", 5 ">=", 6 contains, 7 not
    QString firstValue;           // a template, resolved at each evaluation
    int32_t join = 0;             // 0 single condition, 1 AND, 2 OR
    QString secondName;
    int32_t secondComparison = 0;
    QString secondValue;
    QList<uint32_t> targets;  // unique numbers of the points whose shown flag this one drives
    QString undeterminedText;
    QString falseText = QStringLiteral("False");
    QString trueText = QStringLiteral("True");
    bool operator==(const Settings& other) const = default;
  };

  CLogicPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The last logic state (0 undetermined, 1 false, 2 true) and whether the targets are open.
  int32_t State() const { return m_state; }
  int32_t Open() const { return m_open; }

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
  int32_t m_state = 0;
  int32_t m_open = 0;
};
