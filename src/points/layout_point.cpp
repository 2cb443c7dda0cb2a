#include "points/layout_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CLayoutPoint::CLayoutPoint() : CBasePoint(kTypeCode, QStringLiteral("Layout")) {}

void CLayoutPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CLayoutPoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  s.text = ar.ReadString();
  s.alignment = ar.ReadInt32();
  if (version >= 12) {
    s.fontFace = ar.ReadString();
    s.fontSize = ar.ReadInt32();
    s.italic = ar.ReadInt32();
    s.underline = ar.ReadInt32();
  }
  if (version >= 11) s.colour = ar.ReadUInt32();
  if (version < 14) {
    // Two settings of older designers that nothing uses any more.
    ar.ReadInt32();
    ar.ReadInt32();
  }
  s.image = ar.ReadBytes(ar.ReadCount());
  if (!s.image.isEmpty() && version >= 38) s.imageScale = ar.ReadInt32();
}

void CLayoutPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteString(s.text);
  ar.WriteInt32(s.alignment);
  ar.WriteString(s.fontFace);
  ar.WriteInt32(s.fontSize);
  ar.WriteInt32(s.italic);
  ar.WriteInt32(s.underline);
  ar.WriteUInt32(s.colour);
  ar.WriteCount(static_cast<int32_t>(s.image.size()));
  ar.WriteBytes(s.image);
  if (!s.image.isEmpty()) ar.WriteInt32(s.imageScale);
}

// ---- the registered type

namespace {

using S = CLayoutPoint::Settings;
using Field = CSettingsField<CLayoutPoint>;

const CPointTypeRegistration kLayoutType({
    .typeCode = CLayoutPoint::kTypeCode,
    .typeName = "Layout",
    .create = &CreatePointOf<CLayoutPoint>,
    .fields =
        {
            Field("text", &S::text),
            Field("alignment", &S::alignment),
            Field("fontFace", &S::fontFace),
            Field("fontSize", &S::fontSize),
            Field("italic", &S::italic),
            Field("underline", &S::underline),
            Field::Colour("colour", &S::colour),
            Field("image", &S::image),
            Field("imageScale", &S::imageScale).StoredOnlyWith("image"),
        },
    .rank = 60,
    .displayName = "Layout",
    .description = "Static image or text",
    .icon = 167,
});

}  // namespace
