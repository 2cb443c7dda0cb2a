#include "points/telegram_point.h"

#include <QPainter>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "points/telegram.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

namespace {

const QString kSentText = QStringLiteral("Telegram Sent");
const QString kReceivedText = QStringLiteral("Telegram Received");

}  // namespace

CTelegramPoint::CTelegramPoint() : CBasePoint(kTypeCode, QStringLiteral("Telegram")) {}

CTelegramPoint::Face CTelegramPoint::FaceOf(const Settings& settings, bool valueEmpty) {
  if (settings.send != 0) {
    if (valueEmpty) return {QStringLiteral("Point.Telegram.TapToSend"), Qt::white};
    return {QStringLiteral("Point.Telegram.TapToSendAgain"), QColor(152, 201, 231)};
  }
  if (settings.receive != 0) {
    if (valueEmpty) return {QStringLiteral("Point.Telegram.Waiting"), Qt::white};
    return {QStringLiteral("Point.Telegram.WaitingAgain"), QColor(154, 232, 151)};
  }
  return {QString(), Qt::white};
}

bool CTelegramPoint::Matches(const CTelegram& telegram) const {
  if (m_settings.receive == 0) return false;
  const CVariantMap& values = telegram.Values();
  const CVariant* name = values.Find(QString::fromUtf16(CTelegram::kNameEntry));
  if (!name || !name->IsString() || name->StringPayload() != m_settings.telegramName) return false;
  const QString& key = m_settings.matchKey;
  if (key.isEmpty()) return true;
  const bool byGuid = key == QString::fromUtf16(kGuidKey);
  const CVariant* entry = values.Find(byGuid ? QString::fromUtf16(CTelegram::kGuidEntry) : key);
  QString wanted;
  if (!entry || !entry->ToText(wanted)) return false;
  CProject* project = telegram.Project();
  if (!project) return false;
  if (byGuid) return !project->SessionGuid().isEmpty() && project->SessionGuid() == wanted;
  const CBasePoint* point = project->FindPointByName(key);
  return point && point->OutputText() == wanted;
}

void CTelegramPoint::OnTelegram(CTelegram* telegram) {
  if (!telegram || !Matches(*telegram)) return;
  CProject* project = telegram->Project();
  telegram->Values().ForEach([project](const QString& name, const CVariant& value) {
    if (CBasePoint* point = project->FindPointByName(name)) point->SetValueV(value);
  });
  if (m_settings.showAlerts != 0) {
    CLanguage::Instance().MessageByKey(QStringLiteral("Point.Telegram.Received"),
                                       kMbIconInformation);
  }
  SetValue(kReceivedText);
}

bool CTelegramPoint::SendTelegram() {
  CProject* project = Project();
  CTelegram telegram(project);
  CVariantMap& values = telegram.MutableValues();
  values.SetText(QString::fromUtf16(CTelegram::kNameEntry), m_settings.telegramName);
  for (const QString& field : m_settings.fields) {
    if (CBasePoint* point = project ? project->FindPointByName(field) : nullptr) {
      values.SetVariant(field, point->Value());
    } else if (field == QString::fromUtf16(kGuidKey) && project &&
               !project->SessionGuid().isEmpty()) {
      values.SetText(QString::fromUtf16(CTelegram::kGuidEntry), project->SessionGuid());
    }
  }
  if (!CServices::Instance().Telegrams().Send(telegram)) {
    if (m_settings.showAlerts != 0) {
      CLanguage::Instance().MessageByKey(QStringLiteral("Point.Telegram.UnableToSend"),
                                         kMbIconExclamation);
    }
    return false;
  }
  if (m_settings.showAlerts != 0) {
    CLanguage::Instance().MessageByKey(QStringLiteral("Point.Telegram.Sent"), kMbIconInformation);
  }
  SetValue(kSentText);
  return true;
}

QRect CTelegramPoint::BandRect() const {
  const int band = kBand * CDisplayScale::Factor();
  return QRect(m_rect.left(), m_rect.top() + std::max(0, m_rect.height() - band), m_rect.width(),
               std::min(band, m_rect.height()));
}

int CTelegramPoint::GetHeight(QPainter* painter, int width) {
  return CBasePoint::GetHeight(painter, width) + kBand * CDisplayScale::Factor();
}

int CTelegramPoint::Paint(QPainter* painter) {
  const QRect item = m_rect;
  if (!painter) return item.height();
  const QRect band = BandRect();
  // The base point draws its caption above the band.
  m_rect = QRect(item.left(), item.top(), item.width(), band.top() - item.top());
  CBasePoint::Paint(painter);
  m_rect = item;

  const int scale = CDisplayScale::Factor();
  const Face face = FaceOf(m_settings, OutputText().isEmpty());
  const QRectF box = QRectF(band).adjusted(0.5, 2 * scale + 0.5, -0.5, -2 * scale - 0.5);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(QPen(QColor(0xD0, 0xD0, 0xD0), scale));
  painter->setBrush(face.fill);
  painter->drawRoundedRect(box, kCorner * scale, kCorner * scale);
  if (!face.captionKey.isEmpty()) {
    CProject* project = Project();
    painter->setFont(project ? project->Graphics().Font(CGraphics::kNormal)
                             : CDisplayScale::NormalFont());
    painter->setPen(Qt::black);
    const QString caption = CLanguage::Instance().Translate(face.captionKey);
    const QRectF inner = box.adjusted(4 * scale, 0, -4 * scale, 0);
    painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine,
                      painter->fontMetrics().elidedText(caption, Qt::ElideRight,
                                                        static_cast<int>(inner.width())));
  }
  painter->restore();
  return item.height();
}

void CTelegramPoint::OnTap(int x, int y) {
  if (m_settings.send == 0 || !BandRect().contains(x, y)) {
    CBasePoint::OnTap(x, y);
    return;
  }
  // A session that may not be changed sends nothing.
  if (IsReadOnly()) return;
  SendTelegram();
}

void CTelegramPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CTelegramPoint::ReadFields(CArchive& ar, int) {
  Settings& s = m_settings;
  s.telegramName = ar.ReadString();
  s.showAlerts = ar.ReadInt32();
  s.send = ar.ReadInt32();
  s.receive = ar.ReadInt32();
  s.matchKey = ar.ReadString();
  const int32_t count = ar.ReadCount();
  s.fields.clear();
  for (int32_t i = 0; i < count; ++i) s.fields.append(ar.ReadString());
}

void CTelegramPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteString(s.telegramName);
  ar.WriteInt32(s.showAlerts);
  ar.WriteInt32(s.send);
  ar.WriteInt32(s.receive);
  ar.WriteString(s.matchKey);
  ar.WriteCount(static_cast<int32_t>(s.fields.size()));
  for (const QString& field : s.fields) ar.WriteString(field);
}

// ---- the registered type

namespace {

using S = CTelegramPoint::Settings;
using Field = CSettingsField<CTelegramPoint>;

const CPointTypeRegistration kTelegramType({
    .typeCode = CTelegramPoint::kTypeCode,
    .typeName = "Telegram",
    .create = &CreatePointOf<CTelegramPoint>,
    .fields =
        {
            Field("telegramName", &S::telegramName),
            Field("showAlerts", &S::showAlerts),
            Field("send", &S::send),
            Field("receive", &S::receive),
            Field("matchKey", &S::matchKey),
            Field("fields", &S::fields),
        },
    .rank = 250,
    .displayName = "Telegram",
    .description = "Interact with the server",
    .icon = 204,
});

}  // namespace
