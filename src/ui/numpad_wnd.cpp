#include "ui/numpad_wnd.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/language.h"
#include "app/services.h"
#include "points/numeric_entry.h"
#include "project/display_scale.h"

namespace {

QString Translated(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

}  // namespace

CNumpadWnd::CNumpadWnd(QWidget* parent, const CDialogService::NumberRequest& request)
    : QDialog(parent), m_request(request) {
  setWindowTitle(Translated("Point.Numpad.Title"));
  const int scale = CDisplayScale::Factor();
  const QFont font = CDisplayScale::Font(20, true);
  setFont(font);

  auto* grid = new QGridLayout(this);
  grid->setSpacing(4 * scale);
  m_field = new QLineEdit(this);
  m_field->setFont(font);
  m_field->setText(request.text);
  if (request.maxLength > 0) m_field->setMaxLength(request.maxLength);
  grid->addWidget(m_field, 0, 0, 1, 2);
  m_backspace = new QPushButton(QStringLiteral("\u232B"), this);
  m_backspace->setToolTip(Translated("Point.Numpad.Backspace"));
  m_backspace->setFocusPolicy(Qt::NoFocus);
  connect(m_backspace, &QPushButton::clicked, this,
          [this] { m_field->setText(CNumericEntry::Backspace(m_field->text())); });
  grid->addWidget(m_backspace, 0, 2);

  const QString decimal = request.decimalKey.isEmpty() ? QStringLiteral(".") : request.decimalKey;
  const QString labels[12] = {QStringLiteral("1"),
                              QStringLiteral("2"),
                              QStringLiteral("3"),
                              QStringLiteral("4"),
                              QStringLiteral("5"),
                              QStringLiteral("6"),
                              QStringLiteral("7"),
                              QStringLiteral("8"),
                              QStringLiteral("9"),
                              QStringLiteral("0"),
                              decimal,
                              QStringLiteral("-")};
  for (int i = 0; i < 12; ++i) {
    auto* key = new QPushButton(labels[i], this);
    // The field keeps the focus, so the keyboard types on while the keys are tapped.
    key->setFocusPolicy(Qt::NoFocus);
    key->setMinimumSize(56 * scale, 44 * scale);
    const QString label = labels[i];
    connect(key, &QPushButton::clicked, this, [this, label] { Press(label); });
    grid->addWidget(key, 1 + i / 3, i % 3);
    m_keys.append(key);
  }
  m_cancel = new QPushButton(Translated("Point.Numpad.Cancel"), this);
  m_cancel->setFocusPolicy(Qt::NoFocus);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
  grid->addWidget(m_cancel, 5, 0);
  m_ok = new QPushButton(Translated("Point.Numpad.OK"), this);
  m_ok->setFocusPolicy(Qt::NoFocus);
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(m_ok, 5, 2);
  m_field->setFocus();
  m_field->end(false);
}

QString CNumpadWnd::Text() const { return m_field->text(); }

QPushButton* CNumpadWnd::Key(int id) const {
  for (int i = 0; i < 12; ++i) {
    if (kKeyIds[i] == id) return m_keys.value(i);
  }
  return nullptr;
}

void CNumpadWnd::Press(const QString& label) {
  m_field->setText(CNumericEntry::PressKey(m_field->text(), label, m_request.maxLength));
  m_field->setFocus();
}

void CNumpadWnd::accept() {
  const QString text = m_field->text();
  const QString refusal = m_request.refusal ? m_request.refusal(text) : QString();
  if (!refusal.isEmpty()) {
    CServices::Instance().Messages().ShowMessage(refusal, kMbOk | kMbIconExclamation);
    m_field->setFocus();
    return;
  }
  QDialog::accept();
}
