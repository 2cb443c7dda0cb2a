// The camera's capture window on a machine without a camera: it says so, names the folder photos
// can be put into, offers no Take button to press, and Cancel closes it without a photo.
#include "ui/camera_dlg.h"

#include <gtest/gtest.h>

#include <QCameraDevice>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/scoped_services.h"
#include "ui/qt_dialog_service.h"

namespace {

TEST(CameraDlg, WithoutACameraItSaysSoAndCancels) {
  if (!QMediaDevices::videoInputs().isEmpty()) GTEST_SKIP() << "this machine has a camera";
  qlt::test::CScopedServices services;
  CCameraDlg dialog(QStringLiteral("/tmp/Camera Roll"), nullptr);
  bool told = false;
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    told |= label->text().contains(QStringLiteral("No camera was found")) &&
            label->text().contains(QStringLiteral("/tmp/Camera Roll"));
  }
  EXPECT_TRUE(told);
  QPushButton* take = nullptr;
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text() == qlt::test::CScopedServices::Text("Point.Camera.TakePhoto")) take = button;
  }
  ASSERT_NE(take, nullptr);
  EXPECT_FALSE(take->isEnabled());
  QTimer::singleShot(0, &dialog, [&dialog] {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                      Qt::LeftButton);
  });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

}  // namespace
