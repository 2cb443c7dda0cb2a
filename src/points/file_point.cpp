#include "points/file_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CFilePoint::CFilePoint() : CBasePoint(kTypeCode, QStringLiteral("File")) {}

void CFilePoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CFilePoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  s.filter = ar.ReadString();
  s.attachButton = ar.ReadInt32();
  s.saveButton = ar.ReadInt32();
  if (version >= 24) {
    s.openButton = ar.ReadInt32();
  } else {
    // Older files stored the two buttons as plain on/off flags.
    s.attachButton = s.attachButton != 0 ? 3 : 0;
    s.saveButton = s.saveButton != 0 ? 3 : 0;
  }
  if (version >= 34) {
    s.watchFolder = ar.ReadInt32();
    s.folder = ar.ReadString();
    s.extensions = ar.ReadString();
  }
  if (version >= 36) s.deleteSource = ar.ReadInt32();
}

void CFilePoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteString(s.filter);
  ar.WriteInt32(s.attachButton);
  ar.WriteInt32(s.saveButton);
  ar.WriteInt32(s.openButton);
  ar.WriteInt32(s.watchFolder);
  ar.WriteString(s.folder);
  ar.WriteString(s.extensions);
  ar.WriteInt32(s.deleteSource);
}

// ---- the registered type

namespace {

using S = CFilePoint::Settings;
using Field = CSettingsField<CFilePoint>;

const CPointTypeRegistration kFileType({
    .typeCode = CFilePoint::kTypeCode,
    .typeName = "File",
    .create = &CreatePointOf<CFilePoint>,
    .fields =
        {
            Field("filter", &S::filter),
            Field("attachButton", &S::attachButton),
            Field("saveButton", &S::saveButton),
            Field("openButton", &S::openButton),
            Field("watchFolder", &S::watchFolder),
            Field("folder", &S::folder),
            Field("extensions", &S::extensions),
            Field("deleteSource", &S::deleteSource),
        },
    .rank = 120,
    .displayName = "File",
    .description = "Attach files",
    .icon = 192,
});

}  // namespace
