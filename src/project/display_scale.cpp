#include "project/display_scale.h"

namespace {

bool g_doubled = false;

QFont SharedFont(int weight) { return CDisplayScale::Font(12, weight == QFont::Bold); }

}  // namespace

bool CDisplayScale::IsDoubled() { return g_doubled; }

void CDisplayScale::SetDoubled(bool doubled) { g_doubled = doubled; }

QFont CDisplayScale::NormalFont() { return SharedFont(QFont::Normal); }

QFont CDisplayScale::BoldFont() { return SharedFont(QFont::Bold); }

QFont CDisplayScale::Font(int pixelHeight, bool bold) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(pixelHeight * Factor());
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  return font;
}
