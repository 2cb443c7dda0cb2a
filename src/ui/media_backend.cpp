#include "ui/media_backend.h"

#include <QByteArray>
#include <QtGlobal>

namespace MediaBackend {

void Choose() {
  if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
    qputenv("QT_MEDIA_BACKEND", QByteArray("ffmpeg"));
}

}  // namespace MediaBackend
