// CQtMessageService: the message boxes of the running client: a modal Qt box over the active
// window with the style's buttons, icon and default button, titled with the application's name.
// Installed into CServices by the executable; UI thread only.
#pragma once

#include "app/message_service.h"

class CQtMessageService : public CMessageService {
 public:
  int ShowMessage(const QString& text, unsigned style) override;
};
