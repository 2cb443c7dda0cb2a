#include "points/link_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CLinkPoint::CLinkPoint() : CBasePoint(kTypeCode, QStringLiteral("Link")) {}

void CLinkPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CLinkPoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  if (version >= 13) {
    s.targetPage = ar.ReadUInt32();
    s.address = ar.ReadString();
  } else {
    // Older files: a flag, then the page; the page counts only when the flag is set.
    const int32_t hasTarget = ar.ReadInt32();
    const uint32_t page = ar.ReadUInt32();
    s.targetPage = hasTarget != 0 ? page : 0;
  }
  if (version >= 45) {
    s.alignment = ar.ReadInt32();
    s.fontFace = ar.ReadString();
    s.fontSize = ar.ReadInt32();
    s.italic = ar.ReadInt32();
    s.underline = ar.ReadInt32();
  }
  if (version >= 26) s.colour = ar.ReadUInt32();
  if (version >= 39) {
    s.image = ar.ReadBytes(ar.ReadCount());
    if (!s.image.isEmpty()) {
      s.imageScale = ar.ReadInt32();
      s.imageFlag = ar.ReadInt32();
    }
  }
}

void CLinkPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteUInt32(s.targetPage);
  ar.WriteString(s.address);
  ar.WriteInt32(s.alignment);
  ar.WriteString(s.fontFace);
  ar.WriteInt32(s.fontSize);
  ar.WriteInt32(s.italic);
  ar.WriteInt32(s.underline);
  ar.WriteUInt32(s.colour);
  ar.WriteCount(static_cast<int32_t>(s.image.size()));
  ar.WriteBytes(s.image);
  if (!s.image.isEmpty()) {
    ar.WriteInt32(s.imageScale);
    ar.WriteInt32(s.imageFlag);
  }
}

// ---- the registered type

namespace {

using S = CLinkPoint::Settings;
using Field = CSettingsField<CLinkPoint>;

const CPointTypeRegistration kLinkType({
    .typeCode = CLinkPoint::kTypeCode,
    .typeName = "Link",
    .create = &CreatePointOf<CLinkPoint>,
    .fields =
        {
            Field("targetPage", &S::targetPage),
            Field("address", &S::address),
            Field("alignment", &S::alignment),
            Field("fontFace", &S::fontFace),
            Field("fontSize", &S::fontSize),
            Field("italic", &S::italic),
            Field("underline", &S::underline),
            Field::Colour("colour", &S::colour),
            Field("image", &S::image),
            Field("imageScale", &S::imageScale).StoredOnlyWith("image"),
            Field("imageFlag", &S::imageFlag).StoredOnlyWith("image"),
        },
    .rank = 70,
    .displayName = "Link",
    .description = "Open URL or page",
    .icon = 163,
});

}  // namespace
