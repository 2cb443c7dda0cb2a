// CPointType: what a point type registers about itself from points/: its type code (and, for a
// built-in custom control, its class), its names, icon and flags in the registry, the creator of
// its point object, the conversion of older stored forms, and the settings fields that tools show
// and read (CPointField). CPointTypeRegistration is the static object that registers one
// descriptor; the descriptors live in the point types' own files, are registered before main and
// stay unchanged until the program ends, so any thread may read them after start-up. points/ is
// an object library that every program linking the core takes in whole (CMakeLists.txt), so no
// registration is left out of a link.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <variant>
#include <vector>

class CBasePoint;
struct IUnknown;

// One field of a point type's settings, named as tools show it, with typed access to the point.
class CPointField {
 public:
  enum class Kind {
    Int32,         // int32_t
    UInt32,        // uint32_t
    Colour,        // uint32_t holding a 0x00BBGGRR colour
    Text,          // QString
    TextList,      // QStringList
    Image,         // QByteArray holding a stored bitmap
    Flag,          // bool
    PointNumbers,  // QList<uint32_t>: unique numbers of other points of the project
  };
  // std::monostate is what a point of another class reads as.
  using Value = std::variant<std::monostate, int32_t, uint32_t, QString, QStringList, QByteArray,
                             bool, QList<uint32_t>>;

  const QString& Name() const { return m_name; }
  Kind GetKind() const { return m_kind; }
  // The image field without which this one is not stored; empty when it always is.
  const QString& StoredWith() const { return m_storedWith; }
  CPointField& StoredOnlyWith(const char* imageField);

  Value Get(const CBasePoint& point) const { return m_get(point); }
  // False when the point is of another class or the value of another kind.
  bool Set(CBasePoint& point, const Value& value) const { return m_set(point, value); }

 protected:
  using Getter = std::function<Value(const CBasePoint&)>;
  using Setter = std::function<bool(CBasePoint&, const Value&)>;
  CPointField(const char* name, Kind kind, Getter get, Setter set);

 private:
  QString m_name;
  Kind m_kind;
  QString m_storedWith;
  Getter m_get;
  Setter m_set;
};

// A field of point class P: a member of P::Settings, read through GetSettings() and written
// through MutableSettings().
template <class P>
class CSettingsField : public CPointField {
 public:
  template <class T>
  CSettingsField(const char* name, T P::Settings::*member)
      : CSettingsField(name, member, KindOf<T>()) {}

  static CSettingsField Colour(const char* name, uint32_t P::Settings::*member) {
    return CSettingsField(name, member, Kind::Colour);
  }

 private:
  template <class T>
  CSettingsField(const char* name, T P::Settings::*member, Kind kind)
      : CPointField(
            name, kind,
            [member](const CBasePoint& point) -> Value {
              const auto* typed = dynamic_cast<const P*>(&point);
              if (!typed) return Value();
              return Value(std::in_place_type<T>, typed->GetSettings().*member);
            },
            [member](CBasePoint& point, const Value& value) {
              auto* typed = dynamic_cast<P*>(&point);
              const T* given = std::get_if<T>(&value);
              if (!typed || !given) return false;
              typed->MutableSettings().*member = *given;
              return true;
            }) {}

  template <class T>
  static constexpr Kind KindOf() {
    if constexpr (std::is_same_v<T, int32_t>) {
      return Kind::Int32;
    } else if constexpr (std::is_same_v<T, uint32_t>) {
      return Kind::UInt32;
    } else if constexpr (std::is_same_v<T, QString>) {
      return Kind::Text;
    } else if constexpr (std::is_same_v<T, QStringList>) {
      return Kind::TextList;
    } else if constexpr (std::is_same_v<T, QByteArray>) {
      return Kind::Image;
    } else if constexpr (std::is_same_v<T, bool>) {
      return Kind::Flag;
    } else {
      static_assert(std::is_same_v<T, QList<uint32_t>>, "a settings field of an unknown kind");
      return Kind::PointNumbers;
    }
  }
};

template <class P>
std::unique_ptr<CBasePoint> CreatePointOf() {
  return std::make_unique<P>();
}

struct CPointType {
  int32_t typeCode = 0;
  // The point class's type name, as the project form and the automation objects show it
  // ("Date/Time"); null for a built-in custom control, whose points are custom points.
  const char* typeName = nullptr;
  // Makes a new point of the class (CreatePointOf<P>); null for a built-in custom control.
  std::unique_ptr<CBasePoint> (*create)() = nullptr;
  // The point of this type that stands in for a point just loaded from a file, or null when that
  // point stays as it is (older files stored some types as custom controls).
  std::unique_ptr<CBasePoint> (*replaceLoaded)(const CBasePoint& loaded) = nullptr;
  // The type's own settings in file order, those kept in the properties map last.
  std::vector<CPointField> fields = {};

  // The registry entry. Entries are listed by rising rank, the order of the point-type lists of
  // the designer and the client; a type without a display name has no entry of its own (the
  // custom point's entries are its control classes).
  int rank = 0;
  const char* displayName = nullptr;
  const char* description = nullptr;
  int icon = -1;  // the icon's resource number
  int32_t flags = 15;
  // A built-in custom control (type code 12): its class identifier ("{6741DDA0-...}") and
  // program identifier.
  const char* classId = nullptr;
  const char* progId = nullptr;
  // A built-in custom control: makes a new object of its class with one reference (it offers
  // ICustomPoint), or nullptr when memory runs out. Null for an outside class.
  IUnknown* (*createControl)() = nullptr;

  // Every descriptor registered so far, in no particular order.
  static const std::vector<const CPointType*>& Registered();
};

// Registers its descriptor for the life of the program. Defined as a static object in the point
// type's own source file.
class CPointTypeRegistration {
 public:
  explicit CPointTypeRegistration(CPointType type);
  CPointTypeRegistration(const CPointTypeRegistration&) = delete;
  CPointTypeRegistration& operator=(const CPointTypeRegistration&) = delete;

 private:
  const CPointType m_type;
};
