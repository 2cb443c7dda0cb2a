#include "project/graphics.h"

#include <algorithm>
#include <cstdlib>

#include "project/display_scale.h"
#include "values/archive.h"
#include "values/variant_map.h"

namespace {

constexpr char kMarginKey[] = "Graphics.Margin";
constexpr char kSpacingKey[] = "Graphics.Spacing";
constexpr char kGapKey[] = "Graphics.Gap";

// Reads one image of the block: length, bytes and, for a present image in a file that has it,
// the high-resolution flag.
void ReadImage(CArchive& ar, int version, QByteArray& bytes, int32_t& highRes) {
  const int32_t length = ar.ReadInt32();
  if (length < 0) throw CArchiveError("negative image length");
  bytes = ar.ReadBytes(length);
  highRes = 0;
  if (length > 0 && version > 37) highRes = ar.ReadInt32();
}

void WriteImage(CArchive& ar, const QByteArray& bytes, int32_t highRes) {
  ar.WriteInt32(static_cast<int32_t>(bytes.size()));
  if (bytes.isEmpty()) return;
  ar.WriteBytes(bytes);
  ar.WriteInt32(highRes);
}

// A stored character height (negative in the platform's convention) as pixels.
int PixelSize(int32_t stored) {
  const int64_t size = std::llabs(static_cast<int64_t>(stored));
  if (size == 0) return 12;
  return static_cast<int>(std::min<int64_t>(size, 500));
}

QFont MakeFont(const QString& face, int32_t size, bool bold, bool underline) {
  QFont font(face.isEmpty() ? QStringLiteral("Tahoma") : face);
  font.setPixelSize(PixelSize(size) * CDisplayScale::Factor());
  font.setBold(bold);
  font.setUnderline(underline);
  return font;
}

}  // namespace

void CGraphics::Read(CArchive& ar, int version) {
  backgroundColour = ar.ReadInt32();
  textColour = ar.ReadInt32();
  headingColour = ar.ReadInt32();
  fontFace = ar.ReadString();
  fontSize = ar.ReadInt32();
  headingFontFace = ar.ReadString();
  headingFontSize = ar.ReadInt32();
  ReadImage(ar, version, headerImage, headerImageHighRes);
  ReadImage(ar, version, sideImage, sideImageHighRes);
  ResetFonts();
}

void CGraphics::Write(CArchive& ar) const {
  ar.WriteInt32(backgroundColour);
  ar.WriteInt32(textColour);
  ar.WriteInt32(headingColour);
  ar.WriteString(fontFace);
  ar.WriteInt32(fontSize);
  ar.WriteString(headingFontFace);
  ar.WriteInt32(headingFontSize);
  WriteImage(ar, headerImage, headerImageHighRes);
  WriteImage(ar, sideImage, sideImageHighRes);
}

void CGraphics::StoreLayout(CVariantMap& properties) const {
  properties.SetInteger(kMarginKey, margin);
  properties.SetInteger(kSpacingKey, spacing);
  properties.SetInteger(kGapKey, gap);
}

void CGraphics::LoadLayout(const CVariantMap& properties) {
  const int32_t storedMargin = properties.GetInteger(kMarginKey, -1);
  const int32_t storedSpacing = properties.GetInteger(kSpacingKey, -1);
  const int32_t storedGap = properties.GetInteger(kGapKey, -1);
  margin = storedMargin < 0 ? kDefaultMargin : storedMargin;
  spacing = storedSpacing < 0 ? kDefaultSpacing : storedSpacing;
  gap = storedGap < 0 ? kDefaultGap : storedGap;
}

QFont CGraphics::Font(FontKind kind) const {
  const int scale = CDisplayScale::Factor();
  if (m_fontsScale != scale || m_builtFace != fontFace || m_builtSize != fontSize ||
      m_builtHeadingFace != headingFontFace || m_builtHeadingSize != headingFontSize) {
    m_fonts[kNormal] = MakeFont(fontFace, fontSize, false, false);
    m_fonts[kBold] = MakeFont(fontFace, fontSize, true, false);
    m_fonts[kUnderline] = MakeFont(fontFace, fontSize, false, true);
    m_fonts[kBoldUnderline] = MakeFont(fontFace, fontSize, true, true);
    m_fonts[kHeading] = MakeFont(headingFontFace, headingFontSize, true, false);
    m_fontsScale = scale;
    m_builtFace = fontFace;
    m_builtSize = fontSize;
    m_builtHeadingFace = headingFontFace;
    m_builtHeadingSize = headingFontSize;
  }
  return m_fonts[kind < 0 || kind >= kFontKinds ? kNormal : kind];
}

QColor CGraphics::ToColour(int32_t stored) {
  const auto value = static_cast<uint32_t>(stored);
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

bool CGraphics::operator==(const CGraphics& other) const {
  return backgroundColour == other.backgroundColour && textColour == other.textColour &&
         headingColour == other.headingColour && fontFace == other.fontFace &&
         fontSize == other.fontSize && headingFontFace == other.headingFontFace &&
         headingFontSize == other.headingFontSize && headerImage == other.headerImage &&
         headerImageHighRes == other.headerImageHighRes && sideImage == other.sideImage &&
         sideImageHighRes == other.sideImageHighRes && margin == other.margin &&
         spacing == other.spacing && gap == other.gap;
}
