#include "ui/barcode_scan_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/language.h"
#include "points/device_button.h"
#include "project/display_scale.h"

namespace {

QString TranslateKey(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

}  // namespace

CBarcodeScanDlg::CBarcodeScanDlg(const CDialogService::BarcodeRequest& request, QWidget* parent)
    : QDialog(parent), m_closeOnScan(request.closeOnScan) {
  const int scale = CDisplayScale::Factor();
  setWindowTitle(request.caption.isEmpty() ? TranslateKey("Point.Barcode.ScanTitle")
                                           : request.caption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();
  auto* icon = new QLabel(this);
  icon->setPixmap(
      QPixmap::fromImage(CDeviceButton::IconImage(CDeviceButton::Icon::kBarcode, 32 * scale)));
  top->addWidget(icon);
  auto* prompt = new QLabel(TranslateKey("Point.Barcode.ScanPrompt"), this);
  prompt->setWordWrap(true);
  top->addWidget(prompt, 1);
  layout->addLayout(top);
  m_code = new QLineEdit(request.code, this);
  m_code->setFont(CDisplayScale::Font(14, true));
  m_code->selectAll();
  layout->addWidget(m_code);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  m_ok = new QPushButton(TranslateKey("System.OK"), this);
  auto* cancel = new QPushButton(TranslateKey("System.Cancel"), this);
  // Enter belongs to the scanner: it ends a code, it does not press a button by itself.
  for (QPushButton* button : {m_ok, cancel}) {
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
  }
  buttons->addWidget(m_ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(m_code, &QLineEdit::returnPressed, this, &CBarcodeScanDlg::Scanned);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setMinimumWidth(300 * scale);
  m_code->setFocus();
}

QString CBarcodeScanDlg::Code() const { return m_code->text(); }

void CBarcodeScanDlg::Scanned() {
  if (m_closeOnScan) {
    accept();
    return;
  }
  m_code->selectAll();
}
