// A small project for looking at pages: a data-entry page with edit points of every shape and
// points of several other types, a page with long help text in the help markup, and optionally a
// header and side image of the project's own. Built through the project model's own API.
// Header-only; test code only.
#pragma once

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "points/boolean_point.h"
#include "points/drop_point.h"
#include "points/edit_point.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "points/list_point.h"
#include "points/math_point.h"
#include "points/time_point.h"
#include "project/page.h"
#include "project/project.h"

namespace uitest {

inline QByteArray EncodeBitmap(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
  return bytes;
}

// A pale header band with a blue block at the left and a blue stripe at the bottom, 200 x 56.
inline QByteArray OwnHeaderImage() {
  QImage image(200, 56, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.fillRect(image.rect(), QColor(0xdd, 0xe8, 0xf4));
  painter.fillRect(QRect(0, 0, 60, 56), QColor(0x2e, 0x75, 0xb6));
  painter.fillRect(QRect(0, 52, 200, 4), QColor(0x2e, 0x75, 0xb6));
  painter.end();
  return EncodeBitmap(image);
}

// A narrow side strip with a tick every 20 pixels, 6 x 40.
inline QByteArray SideImage() {
  QImage image(6, 40, QImage::Format_RGB888);
  image.fill(QColor(0xdd, 0xe8, 0xf4));
  QPainter painter(&image);
  painter.fillRect(QRect(0, 0, 6, 2), QColor(0x2e, 0x75, 0xb6));
  painter.fillRect(QRect(0, 20, 3, 2), QColor(0x2e, 0x75, 0xb6));
  painter.end();
  return EncodeBitmap(image);
}

inline QString LongHelp() {
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

template <typename T>
T* AddDemoPoint(CPage* page, const QString& name, const QString& caption) {
  auto* point = static_cast<T*>(page->AddPoint(T::kTypeCode));
  point->SetName(name);
  point->SetCaption(caption);
  return point;
}

// Fills an empty project. With `ownImages` the project brings its own header and side images.
inline void BuildDemoProject(CProject& project, bool ownImages) {
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
      AddDemoPoint<CEditPoint>(page, QStringLiteral("Inspector"), QStringLiteral("Inspector"));
  inspector->SetHelp(QStringLiteral("Your full name as on your badge."));
  inspector->SetDefaultValue(CVariant::FromString(QStringLiteral("Robin Example")));

  auto* visitors = AddDemoPoint<CEditPoint>(page, QStringLiteral("Visitors"),
                                            QStringLiteral("Number of visitors"));
  CEditPoint::Settings& counted = visitors->MutableSettings();
  counted.numeric = 1;
  counted.arrows = 1;
  counted.rangeCheck = 1;
  counted.minimum = 0;
  counted.maximum = 10;
  counted.lines = -4;
  visitors->SetDefaultValue(CVariant::FromString(QStringLiteral("3")));

  auto* code = AddDemoPoint<CEditPoint>(page, QStringLiteral("Code"), QStringLiteral("Site code"));
  code->MutableSettings().padWidth = 4;
  code->MutableSettings().lines = -3;
  code->SetDefaultValue(CVariant::FromString(QStringLiteral("0042")));

  auto* pin = AddDemoPoint<CEditPoint>(page, QStringLiteral("Pin"), QStringLiteral("Gate PIN"));
  pin->MutableSettings().password = 1;
  pin->MutableSettings().lines = -4;
  pin->SetDefaultValue(CVariant::FromString(QStringLiteral("1234")));

  auto* notes = AddDemoPoint<CEditPoint>(page, QStringLiteral("Notes"),
                                         QStringLiteral("Notes on the condition of the site, "
                                                        "with anything the next visit should "
                                                        "look at first"));
  notes->MutableSettings().lines = 3;
  notes->SetBold(0);
  notes->SetDefaultValue(
      CVariant::FromString(QStringLiteral("Fence mended.\r\nGate sticks when wet.")));

  auto* fixed = AddDemoPoint<CEditPoint>(page, QStringLiteral("Region"), QStringLiteral("Region"));
  fixed->MutableSettings().readOnly = true;
  fixed->SetDefaultValue(CVariant::FromString(QStringLiteral("North (fixed)")));

  AddDemoPoint<CBooleanPoint>(page, QStringLiteral("Safe"), QStringLiteral("Site is safe"));
  auto* choice =
      AddDemoPoint<CListPoint>(page, QStringLiteral("Weather"), QStringLiteral("Weather"));
  choice->MutableSettings().items = {QStringLiteral("Dry"), QStringLiteral("Rain")};
  AddDemoPoint<CDropPoint>(page, QStringLiteral("Area"), QStringLiteral("Area"));
  AddDemoPoint<CTimePoint>(page, QStringLiteral("When"), QStringLiteral("Date of visit"));
  AddDemoPoint<CMathPoint>(page, QStringLiteral("Total"), QStringLiteral("Total people"));
  auto* link = AddDemoPoint<CLinkPoint>(page, QStringLiteral("More"),
                                        QStringLiteral("More about inspections"));
  link->SetBold(0);
  AddDemoPoint<CLayoutPoint>(page, QStringLiteral("Rule"), QStringLiteral("Thank you."));

  CPage* second = project.AddPage();
  second->SetCaption(QStringLiteral("Guidance with a caption far too long for the header band"));
  second->SetHelp(LongHelp());
  AddDemoPoint<CEditPoint>(second, QStringLiteral("Remarks"), QStringLiteral("Remarks"));
}

}  // namespace uitest
