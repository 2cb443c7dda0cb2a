// The camera's capture window on a machine without a camera: it says so, names the folder photos
// can be put into, offers no Take button to press, and Cancel closes it without a photo. A camera
// program named in the settings is started instead and its photos are waited for.
#include "ui/camera_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCameraDevice>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/settings_store.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "ui/camera_command_dlg.h"
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

// The settings' camera program runs with the folder for "%folder%"; each photo it saves there,
// even again under the same name, ends the wait. A program that cannot start is reported.
TEST(CameraDlg, CameraProgramFromTheSettingsIsStartedAndWaitedFor) {
  qlt::test::CScopedServices services;
  const QString home = qlt::test::TestHome();
  const QString roll = home + u"/Camera Roll"_qs;
  ASSERT_TRUE(QDir().mkpath(roll));
  const QString shot = home + u"/shot source.jpg"_qs;
  ASSERT_TRUE(QImage(64, 48, QImage::Format_RGB32).save(shot, "JPG"));
  CSettingsStore settings(CSettingsStore::DefaultFilePath());
  ASSERT_TRUE(
      settings.WriteString(u"Camera"_qs, u"Command"_qs,
                           u"sh -c 'cp \"$0\" \"%folder%/IMG 1.jpg\"' \""_qs + shot + u'"'));
  CQtDialogService dialogs;
  // A program that never saves a photo would leave the window waiting: give up after a while.
  QTimer giveUp;
  giveUp.setInterval(10000);
  QObject::connect(&giveUp, &QTimer::timeout, [] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
  });
  giveUp.start();
  EXPECT_TRUE(dialogs.TakePhoto(roll));
  EXPECT_TRUE(QFile::exists(roll + u"/IMG 1.jpg"_qs));
  EXPECT_TRUE(dialogs.TakePhoto(roll));
  EXPECT_TRUE(services.Messages().Messages().isEmpty());

  ASSERT_TRUE(settings.WriteString(u"Camera"_qs, u"Command"_qs, home + u"/no such camera"_qs));
  EXPECT_FALSE(dialogs.TakePhoto(roll));
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text, u"Unable to launch camera."_qs);
}

TEST(CameraDlg, CameraCommandSplitsIntoWordsAsAShellDoes) {
  const struct {
    const char* command;
    QStringList words;
  } cases[] = {
      {"cam  -o %folder%/a.jpg", {"cam", "-o", "/r o/a.jpg"}},
      {R"('my cam' "x \"y\" \\z" a\ b '\n')", {"my cam", R"(x "y" \z)", "a b", "\\n"}},
      {R"(cam "")", {"cam", ""}},
      {"cam 'open", {}},
      {"   ", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CCameraCommandDlg::CommandLine(QString::fromUtf8(c.command), u"/r o"_qs), c.words)
        << c.command;
  }
}

}  // namespace
