#include "points/sketch_point.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>

#include "app/services.h"
#include "points/custom_point.h"
#include "points/sketch_point_logic.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"
#include "values/file_blob.h"

namespace {

constexpr int kBar = 16;    // height of the colour bar
constexpr int kInset = 10;  // the canvas is this much narrower than the point
constexpr int kJpegQuality = 90;

// Encodes the whole picture first and then replaces the file in one step: a failure leaves no
// half-written picture, and an earlier file of that name as it was.
bool WriteJpeg(const QImage& image, const QString& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPG", kJpegQuality)) {
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace

CSketchPoint::CSketchPoint() : CBasePoint(kTypeCode, QStringLiteral("Sketch")) {}

void CSketchPoint::Init() {
  CBasePoint::Init();
  m_backgroundLoaded = false;
  if (m_settings.backgroundPoint.isEmpty()) return;
  CProject* project = Project();
  if (!project) return;
  if (CBasePoint* source = project->FindPointByName(m_settings.backgroundPoint, this)) {
    if (source != this) source->AddDependent(this);
  }
}

void CSketchPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  if (!m_backgroundLoaded) LoadBackground();
  const int colours = SketchLogic::PaletteSize(m_settings.palette);
  if (m_colour >= colours) m_colour = 0;
}

void CSketchPoint::LoadBackground() {
  m_backgroundLoaded = true;
  QByteArray bytes = m_settings.backgroundImage;
  if (!m_settings.backgroundPoint.isEmpty()) {
    // A background point that is missing or holds no photo leaves the point's own picture.
    CProject* project = Project();
    CBasePoint* source =
        project ? project->FindPointByName(m_settings.backgroundPoint, this) : nullptr;
    QByteArray content;
    if (source && source != this && FileBlob::Content(source->Value(), content) &&
        !content.isEmpty()) {
      bytes = content;
    }
  }
  m_background = SketchLogic::LoadBackground(bytes);
}

void CSketchPoint::OnDep(CBasePoint* changed) {
  if (!changed || m_settings.backgroundPoint.isEmpty() ||
      changed->Name().compare(m_settings.backgroundPoint, Qt::CaseInsensitive) != 0) {
    return;
  }
  LoadBackground();
  if (CPage* page = Page()) page->Relayout();
}

QSize CSketchPoint::CanvasSize(int width) const { return CanvasFor(m_value, width); }

std::optional<QSize> CSketchPoint::CameraShellSize() const {
  if (m_settings.backgroundPoint.isEmpty()) return std::nullopt;
  CProject* project = Project();
  const auto* camera = dynamic_cast<const CCustomPoint*>(
      project ? project->FindPointByName(m_settings.backgroundPoint, this) : nullptr);
  if (!camera ||
      camera->UserTypeName().compare(QStringLiteral("TWKF.FileCamera"), Qt::CaseInsensitive) != 0) {
    return std::nullopt;
  }
  auto dimension = [camera](const char* key, int fallback) {
    const CVariant* value = camera->Bag().Find(QString::fromLatin1(key));
    return value && value->Type() == kVtI4 ? static_cast<int>(value->IntegerPayload()) : fallback;
  };
  return QSize(dimension("shellwidth", 1600), dimension("shellheight", 1200));
}

QSize CSketchPoint::CanvasFor(const CVariant& value, int width) const {
  const int scale = CDisplayScale::Factor();
  SketchLogic::CanvasInputs inputs;
  inputs.stored = QSize(m_settings.canvasWidth, m_settings.canvasHeight);
  inputs.shell = CameraShellSize();
  if (!m_background.isNull()) inputs.picture = m_background.size();
  if (!inputs.picture.isValid() || inputs.picture.isEmpty()) {
    // Strokes keep the canvas they were drawn on, whatever the width of the window now.
    const QSize drawnOn = SketchLogic::Decode(value, scale).canvas;
    if (drawnOn.isValid() && !drawnOn.isEmpty()) inputs.picture = drawnOn;
  }
  // A point never laid out (output without a page display) takes a phone-wide page.
  const int pointWidth = width > 0 ? width : m_rect.width() > 0 ? m_rect.width() : 320 * scale;
  inputs.controlWidth = std::max(0, pointWidth - kInset * scale);
  inputs.pointWidth = pointWidth;
  inputs.canvasRows = m_settings.canvasRows;
  inputs.scale = scale;
  return SketchLogic::CanvasSize(inputs);
}

int CSketchPoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  if (!m_backgroundLoaded) LoadBackground();
  const int drawWidth = std::max(1, width - kInset * scale);
  const int bar = SketchLogic::PaletteSize(m_settings.palette) > 0 ? kBar * scale : 0;
  return CBasePoint::GetHeight(painter, width) + 2 * scale +
         SketchLogic::DisplayHeight(CanvasSize(width), drawWidth) + bar;
}

QRect CSketchPoint::CanvasRect() const {
  const int scale = CDisplayScale::Factor();
  const int width = std::max(1, m_rect.width() - kInset * scale);
  const int height = SketchLogic::DisplayHeight(CanvasSize(), width);
  const QRect bar = BarRect();
  const int bottom = bar.isEmpty() ? m_rect.top() + m_rect.height() : bar.top();
  const int left = std::max(1, m_rect.left() + (m_rect.width() - width) / 2);
  return QRect(left, bottom - height, width, height);
}

QRect CSketchPoint::BarRect() const {
  const int scale = CDisplayScale::Factor();
  if (SketchLogic::PaletteSize(m_settings.palette) == 0) return QRect();
  const int width = std::max(1, m_rect.width() - kInset * scale);
  const int left = std::max(1, m_rect.left() + (m_rect.width() - width) / 2);
  return QRect(left, m_rect.top() + m_rect.height() - kBar * scale, width, kBar * scale);
}

int CSketchPoint::Paint(QPainter* painter) {
  const QRect item = m_rect;
  if (!painter) return item.height();
  const QRect canvasRect = CanvasRect();
  const QRect bar = BarRect();
  m_rect = QRect(item.left(), item.top(), item.width(), std::max(0, canvasRect.top() - item.top()));
  CBasePoint::Paint(painter);
  m_rect = item;

  painter->save();
  painter->setClipRect(canvasRect);
  if (m_background.isNull()) {
    painter->fillRect(canvasRect, Qt::white);
  } else {
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(canvasRect, m_background);
  }
  const QSize canvas = CanvasSize();
  const SketchLogic::Sketch sketch = SketchLogic::Decode(m_value, CDisplayScale::Factor());
  painter->translate(canvasRect.topLeft());
  SketchLogic::DrawStrokes(*painter, sketch.strokes, double(canvasRect.width()) / canvas.width());
  painter->restore();
  painter->save();
  painter->setPen(QColor(0xD0, 0xD0, 0xD0));
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(canvasRect.adjusted(0, 0, -1, -1));
  const int colours = SketchLogic::PaletteSize(m_settings.palette);
  if (colours > 0 && !bar.isEmpty()) {
    painter->setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < colours; ++i) {
      const int left = bar.left() + bar.width() * i / colours;
      const int right = bar.left() + bar.width() * (i + 1) / colours;
      const QRect cell(left, bar.top(), right - left, bar.height());
      const QColor colour = SketchLogic::Colour(i);
      painter->fillRect(cell, colour);
      if (i == m_colour) {
        const QColor mark = colour.lightness() > 128 ? QColor(Qt::black) : QColor(Qt::white);
        painter->setPen(QPen(mark, 1.5));
        painter->setBrush(mark);
        const double radius = bar.height() / 3.0;
        painter->drawEllipse(QRectF(cell).center(), radius, radius);
      }
    }
    painter->setPen(QColor(0xD0, 0xD0, 0xD0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5));
  }
  painter->restore();
  return item.height();
}

void CSketchPoint::OnTap(int x, int y) {
  const QRect bar = BarRect();
  if (!bar.isEmpty() && bar.contains(x, y)) {
    const int colours = SketchLogic::PaletteSize(m_settings.palette);
    const int index =
        std::clamp((x - bar.left()) * colours / std::max(1, bar.width()), 0, colours - 1);
    if (index != m_colour) {
      m_colour = index;
      InvalidatePoint();
    }
    return;
  }
  if (CanvasRect().contains(x, y) && !IsReadOnly()) {
    Draw();
    return;
  }
  CBasePoint::OnTap(x, y);
}

void CSketchPoint::Draw() {
  if (IsReadOnly()) return;
  if (!m_backgroundLoaded) LoadBackground();
  CDialogService::SketchRequest request;
  request.caption = DisplayCaption();
  request.background = m_background;
  request.canvas = CanvasSize();
  const SketchLogic::Sketch before = SketchLogic::Decode(m_value, CDisplayScale::Factor());
  request.strokes = before.strokes;
  request.paletteSize = SketchLogic::PaletteSize(m_settings.palette);
  request.colour = m_colour;
  request.eraseGesture = m_settings.penMode == 1;
  if (!CServices::Instance().Dialogs().EditSketch(request)) return;
  m_colour = request.colour;
  // Only a change rewrites the value: an older or damaged value stays as it was until then.
  if (request.strokes != before.strokes) {
    StoreValue(CVariant::FromBytes(SketchLogic::Encode(request.strokes, request.canvas)));
  }
  if (CPage* page = Page()) page->Relayout();
  InvalidatePoint();
}

bool CSketchPoint::SaveSketchImage(const CVariant& value, const QString& path) {
  if (value.IsEmptyOrNull() || (value.IsString() && value.StringPayload().isEmpty())) {
    return false;
  }
  if (!m_backgroundLoaded) LoadBackground();
  const SketchLogic::Sketch sketch = SketchLogic::Decode(value, CDisplayScale::Factor());
  const QSize canvas = CanvasFor(value, 0);
  const QImage image = SketchLogic::Render(m_background, sketch.strokes, canvas);
  return !image.isNull() && WriteJpeg(image, path);
}

bool CSketchPoint::GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                                   QString& text) {
  text.clear();
  if (value.IsEmptyOrNull() || (value.IsString() && value.StringPayload().isEmpty())) {
    return true;
  }
  const QString path = SketchLogic::OutputFileName(baseFile, index, Name());
  if (SaveSketchImage(value, path)) text = QFileInfo(path).fileName();
  return true;
}

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
