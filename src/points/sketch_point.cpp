#include "points/sketch_point.h"

#include "project/point_type.h"
#include "values/archive.h"

CSketchPoint::CSketchPoint() : CBasePoint(kTypeCode, QStringLiteral("Sketch")) {}

void CSketchPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CSketchPoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  s.canvasRows = ar.ReadInt32();
  if (version >= 43) {
    s.canvasWidth = ar.ReadInt32();
    s.canvasHeight = ar.ReadInt32();
  }
  s.penMode = ar.ReadInt32();
  s.palette = ar.ReadInt32();
  if (version >= 32) s.backgroundPoint = ar.ReadString();
  if (version >= 14) s.backgroundImage = ar.ReadBytes(ar.ReadCount());
}

void CSketchPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteInt32(s.canvasRows);
  ar.WriteInt32(s.canvasWidth);
  ar.WriteInt32(s.canvasHeight);
  ar.WriteInt32(s.penMode);
  ar.WriteInt32(s.palette);
  ar.WriteString(s.backgroundPoint);
  ar.WriteCount(static_cast<int32_t>(s.backgroundImage.size()));
  ar.WriteBytes(s.backgroundImage);
}

// ---- the registered type

namespace {

using S = CSketchPoint::Settings;
using Field = CSettingsField<CSketchPoint>;

const CPointTypeRegistration kSketchType({
    .typeCode = CSketchPoint::kTypeCode,
    .typeName = "Sketch",
    .create = &CreatePointOf<CSketchPoint>,
    .fields =
        {
            Field("canvasRows", &S::canvasRows),
            Field("canvasWidth", &S::canvasWidth),
            Field("canvasHeight", &S::canvasHeight),
            Field("penMode", &S::penMode),
            Field("palette", &S::palette),
            Field("backgroundPoint", &S::backgroundPoint),
            Field("backgroundImage", &S::backgroundImage),
        },
    .rank = 130,
    .displayName = "Sketch",
    .description = "Sketch onto an image",
    .icon = 176,
});

}  // namespace
