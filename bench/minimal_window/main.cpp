// The baseline of the start-up benchmark: the least a Qt widget program does before its first
// frame is on screen (an application object, one maximised window, one paint), reporting
// "painted" on stdout after that paint as the client does with QLT_ECHO_COMMANDS=1.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class CFirstPaintWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Baseline"));
    if (!m_painted) {
      m_painted = true;
      QTimer::singleShot(0, this, [] {
        std::puts("painted");
        std::fflush(stdout);
      });
    }
  }

 private:
  bool m_painted = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  CFirstPaintWindow window;
  window.setWindowTitle(QStringLiteral("Baseline"));
  window.showMaximized();
  return QApplication::exec();
}
