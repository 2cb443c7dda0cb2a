// CDateTimeBox: the page's date-time picker: a date-time field with a calendar drop-down (or
// up/down arrows), optionally preceded by a check box whose clearing means "no value". Converts
// the picker pictures points use ('literal' text, d, dd, MMM, HH, tt, ...) to the field's display
// format. Owned by its parent widget (the page display); UI thread only.
#pragma once

#include <QDateTime>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QDateTimeEdit;

class CDateTimeBox : public QWidget {
 public:
  CDateTimeBox(QWidget* parent, bool showNone, bool upDown);

  std::optional<QDateTime> Value() const;
  void SetValue(const std::optional<QDateTime>& value);
  void SetPicture(const QString& picture);
  QDateTimeEdit* Edit() const { return m_edit; }

  // Called when the user changes the value (not when SetValue does).
  std::function<void()> onChanged;

  // The display format for a picture in the picker's language.
  static QString DisplayFormat(const QString& picture);

 private:
  void Changed();

  QCheckBox* m_none = nullptr;
  QDateTimeEdit* m_edit;
  bool m_setting = false;
};
