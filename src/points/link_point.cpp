#include "points/link_point.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "app/image_services.h"
#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "points/layout_drawing.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page.h"
#include "project/page_window.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

namespace {

constexpr int kIndent = 10;
constexpr int kCaptionPadding = 2;

// The translation of `key` (the key itself when the table lacks it) with "%s" replaced.
QString FormatMessage(const QString& key, const QString& argument) {
  QString text;
  if (!CLanguage::Instance().Lookup(key, text)) text = key;
  return text.replace(QStringLiteral("%s"), argument);
}

bool StartsWith(const QString& text, const char* prefix) {
  return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

}  // namespace

CLinkPoint::CLinkPoint() : CBasePoint(kTypeCode, QStringLiteral("Link")) {}

void CLinkPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

CLinkPoint::AddressKind CLinkPoint::ClassifyAddress(const QString& address) {
  const QString text = address.trimmed();
  if (text.isEmpty()) return AddressKind::kNone;
  if (StartsWith(text, "qlt://")) return AddressKind::kCommand;
  // Only the two web schemes themselves go without a question: "httpx:" or "http-evil:" is some
  // other program's address.
  if (StartsWith(text, "http://") || StartsWith(text, "https://")) return AddressKind::kWeb;
  return AddressKind::kOther;
}

// ---- showing

QString CLinkPoint::ResolveAddress() {
  CProject* project = Project();
  return project ? project->ExpandTemplate(m_settings.address, this) : m_settings.address;
}

void CLinkPoint::Init() {
  CBasePoint::Init();
  m_resolvedAddress = ResolveAddress();
}

void CLinkPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  m_resolvedAddress = ResolveAddress();
  m_picture = QImage();
  if (!m_settings.image.isEmpty()) m_picture = CImageServices().LoadImage(m_settings.image);
}

bool CLinkPoint::Hide(bool verify) {
  if (!verify) m_picture = QImage();
  return CBasePoint::Hide(verify);
}

// ---- measuring and painting

QFont CLinkPoint::CaptionFontOfLink() const {
  const CLayoutDrawing::FontSettings settings{m_settings.fontFace, m_settings.fontSize,
                                              m_settings.italic, m_settings.underline, m_bold != 0};
  if (std::optional<QFont> font =
          CLayoutDrawing::CustomFont(m_displayCaption, settings, CDisplayScale::Factor())) {
    return *font;
  }
  return CaptionFont();
}

int CLinkPoint::CaptionHeight(int width) const {
  if (m_displayCaption.isEmpty()) return 0;
  const int scale = CDisplayScale::Factor();
  const QFontMetrics metrics(CaptionFontOfLink());
  const int textWidth = std::max(width - kIndent * scale, 1);
  return metrics
             .boundingRect(QRect(0, 0, textWidth, 1 << 24),
                           Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_displayCaption)
             .height() +
         kCaptionPadding * scale;
}

QSize CLinkPoint::ImageSize() const {
  if (m_picture.isNull()) return QSize(0, 0);
  return CLayoutDrawing::ImageDrawSize(m_picture.size(), m_settings.imageScale != 0,
                                       CDisplayScale::Factor());
}

int CLinkPoint::GetHeight(QPainter*, int width) {
  return CaptionHeight(width) + ImageSize().height();
}

int CLinkPoint::Paint(QPainter* painter) {
  const int scale = CDisplayScale::Factor();
  const int caption = CaptionHeight(m_rect.width());
  const QSize image = ImageSize();
  if (!painter) return caption + image.height();
  painter->save();
  painter->setBackgroundMode(Qt::TransparentMode);
  if (caption > 0) {
    const int indent = kIndent * scale;
    const QRect text(m_rect.left() + indent, m_rect.top(), std::max(m_rect.width() - indent, 1),
                     caption);
    painter->setFont(CaptionFontOfLink());
    painter->setPen(CGraphics::ToColour(static_cast<int32_t>(m_settings.colour)));
    painter->drawText(
        text,
        CLayoutDrawing::AlignmentFlags(m_settings.alignment) | Qt::AlignTop | Qt::TextWordWrap,
        m_displayCaption);
    // The marker in the indent, centred on the caption.
    const CProject* project = Project();
    painter->setFont(project ? project->Graphics().Font(CGraphics::kNormal)
                             : CDisplayScale::NormalFont());
    painter->setPen(project ? CGraphics::ToColour(project->Graphics().textColour) : Qt::black);
    painter->drawText(QRect(m_rect.left(), m_rect.top(), indent, caption),
                      Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("\""));
  }
  if (!m_picture.isNull()) {
    const int left = m_rect.left() + (m_rect.width() - image.width()) / 2;
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(QRect(QPoint(left, m_rect.top() + caption), image), m_picture);
  }
  painter->restore();
  return caption + image.height();
}

// ---- acting

void CLinkPoint::OnTap(int, int) { Act(); }

void CLinkPoint::OnCommand(uint32_t command, intptr_t) {
  if (command == kActCommand) Act();
}

void CLinkPoint::OnDep(CBasePoint*) {
  const QString address = ResolveAddress();
  if (address == m_resolvedAddress) return;
  m_resolvedAddress = address;
  // Only a link the user can see acts, and only once the page is up: filling the page's values
  // while it is being shown is not a change the user made.
  CPageWindow* window = Window();
  const CPage* page = Page();
  if (!window || !page || page->IsActivating() || !IsDisplayed() || !window->IsOnScreen()) return;
  if (ClassifyAddress(address) == AddressKind::kNone) return;
  window->PostCommand(this, kActCommand, 0);
}

void CLinkPoint::Act() {
  CProject* project = Project();
  if (m_settings.targetPage != 0 && project) {
    for (const auto& page : project->Pages()) {
      if (static_cast<uint32_t>(page->UniqueNumber()) != m_settings.targetPage) continue;
      CPageWindow* window = Window();
      if (page.get() != Page() && window) window->ChangeToPage(page.get(), true);
      break;
    }
  }
  if (m_settings.address.isEmpty()) return;
  m_resolvedAddress = ResolveAddress();
  OpenAddress(m_resolvedAddress.trimmed());
}

void CLinkPoint::OpenAddress(const QString& address) {
  CMessageService& messages = CServices::Instance().Messages();
  switch (ClassifyAddress(address)) {
    case AddressKind::kNone:
      return;
    case AddressKind::kCommand:
      if (CServices::Instance().TakeCommandLink(address)) return;
      messages.ShowMessage(FormatMessage(QStringLiteral("Point.Link.NoCommandLinks"), address),
                           kMbOk | kMbIconExclamation);
      return;
    case AddressKind::kOther:
      if (messages.ShowMessage(FormatMessage(QStringLiteral("Point.Link.ConfirmURL"), address),
                               kMbYesNo | kMbIconQuestion) != kIdYes) {
        return;
      }
      break;
    case AddressKind::kWeb:
      break;
  }
  if (!CServices::Instance().Shell().Open(address)) {
    messages.ShowMessage(FormatMessage(QStringLiteral("Point.Link.CantOpen"), address),
                         kMbOk | kMbIconExclamation);
  }
}

// ---- file record

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
