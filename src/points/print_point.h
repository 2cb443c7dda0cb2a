// CPrintPoint: the built-in control of the print point ("TWKF.Print"): two buttons under the
// caption; Print fills the project's HTML template (kept in the property bag) with the values of
// the session being edited, writes it to a file and prints it, or opens it with the desktop's
// browser, through CServices' shell. The Email button is drawn and does nothing here; the mail
// properties are only carried through. It reaches the session and the other points through the
// automation objects, as an outside control would. Made by the hosting, reference-counted; UI
// thread only.
#pragma once

#include "points/builtin_control.h"
#include "points/print_document.h"

class CPrintPoint : public CBuiltInControl {
 public:
  static constexpr int kBand = 32;  // height of the button band below the caption

  CPrintPoint();

  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;

  // Fills the template for the current session, writes the file and hands it to the shell;
  // returns the file's path, empty when it could not be written (the user was told).
  QString Produce();

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;

 private:
  PrintDocument::SessionFacts Session() const;
  // The output text of the named point's value, written beside `baseFile` when it is a file.
  QString PointOutput(const QString& name, const QString& baseFile) const;
  // The button labels, looked up once.
  void FetchLabels();

  QString m_templateName;
  QString m_folder;
  QString m_filename = QStringLiteral("%uuid%.htm");
  QString m_emailTo;
  QString m_emailSubject;
  QString m_emailBody;
  int32_t m_print = 0;
  QString m_template;
  QString m_printLabel;
  QString m_emailLabel;
  bool m_labels = false;
};
