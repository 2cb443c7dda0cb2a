// CNumericEntry: what the numeric entry points (numpad, slider, incrementor) share without a
// site: reading whole numbers, the numpad's decimal key and range check and its keypad's keys,
// the incrementor's value template and its number sequences in the settings, where their value
// boxes and track bar go, and their small icons. Stateless; UI thread.
#pragma once

#include <QRect>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

class CSettingsStore;
class QPainter;

class CNumericEntry {
 public:
  // ---- numbers
  // A whole decimal number at the start of the text (blanks, a sign, digits; the rest ignored),
  // clamped to int. Leading zeros do not make it octal. False when there is no digit.
  static bool ReadLeadingInt(QStringView text, int& out);
  // The whole text (blanks around it allowed) as a whole decimal number that fits an int.
  static std::optional<int> ReadWholeInt(QStringView text);

  // ---- numpad
  struct Range {
    bool on = false;
    QString decimal = QStringLiteral("Auto");  // "Auto": the user's locale separator
    QString minimum;
    QString maximum;
  };
  // The label of the keypad's "." key: the user's separator for "Auto", "." for an empty
  // setting, else the setting.
  static QString DecimalKey(const QString& decimal);
  // Whether the text lies within the range. A text or bound that does not read as a number
  // passes: only what is surely outside is refused.
  static bool InRange(const QString& text, const Range& range);
  // The keypad's text after a key: appended unless `maxLength` is set and already reached.
  static QString PressKey(const QString& text, const QString& key, int maxLength);
  static QString Backspace(const QString& text) { return text.left(text.size() - 1); }

  // ---- incrementor
  static const QString kValueMarker;   // "%value%"
  static const QString kUnitIdMarker;  // "%unitid%"
  // Whether numbers can be handed out at all: a sequence name and a "%value%" in the format.
  static bool CanHandOut(const QString& unique, const QString& format);
  // The format with every "%value%" replaced by the number, then every "%unitid%" by the unit.
  static QString FillFormat(const QString& format, int64_t number, const QString& unitId);
  // The number a user typed into the box: the text without the format's parts before and after
  // its one "%value%" (with "%unitid%" filled in, as the box shows them); nullopt when the format
  // does not hold "%value%" exactly once, the text does not fit around it, or the middle is not
  // a whole number.
  static std::optional<int> TypedNumber(const QString& format, const QString& unitId,
                                        const QString& text);

  // The sequences of numbers the incrementors of this device hand out, in the client's settings
  // (section "Incrementor", entry "<name>.Next": the next number).
  static constexpr const char* kSequenceSection = "Incrementor";
  // The next number of the sequence, `initial` for a sequence not started yet.
  static int NextNumber(const CSettingsStore& settings, const QString& unique, int initial);
  // Records that `number` was handed out: the next is `number + increment`, kept within int
  // (a sequence at its end stays there instead of wrapping to negative numbers).
  static bool HandedOut(CSettingsStore& settings, const QString& unique, int number, int increment);

  // ---- geometry (pixel sizes for normal scale, times `scale`)
  // Value box widths beyond this many units are taken as this; negative widths as 0.
  static int32_t Units(int32_t size);
  // The numpad's box: (Size + 2) x 15 wide at the right, centred on the caption; with Size 0 the
  // full width under the caption (the bottom of the item).
  static QRect NumpadBox(int32_t size, const QRect& item, int scale);
  // The numpad's height from the base height for a width: `captionHeight` is that height for
  // the width the caption gets (NumpadCaptionWidth).
  static int NumpadCaptionWidth(int32_t size, int width, int scale);
  static int NumpadHeight(int32_t size, int captionHeight, int scale);
  // The incrementor's box, Size x 15 + 28 wide (its icon column included), or under the caption.
  static QRect IncrementorBox(int32_t size, const QRect& item, int scale);
  static int IncrementorCaptionWidth(int32_t size, int width, int scale);
  static int IncrementorHeight(int32_t size, int captionHeight, int scale);
  // The slider's bar height, its area in the item and the caption's width.
  static int SliderBarHeight(int ticks, int scale);
  static int SliderHeight(bool inline_, int ticks, int captionHeight, int scale);
  static int SliderCaptionWidth(bool inline_, int width, int scale);
  static QRect SliderBar(bool inline_, int ticks, const QRect& item, int scale);

  // ---- icons
  static void DrawKeypadIcon(QPainter& painter, const QRect& rect);
  static void DrawIncrementorIcon(QPainter& painter, const QRect& rect);
};
