#include "points/custom_point.h"

#include <QPainter>

#include "project/display_scale.h"
#include "project/page_window.h"
#include "project/point_factory.h"
#include "project/point_type.h"
#include "values/archive.h"

namespace {

constexpr int kClassIdSize = 16;
constexpr int kDesignCaptionLimit = 24;
// Room the placeholder takes below the caption, at normal scale.
constexpr int kPlaceholderHeight = 32;

}  // namespace

CCustomPoint::CCustomPoint() : CBasePoint(kTypeCode, QStringLiteral("Custom")) {}

void CCustomPoint::SetClassId(const QUuid& classId) {
  if (classId == m_classId) return;
  m_classId = classId;
  MarkChanged();
}

void CCustomPoint::SetUserTypeName(const QString& name) {
  if (name == m_userTypeName) return;
  m_userTypeName = name;
  MarkChanged();
}

void CCustomPoint::AttachControl(std::unique_ptr<CCustomControl> control) {
  ReleaseControl();
  m_control = std::move(control);
}

void CCustomPoint::ReleaseControl() {
  // Moved out first: a control released during its own release finds the point without one.
  std::unique_ptr<CCustomControl> old = std::move(m_control);
  old.reset();
}

bool CCustomPoint::Configure() { return m_control && m_control->Configure(); }

QString CCustomPoint::ShortTypeName() const {
  QString name = m_userTypeName;
  if (name.startsWith(QStringLiteral("TWKF."))) name = name.mid(5);
  if (name == QStringLiteral("FileCamera")) name = QStringLiteral("Camera");
  return name;
}

QString CCustomPoint::DesignLabel(bool withType) const {
  if (!withType && !m_caption.isEmpty()) return m_caption;
  QString caption = m_caption;
  if (caption.size() > kDesignCaptionLimit) {
    caption = caption.left(kDesignCaptionLimit) + QStringLiteral("...");
  }
  return QStringLiteral("[") + ShortTypeName() + QStringLiteral("] ") + caption;
}

QString CCustomPoint::PlaceholderText() const {
  return QStringLiteral("CUSTOM POINT:\r\n") + m_userTypeName;
}

QString CCustomPoint::GetLabel(bool preferCaption) {
  if (!preferCaption && !m_name.isEmpty()) return m_name;
  return DesignLabel(false);
}

void CCustomPoint::Init() {
  CBasePoint::Init();
  if (m_control) m_control->Init();
}

void CCustomPoint::Show(CPageWindow* window) {
  if (!m_control) return CBasePoint::Show(window);
  m_control->Show();
}

bool CCustomPoint::Hide(bool verify) {
  // Without a control nothing could be entered, so there is nothing to refuse.
  if (!m_control) return verify ? true : CBasePoint::Hide(false);
  if (verify && IsDisplayed()) return m_control->Verify();
  m_control->Hide();
  return true;
}

int32_t CCustomPoint::SetValueV(const CVariant& value) {
  if (!m_control) return CBasePoint::SetValueV(value);
  return m_control->SetValueV(value);
}

void CCustomPoint::SetValue(const QString& text) {
  if (!m_control) return CBasePoint::SetValue(text);
  m_control->SetValue(text);
}

int CCustomPoint::GetHeight(QPainter* painter, int width) {
  if (m_control) return m_control->GetHeight(painter, width);
  return CBasePoint::GetHeight(painter, width) + kPlaceholderHeight * CDisplayScale::Factor();
}

int CCustomPoint::Paint(QPainter* painter) {
  if (m_control) {
    m_control->Paint(painter, m_rect);
    return m_rect.height();
  }
  const int height = CBasePoint::Paint(painter);
  if (painter) {
    painter->save();
    painter->setFont(CaptionFont());
    painter->setBackgroundMode(Qt::TransparentMode);
    // Drawn as plain text: no mnemonic prefix processing.
    painter->drawText(m_rect, Qt::AlignCenter | Qt::TextWordWrap, PlaceholderText());
    painter->restore();
  }
  return height + kPlaceholderHeight * CDisplayScale::Factor();
}

void CCustomPoint::OnTap(int x, int y) {
  if (!m_control) return CBasePoint::OnTap(x, y);
  m_control->OnTap(x, y);
}

void CCustomPoint::OnCommand(uint32_t command, intptr_t argument) {
  if (m_control) m_control->OnCommand(command, argument);
}

void CCustomPoint::OnDep(CBasePoint* changed) {
  if (m_control) m_control->OnDep(changed);
}

void CCustomPoint::OnTelegram(CTelegram* telegram) {
  if (m_control) m_control->OnTelegram(telegram);
}

bool CCustomPoint::GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                                   QString& text) {
  if (m_control && m_control->GetOutputString(value, baseFile, index, text)) return true;
  return CBasePoint::GetOutputString(value, baseFile, index, text);
}

QByteArray CCustomPoint::ClassIdBytes(const QUuid& classId) {
  QByteArray bytes;
  bytes.reserve(kClassIdSize);
  for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((classId.data1 >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) bytes.append(static_cast<char>((classId.data2 >> (8 * i)) & 0xFF));
  for (int i = 0; i < 2; ++i) bytes.append(static_cast<char>((classId.data3 >> (8 * i)) & 0xFF));
  for (uchar b : classId.data4) bytes.append(static_cast<char>(b));
  return bytes;
}

QUuid CCustomPoint::ClassIdFromBytes(const QByteArray& bytes) {
  if (bytes.size() != kClassIdSize) return QUuid();
  const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
  const uint data1 = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint>(p[3]) << 24);
  const ushort data2 = static_cast<ushort>(p[4] | (p[5] << 8));
  const ushort data3 = static_cast<ushort>(p[6] | (p[7] << 8));
  return QUuid(data1, data2, data3, p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
}

void CCustomPoint::ReadFields(CArchive& ar, int) {
  ar.ReadCount();  // always 0; kept for the file layout
  char classId[kClassIdSize];
  ar.ReadInto(classId, kClassIdSize);
  m_classId = ClassIdFromBytes(QByteArray::fromRawData(classId, kClassIdSize));
  m_userTypeName = ar.ReadString();
  m_bag.Deserialize(ar, false);
}

void CCustomPoint::WriteFields(CArchive& ar) {
  if (m_control) m_control->SaveProperties();
  ar.WriteCount(0);
  ar.WriteBytes(ClassIdBytes(m_classId));
  ar.WriteString(m_userTypeName);
  m_bag.Serialize(ar, false);
}

// ---- the registered type

namespace {

static_assert(CCustomPoint::kTypeCode == CPointFactory::kCustomTypeCode);

// A custom point's settings are its class and its control's property bag, which tools read
// through the class registry; its registry entries are the control classes.
const CPointTypeRegistration kCustomType({
    .typeCode = CCustomPoint::kTypeCode,
    .typeName = "Custom",
    .create = &CreatePointOf<CCustomPoint>,
});

}  // namespace
