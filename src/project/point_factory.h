// CPointFactory: the point-type registry. It lists every point type the client knows (the
// built-in types, the built-in custom controls and outside custom-point classes) with its name,
// description, icons and flags, in registration order, keeps the image list of their small icons,
// and creates the point object for a type code. The types themselves register their descriptors
// (CPointType) from points/; this registry knows none of them by name. The application object
// owns the one instance; UI thread only.
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <memory>
#include <vector>

class CBasePoint;
struct CPointType;

class CPointFactory {
 public:
  struct Entry {
    int32_t typeCode = 0;
    QUuid classId;   // custom controls (type code 12) only
    QString progId;  // built-in custom controls: their program identifier
    QString displayName;
    QString description;
    int iconResource = -1;  // the icon's resource number, -1 for an outside class
    int imageIndex = -1;    // in ImageList(), -1 without an icon
    QImage largeIcon;       // 32 x 32
    QImage smallIcon;       // 16 x 16
    int32_t flags = 15;     // stored only; their meaning is open
    bool builtIn = false;   // the program creates the control itself
  };

  // The type code of custom points, whose entries are their control classes.
  static constexpr int32_t kCustomTypeCode = 12;
  // A custom point of this class has no control; it is turned into a date/time point on loading.
  static const QUuid kLegacyDateTimeClass;
  // Never registered and never created.
  static const QUuid kExcludedClass;
  // The category of custom-point classes and the automation root's class.
  static const QUuid kCustomPointCategory;
  static const QUuid kApplicationClass;

  // The entries of every registered point type and built-in control, in their ranks' order.
  CPointFactory();

  // The registry of the application, built on first use.
  static CPointFactory& Instance();

  const QList<Entry>& Entries() const { return m_entries; }
  // The entry of a type code; for code 12 the one of the class. nullptr when there is none.
  const Entry* Find(int32_t typeCode, const QUuid& classId = QUuid()) const;
  const Entry* FindByProgId(const QString& progId) const;
  // Adds an outside custom-point class (display name from its user-type name without a leading
  // "TWKF.", "Custom Point" when it has none). Classes already present and the two excluded
  // classes are not added; returns the entry or nullptr.
  const Entry* AddExternalClass(const QUuid& classId, const QString& userTypeName,
                                const QImage& largeIcon = QImage(),
                                const QImage& smallIcon = QImage());
  // The icons of the entries (small ones; large ones at doubled scale).
  const QList<QImage>& ImageList() const { return m_images; }

  // The descriptor of the point class of a type code, nullptr for a code without one.
  static const CPointType* PointType(int32_t typeCode);
  // The descriptors of every point class, by type code.
  static std::vector<const CPointType*> PointTypes();

  // A new point object for a type code, nullptr for a code without a point class.
  static std::unique_ptr<CBasePoint> CreatePoint(int32_t typeCode);
  // The point that stands in for `point` after loading, or nullptr when it stays as it is (a
  // custom point of the older date/time control becomes a date/time point).
  static std::unique_ptr<CBasePoint> ConvertLegacyPoint(const CBasePoint& point);

 private:
  void Register(Entry entry);

  QList<Entry> m_entries;
  QList<QImage> m_images;
};
