// CFormatterFill: the formatter point's text work without any site: filling its Format text, in
// which "<%name%>" or "<%name (w.p)%>" stands for another point's value (padded, or written as a
// number with a width and decimals), and reading and writing its one property, "Format".
// Values that hold markers are expanded in turn, so the number of substitutions and the length of
// the text are bounded. Stateless; UI thread (the site it asks lives there).
#pragma once

#include <QString>
#include <functional>

class CVariantMap;

class CFormatterFill {
 public:
  // Bounds of one fill. A value that names its own point (directly or through others) would
  // otherwise be expanded without end; at either bound the fill stops and the markers not yet
  // replaced stay in the text as they are.
  static constexpr int kMaxSubstitutions = 1000;
  static constexpr qsizetype kMaxLength = 100000;
  // Widths and decimals beyond this are taken as this: a field cannot make one number text huge.
  static constexpr int kMaxFieldWidth = 1000;

  // One field between "<%" and "%>": the point name and the width and decimals it asks for.
  struct Field {
    QString name;
    int width = -1;  // -1 when not given
    int precision = -1;
    bool numeric = false;  // the sizing in parentheses has a "." and a width or a precision
    bool operator==(const Field& other) const = default;
  };

  // The value text of the named point; false when there is no such point.
  using ValueLookup = std::function<bool(const QString& name, QString& text)>;
  // Told the name of every point found while filling with registration.
  using PrecedentSink = std::function<void(const QString& name)>;

  // The filled text. With `addPrecedent` (registration), it is called for every field whose
  // point was found, in the order the fields are filled.
  static QString Fill(const QString& format, const ValueLookup& lookup,
                      const PrecedentSink& addPrecedent = nullptr);

  // The text between the markers, read into a field.
  static Field ParseField(const QString& text);
  // What replaces the field: the formatted value when the point was found, else its name or
  // "(name: not found)" when a width was given.
  static QString FieldText(const Field& field, bool found, const QString& value);

  // The property "Format" of the point's property map; false (and `format` unchanged) when it
  // holds a value that is no text. A missing property is an empty format.
  static bool ReadFormat(const CVariantMap& properties, QString& format);
  static void WriteFormat(CVariantMap& properties, const QString& format);
};
