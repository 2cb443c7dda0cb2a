#include "project/point_type.h"

namespace {

// Built on first use, so registrations from any file's static objects find it ready.
std::vector<const CPointType*>& RegisteredTypes() {
  static std::vector<const CPointType*> types;
  return types;
}

}  // namespace

CPointField::CPointField(const char* name, Kind kind, Getter get, Setter set)
    : m_name(QString::fromLatin1(name)),
      m_kind(kind),
      m_get(std::move(get)),
      m_set(std::move(set)) {}

CPointField& CPointField::StoredOnlyWith(const char* imageField) {
  m_storedWith = QString::fromLatin1(imageField);
  return *this;
}

const std::vector<const CPointType*>& CPointType::Registered() { return RegisteredTypes(); }

CPointTypeRegistration::CPointTypeRegistration(CPointType type) : m_type(std::move(type)) {
  RegisteredTypes().push_back(&m_type);
}
