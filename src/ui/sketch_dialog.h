// CSketchDialog: the drawing surface of a sketch point: the canvas over its background picture,
// scaled to fit the screen, where a press starts a stroke in the selected colour, moves add
// points and a release ends it (strokes of fewer than two points are dropped); the colour bar
// below it; Undo, Clear, OK and Cancel. Pressing and holding still removes the strokes of the
// selected colour when the point allows the gesture. The dialog service runs it for the point.
// The dialog owns its widgets; the caller owns the dialog. UI thread only.
#pragma once

#include <QDialog>
#include <QPointer>

#include "app/dialog_service.h"

class QPushButton;

class CSketchDialog : public QDialog {
 public:
  // The canvas is shown at most this large (at normal scale).
  static constexpr int kMaxViewWidth = 800;
  static constexpr int kMaxViewHeight = 560;

  explicit CSketchDialog(const CDialogService::SketchRequest& request, QWidget* parent = nullptr);
  ~CSketchDialog() override;

  // The strokes and colour as they stand.
  CDialogService::SketchRequest Result() const;
  QWidget* Canvas() const;
  QWidget* ColourBar() const { return m_bar; }
  QPushButton* UndoButton() const { return m_undo; }
  QPushButton* ClearButton() const { return m_clear; }

 private:
  CDialogService::SketchRequest m_request;
  QWidget* m_canvas = nullptr;
  QWidget* m_bar = nullptr;
  QPushButton* m_undo = nullptr;
  QPushButton* m_clear = nullptr;
};
