// The example custom-point library end to end: registered for a fresh home by the library sweep,
// named by a project built with `qlt project build`, drawn, tapped, and its value kept through
// Finish and reopening. Once as this build makes it, and once built from an installed client:
// `cmake --install` of this build into a temporary prefix, the example source from there, and no
// other compiler flags than pkg-config gives for the SDK and Qt.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "app/library_registrar.h"
#include "automation/automation_root.h"
#include "automation/custom_point_host.h"
#include "editing/editing_flow.h"
#include "points/custom_point.h"
#include "project/project.h"
#include "qlt_class_registry.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/tool_runner.h"

namespace {

constexpr const char* kTallyClass = "{3C5E8F21-7A4B-4D2E-9B61-0F8A2C4D6E11}";

constexpr const char* kForm = R"({
  "title": "Tally check",
  "createdTime": "2024-05-01T08:00:00Z",
  "pages": [{"uniqueNumber": 1001, "caption": "Count",
             "points": [{"type": "Edit", "name": "Site", "caption": "Site"},
                        {"type": "Custom", "name": "Tally", "caption": "Tally",
                         "settings": {"classId": "{3C5E8F21-7A4B-4D2E-9B61-0F8A2C4D6E11}",
                                      "userTypeName": "Tally",
                                      "bag": {"Source": "Site"}}}]}]
})";

// Runs a program to its end; its standard error (and output) on failure.
bool Run(const QString& program, const QStringList& arguments, QByteArray* out, QString* error,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    *error =
        program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") +
        QString::fromLocal8Bit(process.readAllStandardError() + process.readAllStandardOutput());
    return false;
  }
  if (out != nullptr) *out = process.readAllStandardOutput().trimmed();
  return true;
}

struct InstalledSdkBuild {
  QTemporaryDir prefix;
  QString library;  // empty on failure
  QString error;
};

// Installs this build and builds the example from the installed tree; once per run.
const InstalledSdkBuild& BuildAgainstInstalledSdk() {
  static const std::unique_ptr<InstalledSdkBuild> build = [] {
    auto made = std::make_unique<InstalledSdkBuild>();
    const QString prefix = made->prefix.path();
    if (!Run(QStringLiteral(QLT_CMAKE_COMMAND),
             {QStringLiteral("--install"), QStringLiteral(QLT_BINARY_DIR),
              QStringLiteral("--prefix"), prefix},
             nullptr, &made->error)) {
      return made;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PKG_CONFIG_PATH"),
                       prefix + QStringLiteral("/" QLT_INSTALL_LIBDIR "/pkgconfig"));
    QByteArray cflags;
    QByteArray libs;
    if (!Run(QStringLiteral("pkg-config"),
             {QStringLiteral("--cflags"), QStringLiteral("quillet-sdk")}, &cflags, &made->error,
             environment) ||
        !Run(QStringLiteral("pkg-config"),
             {QStringLiteral("--libs"), QStringLiteral("Qt6Core"), QStringLiteral("Qt6Gui")}, &libs,
             &made->error, environment)) {
      return made;
    }
    const QString library = prefix + QStringLiteral("/tally_point.so");
    QStringList arguments = {
        QStringLiteral("-std=c++20"), QStringLiteral("-fPIC"), QStringLiteral("-shared"),
        // The automation interfaces must compile from the installed headers on their own too.
        QStringLiteral("-include"), QStringLiteral("qlt_automation.h"), QStringLiteral("-o"),
        library,
        prefix + QStringLiteral("/" QLT_INSTALL_DATADIR "/quillet/example/tally_point.cpp")};
    arguments += QProcess::splitCommand(QString::fromLocal8Bit(cflags));
    arguments += QProcess::splitCommand(QString::fromLocal8Bit(libs));
    if (Run(QStringLiteral(QLT_CXX_COMPILER), arguments, nullptr, &made->error)) {
      made->library = library;
    }
    return made;
  }();
  return *build;
}

enum class Build { kThisBuild, kInstalledSdk };

class TallyLibrary : public ::testing::TestWithParam<Build> {
 protected:
  void SetUp() override {
    QString library = QStringLiteral(QLT_EXAMPLE_TALLY);
    if (GetParam() == Build::kInstalledSdk) {
      library = BuildAgainstInstalledSdk().library;
      ASSERT_FALSE(library.isEmpty()) << BuildAgainstInstalledSdk().error.toStdString();
    }
    m_home = qlt::test::TestHome();
    // The client's program folder holds the library; the sweep registers it.
    m_programFolder = m_home + QStringLiteral("/program");
    ASSERT_TRUE(QDir().mkpath(m_programFolder));
    ASSERT_TRUE(QFile::copy(library, m_programFolder + QStringLiteral("/tally_point.so")));
    QFile form(m_home + QStringLiteral("/tally.json"));
    ASSERT_TRUE(form.open(QIODevice::WriteOnly));
    form.write(kForm);
    form.close();
    m_project = m_home + QStringLiteral("/Tally check.ppc");
    const qlt::test::ToolRun run = qlt::test::RunQlt(
        {QStringLiteral("project"), QStringLiteral("build"), form.fileName(), m_project});
    ASSERT_EQ(run.exitCode, 0) << run.Err();
  }

  // Opens the project and creates its controls, with the sweep over the program folder.
  std::unique_ptr<CEditingFlow> Open() {
    auto flow = CEditingFlow::Open(m_project, nullptr);
    if (!flow) return flow;
    CCustomPointHost host(&m_root, [this] { return m_registrar.Register(m_programFolder); });
    m_left = host.CreateControls(flow->Project());
    m_root.AddOpenProject(&flow->Project());
    return flow;
  }
  void Close(std::unique_ptr<CEditingFlow>& flow) {
    m_root.CloseProject(&flow->Project());
    CCustomPointHost::ReleaseControls(flow->Project());
    flow.reset();
  }
  static CCustomPoint* Tally(CEditingFlow& flow) {
    return dynamic_cast<CCustomPoint*>(flow.Project().FindPointByName(QStringLiteral("Tally")));
  }
  static QImage Draw(CCustomPoint* point) {
    QImage image(240, 60, QImage::Format_RGB888);
    image.fill(Qt::white);
    point->SetItemRect(QRect(0, 0, 240, 48));
    QPainter painter(&image);
    point->Paint(&painter);
    return image;
  }

  qlt::test::CScopedServices m_services;
  CAutomationRoot m_root;
  CLibraryRegistrar m_registrar;
  QString m_home;
  QString m_programFolder;
  QString m_project;
  int m_left = -1;
};

TEST_P(TallyLibrary, DrawsTakesTapsAndKeepsItsValueThroughFinishAndReopening) {
  // Not registered yet: the first attempt fails, the sweep registers the library, the second
  // attempt creates the control.
  QltClassEntry entry;
  EXPECT_FALSE(QltLookUpClass(QString::fromLatin1(kTallyClass), entry));
  auto flow = Open();
  ASSERT_TRUE(flow);
  EXPECT_EQ(m_left, 0);
  ASSERT_TRUE(QltLookUpClass(QString::fromLatin1(kTallyClass), entry));
  EXPECT_EQ(entry.progId, QStringLiteral("Quillet.Tally"));
  CCustomPoint* tally = Tally(*flow);
  ASSERT_NE(tally, nullptr);
  ASSERT_NE(tally->Control(), nullptr);

  ASSERT_TRUE(flow->Start(QUuid()));
  const QUuid guid = flow->Session()->Guid();
  flow->Project().FindPointByName(QStringLiteral("Site"))->SetValue(QStringLiteral("North"));
  QImage image = Draw(tally);
  EXPECT_EQ(image.pixel(5, 5), qRgb(0xFF, 0xE0, 0x80));  // its own drawing, not the placeholder
  EXPECT_EQ(tally->GetHeight(nullptr, 240), 48);

  tally->OnTap(10, 10);
  tally->OnTap(10, 10);
  EXPECT_EQ(tally->OutputText(), QStringLiteral("2"));
  ASSERT_EQ(flow->Finish().result, CEditingFlow::FinishResult::kSaved);
  // The control wrote its taps into the point's property map when the project was written.
  flow->Project().SaveToBytes();
  EXPECT_EQ(tally->Bag().GetInteger(QStringLiteral("Taps"), -1), 2);
  Close(flow);

  auto again = Open();
  ASSERT_TRUE(again);
  EXPECT_EQ(m_left, 0);
  ASSERT_TRUE(again->Start(guid));
  tally = Tally(*again);
  EXPECT_EQ(tally->OutputText(), QStringLiteral("2"));
  tally->OnTap(0, 0);
  EXPECT_EQ(tally->OutputText(), QStringLiteral("3"));
  again->Abandon();
  Close(again);

  // Every object the library made was released.
  void* library = ::dlopen(QFile::encodeName(entry.library).constData(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  auto count = reinterpret_cast<int (*)()>(::dlsym(library, "QltTallyObjectCount"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(), 0);
  ::dlclose(library);
  EXPECT_EQ(m_root.LiveFacets(), 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, TallyLibrary,
                         ::testing::Values(Build::kThisBuild, Build::kInstalledSdk),
                         [](const ::testing::TestParamInfo<Build>& info) {
                           return info.param == Build::kThisBuild ? "ThisBuild" : "InstalledSdk";
                         });

}  // namespace
