// CClientIcons: the client's bitmaps, looked up by their resource numbers. Static; UI thread.
#pragma once

#include <QPixmap>

class CClientIcons {
 public:
  static QPixmap Bitmap(int resource, int size);
};
