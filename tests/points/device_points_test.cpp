// The camera and voice points end to end: created by the hosting in a project built by the tool,
// fed by a fake camera (the capture window writes into the Camera Roll) or a folder, and by a fake
// voice-clip service, and their values kept through Finish and reopening.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "app/image_services.h"
#include "app/message_service.h"
#include "app/services.h"
#include "automation/hosted_control.h"
#include "points/camera_point.h"
#include "points/custom_point.h"
#include "points/voice_point.h"
#include "project/project.h"
#include "sessions/session.h"
#include "support/harness.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"
#include "values/file_blob.h"

namespace {

using qlt::test::CHostedProject;
using qlt::test::ThirdPartyData;

QString Form(const char* classId, const char* type, const QString& bag) {
  return QStringLiteral(R"({"title": "Devices", "createdTime": "2024-05-01T08:00:00Z",
    "pages": [{"uniqueNumber": 1001, "caption": "One", "points": [
      {"type": "Edit", "name": "Site", "caption": "Site"},
      {"type": "Custom", "name": "Device", "caption": "Device",
       "settings": {"classId": "%1", "userTypeName": "%2", "bag": %3}}]}]})")
      .arg(QLatin1String(classId), QLatin1String(type), bag);
}

template <class C>
C* ControlOf(CCustomPoint* point) {
  auto* hosted = point ? dynamic_cast<CHostedControl*>(point->Control()) : nullptr;
  return hosted ? dynamic_cast<C*>(hosted->Object()) : nullptr;
}

// The capture window of a camera that takes the given picture into the Camera Roll.
class CFakeCamera : public CDialogService {
 public:
  explicit CFakeCamera(QString picture) : m_picture(std::move(picture)) {}
  bool TakePhoto(const QString& folder) override {
    return QFile::copy(m_picture, QDir(folder).filePath(QStringLiteral("IMG_0001.jpg")));
  }

 private:
  QString m_picture;
};

// Taps the middle of the camera button (the only button without a photo; the left one of the
// pair with one).
void TapCamera(CCustomPoint* point, bool pair) {
  const int height = point->GetHeight(nullptr, 300);
  point->SetItemRect(QRect(0, 0, 300, height));
  point->OnTap(pair ? 150 - 46 + 19 : 150, height - 84);
}

TEST(CameraPoint, PhotoFromTheCaptureWindowIsStoredUprightAndKept) {
  qlt::test::CScopedServices services;
  services.Services().SetDialogService(
      std::make_unique<CFakeCamera>(ThirdPartyData(QStringLiteral("jpeg/Landscape_6.jpg"))));
  CHostedProject project(Form("{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}", "Camera",
                              QStringLiteral(R"({"Filename": "<%Site%>"})")));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  EXPECT_EQ(project.ControlsLeft(), 0);
  ASSERT_TRUE(project.Start());
  const QUuid guid = project.Flow().Session()->Guid();
  project.Project().FindPointByName(QStringLiteral("Site"))->SetValue(QStringLiteral("North/7"));
  CCustomPoint* point = project.Custom(QStringLiteral("Device"));
  auto* camera = ControlOf<CCameraPoint>(point);
  ASSERT_NE(camera, nullptr);
  TapCamera(point, false);
  EXPECT_TRUE(services.Messages().Messages().isEmpty());
  ASSERT_EQ(FileBlob::Name(point->Value()), QStringLiteral("North_7.jpg"));
  EXPECT_FALSE(camera->Thumbnail().isNull());
  EXPECT_FALSE(camera->ButtonsShown());
  ASSERT_EQ(project.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);

  ASSERT_TRUE(project.Reopen());
  ASSERT_TRUE(project.Start(guid));
  point = project.Custom(QStringLiteral("Device"));
  camera = ControlOf<CCameraPoint>(point);
  ASSERT_NE(camera, nullptr);
  QByteArray jpeg;
  ASSERT_TRUE(FileBlob::Content(point->Value(), jpeg));
  EXPECT_EQ(CImageServices().ImageSize(jpeg), QSize(640, 426));
  camera->Show();
  EXPECT_EQ(camera->Thumbnail().size(), QSize(240, 160));
  EXPECT_FALSE(camera->ButtonsShown());
  {
    // The thumbnail is drawn in the middle of its band, buttons hidden.
    const int height = point->GetHeight(nullptr, 300);
    point->SetItemRect(QRect(0, 0, 300, height));
    QImage page(300, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    point->Paint(&painter);
    painter.end();
    EXPECT_EQ(page.pixel(150, height - 84), camera->Thumbnail().pixel(120, 80));
  }

  // Deleting asks first; No keeps the photo, Yes removes it.
  TapCamera(point, true);  // shows the buttons
  const int height = point->GetHeight(nullptr, 300);
  services.Messages().QueueAnswer(kIdNo);
  point->OnTap(150 + 46 - 19, height - 84);
  EXPECT_TRUE(FileBlob::IsFile(point->Value()));
  services.Messages().QueueAnswer(kIdYes);
  point->OnTap(150 + 46 - 19, height - 84);
  EXPECT_FALSE(FileBlob::IsFile(point->Value()));
  EXPECT_TRUE(camera->Thumbnail().isNull());
  project.Flow().Abandon();
}

TEST(CameraPoint, FolderModeTakesTheNewestCompletePictureOrSaysWhy) {
  qlt::test::CScopedServices services;
  const QString folder = qlt::test::TestHome() + QStringLiteral("/drop");
  ASSERT_TRUE(QDir().mkpath(folder));
  CHostedProject project(
      Form("{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}", "Camera",
           QStringLiteral(R"({"Shell": 0, "Path": "%1", "Delete": 1})").arg(folder)));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CCustomPoint* point = project.Custom(QStringLiteral("Device"));

  TapCamera(point, false);  // an empty folder
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_TRUE(services.Messages().Messages()[0].text.contains(folder));
  services.Messages().ClearMessages();

  ASSERT_TRUE(QFile::copy(ThirdPartyData(QStringLiteral("jpeg/derived/Landscape_3_truncated.jpg")),
                          folder + QStringLiteral("/half.jpg")));
  TapCamera(point, false);
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text,
            qlt::test::CScopedServices::Text("Point.Camera.Incomplete")
                .replace(QStringLiteral("%s"), folder + QStringLiteral("/half.jpg")));
  EXPECT_FALSE(FileBlob::IsFile(point->Value()));
  services.Messages().ClearMessages();

  // An older complete picture beside the half-written one is taken, and deleted after it.
  const QString portrait = folder + QStringLiteral("/portrait.JPG");
  ASSERT_TRUE(QFile::copy(ThirdPartyData(QStringLiteral("jpeg/Portrait_1.jpg")), portrait));
  QFile(portrait).setFileTime(QDateTime::currentDateTime().addSecs(-60),
                              QFileDevice::FileModificationTime);
  TapCamera(point, false);
  EXPECT_TRUE(services.Messages().Messages().isEmpty());
  EXPECT_EQ(FileBlob::Name(point->Value()), QStringLiteral("portrait.JPG"));
  QByteArray jpeg;
  ASSERT_TRUE(FileBlob::Content(point->Value(), jpeg));
  EXPECT_EQ(CImageServices().ImageSize(jpeg), QSize(480, 720));
  EXPECT_FALSE(QFile::exists(portrait));
  EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/half.jpg")));
  project.Flow().Abandon();
}

// A fake voice-clip service: recordings produce the given file, positions are set by the test.
struct FakeClips : CVoiceClipService {
  struct Clip : CVoiceClip {
    explicit Clip(FakeClips& owner) : owner(owner) {}
    void Pause() override { ++owner.pauses; }
    void Resume() override {}
    void Stop() override { ++owner.stops; }
    qint64 Position() const override { return owner.position; }
    QByteArray Recorded() const override { return recording ? owner.recording : QByteArray(); }
    FakeClips& owner;
    bool recording = false;
  };
  std::unique_ptr<CVoiceClip> Record(bool& noMicrophone) override {
    noMicrophone = false;
    auto clip = std::make_unique<Clip>(*this);
    clip->recording = true;
    return clip;
  }
  std::unique_ptr<CVoiceClip> Play(const QByteArray& clip, QString&) override {
    played = clip;
    return std::make_unique<Clip>(*this);
  }
  QByteArray recording;
  QByteArray played;
  qint64 position = 0;
  int pauses = 0;
  int stops = 0;
};

QByteArray ReadData(const char* name) {
  QFile file(ThirdPartyData(QString::fromLatin1(name)));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A voice point on a started session, 300 pixels wide; its clips come from FakeClips unless the
// test keeps the default services (no audio device).
class VoicePoint : public ::testing::Test {
 protected:
  bool Start(bool fakeClips = true) {
    if (fakeClips) {
      auto owned = std::make_unique<FakeClips>();
      m_clips = owned.get();
      m_services.Services().SetVoiceClipService(std::move(owned));
    }
    m_project = std::make_unique<CHostedProject>(
        Form("{072BA26D-7E2F-471A-B60F-8C26C90DF9A6}", "Voice", QStringLiteral("{}")));
    return m_project->Ok() && m_project->Start() && Attach();
  }
  // Finds the point and its control (again, after reopening) and lays the point out.
  bool Attach() {
    m_point = m_project->Custom(QStringLiteral("Device"));
    m_voice = ControlOf<CVoicePoint>(m_point);
    if (m_voice == nullptr) return false;
    m_height = m_point->GetHeight(nullptr, 300);
    m_point->SetItemRect(QRect(0, 0, 300, m_height));
    return true;
  }
  // A tap on the text box: record, stop or play, as the point stands.
  void TapText() { m_point->OnTap(20, m_height - 10); }
  void TearDown() override {
    if (m_project && m_project->Ok()) m_project->Flow().Abandon();
  }

  qlt::test::CScopedServices m_services;
  FakeClips* m_clips = nullptr;
  std::unique_ptr<CHostedProject> m_project;
  CCustomPoint* m_point = nullptr;
  CVoicePoint* m_voice = nullptr;
  int m_height = 0;
};

TEST_F(VoicePoint, RecordsStopsKeepsAndPlaysItsClip) {
  ASSERT_TRUE(Start());
  m_clips->recording = ReadData("m4a/sine1k_2500ms_48k_stereo_aac_moovlast.m4a");
  const QUuid guid = m_project->Flow().Session()->Guid();
  EXPECT_EQ(m_voice->Text(), QStringLiteral("No voice clip"));

  TapText();  // record
  EXPECT_EQ(m_voice->State().activity, VoicePointLogic::Activity::kRecording);
  m_clips->position = 2'400;
  m_voice->Tick();
  EXPECT_EQ(m_voice->Text(), QStringLiteral("Recording: 0:02"));
  TapText();  // stop: the recording is stored under the time of the stop
  EXPECT_EQ(FileBlob::Name(m_point->Value()), QStringLiteral("2024-03-14_09-26-53.m4a"));
  EXPECT_EQ(m_voice->Text(), QStringLiteral("3 second clip"));
  ASSERT_EQ(m_project->Flow().Finish().result, CEditingFlow::FinishResult::kSaved);

  ASSERT_TRUE(m_project->Reopen());
  ASSERT_TRUE(m_project->Start(guid));
  ASSERT_TRUE(Attach());
  m_voice->Show();
  EXPECT_EQ(m_voice->Text(), QStringLiteral("3 second clip"));
  TapText();  // play
  EXPECT_EQ(m_clips->played, m_clips->recording);
  m_clips->position = 1'000;
  EXPECT_EQ(m_voice->Text(), QStringLiteral("Playing: 0:01"));
  m_clips->position = -1;  // the end of the clip
  m_voice->Tick();
  EXPECT_EQ(m_voice->State().activity, VoicePointLogic::Activity::kIdle);
  EXPECT_EQ(m_voice->Text(), QStringLiteral("3 second clip"));
}

TEST_F(VoicePoint, HidingStoresARecordingAndADamagedClipIsKept) {
  ASSERT_TRUE(Start());
  m_clips->recording = ReadData("m4a/truncated_sine1k_2500ms_no_moov.m4a");
  TapText();
  m_voice->Hide();
  EXPECT_EQ(FileBlob::Name(m_point->Value()), QStringLiteral("2024-03-14_09-26-53.m4a"));
  // The length is unknown, but the clip is held: it can be played or cleared, not recorded over.
  EXPECT_EQ(m_voice->Text(), QStringLiteral("Voice clip (length unknown)"));
  const auto buttons = VoicePointLogic::VisibleButtons(m_voice->State(), 3, 3, 3, false);
  EXPECT_EQ(buttons[0], VoicePointLogic::Button::kClear);
  EXPECT_EQ(buttons[1], VoicePointLogic::Button::kPlay);
  EXPECT_EQ(buttons[2], VoicePointLogic::Button::kNone);
}

TEST_F(VoicePoint, WithoutAMicrophoneTheUserIsTold) {
  ASSERT_TRUE(Start(false));  // the default services: no audio device
  TapText();
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages()[0].text,
            qlt::test::CScopedServices::Text("Point.Voice.NoMicrophone"));
  EXPECT_FALSE(FileBlob::IsFile(m_point->Value()));
}

}  // namespace
