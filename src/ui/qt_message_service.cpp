#include "ui/qt_message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/language.h"

namespace {

// Retry and Cancel: the one question that offers them (a project locked on the server) keeps the
// message-box numbers of its buttons and of the Retry answer.
constexpr unsigned kRetryCancel = 0x5;
constexpr int kIdRetry = 4;

}  // namespace

int CQtMessageService::ShowMessage(const QString& text, unsigned style) {
  QString title = CLanguage::Instance().Translate(QStringLiteral("System.Application"));
  if (title.isEmpty()) title = QStringLiteral("Quillet");

  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(title);
  box.setText(text);
  switch (style & kMbIconMask) {
    case kMbIconError:
      box.setIcon(QMessageBox::Critical);
      break;
    case kMbIconQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case kMbIconExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case kMbIconInformation:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }

  struct Choice {
    QMessageBox::StandardButton button;
    int answer;
  };
  QList<Choice> choices;
  switch (style & kMbButtonMask) {
    case kMbOkCancel:
      choices = {{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}};
      break;
    case kMbYesNoCancel:
      choices = {
          {QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
      break;
    case kMbYesNo:
      choices = {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
      break;
    case kRetryCancel:
      choices = {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, kIdCancel}};
      break;
    default:
      choices = {{QMessageBox::Ok, kIdOk}};
      break;
  }
  QMessageBox::StandardButtons buttons;
  for (const Choice& choice : choices) buttons |= choice.button;
  box.setStandardButtons(buttons);
  const int defaultIndex = (style & kMbDefButton2) && choices.size() > 1 ? 1 : 0;
  box.setDefaultButton(choices[defaultIndex].button);
  // Escape answers Cancel, or No when there is no Cancel, as a system box does.
  if (choices.size() > 1) box.setEscapeButton(choices.last().button);

  const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const Choice& choice : choices) {
    if (choice.button == pressed) return choice.answer;
  }
  return choices.size() > 1 ? choices.last().answer : kIdOk;
}
