#include "points/file_point.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "points/file_point_logic.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/point_type.h"
#include "values/archive.h"
#include "values/file_blob.h"

namespace {

constexpr int kBand = 37;  // height of the band below the caption
constexpr uint32_t kAutoAttachPause = 7000;

// The translated message with each "%s" replaced by the next argument, in the exclamation box.
int ShowMessage(const char* key, const QStringList& arguments, unsigned style) {
  return CServices::Instance().Messages().ShowMessage(
      CLanguage::Instance().TranslateWith(QString::fromLatin1(key), arguments), style);
}

// One button's icon, drawn in dark grey inside its circle.
void DrawIcon(QPainter& painter, const QRectF& circle, FilePointLogic::TapAction action,
              int scale) {
  const QPointF c = circle.center();
  const qreal u = circle.width() / 36.0;
  QPen pen(QColor(0x50, 0x50, 0x50), 2.0 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  switch (action) {
    case FilePointLogic::TapAction::kAttach: {  // a paper clip
      QPainterPath clip;
      clip.moveTo(c + QPointF(4 * u, -3 * u));
      clip.lineTo(c + QPointF(4 * u, 6 * u));
      clip.arcTo(QRectF(c + QPointF(-4 * u, 2 * u), QSizeF(8 * u, 8 * u)), 0, -180);
      clip.lineTo(c + QPointF(-4 * u, -6 * u));
      clip.arcTo(QRectF(c + QPointF(-4 * u, -10 * u), QSizeF(6 * u, 6 * u)), 180, -180);
      clip.lineTo(c + QPointF(2 * u, 5 * u));
      painter.drawPath(clip);
      break;
    }
    case FilePointLogic::TapAction::kSave:  // an arrow down onto a tray
      painter.drawLine(c + QPointF(0, -8 * u), c + QPointF(0, 4 * u));
      painter.drawPolyline(QPolygonF(
          {c + QPointF(-5 * u, -1 * u), c + QPointF(0, 4 * u), c + QPointF(5 * u, -1 * u)}));
      painter.drawPolyline(QPolygonF({c + QPointF(-8 * u, 4 * u), c + QPointF(-8 * u, 8 * u),
                                      c + QPointF(8 * u, 8 * u), c + QPointF(8 * u, 4 * u)}));
      break;
    case FilePointLogic::TapAction::kOpen:  // a box with an arrow leaving it
      painter.drawPolyline(QPolygonF({c + QPointF(-1 * u, -7 * u), c + QPointF(-7 * u, -7 * u),
                                      c + QPointF(-7 * u, 7 * u), c + QPointF(7 * u, 7 * u),
                                      c + QPointF(7 * u, 1 * u)}));
      painter.drawLine(c + QPointF(-1 * u, 1 * u), c + QPointF(8 * u, -8 * u));
      painter.drawPolyline(QPolygonF(
          {c + QPointF(2 * u, -8 * u), c + QPointF(8 * u, -8 * u), c + QPointF(8 * u, -2 * u)}));
      break;
    case FilePointLogic::TapAction::kNone:
      break;
  }
}

}  // namespace

CFilePoint::CFilePoint() : CBasePoint(kTypeCode, QStringLiteral("File")) {}

CFilePoint::~CFilePoint() { DeleteTemporaryCopy(); }

bool CFilePoint::Hide(bool verify) {
  if (!CBasePoint::Hide(verify)) return false;
  if (!verify) DeleteTemporaryCopy();
  return true;
}

int CFilePoint::GetHeight(QPainter* painter, int width) {
  return CBasePoint::GetHeight(painter, width) + kBand * CDisplayScale::Factor();
}

int CFilePoint::Paint(QPainter* painter) {
  const QRect item = m_rect;
  if (!painter) return item.height();
  const int scale = CDisplayScale::Factor();
  const int band = kBand * scale;
  m_rect = QRect(item.left(), item.top(), item.width(), std::max(0, item.height() - band));
  CBasePoint::Paint(painter);
  m_rect = item;

  using FilePointLogic::TapAction;
  const bool holdsFile = FileBlob::IsFile(m_value);
  const FilePointLogic::Buttons buttons =
      FilePointLogic::VisibleButtons(m_settings.attachButton, m_settings.saveButton,
                                     m_settings.openButton, IsReadOnly(), holdsFile);
  QList<TapAction> shown;
  if (buttons.attach) shown.append(TapAction::kAttach);
  if (buttons.save) shown.append(TapAction::kSave);
  if (buttons.open) shown.append(TapAction::kOpen);

  const int right = item.left() + item.width();
  const int top = item.top() + item.height() - band;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  int textRight = right;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const int left = FilePointLogic::ButtonLeft(right, static_cast<int>(i), scale);
    const QRectF circle(left, top, 36 * scale, 36 * scale);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(250, 250, 250));
    painter->drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    painter->setPen(QPen(QColor(0xD0, 0xD0, 0xD0), scale));
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    DrawIcon(*painter, circle, shown[i], scale);
    textRight = left - 4 * scale;
  }
  const QRectF box(item.left() + 0.5, top + 0.5, std::max(1, textRight - item.left()) - 1.0,
                   36 * scale - 1.0);
  painter->setPen(QPen(QColor(0xD0, 0xD0, 0xD0), scale));
  painter->setBrush(Qt::white);
  painter->drawRoundedRect(box, 8 * scale, 8 * scale);
  QString text = FilePointLogic::DisplayText(m_value);
  if (text.isEmpty()) text = CLanguage::Instance().Translate(QStringLiteral("Point.File.Empty"));
  painter->setFont(CDisplayScale::NormalFont());
  painter->setPen(Qt::black);
  const QRectF inner = box.adjusted(8 * scale, 0, -8 * scale, 0);
  painter->drawText(
      inner, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
      painter->fontMetrics().elidedText(text, Qt::ElideMiddle, static_cast<int>(inner.width())));
  painter->restore();
  return item.height();
}

void CFilePoint::OnTap(int x, int y) {
  const int scale = CDisplayScale::Factor();
  const QRect& item = m_rect;
  if (y < item.top() + item.height() - kBand * scale) {
    CBasePoint::OnTap(x, y);
    return;
  }
  const FilePointLogic::Buttons buttons = FilePointLogic::VisibleButtons(
      m_settings.attachButton, m_settings.saveButton, m_settings.openButton, IsReadOnly(),
      FileBlob::IsFile(m_value));
  switch (FilePointLogic::ActionAt(x, item.left() + item.width(), buttons, scale)) {
    case FilePointLogic::TapAction::kAttach:
      Attach();
      break;
    case FilePointLogic::TapAction::kSave:
      SaveCopy();
      break;
    case FilePointLogic::TapAction::kOpen:
      OpenCopy();
      break;
    case FilePointLogic::TapAction::kNone:
      break;
  }
}

bool CFilePoint::LoadInto(const QString& path) {
  CVariant value;
  const FilePointLogic::LoadError error = FilePointLogic::LoadFile(path, value);
  if (error == FilePointLogic::LoadError::kTooLarge) {
    ShowMessage("Point.File.TooLarge", {QDir::toNativeSeparators(path)}, kMbIconExclamation);
    return false;
  }
  if (error != FilePointLogic::LoadError::kNone) {
    ShowMessage("Point.File.CantStoreFile", {QDir::toNativeSeparators(path)}, kMbIconExclamation);
    return false;
  }
  StoreValue(value);
  return true;
}

void CFilePoint::Attach() {
  if (IsReadOnly()) return;
  const bool holdsFile = FileBlob::IsFile(m_value);
  if (holdsFile) {
    const int answer =
        ShowMessage("Point.File.ConfirmClear", {}, kMbYesNoCancel | kMbIconExclamation);
    if (answer == kIdYes) {
      StoreValue(CVariant());
      InvalidatePoint();
      return;
    }
    if (answer != kIdNo) return;
  }
  const QString folder = FilePointLogic::ResolveFolder(m_settings.folder);
  if (m_settings.watchFolder != 0) {
    const uint32_t now = CServices::Instance().TickCount();
    if (!holdsFile && m_lastAutoAttach != 0 && now - m_lastAutoAttach < kAutoAttachPause) {
      // The user just cleared what the folder gave; this time they choose.
      m_lastAutoAttach = 0;
    } else {
      const QString found = FilePointLogic::FindNewestFile(folder, m_settings.extensions);
      if (!found.isEmpty()) {
        if (LoadInto(found)) {
          m_lastAutoAttach = std::max<uint32_t>(1, CServices::Instance().TickCount());
          if (m_settings.deleteSource != 0) QFile::remove(found);
        }
        InvalidatePoint();
        return;
      }
      ShowMessage("Point.File.CantFindFile",
                  {m_settings.extensions, QDir::toNativeSeparators(folder)}, kMbIconExclamation);
    }
  }
  const std::optional<QString> chosen =
      CServices::Instance().Dialogs().OpenFile(m_settings.filter, folder);
  if (!chosen || chosen->isEmpty()) return;
  if (LoadInto(*chosen) && m_settings.deleteSource != 0) QFile::remove(*chosen);
  InvalidatePoint();
}

void CFilePoint::SaveCopy() {
  const QString name = FileBlob::Name(m_value);
  if (name.isEmpty()) return;
  // A stored name from elsewhere is only a proposal; a folder part in it is not offered.
  const std::optional<QString> path = CServices::Instance().Dialogs().SaveFile(
      FilePointLogic::IsPlainName(name) ? name : QString(), QFileInfo(name).suffix());
  if (!path || path->isEmpty()) return;
  if (!FileBlob::Extract(m_value, *path)) {
    ShowMessage("Point.File.CantExtractFile", {QDir::toNativeSeparators(*path)},
                kMbIconExclamation);
  }
}

void CFilePoint::OpenCopy() {
  DeleteTemporaryCopy();
  const QString name = FileBlob::Name(m_value);
  if (name.isEmpty()) return;
  if (!FilePointLogic::IsPlainName(name)) {
    ShowMessage("Point.File.CantExtractFile", {name}, kMbIconExclamation);
    return;
  }
  const QString path = QDir::temp().filePath(QStringLiteral("QLTTemp_") + name);
  if (!FileBlob::Extract(m_value, path)) {
    ShowMessage("Point.File.CantExtractFile", {QDir::toNativeSeparators(path)}, kMbIconExclamation);
    return;
  }
  m_tempCopy = path;
  if (!CServices::Instance().Shell().Open(path)) {
    ShowMessage("Point.File.CantExtractFile", {QDir::toNativeSeparators(path)}, kMbIconExclamation);
  }
}

void CFilePoint::DeleteTemporaryCopy() {
  if (m_tempCopy.isEmpty()) return;
  QFile::remove(m_tempCopy);
  m_tempCopy.clear();
}

void CFilePoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CFilePoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  s.filter = ar.ReadString();
  s.attachButton = ar.ReadInt32();
  s.saveButton = ar.ReadInt32();
  if (version >= 24) {
    s.openButton = ar.ReadInt32();
  } else {
    // Older files stored the two buttons as plain on/off flags.
    s.attachButton = s.attachButton != 0 ? 3 : 0;
    s.saveButton = s.saveButton != 0 ? 3 : 0;
  }
  if (version >= 34) {
    s.watchFolder = ar.ReadInt32();
    s.folder = ar.ReadString();
    s.extensions = ar.ReadString();
  }
  if (version >= 36) s.deleteSource = ar.ReadInt32();
}

void CFilePoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteString(s.filter);
  ar.WriteInt32(s.attachButton);
  ar.WriteInt32(s.saveButton);
  ar.WriteInt32(s.openButton);
  ar.WriteInt32(s.watchFolder);
  ar.WriteString(s.folder);
  ar.WriteString(s.extensions);
  ar.WriteInt32(s.deleteSource);
}

// ---- the registered type

namespace {

using S = CFilePoint::Settings;
using Field = CSettingsField<CFilePoint>;

const CPointTypeRegistration kFileType({
    .typeCode = CFilePoint::kTypeCode,
    .typeName = "File",
    .create = &CreatePointOf<CFilePoint>,
    .fields =
        {
            Field("filter", &S::filter),
            Field("attachButton", &S::attachButton),
            Field("saveButton", &S::saveButton),
            Field("openButton", &S::openButton),
            Field("watchFolder", &S::watchFolder),
            Field("folder", &S::folder),
            Field("extensions", &S::extensions),
            Field("deleteSource", &S::deleteSource),
        },
    .rank = 120,
    .displayName = "File",
    .description = "Attach files",
    .icon = 192,
});

}  // namespace
