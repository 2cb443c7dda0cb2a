// CLayoutPoint (type code 7, "Layout"): a static text, separator line or image on a page. The
// text is a template resolved when the point is initialised and shown and whenever a point it
// names changes; a text of dashes alone is a line; an image is decoded while the page is shown and
// drawn centred below the text. Owned by its CPage; UI thread only.
#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

#include "project/base_point.h"

class CLayoutPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 7;

  struct Settings {
    QString text;           // a template
    int32_t alignment = 1;  // 0 left, 1 centred, 2 right
    QString fontFace = QStringLiteral("Tahoma");
    int32_t fontSize = -12;  // negative: character height
    int32_t italic = 0;
    int32_t underline = 0;
    uint32_t colour = 0;     // 0x00BBGGRR, text and line colour
    QByteArray image;        // an encoded picture, empty for none
    int32_t imageScale = 0;  // non-zero: the picture was made for doubled scale
    bool operator==(const Settings& other) const = default;
  };

  CLayoutPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The resolved text shown.
  const QString& DisplayText() const { return m_displayText; }
  // The decoded image while the page is shown (null otherwise or when it does not decode).
  const QImage& Image() const { return m_picture; }

  void Init() override;
  void Show(CPageWindow* window) override;
  bool Hide(bool verify) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnDep(CBasePoint* changed) override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  // Resolves the text template, registering this point with the points it names.
  QString ResolveText();
  QFont TextFont() const;
  bool IsSeparator() const;
  // The height of the text and the image below it for a width.
  int ContentHeight(int width, int* textHeight) const;

  Settings m_settings;
  QString m_displayText;
  QImage m_picture;
};
