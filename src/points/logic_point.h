// CLogicPoint (type code 10, "Logic"): tests one or two conditions on other points, stores one of
// three state texts (undetermined, false, true) as its value and shows or hides its target points:
// the mechanism of conditional form sections. It takes no space on the page. It evaluates when
// shown and whenever a point it tests changes; a change of its decision reaches nested logic and
// link targets at once (the cascade) and lays the page out again. Owned by its CPage; UI thread
// only.
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

  // Becomes a dependant of the two tested points.
  void Init() override;
  // Evaluates, stores the state text and opens or closes the targets (without the cascade).
  void Show(CPageWindow* window) override;
  // Evaluates again; when the decision changed, drives the targets with the cascade.
  void OnDep(CBasePoint* changed) override;
  // The text is resolved as a template before it is stored.
  void SetValue(const QString& text) override;
  // A logic point takes no space and draws nothing.
  int GetHeight(QPainter* painter, int width) override;
  bool TakesRoom() const override { return false; }
  int Paint(QPainter* painter) override;
  // Its name (or "(?)") and its condition text.
  QString GetLabel(bool preferCaption) override;

  // The logic state of the conditions now; the tested points gain this point as a dependant.
  int32_t EvaluateCondition();
  // Sets the shown flag of every existing target to `open`; with `cascade`, a changed logic or
  // link target is told at once. True when any target changed.
  bool ApplyTargets(bool open, bool cascade);

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  // The result of one condition; false when the tested point does not exist.
  bool EvaluateOne(const QString& name, int32_t comparison, const QString& value, int32_t& result);
  // Stores the text of the current state, when the point has a name.
  void StoreStateText();

  Settings m_settings;
  int32_t m_state = 0;
  int32_t m_open = 0;
};
