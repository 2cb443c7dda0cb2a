#include "ui/camera_command_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QVBoxLayout>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "points/camera_point_logic.h"

namespace {

QString Translated(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

}  // namespace

CCameraCommandDlg::CCameraCommandDlg(const QString& folder, const QString& command, QWidget* parent)
    : QDialog(parent),
      m_folder(folder),
      m_command(command),
      m_before(CameraPointLogic::MarkCameraRoll(folder)) {
  setWindowTitle(Translated("Point.Camera.Title"));
  auto* text = new QLabel(Translated("Point.Camera.Waiting"), this);
  text->setMinimumWidth(240);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  m_poll.setInterval(kPollMs);
  connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
  QTimer::singleShot(kPollMs, this, [this] { Launch(); });
}

QStringList CCameraCommandDlg::CommandLine(const QString& command, const QString& folder) {
  QStringList words;
  QString word;
  bool inWord = false;
  QChar quote;  // the quote open, if any
  for (qsizetype i = 0; i < command.size(); ++i) {
    const QChar c = command[i];
    if (quote == u'\'') {
      if (c == u'\'') {
        quote = QChar();
      } else {
        word += c;
      }
    } else if (c == u'\\' && i + 1 < command.size() &&
               (quote.isNull() || command[i + 1] == u'"' || command[i + 1] == u'\\')) {
      word += command[++i];
      inWord = true;
    } else if (quote == u'"') {
      if (c == u'"') {
        quote = QChar();
      } else {
        word += c;
      }
    } else if (c == u'\'' || c == u'"') {
      quote = c;
      inWord = true;
    } else if (c.isSpace()) {
      if (inWord) words.append(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  // A quote left open means the command is not what its writer meant: run nothing.
  if (!quote.isNull()) return {};
  if (inWord) words.append(word);
  for (QString& each : words) each.replace(QStringLiteral("%folder%"), folder);
  return words;
}

void CCameraCommandDlg::Launch() {
  QStringList words = CommandLine(m_command, m_folder);
  const QString program = words.isEmpty() ? QString() : words.takeFirst();
  // The program runs on by itself, as a camera application would; the window only watches the
  // folder it writes to.
  if (program.isEmpty() || !QProcess::startDetached(program, words, m_folder)) {
    CServices::Instance().Messages().ShowMessage(Translated("Point.Camera.CantLaunch"),
                                                 kMbOk | kMbIconExclamation);
    reject();
    return;
  }
  m_poll.start();
}

void CCameraCommandDlg::Poll() {
  const CameraPointLogic::CameraRollMark newest = CameraPointLogic::MarkCameraRoll(m_folder);
  if (!newest.path.isEmpty() && !(newest == m_before)) {
    m_poll.stop();
    accept();
  }
}
