// CLinkPoint (type code 5, "Link"): a caption that, when tapped, changes to another page of the
// project and opens an address: web addresses at once, anything else after asking, command links
// ("qlt://") refused with a message until this version can run them. The address is a template;
// when a point it names changes while the link is on screen, the link acts as if tapped. Owned by
// its CPage; UI thread only.
#pragma once

#include <QByteArray>
#include <QImage>

#include "project/base_point.h"

class CLinkPoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 5;
  // The command the link posts to itself to act as if tapped.
  static constexpr uint32_t kActCommand = 0x4C494E4B;

  struct Settings {
    uint32_t targetPage = 0;  // page unique number, 0 for none
    QString address;          // a template
    int32_t alignment = 0;    // of the caption: 0 left, 1 centred, 2 right
    QString fontFace = QStringLiteral("Tahoma");
    int32_t fontSize = -12;
    int32_t italic = 0;
    int32_t underline = 1;
    uint32_t colour = 0x00FF0000;  // 0x00BBGGRR: blue
    QByteArray image;
    int32_t imageScale = 0;
    int32_t imageFlag = 0;  // carried through
    bool operator==(const Settings& other) const = default;
  };

  // What a resolved address asks for.
  enum class AddressKind {
    kNone,     // empty: nothing to open
    kCommand,  // a command link for the main window
    kWeb,      // http or https: opened at once
    kOther,    // anything else: opened only after the user agrees
  };
  static AddressKind ClassifyAddress(const QString& address);

  CLinkPoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  // The decoded image while the page is shown.
  const QImage& Image() const { return m_picture; }

  void Init() override;
  void Show(CPageWindow* window) override;
  bool Hide(bool verify) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  void OnCommand(uint32_t command, intptr_t argument) override;
  void OnDep(CBasePoint* changed) override;

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  // Changes to the target page, then opens the resolved address.
  void Act();
  void OpenAddress(const QString& address);
  QString ResolveAddress();
  QFont CaptionFontOfLink() const;
  int CaptionHeight(int width) const;
  QSize ImageSize() const;

  Settings m_settings;
  QString m_resolvedAddress;  // the address as last resolved
  QImage m_picture;
};
