#include "project/display_scale.h"

namespace {

bool g_doubled = false;

QFont SharedFont(int weight) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(12 * CDisplayScale::Factor());
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

}  // namespace

bool CDisplayScale::IsDoubled() { return g_doubled; }

void CDisplayScale::SetDoubled(bool doubled) { g_doubled = doubled; }

QFont CDisplayScale::NormalFont() { return SharedFont(QFont::Normal); }

QFont CDisplayScale::BoldFont() { return SharedFont(QFont::Bold); }
