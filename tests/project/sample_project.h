// Builds a project that holds every point type with settings different from their defaults,
// properties maps, default values of several types and both images. Header-only so that every
// test binary can use it. Test code only.
#pragma once

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
#include "project/page.h"
#include "project/project.h"

namespace sample {

inline QByteArray Bytes(int size, int seed) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return bytes;
}

template <typename T>
T* Add(CPage* page, const QString& name) {
  auto* point = static_cast<T*>(page->AddPoint(T::kTypeCode));
  point->SetName(name);
  point->SetCaption(QStringLiteral("Caption of ") + name);
  point->SetHelp(QStringLiteral("Help of ") + name);
  point->SetBold(0);
  point->SetRequiredMode(1);
  point->SetCarryForward(1);
  point->MutableProperties().SetText(QStringLiteral("note"), name);
  return point;
}

inline void Fill(CProject& project) {
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
  g.headerImage = Bytes(70000, 1);  // longer than a 16-bit length
  g.headerImageHighRes = 1;
  g.sideImage = Bytes(300, 2);
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

  auto* boolean = Add<CBooleanPoint>(first, "Flag");
  boolean->SetSettings({"Yes", "No", "Maybe", 2});
  boolean->SetDefaultValue(CVariant::FromString("Yes"));

  auto* list = Add<CListPoint>(first, "Choice");
  list->SetSettings({{"1;One", "2;Two"}, 0, 1});

  auto* edit = Add<CEditPoint>(first, "Name");
  edit->SetSettings({1, 1, 1, -5, 50, 1, -3, 20, 4, true});
  edit->SetDefaultValue(CVariant::FromInt32(42));

  auto* drop = Add<CDropPoint>(first, "Fruit");
  drop->SetSettings({{"Apple", "Pear", QString(260, QLatin1Char('x'))}, 1, 1, 1, 1, 30, true});

  auto* link = Add<CLinkPoint>(first, "Go");
  link->SetSettings(
      {second->UniqueNumber() > 0 ? static_cast<uint32_t>(second->UniqueNumber()) : 1u,
       "https://example.org/<%Name%>", 2, "DejaVu Sans", -14, 1, 0, 0x00123456, Bytes(40, 3), 1,
       1});

  auto* time = Add<CTimePoint>(first, "When");
  time->SetSettings({"{day}", "{year}", 3, 1, 1, 6, "Total"});
  time->SetDefaultValue(CVariant::FromDouble(45000.25));

  auto* layout = Add<CLayoutPoint>(second, "Banner");
  layout->SetSettings(
      {"Hello <%Name%>", 0, "DejaVu Serif", -20, 1, 1, 0x000000FF, Bytes(90, 4), 1});

  auto* outlook = Add<COutlookPoint>(second, "Person");
  outlook->SetSettings({0});

  auto* math = Add<CMathPoint>(second, "Total");
  math->SetSettings({"Name * 2", 0, 0, 2, 2});

  auto* logic = Add<CLogicPoint>(second, "Rule");
  logic->SetSettings({"Name", 3, "10", 1, "Fruit", 6, "App", {1u, 0xFFFFFFFFu}, "?", "no", "yes"});

  auto* sketch = Add<CSketchPoint>(second, "Drawing");
  sketch->SetSettings({3, 800, 600, 0, 2, "Photo", Bytes(500, 5)});

  auto* custom = Add<CCustomPoint>(second, "Gadget");
  custom->SetClassId(
      QUuid(0x6722D125, 0x9222, 0x40E2, 0xAE, 0xE2, 0xB0, 0xA5, 0xB8, 0x6A, 0x4E, 0xC6));
  custom->SetUserTypeName(QStringLiteral("TWKF.Camera"));
  custom->MutableBag().SetInteger(QStringLiteral("shellwidth"), 1600);
  custom->MutableBag().SetVariant(QStringLiteral("blob"), CVariant::FromBytes(Bytes(20, 6)));

  auto* file = Add<CFilePoint>(second, "Attachment");
  file->SetSettings({"Pictures|*.jpg||", 2, 0, 1, 1, "/data/in", "png", 1});

  auto* telegram = Add<CTelegramPoint>(second, "Signal");
  telegram->SetSettings({"Ping", 0, 0, 1, "(GUID)", {"Name", "(GUID)"}});
}

}  // namespace sample
