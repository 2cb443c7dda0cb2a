#include "points/layout_point.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "app/image_services.h"
#include "points/layout_drawing.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

CLayoutPoint::CLayoutPoint() : CBasePoint(kTypeCode, QStringLiteral("Layout")) {}

void CLayoutPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

// ---- the text and the image

QString CLayoutPoint::ResolveText() {
  CProject* project = Project();
  return project ? project->ExpandTemplate(m_settings.text, this) : m_settings.text;
}

void CLayoutPoint::Init() {
  CBasePoint::Init();
  m_displayText = ResolveText();
}

void CLayoutPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  m_displayText = ResolveText();
  m_picture = QImage();
  if (!m_settings.image.isEmpty()) m_picture = CImageServices().LoadImage(m_settings.image);
}

bool CLayoutPoint::Hide(bool verify) {
  if (!verify) m_picture = QImage();
  return CBasePoint::Hide(verify);
}

void CLayoutPoint::OnDep(CBasePoint*) {
  const QString text = ResolveText();
  if (text == m_displayText) return;
  m_displayText = text;
  if (CPage* page = Page()) page->Relayout();
}

// ---- measuring and painting

bool CLayoutPoint::IsSeparator() const {
  return CLayoutDrawing::IsSeparator(m_displayText, !m_settings.image.isEmpty());
}

QFont CLayoutPoint::TextFont() const {
  const CLayoutDrawing::FontSettings settings{m_settings.fontFace, m_settings.fontSize,
                                              m_settings.italic, m_settings.underline, m_bold != 0};
  if (std::optional<QFont> font =
          CLayoutDrawing::CustomFont(m_displayText, settings, CDisplayScale::Factor())) {
    return *font;
  }
  return CaptionFont();
}

int CLayoutPoint::ContentHeight(int width, int* textHeight) const {
  const int scale = CDisplayScale::Factor();
  int text = 0;
  if (!m_displayText.isEmpty()) {
    const QFontMetrics metrics(TextFont());
    text = metrics
               .boundingRect(QRect(0, 0, std::max(width, 1), 1 << 24),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_displayText)
               .height();
  }
  if (textHeight) *textHeight = text;
  int height = text;
  if (!m_picture.isNull()) {
    if (text > 0) height += PageGap();
    height +=
        CLayoutDrawing::ImageDrawSize(m_picture.size(), m_settings.imageScale != 0, scale).height();
  }
  return height;
}

int CLayoutPoint::GetHeight(QPainter*, int width) {
  if (IsSeparator()) return CLayoutDrawing::SeparatorHeight(CDisplayScale::Factor());
  return ContentHeight(width, nullptr);
}

int CLayoutPoint::Paint(QPainter* painter) {
  const QColor colour = CGraphics::ToColour(static_cast<int32_t>(m_settings.colour));
  if (IsSeparator()) {
    const int height = CLayoutDrawing::SeparatorHeight(CDisplayScale::Factor());
    if (painter)
      painter->fillRect(QRect(m_rect.left(), m_rect.top(), m_rect.width(), height), colour);
    return height;
  }
  int textHeight = 0;
  const int height = ContentHeight(m_rect.width(), &textHeight);
  if (!painter) return height;
  painter->save();
  if (textHeight > 0) {
    painter->setFont(TextFont());
    painter->setPen(colour);
    painter->setBackgroundMode(Qt::TransparentMode);
    painter->drawText(
        QRect(m_rect.left(), m_rect.top(), m_rect.width(), textHeight),
        CLayoutDrawing::AlignmentFlags(m_settings.alignment) | Qt::AlignTop | Qt::TextWordWrap,
        m_displayText);
  }
  if (!m_picture.isNull()) {
    const QSize size = CLayoutDrawing::ImageDrawSize(m_picture.size(), m_settings.imageScale != 0,
                                                     CDisplayScale::Factor());
    const int top = m_rect.top() + (textHeight > 0 ? textHeight + PageGap() : 0);
    const int left = m_rect.left() + (m_rect.width() - size.width()) / 2;
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(QRect(QPoint(left, top), size), m_picture);
  }
  painter->restore();
  return height;
}

// ---- file record

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
