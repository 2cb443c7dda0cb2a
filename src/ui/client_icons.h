// CClientIcons: the client's own bitmaps, drawn in code so the program carries no image files:
// the project-list images (133 project, 134 project with new data, 146 count badge; 32 x 32),
// the session-row images (135 session, 136 received from the server, 137 marked for sending;
// 16 x 16) and the header emblem (140, 64 x 64). Each is looked up by its resource number and
// drawn at the size asked for, on a transparent background; bitmaps are kept in Qt's pixmap
// cache. UI thread only (QPixmap).
#pragma once

#include <QImage>
#include <QPixmap>

class CClientIcons {
 public:
  static constexpr int kProject = 133;
  static constexpr int kProjectHighlighted = 134;
  static constexpr int kSession = 135;
  static constexpr int kSessionReceived = 136;
  static constexpr int kSessionMarked = 137;
  static constexpr int kHeader = 140;
  static constexpr int kBadge = 146;

  // The size the image is designed at (at normal scale); 0 for an unknown resource.
  static int SourceSize(int resource);
  // The image drawn `size` pixels square (ARGB, premultiplied); a null image for an unknown
  // resource or a size below 1.
  static QImage Image(int resource, int size);
  static QPixmap Bitmap(int resource, int size);
};
