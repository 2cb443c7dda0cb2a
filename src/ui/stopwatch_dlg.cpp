#include "ui/stopwatch_dlg.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/language.h"
#include "project/display_scale.h"

namespace {

QString Text(const char* key, const char* fallback) {
  QString text;
  if (!CLanguage::Instance().Lookup(QString::fromLatin1(key), text) || text.isEmpty()) {
    text = QString::fromLatin1(fallback);
  }
  return text;
}

// The total, centred in bold on white inside a thin blue frame; a click toggles the watch.
class CStopwatchDisplay : public QWidget {
 public:
  CStopwatchDisplay(CStopwatchDlg* dialog) : QWidget(dialog), m_dialog(dialog) {
    const int s = CDisplayScale::Factor();
    setMinimumSize(220 * s, 48 * s);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(0, 104, 150));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.setFont(CDisplayScale::Font(20, true));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_dialog->DisplayText());
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) m_dialog->Toggle();
  }

 private:
  CStopwatchDlg* m_dialog;
};

}  // namespace

CStopwatchDlg::CStopwatchDlg(CDialogService::Stopwatch& watch, QWidget* parent)
    : QDialog(parent), m_watch(watch) {
  setWindowTitle(Text("Point.Stopwatch.Title", "Stopwatch"));
  m_ticker.setInterval(kRedrawMs);
  QObject::connect(&m_ticker, &QTimer::timeout, this, [this] { Refresh(); });
  m_display = new CStopwatchDisplay(this);
  auto button = [this](const char* key, const char* fallback) {
    auto* b = new QPushButton(Text(key, fallback), this);
    b->setFont(CDisplayScale::Font(15, true));
    b->setAutoDefault(false);  // Enter toggles the watch instead
    b->setMinimumHeight(32 * CDisplayScale::Factor());
    return b;
  };
  m_start = button("Point.Stopwatch.Start", "Start");
  m_stop = button("Point.Stopwatch.Stop", "Stop");
  m_reset = button("Point.Stopwatch.Reset", "Reset");
  m_close = button("Point.Stopwatch.Close", "Close");
  QObject::connect(m_start, &QPushButton::clicked, this, [this] { Start(); });
  QObject::connect(m_stop, &QPushButton::clicked, this, [this] { Stop(); });
  QObject::connect(m_reset, &QPushButton::clicked, this, [this] { Reset(); });
  QObject::connect(m_close, &QPushButton::clicked, this, [this] { reject(); });
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {m_start, m_stop, m_reset}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_display);
  layout->addLayout(buttons);
  layout->addWidget(m_close);
  Update();
  if (m_watch.Running()) m_ticker.start();
}

void CStopwatchDlg::Start() {
  m_watch.Start();
  m_ticker.start();
  Update();
  m_stop->setFocus();
}

void CStopwatchDlg::Stop() {
  m_ticker.stop();
  m_watch.Stop();
  Update();
  m_start->setFocus();
}

void CStopwatchDlg::Reset() {
  m_ticker.stop();
  m_watch.Reset();
  Update();
  m_start->setFocus();
}

void CStopwatchDlg::Toggle() {
  if (m_watch.Running()) {
    Stop();
  } else {
    Start();
  }
}

void CStopwatchDlg::Refresh() {
  const QString text = m_watch.Display();
  if (text == m_shown) return;
  m_shown = text;
  m_display->update();
}

void CStopwatchDlg::Update() {
  const bool running = m_watch.Running();
  m_start->setEnabled(!running);
  m_stop->setEnabled(running);
  Refresh();
}

void CStopwatchDlg::done(int result) {
  m_ticker.stop();
  m_watch.Stop();
  QDialog::done(result);
}

void CStopwatchDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Toggle();
    return;
  }
  QDialog::keyPressEvent(event);
}
