#include "project_json.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <limits>
#include <vector>

#include "form_reader.h"
#include "point_json.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "variant_json.h"

namespace {

using Error = CFormReader::Error;

// An image file larger than this is refused (a project keeps images of a few kilobytes).
constexpr qint64 kMaxImageBytes = qint64{256} << 20;

// ---- shared pieces

QString Sha1(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

// Seconds since 1970 UTC as "yyyy-MM-ddTHH:mm:ssZ" when that reads back exactly, else the number.
COrderedJson TimeToJson(int64_t seconds) {
  const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
  if (time.isValid() && time.date().year() >= 1 && time.date().year() <= 9999 &&
      time.toSecsSinceEpoch() == seconds) {
    return COrderedJson::String(time.toString(Qt::ISODate));
  }
  return COrderedJson::Integer(seconds);
}

bool ReadTime(CFormReader& reader, const QString& key, int64_t& seconds) {
  const COrderedJson* json = reader.Take(key);
  if (!json) return false;
  const QString path = reader.PathOf(key);
  if (json->IsNumber()) {
    seconds = CFormReader::ToInteger(*json, path, std::numeric_limits<int64_t>::min(),
                                     std::numeric_limits<int64_t>::max());
    return true;
  }
  const QString text = CFormReader::ToText(*json, path);
  const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
  // A time without a zone would depend on the machine building the form.
  if (!time.isValid() || time.timeSpec() == Qt::LocalTime) {
    CFormReader::Fail(path, QStringLiteral("\"%1\" is not a time like 2024-03-01T09:30:00Z (UTC, "
                                           "or with an offset such as +01:00)")
                                .arg(text));
  }
  seconds = time.toSecsSinceEpoch();
  return true;
}

// The keys a graphics block keeps its page layout under in the project properties.
QStringList LayoutKeys() {
  CVariantMap map;
  CGraphics().StoreLayout(map);
  QStringList keys;
  map.ForEach([&keys](const QString& key, const CVariant&) { keys.append(key); });
  return keys;
}

// A deterministic 31-bit number for an object the form gives none, unused by `taken`; a build of
// the same form always gives the same file.
int32_t DerivedNumber(const QString& seed, QSet<int32_t>& taken) {
  uint32_t hash = 2166136261u;
  for (const char byte : seed.toUtf8()) {
    hash = (hash ^ static_cast<uint8_t>(byte)) * 16777619u;
  }
  int32_t number = static_cast<int32_t>(hash & 0x7FFFFFFF);
  while (number == 0 || taken.contains(number)) {
    hash = hash * 1103515245u + 12345u;
    number = static_cast<int32_t>(hash & 0x7FFFFFFF);
  }
  taken.insert(number);
  return number;
}

// ---- dumping

class CDumpLinks : public CPointJson::Links {
 public:
  CDumpLinks(CProject& project, const CProjectJson::DumpOptions& options)
      : m_project(project), m_options(options) {}

  COrderedJson ImageToJson(const QByteArray& bytes) override {
    if (bytes.isEmpty()) return COrderedJson();
    COrderedJson json = COrderedJson::Object();
    const QString sha1 = Sha1(bytes);
    json.Insert(QStringLiteral("size"), COrderedJson::Integer(bytes.size()));
    json.Insert(QStringLiteral("sha1"), COrderedJson::String(sha1));
    switch (m_options.images) {
      case CProjectJson::ImageMode::kInline:
        json.Insert(QStringLiteral("base64"),
                    COrderedJson::String(QString::fromLatin1(bytes.toBase64())));
        break;
      case CProjectJson::ImageMode::kOmitted:
        break;
      case CProjectJson::ImageMode::kFiles:
        json.Insert(QStringLiteral("file"), COrderedJson::String(WriteImage(bytes, sha1)));
        break;
    }
    return json;
  }

  QByteArray ImageFromJson(const COrderedJson&, const QString&) override { return QByteArray(); }

  COrderedJson PointToJson(uint32_t number) override {
    const CBasePoint* point = m_project.FindPointByNumber(static_cast<int32_t>(number));
    if (point && !point->Name().isEmpty()) return COrderedJson::String(point->Name());
    return COrderedJson::Integer(number);
  }

  void ResolvePoints(const COrderedJson&, const QString&,
                     std::function<void(const QList<uint32_t>&)>) override {}

  const QString& WriteError() const { return m_writeError; }

 private:
  // Writes the image once under its SHA-1 and returns its path relative to the form's folder.
  QString WriteImage(const QByteArray& bytes, const QString& sha1) {
    QString extension = QStringLiteral("bin");
    if (bytes.startsWith("BM")) {
      extension = QStringLiteral("bmp");
    } else if (bytes.startsWith("\xFF\xD8")) {
      extension = QStringLiteral("jpg");
    } else if (bytes.startsWith("\x89PNG")) {
      extension = QStringLiteral("png");
    }
    const QString path = QDir(m_options.imageDir).absoluteFilePath(sha1 + '.' + extension);
    if (!m_written.contains(path) && m_writeError.isEmpty()) {
      QSaveFile file(path);
      if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_writeError = QStringLiteral("cannot write the image file %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString());
      }
      m_written.insert(path);
    }
    return QDir(m_options.referenceDir).relativeFilePath(path);
  }

  CProject& m_project;
  const CProjectJson::DumpOptions& m_options;
  QSet<QString> m_written;
  QString m_writeError;
};

COrderedJson PointToJson(CBasePoint& point, CDumpLinks& links) {
  // What a save would write: the type's settings copied into its properties first.
  point.SaveSettings();
  COrderedJson json = COrderedJson::Object();
  json.Insert(QStringLiteral("type"), COrderedJson::String(CPointJson::TypeName(point.TypeCode())));
  json.Insert(QStringLiteral("uniqueNumber"), COrderedJson::Integer(point.UniqueNumber()));
  json.Insert(QStringLiteral("name"), COrderedJson::String(point.Name()));
  json.Insert(QStringLiteral("caption"), COrderedJson::String(point.Caption()));
  json.Insert(QStringLiteral("help"), COrderedJson::String(point.Help()));
  json.Insert(QStringLiteral("bold"), COrderedJson::Integer(point.Bold()));
  json.Insert(QStringLiteral("required"), COrderedJson::Integer(point.RequiredMode()));
  json.Insert(QStringLiteral("visible"), COrderedJson::Integer(point.Visible()));
  json.Insert(QStringLiteral("results"), COrderedJson::Integer(point.Results()));
  json.Insert(QStringLiteral("carryForward"), COrderedJson::Integer(point.CarryForward()));
  json.Insert(QStringLiteral("default"), CVariantJson::ToJson(point.DefaultValue()));
  json.Insert(QStringLiteral("properties"), CVariantJson::MapToJson(point.Properties()));
  json.Insert(QStringLiteral("settings"), CPointJson::SettingsToJson(point, links));
  return json;
}

COrderedJson PageToJson(CPage& page, CDumpLinks& links) {
  COrderedJson json = COrderedJson::Object();
  json.Insert(QStringLiteral("uniqueNumber"), COrderedJson::Integer(page.UniqueNumber()));
  json.Insert(QStringLiteral("caption"), COrderedJson::String(page.Caption()));
  json.Insert(QStringLiteral("text"), COrderedJson::String(page.Text()));
  json.Insert(QStringLiteral("help"), COrderedJson::String(page.Help()));
  json.Insert(QStringLiteral("option"), COrderedJson::Integer(page.Option()));
  json.Insert(QStringLiteral("properties"), CVariantJson::MapToJson(page.Properties()));
  COrderedJson points = COrderedJson::Array();
  for (const auto& point : page.Points()) points.Append(PointToJson(*point, links));
  json.Insert(QStringLiteral("points"), std::move(points));
  return json;
}

COrderedJson GraphicsToJson(const CGraphics& g, CDumpLinks& links) {
  COrderedJson json = COrderedJson::Object();
  auto colour = [](int32_t stored) {
    return CPointJson::ColourToJson(static_cast<uint32_t>(stored));
  };
  json.Insert(QStringLiteral("backgroundColour"), colour(g.backgroundColour));
  json.Insert(QStringLiteral("textColour"), colour(g.textColour));
  json.Insert(QStringLiteral("headingColour"), colour(g.headingColour));
  json.Insert(QStringLiteral("fontFace"), COrderedJson::String(g.fontFace));
  json.Insert(QStringLiteral("fontSize"), COrderedJson::Integer(g.fontSize));
  json.Insert(QStringLiteral("headingFontFace"), COrderedJson::String(g.headingFontFace));
  json.Insert(QStringLiteral("headingFontSize"), COrderedJson::Integer(g.headingFontSize));
  json.Insert(QStringLiteral("headerImage"), links.ImageToJson(g.headerImage));
  json.Insert(QStringLiteral("headerImageHighRes"), COrderedJson::Integer(g.headerImageHighRes));
  json.Insert(QStringLiteral("sideImage"), links.ImageToJson(g.sideImage));
  json.Insert(QStringLiteral("sideImageHighRes"), COrderedJson::Integer(g.sideImageHighRes));
  json.Insert(QStringLiteral("margin"), COrderedJson::Integer(g.margin));
  json.Insert(QStringLiteral("spacing"), COrderedJson::Integer(g.spacing));
  json.Insert(QStringLiteral("gap"), COrderedJson::Integer(g.gap));
  return json;
}

// ---- building

class CBuildLinks : public CPointJson::Links {
 public:
  explicit CBuildLinks(const QString& baseDir) : m_baseDir(baseDir) {}

  COrderedJson ImageToJson(const QByteArray&) override { return COrderedJson(); }

  QByteArray ImageFromJson(const COrderedJson& json, const QString& path) override {
    if (json.IsNull()) return QByteArray();
    CFormReader reader(json, path);
    const COrderedJson* base64 = reader.Take(QStringLiteral("base64"));
    const COrderedJson* file = reader.Take(QStringLiteral("file"));
    QByteArray bytes;
    if (base64 && file) {
      CFormReader::Fail(path,
                        QStringLiteral("give the image as \"base64\" or as \"file\", not both"));
    } else if (base64) {
      bytes = CVariantJson::BytesFromBase64(*base64, reader.PathOf(QStringLiteral("base64")));
    } else if (file) {
      bytes = ReadImageFile(*file, reader.PathOf(QStringLiteral("file")));
    } else {
      CFormReader::Fail(path, QStringLiteral("the image has no bytes: give \"base64\" or \"file\" "
                                             "(a dump made with --no-images cannot be built)"));
    }
    if (bytes.isEmpty()) {
      CFormReader::Fail(path, QStringLiteral("the image is empty; write null for no image"));
    }
    int64_t size = 0;
    if (reader.ReadInt64(QStringLiteral("size"), size) && size != bytes.size()) {
      CFormReader::Fail(
          reader.PathOf(QStringLiteral("size")),
          QStringLiteral("says %1 bytes, the image has %2").arg(size).arg(bytes.size()));
    }
    QString sha1;
    if (reader.ReadText(QStringLiteral("sha1"), sha1) && sha1.toLower() != Sha1(bytes)) {
      CFormReader::Fail(
          reader.PathOf(QStringLiteral("sha1")),
          QStringLiteral("does not match the image (its SHA-1 is %1)").arg(Sha1(bytes)));
    }
    reader.Finish();
    return bytes;
  }

  // An image file named by the form, relative to the form's folder.
  QByteArray ReadImageFile(const COrderedJson& json, const QString& path) {
    const QString name = CFormReader::ToText(json, path);
    const QString full = QDir(m_baseDir).absoluteFilePath(name);
    const QFileInfo info(full);
    if (name.isEmpty() || !info.isFile()) {
      throw Error{
          path,
          QStringLiteral("cannot read the image file %1: %2")
              .arg(QDir::toNativeSeparators(full),
                   info.exists() ? QStringLiteral("not a file") : QStringLiteral("no such file")),
          true};
    }
    if (info.size() > kMaxImageBytes) {
      CFormReader::Fail(path, QStringLiteral("%1 is larger than %2 bytes; that is no image for a "
                                             "project")
                                  .arg(QDir::toNativeSeparators(full))
                                  .arg(kMaxImageBytes));
    }
    QFile in(full);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly)) bytes = in.read(kMaxImageBytes);
    if (!in.isOpen() || in.error() != QFileDevice::NoError) {
      throw Error{path,
                  QStringLiteral("cannot read the image file %1: %2")
                      .arg(QDir::toNativeSeparators(full), in.errorString()),
                  true};
    }
    return bytes;
  }

  COrderedJson PointToJson(uint32_t) override { return COrderedJson(); }

  void ResolvePoints(const COrderedJson& json, const QString& path,
                     std::function<void(const QList<uint32_t>&)> apply) override {
    if (!json.IsArray()) {
      CFormReader::Fail(path, QStringLiteral("expected an array of point names or numbers, "
                                             "found %1")
                                  .arg(json.KindName()));
    }
    m_pending.push_back({json, path, std::move(apply)});
  }

  // Every point exists now: names become numbers.
  void Resolve(const QHash<QString, int32_t>& numbersByName) {
    for (const Pending& pending : m_pending) {
      QList<uint32_t> numbers;
      const QList<COrderedJson>& items = pending.json.Items();
      for (qsizetype i = 0; i < items.size(); ++i) {
        const QString itemPath = CFormReader::ItemPath(pending.path, i);
        if (items[i].IsString()) {
          const auto it = numbersByName.constFind(items[i].StringValue().toLower());
          if (it == numbersByName.constEnd()) {
            CFormReader::Fail(
                itemPath, QStringLiteral("no point is named \"%1\"").arg(items[i].StringValue()));
          }
          numbers.append(static_cast<uint32_t>(it.value()));
        } else {
          numbers.append(static_cast<uint32_t>(
              CFormReader::ToInteger(items[i], itemPath, 0, std::numeric_limits<uint32_t>::max())));
        }
      }
      pending.apply(numbers);
    }
  }

 private:
  struct Pending {
    COrderedJson json;
    QString path;
    std::function<void(const QList<uint32_t>&)> apply;
  };

  QString m_baseDir;
  std::vector<Pending> m_pending;
};

// Settings a model keeps in a properties map may be given there, in the settings, or both; the
// map is read first (as the client reads a file) and the settings win. Both given and different
// is refused, since only one of them can reach the file.
void CheckStoredSettings(const CVariantMap& given, const CVariantMap& saved,
                         const QStringList& keys, const QString& propertiesPath,
                         const QString& owner) {
  for (const QString& key : keys) {
    const CVariant* before = given.Find(key);
    const CVariant* after = saved.Find(key);
    if (!before || !after || *before == *after) continue;
    CFormReader::Fail(
        propertiesPath + QStringLiteral(".\"") + key + '"',
        QStringLiteral("does not match %1, which store it as %2; give it in one "
                       "place only")
            .arg(owner, QString::fromUtf8(CVariantJson::ToJson(*after).ToText().trimmed())));
  }
}

class CBuilder {
 public:
  CBuilder(CProject& project, const QString& baseDir) : m_project(project), m_links(baseDir) {}

  void Run(const COrderedJson& form, CProjectJson::BuildResult& result) {
    CFormReader top(form, QString());
    int32_t formVersion = CProjectJson::kFormVersion;
    if (top.ReadInt32(QStringLiteral("formVersion"), formVersion) &&
        formVersion != CProjectJson::kFormVersion) {
      CFormReader::Fail(QStringLiteral("formVersion"),
                        QStringLiteral("this tool reads form version %1, not %2")
                            .arg(CProjectJson::kFormVersion)
                            .arg(formVersion));
    }
    ReadHeader(top, result);
    ReadGraphicsAndProperties(top);

    const COrderedJson* pages = top.Take(QStringLiteral("pages"));
    if (pages) {
      if (!pages->IsArray()) {
        CFormReader::Fail(QStringLiteral("pages"),
                          QStringLiteral("expected an array, found %1").arg(pages->KindName()));
      }
      CollectNumbers(*pages);
      for (qsizetype i = 0; i < pages->Items().size(); ++i) {
        ReadPage(pages->Items()[i], CFormReader::ItemPath(QStringLiteral("pages"), i), i);
      }
    }
    m_links.Resolve(m_numbersByName);
    top.Finish();
  }

 private:
  void ReadHeader(CFormReader& top, CProjectJson::BuildResult& result) {
    CProject::Header h;
    top.ReadInt32(QStringLiteral("uniqueNumber"), h.uniqueNumber);
    top.ReadText(QStringLiteral("title"), h.title);
    top.ReadText(QStringLiteral("company"), h.company);
    top.ReadText(QStringLiteral("author"), h.author);
    top.ReadText(QStringLiteral("copyright"), h.copyright);
    top.ReadText(QStringLiteral("webUrl"), h.webUrl);
    top.ReadText(QStringLiteral("notes"), h.notes);
    ReadTime(top, QStringLiteral("createdTime"), h.createdTime);
    result.hasSavedTime = ReadTime(top, QStringLiteral("savedTime"), h.savedTime);
    if (result.hasSavedTime) {
      // The saved time reaches the file through the save's clock, which counts milliseconds.
      const QDateTime time = QDateTime::fromSecsSinceEpoch(h.savedTime, Qt::UTC);
      if (!time.isValid() || time.toSecsSinceEpoch() != h.savedTime) {
        CFormReader::Fail(QStringLiteral("savedTime"), QStringLiteral("out of range"));
      }
    }
    top.ReadInt32(QStringLiteral("revision"), h.revision);
    const int32_t expected = CProject::ComputeCheckWord(h.createdTime, h.uniqueNumber);
    h.checkWord = expected;
    if (top.ReadInt32(QStringLiteral("checkWord"), h.checkWord) && h.checkWord != 0 &&
        h.checkWord != expected) {
      CFormReader::Fail(QStringLiteral("checkWord"),
                        QStringLiteral("is neither 0 nor the value that createdTime and "
                                       "uniqueNumber give (%1), so it would read back as 0; "
                                       "leave it out to have it computed")
                            .arg(expected));
    }
    top.ReadInt32(QStringLiteral("sessionLock"), h.sessionLock);
    top.ReadInt32(QStringLiteral("noDelete"), h.noDelete);
    top.ReadInt32(QStringLiteral("option3"), h.option3);
    top.ReadInt32(QStringLiteral("option4"), h.option4);
    top.ReadInt32(QStringLiteral("unitRestamp"), h.unitRestamp);
    top.ReadInt32(QStringLiteral("autoNewSession"), h.autoNewSession);
    top.ReadInt32(QStringLiteral("useCaptions"), h.useCaptions);
    top.ReadInt32(QStringLiteral("option8"), h.option8);
    top.ReadInt32(QStringLiteral("arrivalSound"), h.arrivalSound);
    top.ReadText(QStringLiteral("sessionListColumns"), h.sessionListColumns);
    m_project.MutableHeader() = h;
  }

  void ReadGraphicsAndProperties(CFormReader& top) {
    CGraphics& g = m_project.MutableGraphics();
    CVariantMap& properties = m_project.MutableProperties();
    CVariantMap given;
    if (const COrderedJson* json = top.Take(QStringLiteral("properties"))) {
      CVariantJson::MapFromJson(*json, QStringLiteral("properties"), given);
    }
    properties = given;
    const QStringList layoutKeys = LayoutKeys();
    // Layout values found only in the properties count, as when the client reads a file.
    for (const QString& key : layoutKeys) {
      if (given.Find(key)) {
        g.LoadLayout(given);
        break;
      }
    }

    if (const COrderedJson* json = top.Take(QStringLiteral("graphics"))) {
      CFormReader reader(*json, QStringLiteral("graphics"));
      auto colour = [&reader](const char* key, int32_t& stored) {
        if (const COrderedJson* value = reader.Take(QString::fromLatin1(key))) {
          stored = static_cast<int32_t>(
              CPointJson::ColourFromJson(*value, reader.PathOf(QString::fromLatin1(key))));
        }
      };
      colour("backgroundColour", g.backgroundColour);
      colour("textColour", g.textColour);
      colour("headingColour", g.headingColour);
      reader.ReadText(QStringLiteral("fontFace"), g.fontFace);
      reader.ReadInt32(QStringLiteral("fontSize"), g.fontSize);
      reader.ReadText(QStringLiteral("headingFontFace"), g.headingFontFace);
      reader.ReadInt32(QStringLiteral("headingFontSize"), g.headingFontSize);
      ReadImage(reader, QStringLiteral("headerImage"), QStringLiteral("headerImageHighRes"),
                g.headerImage, g.headerImageHighRes);
      ReadImage(reader, QStringLiteral("sideImage"), QStringLiteral("sideImageHighRes"),
                g.sideImage, g.sideImageHighRes);
      for (const auto& [key, value] :
           {std::pair{"margin", &g.margin}, std::pair{"spacing", &g.spacing},
            std::pair{"gap", &g.gap}}) {
        const QString name = QString::fromLatin1(key);
        if (reader.ReadInt32(name, *value) && *value < 0) {
          // A negative value reads back as the default.
          CFormReader::Fail(reader.PathOf(name), QStringLiteral("must not be negative"));
        }
      }
      reader.Finish();
    }
    g.ResetFonts();
    CVariantMap saved = given;
    g.StoreLayout(saved);
    CheckStoredSettings(given, saved, layoutKeys, QStringLiteral("properties"),
                        QStringLiteral("the graphics margin, spacing and gap"));
  }

  void ReadImage(CFormReader& reader, const QString& key, const QString& flagKey, QByteArray& bytes,
                 int32_t& flag) {
    if (const COrderedJson* json = reader.Take(key)) {
      bytes = m_links.ImageFromJson(*json, reader.PathOf(key));
    }
    if (reader.ReadInt32(flagKey, flag) && flag != 0 && bytes.isEmpty()) {
      CFormReader::Fail(reader.PathOf(flagKey),
                        QStringLiteral("is stored only together with \"%1\"; without one it "
                                       "reads back as 0")
                            .arg(key));
    }
  }

  // The numbers the form gives, so that numbers derived for the others never clash with them.
  void CollectNumbers(const COrderedJson& pages) {
    for (qsizetype i = 0; i < pages.Items().size(); ++i) {
      const COrderedJson& page = pages.Items()[i];
      const QString pagePath = CFormReader::ItemPath(QStringLiteral("pages"), i);
      if (!page.IsObject()) continue;  // reported when the page is read
      if (const COrderedJson* number = page.Find(QStringLiteral("uniqueNumber"))) {
        m_pageNumbers.insert(static_cast<int32_t>(CFormReader::ToInteger(
            *number, pagePath + QStringLiteral(".uniqueNumber"),
            std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())));
      }
      const COrderedJson* points = page.Find(QStringLiteral("points"));
      if (!points || !points->IsArray()) continue;
      for (qsizetype j = 0; j < points->Items().size(); ++j) {
        const COrderedJson* number = points->Items()[j].Find(QStringLiteral("uniqueNumber"));
        if (!number) continue;
        const QString path = CFormReader::ItemPath(pagePath + QStringLiteral(".points"), j) +
                             QStringLiteral(".uniqueNumber");
        // A point number must be unique and not 0; the client would draw a new one at random.
        const auto value = static_cast<int32_t>(
            CFormReader::ToInteger(*number, path, std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::max()));
        if (value == 0) CFormReader::Fail(path, QStringLiteral("a point's number must not be 0"));
        if (m_pointNumberPaths.contains(value)) {
          CFormReader::Fail(path, QStringLiteral("%1 is already the number of %2")
                                      .arg(value)
                                      .arg(m_pointNumberPaths.value(value)));
        }
        m_pointNumberPaths.insert(value, path.chopped(QStringLiteral(".uniqueNumber").size()));
        m_pointNumbers.insert(value);
      }
    }
  }

  void ReadPage(const COrderedJson& json, const QString& path, qsizetype index) {
    CFormReader reader(json, path);
    CPage* page = m_project.AddPage();
    int32_t number = 0;
    if (!reader.ReadInt32(QStringLiteral("uniqueNumber"), number)) {
      number = DerivedNumber(QStringLiteral("page/%1").arg(index), m_pageNumbers);
    }
    page->SetUniqueNumber(number);
    QString text = page->Caption();
    if (reader.ReadText(QStringLiteral("caption"), text)) page->SetCaption(text);
    if (reader.ReadText(QStringLiteral("text"), text)) page->SetText(text);
    if (reader.ReadText(QStringLiteral("help"), text)) page->SetHelp(text);
    int32_t option = page->Option();
    if (reader.ReadInt32(QStringLiteral("option"), option)) page->SetOption(option);
    if (const COrderedJson* properties = reader.Take(QStringLiteral("properties"))) {
      CVariantJson::MapFromJson(*properties, reader.PathOf(QStringLiteral("properties")),
                                page->MutableProperties());
    }
    if (const COrderedJson* points = reader.Take(QStringLiteral("points"))) {
      const QString pointsPath = reader.PathOf(QStringLiteral("points"));
      if (!points->IsArray()) {
        CFormReader::Fail(pointsPath,
                          QStringLiteral("expected an array, found %1").arg(points->KindName()));
      }
      for (qsizetype i = 0; i < points->Items().size(); ++i) {
        ReadPoint(*page, points->Items()[i], CFormReader::ItemPath(pointsPath, i),
                  QStringLiteral("point/%1/%2").arg(index).arg(i));
      }
    }
    reader.Finish();
  }

  void ReadPoint(CPage& page, const COrderedJson& json, const QString& path, const QString& seed) {
    CFormReader reader(json, path);
    QString typeName;
    if (!reader.ReadText(QStringLiteral("type"), typeName)) {
      CFormReader::Fail(path, QStringLiteral("a point needs \"type\" (one of %1)")
                                  .arg(CPointJson::TypeNames().join(QStringLiteral(", "))));
    }
    const int32_t typeCode = CPointJson::TypeCode(typeName);
    CBasePoint* point = typeCode != 0 ? page.AddPoint(typeCode) : nullptr;
    if (!point) {
      CFormReader::Fail(reader.PathOf(QStringLiteral("type")),
                        QStringLiteral("unknown point type \"%1\" (one of %2)")
                            .arg(typeName, CPointJson::TypeNames().join(QStringLiteral(", "))));
    }
    int32_t number = 0;
    if (!reader.ReadInt32(QStringLiteral("uniqueNumber"), number)) {
      number = DerivedNumber(seed, m_pointNumbers);
    }
    point->SetUniqueNumber(number);

    QString text;
    if (reader.ReadText(QStringLiteral("name"), text) && !text.isEmpty()) {
      const QString key = text.toLower();
      if (m_namePaths.contains(key)) {
        CFormReader::Fail(reader.PathOf(QStringLiteral("name")),
                          QStringLiteral("\"%1\" is already the name of %2 (names are compared "
                                         "without regard to case)")
                              .arg(text, m_namePaths.value(key)));
      }
      m_namePaths.insert(key, path);
      m_numbersByName.insert(key, number);
      point->SetName(text);
    }
    if (reader.ReadText(QStringLiteral("caption"), text)) point->SetCaption(text);
    if (reader.ReadText(QStringLiteral("help"), text)) point->SetHelp(text);
    int32_t flag = 0;
    if (reader.ReadInt32(QStringLiteral("bold"), flag)) point->SetBold(flag);
    if (reader.ReadInt32(QStringLiteral("required"), flag)) point->SetRequiredMode(flag);
    if (reader.ReadInt32(QStringLiteral("visible"), flag)) point->SetVisible(flag);
    if (reader.ReadInt32(QStringLiteral("results"), flag)) point->SetResults(flag);
    if (reader.ReadInt32(QStringLiteral("carryForward"), flag)) point->SetCarryForward(flag);
    if (const COrderedJson* value = reader.Take(QStringLiteral("default"))) {
      point->SetDefaultValue(
          CVariantJson::FromJson(*value, reader.PathOf(QStringLiteral("default"))));
    }

    CVariantMap given;
    const QString propertiesPath = reader.PathOf(QStringLiteral("properties"));
    if (const COrderedJson* properties = reader.Take(QStringLiteral("properties"))) {
      CVariantJson::MapFromJson(*properties, propertiesPath, given);
    }
    point->MutableProperties() = given;
    const QStringList settingKeys = CPointJson::SettingKeys(typeCode);
    for (const QString& key : settingKeys) {
      if (given.Find(key)) {
        point->LoadSettings();
        break;
      }
    }
    CPointJson::SettingsFromJson(reader.Take(QStringLiteral("settings")),
                                 reader.PathOf(QStringLiteral("settings")), *point, m_links);
    point->SaveSettings();
    CheckStoredSettings(given, point->Properties(), settingKeys, propertiesPath,
                        QStringLiteral("the point's settings"));
    reader.Finish();
  }

  CProject& m_project;
  CBuildLinks m_links;
  QSet<int32_t> m_pageNumbers;
  QSet<int32_t> m_pointNumbers;
  QHash<int32_t, QString> m_pointNumberPaths;
  QHash<QString, QString> m_namePaths;      // lower-case name -> the point's path
  QHash<QString, int32_t> m_numbersByName;  // lower-case name -> the point's number
};

}  // namespace

bool CProjectJson::Dump(CProject& project, const DumpOptions& options, COrderedJson& form,
                        QString& error) {
  CDumpLinks links(project, options);
  const CProject::Header& h = project.GetHeader();
  COrderedJson json = COrderedJson::Object();
  json.Insert(QStringLiteral("formVersion"), COrderedJson::Integer(kFormVersion));
  json.Insert(QStringLiteral("uniqueNumber"), COrderedJson::Integer(h.uniqueNumber));
  json.Insert(QStringLiteral("title"), COrderedJson::String(h.title));
  json.Insert(QStringLiteral("company"), COrderedJson::String(h.company));
  json.Insert(QStringLiteral("author"), COrderedJson::String(h.author));
  json.Insert(QStringLiteral("copyright"), COrderedJson::String(h.copyright));
  json.Insert(QStringLiteral("webUrl"), COrderedJson::String(h.webUrl));
  json.Insert(QStringLiteral("notes"), COrderedJson::String(h.notes));
  json.Insert(QStringLiteral("createdTime"), TimeToJson(h.createdTime));
  json.Insert(QStringLiteral("savedTime"), TimeToJson(h.savedTime));
  json.Insert(QStringLiteral("revision"), COrderedJson::Integer(h.revision));
  json.Insert(QStringLiteral("checkWord"), COrderedJson::Integer(h.checkWord));
  json.Insert(QStringLiteral("sessionLock"), COrderedJson::Integer(h.sessionLock));
  json.Insert(QStringLiteral("noDelete"), COrderedJson::Integer(h.noDelete));
  json.Insert(QStringLiteral("option3"), COrderedJson::Integer(h.option3));
  json.Insert(QStringLiteral("option4"), COrderedJson::Integer(h.option4));
  json.Insert(QStringLiteral("unitRestamp"), COrderedJson::Integer(h.unitRestamp));
  json.Insert(QStringLiteral("autoNewSession"), COrderedJson::Integer(h.autoNewSession));
  json.Insert(QStringLiteral("useCaptions"), COrderedJson::Integer(h.useCaptions));
  json.Insert(QStringLiteral("option8"), COrderedJson::Integer(h.option8));
  json.Insert(QStringLiteral("arrivalSound"), COrderedJson::Integer(h.arrivalSound));
  json.Insert(QStringLiteral("sessionListColumns"), COrderedJson::String(h.sessionListColumns));
  json.Insert(QStringLiteral("graphics"), GraphicsToJson(project.Graphics(), links));
  project.Graphics().StoreLayout(project.MutableProperties());
  json.Insert(QStringLiteral("properties"), CVariantJson::MapToJson(project.Properties()));
  COrderedJson pages = COrderedJson::Array();
  for (const auto& page : project.Pages()) pages.Append(PageToJson(*page, links));
  json.Insert(QStringLiteral("pages"), std::move(pages));
  if (!links.WriteError().isEmpty()) {
    error = links.WriteError();
    return false;
  }
  form = std::move(json);
  return true;
}

bool CProjectJson::Build(const COrderedJson& form, const QString& baseDir, CProject& project,
                         BuildResult& result) {
  result = BuildResult();
  try {
    CBuilder builder(project, baseDir);
    builder.Run(form, result);
  } catch (const Error& error) {
    result.error = error.Text();
    result.ioError = error.io;
    return false;
  }
  return true;
}
