// TEMPORARY stand-in until the real filter bar lands.
#pragma once
#include <QWidget>
#include <cstdint>
class CClientFilterBar : public QWidget {
  Q_OBJECT
 public:
  explicit CClientFilterBar(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetCounts(uint32_t, uint32_t, uint32_t) {}
  void SetSelected(int s) { m_s = s; }
  int Selected() const { return m_s; }
 Q_SIGNALS:
  void segmentChosen(int segment);

 private:
  int m_s = 0;
};
