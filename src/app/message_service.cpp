#include "app/message_service.h"

#include <cstdio>

int CMessageService::NaturalAnswer(unsigned style) {
  switch (style & kMbButtonMask) {
    case kMbYesNo:
    case kMbYesNoCancel:
      return kIdYes;
    default:
      return kIdOk;
  }
}

int CConsoleMessageService::ShowMessage(const QString& text, unsigned style) {
  std::fprintf(stderr, "%s\n", qPrintable(text));
  return NaturalAnswer(style);
}
