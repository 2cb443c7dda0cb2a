#include "support/project_builder.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "points/boolean_point.h"
#include "points/custom_point.h"
#include "points/drop_point.h"
#include "points/edit_point.h"
#include "points/file_point.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "points/list_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "points/outlook_point.h"
#include "points/sketch_point.h"
#include "points/telegram_point.h"
#include "points/time_point.h"
#include "project/project.h"

namespace qlt::test {
namespace {

// A point of the sample project: caption, help and a property of its own, and the shared fields
// away from their defaults.
template <typename T>
T* AddSamplePoint(CPage* page, const QString& name) {
  auto* point = AddPoint<T>(page, name, QStringLiteral("Caption of ") + name);
  point->SetHelp(QStringLiteral("Help of ") + name);
  point->SetBold(0);
  point->SetRequiredMode(1);
  point->SetCarryForward(1);
  point->MutableProperties().SetText(QStringLiteral("note"), name);
  return point;
}

QByteArray EncodeBitmap(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
  return bytes;
}

// A pale header band with a blue block at the left and a blue stripe at the bottom, 200 x 56.
QByteArray OwnHeaderImage() {
  QImage image(200, 56, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.fillRect(image.rect(), QColor(0xdd, 0xe8, 0xf4));
  painter.fillRect(QRect(0, 0, 60, 56), QColor(0x2e, 0x75, 0xb6));
  painter.fillRect(QRect(0, 52, 200, 4), QColor(0x2e, 0x75, 0xb6));
  painter.end();
  return EncodeBitmap(image);
}

// A narrow side strip with a tick every 20 pixels, 6 x 40.
QByteArray SideImage() {
  QImage image(6, 40, QImage::Format_RGB888);
  image.fill(QColor(0xdd, 0xe8, 0xf4));
  QPainter painter(&image);
  painter.fillRect(QRect(0, 0, 6, 2), QColor(0x2e, 0x75, 0xb6));
  painter.fillRect(QRect(0, 20, 3, 2), QColor(0x2e, 0x75, 0xb6));
  painter.end();
  return EncodeBitmap(image);
}

QString LongHelp() {
  QString help = QStringLiteral(
      "<h1>Before you start</h1>\n"
      "Walk round the <b>whole site</b> once before you fill in anything. Note every "
      "<u>entrance</u>, every <b><u>emergency exit</u></b> and anything that looks out of "
      "place.\n\n"
      "<h1>Counting visitors</h1>\n"
      "Count the visitors at the main gate only; the arrows beside the box add or take one. "
      "Counts above ten need a second inspector.<i>ignored tag</i>\n");
  for (int i = 1; i <= 12; ++i) {
    help += QStringLiteral(
                "%1. A further paragraph of guidance that wraps over several lines "
                "so that the help text is longer than the window.\n")
                .arg(i);
  }
  help += QStringLiteral("https://example.org/a/very/long/address/that/cannot/wrap/at/a/space");
  return help;
}

}  // namespace

QByteArray PatternBytes(int size, int seed) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return bytes;
}

void FillSampleProject(CProject& project) {
  CProject::Header& h = project.MutableHeader();
  h.uniqueNumber = 123456;
  h.title = QStringLiteral("Sample \u00e9\u4e2d");
  h.company = QStringLiteral("Company");
  h.author = QStringLiteral("Author");
  h.copyright = QStringLiteral("(c)");
  h.webUrl = QStringLiteral("https://example.org");
  h.notes = QString(300, QLatin1Char('n'));  // a string with the longer length prefix
  h.createdTime = 1700000000;
  h.savedTime = 1700000100;
  h.revision = 12;
  h.checkWord = CProject::ComputeCheckWord(h.createdTime, h.uniqueNumber);
  h.sessionLock = 1;
  h.noDelete = 1;
  h.option3 = 3;
  h.option4 = 4;
  h.unitRestamp = 1;
  h.autoNewSession = 1;
  h.useCaptions = 1;
  h.option8 = 8;
  h.arrivalSound = 0;
  h.sessionListColumns = QStringLiteral("Name;Total;");

  CGraphics& g = project.MutableGraphics();
  g.backgroundColour = 0x00F0E0D0;
  g.textColour = 0x00102030;
  g.headingColour = 0x00405060;
  g.fontFace = QStringLiteral("DejaVu Sans");
  g.fontSize = -13;
  g.headingFontFace = QStringLiteral("DejaVu Serif");
  g.headingFontSize = 18;
  g.headerImage = PatternBytes(70000, 1);  // longer than a 16-bit length
  g.headerImageHighRes = 1;
  g.sideImage = PatternBytes(300, 2);
  g.sideImageHighRes = 0;
  g.margin = 7;
  g.spacing = 3;
  g.gap = 4;

  project.MutableProperties().SetText(QStringLiteral("validate.send.point"), "Name");
  project.MutableProperties().SetVariant(QStringLiteral("validate.send.enabled"),
                                         CVariant::FromBool(true));

  CPage* first = project.AddPage();
  first->SetCaption(QStringLiteral("First"));
  first->SetText(QStringLiteral("Text"));
  first->SetHelp(QStringLiteral("Help"));
  first->SetOption(0);
  first->MutableProperties().SetInteger(QStringLiteral("columns"), 2);
  CPage* second = project.AddPage();
  second->SetCaption(QStringLiteral("Second"));

  auto* boolean = AddSamplePoint<CBooleanPoint>(first, "Flag");
  boolean->SetSettings({"Yes", "No", "Maybe", 2});
  boolean->SetDefaultValue(CVariant::FromString("Yes"));

  auto* list = AddSamplePoint<CListPoint>(first, "Choice");
  list->SetSettings({{"1;One", "2;Two"}, 0, 1});

  auto* edit = AddSamplePoint<CEditPoint>(first, "Name");
  edit->SetSettings({1, 1, 1, -5, 50, 1, -3, 20, 4, true});
  edit->SetDefaultValue(CVariant::FromInt32(42));

  auto* drop = AddSamplePoint<CDropPoint>(first, "Fruit");
  drop->SetSettings({{"Apple", "Pear", QString(260, QLatin1Char('x'))}, 1, 1, 1, 1, 30, true});

  auto* link = AddSamplePoint<CLinkPoint>(first, "Go");
  link->SetSettings(
      {second->UniqueNumber() > 0 ? static_cast<uint32_t>(second->UniqueNumber()) : 1u,
       "https://example.org/<%Name%>", 2, "DejaVu Sans", -14, 1, 0, 0x00123456, PatternBytes(40, 3),
       1, 1});

  auto* time = AddSamplePoint<CTimePoint>(first, "When");
  time->SetSettings({"{day}", "{year}", 3, 1, 1, 6, "Total"});
  time->SetDefaultValue(CVariant::FromDouble(45000.25));

  auto* layout = AddSamplePoint<CLayoutPoint>(second, "Banner");
  layout->SetSettings(
      {"Hello <%Name%>", 0, "DejaVu Serif", -20, 1, 1, 0x000000FF, PatternBytes(90, 4), 1});

  auto* outlook = AddSamplePoint<COutlookPoint>(second, "Person");
  outlook->SetSettings({0});

  auto* math = AddSamplePoint<CMathPoint>(second, "Total");
  math->SetSettings({"Name * 2", 0, 0, 2, 2});

  auto* logic = AddSamplePoint<CLogicPoint>(second, "Rule");
  logic->SetSettings({"Name", 3, "10", 1, "Fruit", 6, "App", {1u, 0xFFFFFFFFu}, "?", "no", "yes"});

  auto* sketch = AddSamplePoint<CSketchPoint>(second, "Drawing");
  sketch->SetSettings({3, 800, 600, 0, 2, "Photo", PatternBytes(500, 5)});

  auto* custom = AddSamplePoint<CCustomPoint>(second, "Gadget");
  custom->SetClassId(
      QUuid(0x6722D125, 0x9222, 0x40E2, 0xAE, 0xE2, 0xB0, 0xA5, 0xB8, 0x6A, 0x4E, 0xC6));
  custom->SetUserTypeName(QStringLiteral("TWKF.Camera"));
  custom->MutableBag().SetInteger(QStringLiteral("shellwidth"), 1600);
  custom->MutableBag().SetVariant(QStringLiteral("blob"), CVariant::FromBytes(PatternBytes(20, 6)));

  auto* file = AddSamplePoint<CFilePoint>(second, "Attachment");
  file->SetSettings({"Pictures|*.jpg||", 2, 0, 1, 1, "/data/in", "png", 1});

  auto* telegram = AddSamplePoint<CTelegramPoint>(second, "Signal");
  telegram->SetSettings({"Ping", 0, 0, 1, "(GUID)", {"Name", "(GUID)"}});
}

void BuildDemoProject(CProject& project, bool ownImages) {
  CProject::Header& header = project.MutableHeader();
  header.title = QStringLiteral("Site inspection");
  CGraphics& graphics = project.MutableGraphics();
  if (ownImages) {
    graphics.headerImage = OwnHeaderImage();
    graphics.sideImage = SideImage();
    graphics.headingColour = 0x00603010;
    graphics.margin = 12;
  }

  CPage* page = project.AddPage();
  page->SetCaption(QStringLiteral("Site visit"));
  page->SetText(QStringLiteral("Fill in the details of today's visit. Tap a caption for help."));
  page->SetHelp(LongHelp());

  auto* inspector =
      AddPoint<CEditPoint>(page, QStringLiteral("Inspector"), QStringLiteral("Inspector"));
  inspector->SetHelp(QStringLiteral("Your full name as on your badge."));
  inspector->SetDefaultValue(CVariant::FromString(QStringLiteral("Robin Example")));

  auto* visitors =
      AddPoint<CEditPoint>(page, QStringLiteral("Visitors"), QStringLiteral("Number of visitors"));
  CEditPoint::Settings& counted = visitors->MutableSettings();
  counted.numeric = 1;
  counted.arrows = 1;
  counted.rangeCheck = 1;
  counted.minimum = 0;
  counted.maximum = 10;
  counted.lines = -4;
  visitors->SetDefaultValue(CVariant::FromString(QStringLiteral("3")));

  auto* code = AddPoint<CEditPoint>(page, QStringLiteral("Code"), QStringLiteral("Site code"));
  code->MutableSettings().padWidth = 4;
  code->MutableSettings().lines = -3;
  code->SetDefaultValue(CVariant::FromString(QStringLiteral("0042")));

  auto* pin = AddPoint<CEditPoint>(page, QStringLiteral("Pin"), QStringLiteral("Gate PIN"));
  pin->MutableSettings().password = 1;
  pin->MutableSettings().lines = -4;
  pin->SetDefaultValue(CVariant::FromString(QStringLiteral("1234")));

  auto* notes = AddPoint<CEditPoint>(page, QStringLiteral("Notes"),
                                     QStringLiteral("Notes on the condition of the site, "
                                                    "with anything the next visit should "
                                                    "look at first"));
  notes->MutableSettings().lines = 3;
  notes->SetBold(0);
  notes->SetDefaultValue(
      CVariant::FromString(QStringLiteral("Fence mended.\r\nGate sticks when wet.")));

  auto* fixed = AddPoint<CEditPoint>(page, QStringLiteral("Region"), QStringLiteral("Region"));
  fixed->MutableSettings().readOnly = true;
  fixed->SetDefaultValue(CVariant::FromString(QStringLiteral("North (fixed)")));

  AddPoint<CBooleanPoint>(page, QStringLiteral("Safe"), QStringLiteral("Site is safe"));
  auto* choice = AddPoint<CListPoint>(page, QStringLiteral("Weather"), QStringLiteral("Weather"));
  choice->MutableSettings().items = {QStringLiteral("Dry"), QStringLiteral("Rain")};
  AddPoint<CDropPoint>(page, QStringLiteral("Area"), QStringLiteral("Area"));
  AddPoint<CTimePoint>(page, QStringLiteral("When"), QStringLiteral("Date of visit"));
  AddPoint<CMathPoint>(page, QStringLiteral("Total"), QStringLiteral("Total people"));
  auto* link =
      AddPoint<CLinkPoint>(page, QStringLiteral("More"), QStringLiteral("More about inspections"));
  link->SetBold(0);
  AddPoint<CLayoutPoint>(page, QStringLiteral("Rule"), QStringLiteral("Thank you."));

  CPage* second = project.AddPage();
  second->SetCaption(QStringLiteral("Guidance with a caption far too long for the header band"));
  second->SetHelp(LongHelp());
  AddPoint<CEditPoint>(second, QStringLiteral("Remarks"), QStringLiteral("Remarks"));
}

}  // namespace qlt::test
