#include "ui/sketch_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/language.h"
#include "points/sketch_point_logic.h"
#include "project/display_scale.h"

namespace {

constexpr int kHoldMs = 800;  // press and hold this long without moving to erase
constexpr int kHoldSlop = 2;  // moving further than this cancels the hold
constexpr int kBarHeight = 32;

QString Text(const char* key, const char* fallback) {
  QString text;
  if (!CLanguage::Instance().Lookup(QString::fromLatin1(key), text) || text.isEmpty()) {
    text = QString::fromLatin1(fallback);
  }
  return text;
}

}  // namespace

// The canvas: background, strokes and the stroke being drawn.
class CSketchCanvas : public QWidget {
 public:
  CSketchCanvas(CDialogService::SketchRequest& request, std::function<void()> changed,
                QWidget* parent)
      : QWidget(parent), m_request(request), m_changed(std::move(changed)) {
    m_hold.setSingleShot(true);
    m_hold.setInterval(kHoldMs);
    QObject::connect(&m_hold, &QTimer::timeout, this, [this] { Erase(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QSize canvas = m_request.canvas.isEmpty() ? QSize(320, 64) : m_request.canvas;
    const int scale = CDisplayScale::Factor();
    QSize view = canvas.scaled(CSketchDialog::kMaxViewWidth * scale,
                               CSketchDialog::kMaxViewHeight * scale, Qt::KeepAspectRatio);
    if (canvas.width() <= view.width() && canvas.height() <= view.height()) view = canvas;
    view = view.expandedTo(QSize(1, 1));
    setFixedSize(view);
    m_factor = double(view.width()) / canvas.width();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (m_request.background.isNull()) {
      painter.fillRect(rect(), Qt::white);
    } else {
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.drawImage(rect(), m_request.background);
    }
    SketchLogic::DrawStrokes(painter, m_request.strokes, m_factor);
    if (m_drawing) SketchLogic::DrawStrokes(painter, {m_current}, m_factor);
    painter.setPen(QColor(0xD0, 0xD0, 0xD0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    m_drawing = true;
    m_pressedAt = event->position();
    m_current = SketchLogic::Stroke();
    m_current.colour = m_request.colour;
    m_current.points.append(SketchLogic::ToCanvas(event->position(), m_factor, m_request.canvas));
    if (m_request.eraseGesture) m_hold.start();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!m_drawing) return;
    if ((event->position() - m_pressedAt).manhattanLength() > kHoldSlop) m_hold.stop();
    const QPoint point = SketchLogic::ToCanvas(event->position(), m_factor, m_request.canvas);
    if (m_current.points.isEmpty() || m_current.points.last() != point) {
      m_current.points.append(point);
      update();
    }
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || !m_drawing) return;
    m_hold.stop();
    m_drawing = false;
    if (m_current.points.size() >= 2) {
      m_request.strokes.append(m_current);
      m_changed();
    }
    m_current = SketchLogic::Stroke();
    update();
  }

 private:
  void Erase() {
    m_drawing = false;
    m_current = SketchLogic::Stroke();
    if (SketchLogic::RemoveColour(m_request.strokes, m_request.colour)) m_changed();
    update();
  }

  CDialogService::SketchRequest& m_request;
  std::function<void()> m_changed;
  double m_factor = 1.0;
  bool m_drawing = false;
  QPointF m_pressedAt;
  SketchLogic::Stroke m_current;
  QTimer m_hold;
};

// The colour bar: equal cells of the palette; the selected one carries a dot.
class CSketchColourBar : public QWidget {
 public:
  CSketchColourBar(CDialogService::SketchRequest& request, QWidget* parent)
      : QWidget(parent), m_request(request) {
    setFixedHeight(kBarHeight * CDisplayScale::Factor());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const int count = std::max(1, m_request.paletteSize);
    for (int i = 0; i < count; ++i) {
      const int left = width() * i / count;
      const QRect cell(left, 0, width() * (i + 1) / count - left, height());
      const QColor colour = SketchLogic::Colour(i);
      painter.fillRect(cell, colour);
      if (i == m_request.colour) {
        const QColor mark = colour.lightness() > 128 ? QColor(Qt::black) : QColor(Qt::white);
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark);
        const double radius = height() / 3.0;
        painter.drawEllipse(QRectF(cell).center(), radius, radius);
      }
    }
    painter.setPen(QColor(0xD0, 0xD0, 0xD0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  void mousePressEvent(QMouseEvent* event) override {
    const int count = std::max(1, m_request.paletteSize);
    m_request.colour = std::clamp(
        static_cast<int>(event->position().x()) * count / std::max(1, width()), 0, count - 1);
    update();
  }

 private:
  CDialogService::SketchRequest& m_request;
};

CSketchDialog::CSketchDialog(const CDialogService::SketchRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
  setWindowTitle(m_request.caption.isEmpty() ? Text(QLT_KEY("Point.Sketch.Title"), "Sketch")
                                             : m_request.caption);
  if (m_request.canvas.isEmpty()) m_request.canvas = QSize(320, 64);
  auto* layout = new QVBoxLayout(this);
  auto* canvas = new CSketchCanvas(
      m_request, [this] { m_undo->setEnabled(true); }, this);
  m_canvas = canvas;
  layout->addWidget(canvas, 0, Qt::AlignHCenter);
  if (m_request.paletteSize > 0) {
    m_bar = new CSketchColourBar(m_request, this);
    m_bar->setFixedWidth(canvas->width());
    layout->addWidget(m_bar, 0, Qt::AlignHCenter);
  }
  // Undo and Clear work on the drawing, so they stand apart from OK and Cancel.
  auto* row = new QHBoxLayout;
  m_undo = new QPushButton(Text(QLT_KEY("Point.Sketch.Undo"), "Undo"), this);
  m_clear = new QPushButton(Text(QLT_KEY("Point.Sketch.Clear"), "Clear"), this);
  for (QPushButton* button : {m_undo, m_clear}) {
    button->setAutoDefault(false);
    row->addWidget(button);
  }
  row->addStretch(1);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(Text(QLT_KEY("System.OK"), "OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(Text(QLT_KEY("System.Cancel"), "Cancel"), QDialogButtonBox::RejectRole);
  row->addWidget(buttons);
  m_undo->setEnabled(!m_request.strokes.isEmpty());
  connect(m_undo, &QPushButton::clicked, this, [this] {
    if (!m_request.strokes.isEmpty()) m_request.strokes.removeLast();
    m_undo->setEnabled(!m_request.strokes.isEmpty());
    m_canvas->update();
  });
  connect(m_clear, &QPushButton::clicked, this, [this] {
    m_request.strokes.clear();
    m_undo->setEnabled(false);
    m_canvas->update();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addLayout(row);
}

CSketchDialog::~CSketchDialog() = default;

QWidget* CSketchDialog::Canvas() const { return m_canvas; }

CDialogService::SketchRequest CSketchDialog::Result() const { return m_request; }
