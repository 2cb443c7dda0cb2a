#include "ui/page_ctrl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>
#include <limits>

#include "points/link_point.h"
#include "project/base_point.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page.h"
#include "project/project.h"
#include "ui/shared_fonts.h"

namespace {

// Pixel sizes at normal scale; they double at doubled scale.
constexpr int kLine = 20;
constexpr int kPage = 100;
// The header band the page's content starts below (and that a tap opens the help in); a header
// image taller than that pushes the content down with it.
constexpr int kHeaderBand = 60;
constexpr int kHelpBottom = 32;
// Bands kept free around what is brought into view: a tapped point, a control that got the
// focus (normal and doubled scale), and a control reached with Tab (fixed).
constexpr int kTapBand = 64;
constexpr int kTapBandDoubled = 180;
constexpr int kFocusBand = 90;
constexpr int kFocusBandDoubled = 256;
constexpr int kTabAbove = 18;
constexpr int kTabBelow = 8;
// A point reporting more than this is taken at this height.
constexpr int kMaxPointHeight = 1 << 20;

// A command a point asked to get later, from the event loop.
class CPostedCommandEvent : public QEvent {
 public:
  static QEvent::Type EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  CPostedCommandEvent(CBasePoint* point, uint32_t command, intptr_t argument)
      : QEvent(EventType()), point(point), command(command), argument(argument) {}

  CBasePoint* point;
  uint32_t command;
  intptr_t argument;
};

bool IsComboKind(ControlKind kind) {
  return kind == ControlKind::kComboBox || kind == ControlKind::kMultiComboBox;
}

}  // namespace

CPageCtrl::CPageCtrl(QWidget* parent)
    : QWidget(parent),
      m_host(new CControlHost(this)),
      m_scrollBar(new QScrollBar(Qt::Vertical, this)),
      m_scratch(1, 1, QImage::Format_RGB32) {
  // The page layouts are made for the shared fonts.
  CSharedFonts::Install();
  // Clicks on the page leave the focus where it is (a box keeps it while its arrows are tapped);
  // the page takes it only when asked.
  setFocusPolicy(Qt::TabFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_scrollBar->setFocusPolicy(Qt::NoFocus);
  m_scrollBar->hide();
  m_host->SetNotifier([this](Control control, uint16_t code) { OnNotification(control, code); });
  m_host->SetKeyFilter(this);
  connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
    if (!m_settingScrollBar) ScrollTo(value);
  });
  connect(m_scrollBar, &QScrollBar::actionTriggered, this, &CPageCtrl::OnScrollBarAction);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget* from, QWidget* to) { m_host->FocusChanged(from, to); });
}

CPageCtrl::~CPageCtrl() {
  // Widgets die after this body; their focus moves must not reach the points any more.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  if (m_page) m_page->Leave(false);
  m_page = nullptr;
  m_host->DestroyAll();
}

// ---- the page shown

CProject* CPageCtrl::Project() const { return m_page ? m_page->Project() : nullptr; }

bool CPageCtrl::IsRunning() const {
  const CProject* project = Project();
  return project && !project->SessionGuid().isEmpty();
}

int CPageCtrl::Scale() const { return CDisplayScale::Factor(); }

int CPageCtrl::Margin() const {
  const CProject* project = Project();
  return (project ? project->Graphics().margin : CGraphics::kDefaultMargin) * Scale();
}

int CPageCtrl::Spacing() const {
  const CProject* project = Project();
  return (project ? project->Graphics().spacing : CGraphics::kDefaultSpacing) * Scale();
}

bool CPageCtrl::ChangeToPage(CPage* page, bool verify) { return SetPage(page, verify); }

bool CPageCtrl::SetPage(CPage* page, bool verify) {
  if (page && page == m_page) {
    if (m_helpShown) {
      LeaveHelp();
    } else {
      Layout(ScrollStart::kKeep);
    }
    return true;
  }
  if (m_page) {
    CProject* project = m_page->Project();
    if (verify && IsRunning() && project && !project->IsReadOnly()) {
      CBasePoint* failing = nullptr;
      if (!m_page->Leave(true, &failing)) {
        if (m_helpShown) LeaveHelp();
        if (failing && m_page->IndexOf(failing) >= 0) {
          ScrollTo(m_scroll + failing->ItemRect().top());
          // The refusing point usually focused its control itself; make sure one of its own has
          // the focus.
          const QList<Control> own = ControlsOfPoint(failing);
          const Control focused = FocusedControl();
          if (!own.isEmpty() && !own.contains(focused)) {
            for (Control control : own) {
              if (m_host->IsVisible(control)) {
                m_host->Focus(control);
                break;
              }
            }
          }
        }
        return false;
      }
    }
    m_page->Leave(false);
    m_page = nullptr;
    // Controls a point left behind go with its page.
    m_host->DestroyAll();
  }
  m_heights.clear();
  m_helpShown = false;
  m_helpRuns.clear();
  m_helpCaption.clear();
  m_helpText.clear();
  m_page = page;
  if (page) page->Activate(this);
  Layout(ScrollStart::kTop);
  if (QWidget::mouseGrabber() == this) releaseMouse();
  PostPageChanged();
  FocusFirstEdit();
  return true;
}

void CPageCtrl::PostPageChanged() {
  QObject* target = m_notifyTarget ? m_notifyTarget.data() : window();
  if (target) QCoreApplication::postEvent(target, new QEvent(kPageChangedEvent));
}

void CPageCtrl::FocusFirstEdit() {
  for (Control control : TabOrder()) {
    if (m_host->Kind(control) == ControlKind::kEdit) {
      m_movingFocus = true;
      m_host->Focus(control);
      m_movingFocus = false;
      return;
    }
  }
  m_movingFocus = true;
  setFocus(Qt::OtherFocusReason);
  m_movingFocus = false;
}

void CPageCtrl::RouteCommand(uint32_t command, intptr_t argument) {
  if (m_inLayout || m_inCommand || !m_page) return;
  m_inCommand = true;
  // A point may change the page while it handles the command; the rest of the old page's
  // points still get it, as they all exist as long as the project does.
  QList<CBasePoint*> points;
  for (const auto& point : m_page->Points()) points.append(point.get());
  for (CBasePoint* point : points) point->OnCommand(command, argument);
  m_inCommand = false;
}

// ---- help

void CPageCtrl::ShowHelp(const QString& caption, const QString& text) {
  m_host->ClosePopups();
  if (!m_helpShown) m_helpReturnScroll = m_scroll;
  m_helpShown = true;
  m_helpCaption = caption;
  m_helpText = text;
  Layout(ScrollStart::kTop);
}

void CPageCtrl::LeaveHelp() {
  if (!m_helpShown) return;
  m_helpShown = false;
  m_helpRuns.clear();
  Layout(ScrollStart::kRestore, m_helpReturnScroll);
}

// ---- layout

QRect CPageCtrl::ClientRect() const {
  const int scrollBar = m_scrollBar->isHidden() ? 0 : m_scrollBar->width();
  return QRect(0, 0, std::max(0, width() - scrollBar), height());
}

void CPageCtrl::Relayout() {
  if (m_inLayout || m_painting || m_inCommand) {
    // Not in the middle of a layout, a paint or a control's own notification: once it is over.
    if (!m_relayoutQueued) {
      m_relayoutQueued = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            m_relayoutQueued = false;
            Layout(ScrollStart::kKeep);
          },
          Qt::QueuedConnection);
    }
    return;
  }
  Layout(ScrollStart::kKeep);
}

void CPageCtrl::Layout(ScrollStart start, int restorePosition) {
  if (m_inLayout || m_painting) {
    Relayout();
    return;
  }
  m_inLayout = true;
  m_shownInLayout.clear();
  const Control focused = FocusedControl();
  if (CProject* project = Project()) {
    m_backdrop.Update(project->Graphics(), CDisplayScale::IsDoubled());
  }
  m_contentTop = m_page ? std::max(kHeaderBand * Scale(), m_backdrop.HeaderHeight()) : 0;

  const int s = Scale();
  const int fullWidth = width();
  const int clientHeight = height();
  int contentWidth = fullWidth - 2 * Margin();
  int pageHeight = m_helpShown ? MeasureHelp(contentWidth) : MeasurePage(contentWidth);
  const int range = std::max(0, pageHeight + m_contentTop - clientHeight);
  const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBar);
  if (range > 0) {
    // With the scroll bar the content is narrower; the range stays as measured.
    contentWidth -= scrollBarWidth;
    pageHeight = m_helpShown ? MeasureHelp(contentWidth) : MeasurePage(contentWidth);
  }
  m_pageHeight = pageHeight;
  m_range = range;

  m_settingScrollBar = true;
  m_scrollBar->setGeometry(fullWidth - scrollBarWidth, 0, scrollBarWidth, clientHeight);
  m_scrollBar->setRange(0, range);
  m_scrollBar->setPageStep(std::max(1, clientHeight));
  m_scrollBar->setSingleStep(kLine * s);
  m_scrollBar->setVisible(range > 0);
  if (start == ScrollStart::kTop) {
    m_scroll = 0;
  } else if (start == ScrollStart::kRestore) {
    m_scroll = restorePosition;
  }
  m_scroll = std::clamp(m_scroll, 0, range);
  m_scrollBar->setValue(m_scroll);
  m_settingScrollBar = false;

  const QSize clientSize = ClientRect().size();
  if (m_buffer.size() != clientSize) {
    m_buffer = clientSize.isEmpty() ? QImage() : QImage(clientSize, QImage::Format_RGB32);
  }
  m_dirty = QRegion();
  Render(ClientRect(), true);
  // Every control its point did not show again stays hidden (points re-show their own controls
  // when they paint).
  for (Control control : m_host->Controls()) {
    if (!m_shownInLayout.contains(control)) m_host->Show(control, false);
  }
  update();
  m_inLayout = false;

  if (focused && m_host->Exists(focused) && m_host->IsVisible(focused) &&
      FocusedControl() != focused) {
    m_movingFocus = true;
    m_host->Focus(focused);
    m_movingFocus = false;
  }
}

int CPageCtrl::MeasurePage(int width) {
  m_heights.clear();
  m_textHeight = 0;
  if (!m_page) return 0;
  CProject* project = Project();
  const int spacing = Spacing();
  int64_t height = 0;
  if (!m_page->Text().isEmpty() && project) {
    const QFontMetrics metrics(project->Graphics().Font(CGraphics::kNormal));
    m_textHeight =
        metrics
            .boundingRect(QRect(0, 0, std::max(width, 1), kMaxPointHeight),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_page->Text())
            .height();
    height = m_textHeight + 2 * spacing;
  }
  QPainter painter(&m_scratch);
  for (const auto& owned : m_page->Points()) {
    CBasePoint* point = owned.get();
    if (!point->IsDisplayed()) continue;
    painter.save();
    const int measured = std::clamp(point->GetHeight(&painter, width), 0, kMaxPointHeight);
    painter.restore();
    m_heights.insert(point, measured);
    height += measured;
    if (measured != 0) height += spacing;
  }
  return static_cast<int>(std::min<int64_t>(height, std::numeric_limits<int>::max() / 4));
}

int CPageCtrl::MeasureHelp(int width) {
  m_helpRuns.clear();
  CProject* project = Project();
  if (!project) return 0;
  const CGraphics& graphics = project->Graphics();
  CHelpLayout::Fonts fonts;
  fonts.normal = graphics.Font(CGraphics::kNormal);
  fonts.bold = graphics.Font(CGraphics::kBold);
  fonts.underline = graphics.Font(CGraphics::kUnderline);
  fonts.boldUnderline = graphics.Font(CGraphics::kBoldUnderline);
  fonts.heading = graphics.Font(CGraphics::kHeading);
  QList<CHelpMarkup::Item> items = CHelpMarkup::PlainWords(m_helpCaption, CHelpMarkup::kHeading);
  if (!items.isEmpty()) {
    CHelpMarkup::Item gap;
    gap.kind = CHelpMarkup::Item::kLineBreak;
    gap.lines = 2;
    items.append(gap);
  }
  items.append(CHelpMarkup::Parse(m_helpText));
  const CHelpLayout::Result result =
      CHelpLayout::Layout(items, fonts, Margin(), m_contentTop, width);
  m_helpRuns = result.runs;
  return result.bottom - m_contentTop + kHelpBottom * Scale();
}

// ---- painting

void CPageCtrl::Render(const QRect& area, bool placeEveryPoint) {
  if (m_buffer.isNull()) return;
  const QRect clip = area & QRect(QPoint(0, 0), m_buffer.size());
  if (clip.isEmpty() && !placeEveryPoint) return;
  m_painting = true;
  QPainter painter(&m_buffer);
  painter.setClipRect(clip);
  CProject* project = Project();
  const bool pageShown = m_page && project;
  painter.fillRect(clip, pageShown ? CGraphics::ToColour(project->Graphics().backgroundColour)
                                   : QColor(Qt::white));
  if (pageShown) {
    const QRect client(QPoint(0, 0), m_buffer.size());
    m_backdrop.PaintSide(painter, client, m_backdrop.HeaderHeight(), m_scroll);
    m_backdrop.PaintHeader(painter, client, m_scroll, m_page->Caption(), project->Graphics());
    if (m_helpShown) {
      RenderHelp(painter, clip);
    } else {
      RenderPage(painter, clip, placeEveryPoint);
    }
  }
  painter.end();
  m_painting = false;
}

void CPageCtrl::RenderPage(QPainter& painter, const QRect& area, bool placeEveryPoint) {
  const CGraphics& graphics = Project()->Graphics();
  const int left = Margin();
  const int right = std::max(left, m_buffer.width() - Margin());
  const int spacing = Spacing();
  int y = m_contentTop - m_scroll;
  if (!m_page->Text().isEmpty()) {
    const QRect textRect(left, y, right - left, m_textHeight);
    if (textRect.intersects(area)) {
      painter.save();
      painter.setFont(graphics.Font(CGraphics::kNormal));
      painter.setPen(CGraphics::ToColour(graphics.textColour));
      painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_page->Text());
      painter.restore();
    }
    y += m_textHeight + 2 * spacing;
  }
  // A point may change the page's list while it paints; walk a copy.
  QList<CBasePoint*> points;
  for (const auto& point : m_page->Points()) points.append(point.get());
  for (CBasePoint* point : points) {
    const int height = m_heights.value(point, 0);
    if (point->IsDisplayed() && height != 0) {
      const QRect rect(left, y, right - left, height);
      point->SetItemRect(rect);
      y += height + spacing;
      // Points outside the area still place their controls on a full paint, so that every
      // control of the page exists where its point is (Tab reaches it, scrolling carries it).
      if (placeEveryPoint || rect.intersects(area)) {
        painter.save();
        point->Paint(&painter);
        painter.restore();
      }
    } else {
      point->SetItemRect(QRect());
      point->Paint(nullptr);
    }
  }
}

void CPageCtrl::RenderHelp(QPainter& painter, const QRect& area) {
  const CGraphics& graphics = Project()->Graphics();
  const QColor text = CGraphics::ToColour(graphics.textColour);
  const QColor heading = CGraphics::ToColour(graphics.headingColour);
  CHelpLayout::Fonts fonts;
  fonts.normal = graphics.Font(CGraphics::kNormal);
  fonts.bold = graphics.Font(CGraphics::kBold);
  fonts.underline = graphics.Font(CGraphics::kUnderline);
  fonts.boldUnderline = graphics.Font(CGraphics::kBoldUnderline);
  fonts.heading = graphics.Font(CGraphics::kHeading);
  painter.save();
  for (const CHelpLayout::Run& run : m_helpRuns) {
    const QRect rect = run.rect.translated(0, -m_scroll);
    if (!rect.intersects(area)) continue;
    const QFont& font = fonts.ForStyle(run.style);
    painter.setFont(font);
    painter.setPen((run.style & CHelpMarkup::kHeading) ? heading : text);
    painter.drawText(QPoint(rect.left(), rect.top() + QFontMetrics(font).ascent()), run.text);
  }
  painter.restore();
}

void CPageCtrl::Invalidate(const QRect& rect) {
  const QRect area = rect & ClientRect();
  if (area.isEmpty()) return;
  m_dirty += area;
  if (!m_flushQueued) {
    m_flushQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { FlushPaint(); }, Qt::QueuedConnection);
  }
}

void CPageCtrl::FlushPaint() {
  m_flushQueued = false;
  if (m_painting || m_dirty.isEmpty()) return;
  const QRegion dirty = m_dirty;
  m_dirty = QRegion();
  for (const QRect& rect : dirty) Render(rect);
  update(dirty);
}

void CPageCtrl::paintEvent(QPaintEvent* event) {
  if (!m_dirty.isEmpty() && !m_painting) FlushPaint();
  QPainter painter(this);
  const QRect area = event->rect() & ClientRect();
  if (m_buffer.isNull()) {
    painter.fillRect(area, Qt::white);
    return;
  }
  painter.drawImage(area, m_buffer, area);
}

void CPageCtrl::resizeEvent(QResizeEvent*) { Layout(ScrollStart::kKeep); }

// ---- scrolling

void CPageCtrl::ScrollTo(int position) {
  position = std::clamp(position, 0, m_range);
  if (position == m_scroll) return;
  m_host->ClosePopups();
  const int dy = m_scroll - position;
  m_scroll = position;
  if (!m_settingScrollBar) {
    m_settingScrollBar = true;
    m_scrollBar->setValue(position);
    m_settingScrollBar = false;
  }
  // The controls move with the contents; moving a widget keeps its focus.
  for (Control control : m_host->Controls()) {
    QWidget* widget = m_host->Widget(control);
    if (widget && !widget->isHidden()) widget->move(widget->pos() + QPoint(0, dy));
  }
  if (m_buffer.isNull()) return;
  const int height = m_buffer.height();
  if (std::abs(dy) >= height || m_inLayout) {
    Render(QRect(QPoint(0, 0), m_buffer.size()));
  } else {
    // Move the pixels that stay visible and paint only the band that was uncovered.
    const qsizetype line = m_buffer.bytesPerLine();
    uchar* bits = m_buffer.bits();
    if (dy > 0) {
      std::memmove(bits + dy * line, bits, (height - dy) * line);
    } else {
      std::memmove(bits, bits - dy * line, (height + dy) * line);
    }
    m_dirty.translate(0, dy);
    const QRect band =
        dy > 0 ? QRect(0, 0, m_buffer.width(), dy) : QRect(0, height + dy, m_buffer.width(), -dy);
    Render(band);
  }
  update(ClientRect());
}

void CPageCtrl::OnScrollBarAction(int action) {
  // A page of the scroll bar is a fixed distance, not the window's height.
  const int page = kPage * Scale();
  if (action == QAbstractSlider::SliderPageStepAdd) {
    m_scrollBar->setSliderPosition(std::min(m_scroll + page, m_range));
  } else if (action == QAbstractSlider::SliderPageStepSub) {
    m_scrollBar->setSliderPosition(std::max(m_scroll - page, 0));
  }
}

void CPageCtrl::EnsureVisible(const QRect& rect, int above, int below) {
  if (rect.isEmpty()) return;
  const int clientHeight = height();
  const int top = rect.top();
  const int bottom = rect.top() + rect.height();
  int delta = 0;
  if (top < above) {
    delta = top - above;
  } else if (bottom > clientHeight - below) {
    // Down until the bottom shows, but never so far that the top leaves.
    delta = std::min(bottom - (clientHeight - below), top - above);
  }
  if (delta != 0) ScrollTo(m_scroll + delta);
}

void CPageCtrl::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {
    event->ignore();
    return;
  }
  ScrollBy(-delta * Scale() / 3);
  event->accept();
}

void CPageCtrl::keyPressEvent(QKeyEvent* event) {
  const int s = Scale();
  switch (event->key()) {
    case Qt::Key_Up:
      ScrollBy(-kLine * s);
      break;
    case Qt::Key_Down:
      ScrollBy(kLine * s);
      break;
    case Qt::Key_PageUp:
      ScrollBy(-kPage * s);
      break;
    case Qt::Key_PageDown:
      ScrollBy(kPage * s);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

// ---- taps, keys and focus

void CPageCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  Tap(event->position().toPoint());
  event->accept();
}

void CPageCtrl::Tap(const QPoint& position) {
  if (m_helpShown) {
    LeaveHelp();
    return;
  }
  if (!m_page) return;
  const int x = position.x();
  const int y = position.y();
  CBasePoint* hit = m_page->PointAt(x, y);
  if (hit) {
    CPage* page = m_page;
    hit->OnTap(x, y);
    // The tap may have changed the page or shown help; then there is nothing to bring into view.
    if (IsRunning() && m_page == page && !m_helpShown && page->IndexOf(hit) >= 0) {
      const int band = Scale() == 2 ? kTapBandDoubled : kTapBand;
      EnsureVisible(hit->ItemRect(), band, band);
    }
    return;
  }
  if (y < m_contentTop && !m_page->Help().isEmpty()) {
    ShowHelp(m_page->Caption(), m_page->Help());
  }
}

void CPageCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  const CBasePoint* over =
      m_page && !m_helpShown ? m_page->PointAt(position.x(), position.y()) : nullptr;
  if (over && over->TypeCode() == CLinkPoint::kTypeCode) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
  QWidget::mouseMoveEvent(event);
}

bool CPageCtrl::event(QEvent* event) {
  if (event->type() == CPostedCommandEvent::EventType()) {
    auto* posted = static_cast<CPostedCommandEvent*>(event);
    // Only a point still on the page shown gets it; its page may have gone meanwhile.
    if (m_page && m_page->IndexOf(posted->point) >= 0) {
      posted->point->OnCommand(posted->command, posted->argument);
    }
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      if (key->key() == Qt::Key_Backtab ||
          (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier))) {
        MoveFocus(false);
        return true;
      }
      if (key->key() == Qt::Key_Tab) {
        MoveFocus(true);
        return true;
      }
    }
  }
  return QWidget::event(event);
}

bool CPageCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const Control control = m_host->ControlOf(watched);
  if (!control) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  switch (key->key()) {
    case Qt::Key_Tab:
      MoveFocus(!(key->modifiers() & Qt::ShiftModifier));
      return true;
    case Qt::Key_Backtab:
      MoveFocus(false);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (m_host->IsMultiLineEdit(control)) return false;
      MoveFocus(true);
      return true;
    default:
      return false;
  }
}

bool CPageCtrl::focusNextPrevChild(bool next) {
  QWidget* focus = window()->focusWidget();
  if (focus && focus != this && !focus->isVisible()) {
    // A control with the focus is being hidden: the page itself keeps the focus rather than a
    // control the user did not choose.
    m_movingFocus = true;
    setFocus(Qt::OtherFocusReason);
    m_movingFocus = false;
    return true;
  }
  if (!m_inLayout) MoveFocus(next);
  return true;
}

QList<CPageWindow::Control> CPageCtrl::TabOrder() const {
  struct Entry {
    int pointIndex;
    Control control;
  };
  QList<Entry> entries;
  for (Control control : m_host->Controls()) {
    if (!(m_host->Styles(control) & kCsTabStop)) continue;
    const QWidget* widget = m_host->Widget(control);
    if (!widget || widget->isHidden() || !widget->isEnabled()) continue;
    const CBasePoint* owner = m_host->Owner(control);
    const int index = m_page && owner ? m_page->IndexOf(owner) : -1;
    entries.append({index, control});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.pointIndex != b.pointIndex ? a.pointIndex < b.pointIndex : a.control < b.control;
  });
  QList<Control> order;
  for (const Entry& entry : entries) order.append(entry.control);
  return order;
}

void CPageCtrl::MoveFocus(bool next) {
  if (m_inKey) return;
  const QList<Control> order = TabOrder();
  if (order.isEmpty()) return;
  m_inKey = true;
  const qsizetype count = order.size();
  const qsizetype current = order.indexOf(FocusedControl());
  qsizetype target = 0;
  if (current < 0) {
    target = next ? 0 : count - 1;
  } else {
    target = next ? (current + 1) % count : (current + count - 1) % count;
  }
  const Control control = order[target];
  if (QWidget* widget = m_host->Widget(control)) {
    widget->setFocus(Qt::TabFocusReason);
    EnsureVisible(widget->geometry(), kTabAbove, kTabBelow);
  }
  m_inKey = false;
}

CPageWindow::Control CPageCtrl::FocusedControl() const {
  const QWidget* focus = window()->focusWidget();
  return focus ? m_host->ControlOf(focus) : 0;
}

QList<CPageWindow::Control> CPageCtrl::ControlsOfPoint(const CBasePoint* point) const {
  QList<Control> controls;
  for (Control control : m_host->Controls()) {
    if (m_host->Owner(control) == point) controls.append(control);
  }
  return controls;
}

void CPageCtrl::OnNotification(Control control, uint16_t code) {
  if (m_inLayout || m_inCommand || !m_page) return;
  CBasePoint* owner = m_host->Owner(control);
  // A control whose point has left the page shown has nobody to tell.
  if (!owner || m_page->IndexOf(owner) < 0) return;
  const ControlKind kind = m_host->Kind(control);
  const bool setFocus = (kind == ControlKind::kEdit && code == CControlHost::kNotifyEditSetFocus) ||
                        (IsComboKind(kind) && code == CControlHost::kNotifyComboSetFocus);
  if (setFocus && IsRunning() && !m_movingFocus) {
    if (QWidget* widget = m_host->Widget(control)) {
      const int band = Scale() == 2 ? kFocusBandDoubled : kFocusBand;
      EnsureVisible(widget->geometry(), band, band);
    }
  }
  m_inCommand = true;
  owner->OnCommand(MakeCommand(code, static_cast<uint16_t>(m_host->Id(control))), control);
  m_inCommand = false;
}

void CPageCtrl::PostCommand(CBasePoint* point, uint32_t command, intptr_t argument) {
  QCoreApplication::postEvent(this, new CPostedCommandEvent(point, command, argument));
}

// ---- CPageWindow: controls

CPageWindow::Control CPageCtrl::CreateControl(CBasePoint* owner, ControlKind kind, unsigned styles,
                                              int id) {
  return m_host->Create(owner, kind, styles, id);
}

void CPageCtrl::DestroyControl(Control control) {
  m_shownInLayout.remove(control);
  m_host->Destroy(control);
}

void CPageCtrl::PlaceControl(Control control, const QRect& rect) { m_host->Place(control, rect); }

void CPageCtrl::ShowControl(Control control, bool visible) {
  m_host->Show(control, visible);
  if (m_inLayout) {
    if (visible) {
      m_shownInLayout.insert(control);
    } else {
      m_shownInLayout.remove(control);
    }
  }
}

bool CPageCtrl::IsControlVisible(Control control) const { return m_host->IsVisible(control); }

void CPageCtrl::FocusControl(Control control) { m_host->Focus(control); }

void CPageCtrl::EnableControl(Control control, bool enabled) { m_host->Enable(control, enabled); }

void CPageCtrl::SetControlFont(Control control, const QFont& font) {
  m_host->SetFont(control, font);
}

void CPageCtrl::SetControlReadOnly(Control control, bool readOnly) {
  m_host->SetReadOnly(control, readOnly);
}

void CPageCtrl::SetTextLimit(Control control, int limit) { m_host->SetTextLimit(control, limit); }

QString CPageCtrl::ControlText(Control control) const { return m_host->Text(control); }

void CPageCtrl::SetControlText(Control control, const QString& text) {
  m_host->SetText(control, text);
}

void CPageCtrl::SelectAllText(Control control) { m_host->SelectAll(control); }

void CPageCtrl::ClearItems(Control control) { m_host->ClearItems(control); }

int CPageCtrl::AddItem(Control control, const QString& text) {
  return m_host->AddItem(control, text);
}

void CPageCtrl::AddItems(Control control, const QStringList& texts) {
  m_host->AddItems(control, texts);
}

void CPageCtrl::RemoveItem(Control control, int index) { m_host->RemoveItem(control, index); }

int CPageCtrl::ItemCount(Control control) const { return m_host->ItemCount(control); }

QString CPageCtrl::ItemText(Control control, int index) const {
  return m_host->ItemText(control, index);
}

int CPageCtrl::CurrentIndex(Control control) const { return m_host->CurrentIndex(control); }

void CPageCtrl::SetCurrentIndex(Control control, int index) {
  m_host->SetCurrentIndex(control, index);
}

bool CPageCtrl::IsItemSelected(Control control, int index) const {
  return m_host->IsItemSelected(control, index);
}

void CPageCtrl::SetItemSelected(Control control, int index, bool selected) {
  m_host->SetItemSelected(control, index, selected);
}

std::optional<QDateTime> CPageCtrl::ControlDateTime(Control control) const {
  return m_host->DateTime(control);
}

void CPageCtrl::SetControlDateTime(Control control, const std::optional<QDateTime>& value) {
  m_host->SetDateTime(control, value);
}

void CPageCtrl::SetControlFormat(Control control, const QString& picture) {
  m_host->SetFormat(control, picture);
}

void CPageCtrl::SetControlRange(Control control, int minimum, int maximum) {
  m_host->SetRange(control, minimum, maximum);
}

int CPageCtrl::ControlPosition(Control control) const { return m_host->Position(control); }

void CPageCtrl::SetControlPosition(Control control, int position) {
  m_host->SetPosition(control, position);
}
