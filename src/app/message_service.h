// CMessageService: how the system shows a message box and learns the answer. The application
// plugs in Qt boxes (ui/), the command-line tool prints to stderr, tests plug in a scripted
// service of their own. Styles and answers keep the message-box numbers the system uses.
#pragma once

#include <QString>

// Message-box styles (buttons | icon).
enum MessageStyle : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,
  kMbIconInformation = 0x40,
  kMbButtonMask = 0xF,
  kMbIconMask = 0xF0,
  kMbDefButton2 = 0x100,  // the second button (No of Yes/No) is the default
};

// Message-box answers.
enum MessageAnswer : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdYes = 6,
  kIdNo = 7,
};

class CMessageService {
 public:
  virtual ~CMessageService() = default;
  // Shows `text` with the given style and returns the button pressed.
  virtual int ShowMessage(const QString& text, unsigned style) = 0;

  // The answer of a box nobody is there to press: Yes for questions, otherwise OK.
  static int NaturalAnswer(unsigned style);
};

// Writes each message to stderr and answers with the style's natural answer (OK, or Yes for
// questions); used by the command-line tool.
class CConsoleMessageService : public CMessageService {
 public:
  int ShowMessage(const QString& text, unsigned style) override;
};
