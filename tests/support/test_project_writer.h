// CTestProjectWriter: builds project files of any format version field by field, independently of
// CProject, so that tests can check how older files load. Each Write* writes exactly the fields
// that version of the file holds; type-specific point fields are written by the tests themselves
// with the raw writers. Header-only so that every test binary can use it. Test code only.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "values/archive.h"
#include "values/variant.h"
#include "values/variant_map.h"

struct CTestHeaderFields {
  QString magic = QStringLiteral("Auditmoor");
  int32_t uniqueNumber = 4242;
  QString title = QStringLiteral("Title");
  QString company = QStringLiteral("Company");
  QString author = QStringLiteral("Author");
  QString copyright = QStringLiteral("Copyright");
  QString webUrl = QStringLiteral("https://example.org");
  QString notes = QStringLiteral("Notes");
  int64_t createdTime = 1600000000;
  int64_t savedTime = 1600000500;
  int32_t revision = 7;
  int32_t checkWord = 0;  // written as given
  int32_t sessionLock = 1;
  int32_t noDelete = 1;
  int32_t option3 = 1;
  int32_t option4 = 1;
  int32_t unitRestamp = 1;
  int32_t autoNewSession = 1;
  int32_t useCaptions = 1;
  int32_t option8 = 1;
  int32_t arrivalSound = 0;
  QString sessionListColumns = QStringLiteral("A;B;");
};

struct CTestGraphicsFields {
  int32_t background = 0x00112233;
  int32_t text = 0x00445566;
  int32_t heading = 0x00778899;
  QString face = QStringLiteral("DejaVu Sans");
  int32_t size = 14;
  QString headingFace = QStringLiteral("DejaVu Serif");
  int32_t headingSize = 20;
  QByteArray headerImage;
  int32_t headerHighRes = 1;
  QByteArray sideImage;
  int32_t sideHighRes = 1;
};

struct CTestPointFields {
  int32_t uniqueNumber = 0;
  QString name;
  QString caption;
  QString help;
  int32_t bold = 0;
  int32_t required = 2;
  int32_t visible = 0;
  int32_t results = 0;
  int32_t carryForward = 1;
  QString defaultText;    // files before version 34
  CVariant defaultValue;  // from version 34
  CVariantMap properties;
};

class CTestProjectWriter {
 public:
  using HeaderFields = CTestHeaderFields;
  using GraphicsFields = CTestGraphicsFields;
  using PointFields = CTestPointFields;

  explicit CTestProjectWriter(int version) : m_version(version) {}

  int Version() const { return m_version; }
  CArchive& Ar() { return m_ar; }
  QByteArray Bytes() const { return m_ar.Buffer(); }

  // Magic, version and the header fields the version holds.
  void WriteHeader(const HeaderFields& h = HeaderFields()) {
    const int v = m_version;
    m_ar.WriteString(h.magic);
    m_ar.WriteInt32(v);
    m_ar.WriteInt32(h.uniqueNumber);
    m_ar.WriteString(h.title);
    m_ar.WriteString(h.company);
    m_ar.WriteString(h.author);
    m_ar.WriteString(h.copyright);
    m_ar.WriteString(h.webUrl);
    if (v > 8) m_ar.WriteString(h.notes);
    m_ar.WriteTime(h.createdTime);
    m_ar.WriteTime(h.savedTime);
    if (v >= 16) m_ar.WriteInt32(h.revision);
    if (v >= 15) m_ar.WriteInt32(h.checkWord);
    if (v >= 2) m_ar.WriteInt32(h.sessionLock);
    if (v >= 40) m_ar.WriteInt32(h.noDelete);
    if (v >= 2) m_ar.WriteInt32(h.option3);
    if (v >= 29) m_ar.WriteInt32(h.option4);
    if (v >= 41) {
      m_ar.WriteInt32(h.unitRestamp);
      m_ar.WriteInt32(h.autoNewSession);
      m_ar.WriteInt32(h.useCaptions);
      m_ar.WriteInt32(h.option8);
    }
    if (v >= 42) m_ar.WriteInt32(h.arrivalSound);
    if (v >= 20) m_ar.WriteString(h.sessionListColumns);
  }

  // The graphics block (files from version 17).
  void WriteGraphics(const GraphicsFields& g = GraphicsFields()) {
    if (m_version < 17) return;
    m_ar.WriteInt32(g.background);
    m_ar.WriteInt32(g.text);
    m_ar.WriteInt32(g.heading);
    m_ar.WriteString(g.face);
    m_ar.WriteInt32(g.size);
    m_ar.WriteString(g.headingFace);
    m_ar.WriteInt32(g.headingSize);
    WriteImage(g.headerImage, g.headerHighRes);
    WriteImage(g.sideImage, g.sideHighRes);
  }

  // The project properties (files from version 100).
  void WriteProperties(const CVariantMap& properties = CVariantMap()) {
    if (m_version >= 100) properties.Serialize(m_ar, false);
  }

  void WriteCount(int32_t count) { m_ar.WriteCount(count); }

  // A page record up to and including its point count.
  void WritePage(int32_t pointCount, int32_t uniqueNumber = 77, const QString& caption = "Page",
                 int32_t option = 0, const CVariantMap& properties = CVariantMap()) {
    if (m_version > 2) m_ar.WriteInt32(uniqueNumber);
    m_ar.WriteString(caption);
    m_ar.WriteString(QStringLiteral("text"));
    m_ar.WriteString(QStringLiteral("help"));
    if (m_version > 25) m_ar.WriteInt32(option);
    if (m_version > 99) properties.Serialize(m_ar, false);
    m_ar.WriteCount(pointCount);
  }

  // The type code and the shared part of a point record.
  void WritePoint(int32_t typeCode, const PointFields& p) {
    const int v = m_version;
    m_ar.WriteInt32(typeCode);
    if (v >= 8) m_ar.WriteInt32(p.uniqueNumber);
    m_ar.WriteString(p.name);
    m_ar.WriteString(p.caption);
    m_ar.WriteString(p.help);
    m_ar.WriteInt32(p.bold);
    if (v >= 6) m_ar.WriteInt32(p.required);
    if (v >= 8) {
      m_ar.WriteInt32(p.visible);
      m_ar.WriteInt32(p.results);
    }
    if (v >= 22) m_ar.WriteInt32(p.carryForward);
    if (v >= 34) {
      p.defaultValue.Serialize(m_ar);
    } else {
      m_ar.WriteString(p.defaultText);
    }
    if (v >= 100) p.properties.Serialize(m_ar, false);
  }

  // A whole file: header, graphics, properties and one page whose points the caller writes
  // after this call (`pointCount` of them).
  void BeginSinglePage(int32_t pointCount) {
    WriteHeader();
    WriteGraphics();
    WriteProperties();
    WriteCount(1);
    WritePage(pointCount);
  }

  void Int(int32_t value) { m_ar.WriteInt32(value); }
  void Str(const QString& text) { m_ar.WriteString(text); }
  void Count(int32_t count) { m_ar.WriteCount(count); }
  void Raw(const QByteArray& bytes) { m_ar.WriteBytes(bytes); }

 private:
  void WriteImage(const QByteArray& bytes, int32_t highRes) {
    m_ar.WriteInt32(static_cast<int32_t>(bytes.size()));
    if (bytes.isEmpty()) return;
    m_ar.WriteBytes(bytes);
    if (m_version > 37) m_ar.WriteInt32(highRes);
  }

  int m_version;
  CArchive m_ar;
};
