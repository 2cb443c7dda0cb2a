// CClientFilterBar: the band above the session list that chooses which sessions it shows: three
// segments Active, Sent and Deleted, each with its session count, drawn as one rounded band in
// the accent colour with the chosen segment filled and the others white. A click (or the arrow
// keys) on another segment selects it and emits segmentChosen, which the frame treats as its
// filter command (116). Child window 115 of the main frame, which owns it. UI thread only.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>

class CClientFilterBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWindowId = 115;
  static constexpr int kFilterCommand = 116;
  static constexpr int kSegments = 3;

  explicit CClientFilterBar(QWidget* parent = nullptr);

  // The captions shown: when all three contain a space and agree from their first space to the
  // end (" Sessions" in the default texts), each is cut before its first space; otherwise all
  // three stay whole.
  static QStringList ShortenCaptions(const QStringList& captions);
  // The three captions from the translation table, shortened.
  static QStringList TranslatedCaptions();

  // Takes the counts of the three states; repaints only when one changed. True when one did.
  bool SetCounts(uint32_t active, uint32_t sent, uint32_t deleted);
  uint32_t Count(int segment) const;
  // Selects a segment (0 Active, 1 Sent, 2 Deleted; others are ignored) without emitting.
  void SetSelected(int segment);
  int Selected() const { return m_selected; }
  // Reloads the captions from the translation table (after a language change).
  void ReloadCaptions();
  const QStringList& Captions() const { return m_captions; }
  // "Caption (n)".
  QString SegmentText(int segment) const;
  // Where the segment is drawn at the current size and font.
  QRect SegmentRect(int segment) const;
  // The segment under a point, or -1.
  int SegmentAt(const QPoint& point) const;

  QSize sizeHint() const override;

 Q_SIGNALS:
  // The user chose another segment; the frame saves the column widths and shows that state.
  void segmentChosen(int segment);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Choose(int segment);
  // Recomputes the segment rectangles from the texts, the font and the size.
  void Layout();
  // The width every segment gets: the widest caption with its count, plus padding.
  int SegmentWidth() const;

  QStringList m_captions;
  std::array<uint32_t, kSegments> m_counts{};
  int m_selected = 0;
  std::array<QRect, kSegments> m_rects;
};
