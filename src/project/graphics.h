// CGraphics: the look of a project (its graphics block in the project file): colours, the faces
// and sizes of the page and heading fonts, the header and side images as stored (encoded bytes
// and their high-resolution flags) and the page layout's margin, spacing and gap. The fonts are
// built from the faces and sizes on first use. Owned by its CProject; UI thread only.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>

class CArchive;
class CVariantMap;

class CGraphics {
 public:
  enum FontKind { kNormal, kBold, kUnderline, kBoldUnderline, kHeading, kFontKinds };

  static constexpr int32_t kDefaultMargin = 5;
  static constexpr int32_t kDefaultSpacing = 5;
  static constexpr int32_t kDefaultGap = 2;

  // Colours are 0x00BBGGRR values as stored.
  int32_t backgroundColour = 0x00FFFFFF;
  int32_t textColour = 0x00000000;
  int32_t headingColour = 0x00800000;
  QString fontFace = QStringLiteral("Tahoma");
  int32_t fontSize = 12;
  QString headingFontFace = QStringLiteral("Tahoma");
  int32_t headingFontSize = 16;
  // Encoded pictures (bitmap file or JPEG), empty for none; decoding happens where they are shown.
  QByteArray headerImage;
  int32_t headerImageHighRes = 0;
  QByteArray sideImage;
  int32_t sideImageHighRes = 0;
  int32_t margin = kDefaultMargin;
  int32_t spacing = kDefaultSpacing;
  int32_t gap = kDefaultGap;

  // The graphics block; `version` is the project file's format version (reading only).
  void Read(CArchive& ar, int version);
  void Write(CArchive& ar) const;

  // Margin, spacing and gap travel in the project properties.
  void StoreLayout(CVariantMap& properties) const;
  void LoadLayout(const CVariantMap& properties);

  // The page fonts at the current display scale; rebuilt after a change of face or size.
  QFont Font(FontKind kind) const;
  void ResetFonts() { m_fontsScale = 0; }

  // A stored 0x00BBGGRR value as a colour.
  static QColor ToColour(int32_t stored);

  bool operator==(const CGraphics& other) const;

 private:
  mutable QFont m_fonts[kFontKinds];
  mutable int m_fontsScale = 0;  // display scale the fonts were built for; 0 when not built
  mutable QString m_builtFace;
  mutable QString m_builtHeadingFace;
  mutable int32_t m_builtSize = 0;
  mutable int32_t m_builtHeadingSize = 0;
};
