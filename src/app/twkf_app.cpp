#include "app/twkf_app.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMetaObject>

#include "app/app_folders.h"
#include "app/language.h"
#include "platform/crash_handler.h"
#include "platform/system_description.h"

namespace {

CTWKFApp* g_app = nullptr;

// Shows the wait cursor for its lifetime where there is a screen to show it on.
class CWaitCursor {
 public:
  CWaitCursor() : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (m_shown) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~CWaitCursor() {
    if (m_shown) QGuiApplication::restoreOverrideCursor();
  }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  bool m_shown;
};

}  // namespace

CTWKFApp::CTWKFApp(const QString& settingsFile)
    : m_version(VersionText()), m_guard(QString::fromLatin1(kAppKey)), m_settings(settingsFile) {
  CCrashHandler::Install(QString::fromLatin1(kAppKey), m_version);
  g_app = this;
}

CTWKFApp::~CTWKFApp() {
  ExitInstance();
  if (g_app == this) g_app = nullptr;
}

CTWKFApp* CTWKFApp::Instance() { return g_app; }

QString CTWKFApp::VersionText() {
#if defined(QLT_VERSION_MAJOR) && defined(QLT_VERSION_MINOR) && defined(QLT_VERSION_PATCH) && \
    defined(QLT_VERSION_TWEAK)
  // "+ 0": a part the project version leaves out is defined empty and counts as 0.
  return QString::asprintf("%i.%i.%i.%i", QLT_VERSION_MAJOR + 0, QLT_VERSION_MINOR + 0,
                           QLT_VERSION_PATCH + 0, QLT_VERSION_TWEAK + 0);
#else
  return QString();
#endif
}

QString CTWKFApp::OperatingSystemDescription() { return CSystemDescription::OperatingSystem(); }

QString CTWKFApp::HardwareDescription() { return CSystemDescription::Hardware(); }

QString CTWKFApp::CommandLineFromArguments(const QStringList& arguments) {
  if (arguments.size() == 1) return arguments.front();
  QStringList parts;
  for (const QString& argument : arguments) {
    const bool quote = argument.isEmpty() || argument.contains(QLatin1Char(' ')) ||
                       argument.contains(QLatin1Char('\t'));
    parts.append(quote ? QLatin1Char('"') + argument + QLatin1Char('"') : argument);
  }
  return parts.join(QLatin1Char(' '));
}

bool CTWKFApp::InitInstance(const QString& commandLine) {
  if (m_started) return true;
  // Controls, common controls and the C library's locale need no set-up here: the Qt
  // application object has already taken the locale from the environment.

  // Single instance: a later start hands its command line to the first and ends before it
  // touches folders or settings.
  if (!m_guard.TryTake()) {
    m_guard.ForwardToRunning(commandLine);
    return false;
  }
  connect(&m_guard, &CInstanceGuard::activationRequested, this, &CTWKFApp::activationRequested);
  connect(&m_guard, &CInstanceGuard::commandReceived, this, &CTWKFApp::commandReceived);
  m_started = true;

  m_programFolder = CAppFolders::ProgramFolder();
  m_dataFolder = CAppFolders::DataFolder(m_programFolder);
  // Other programs of the maker find the client's folders here; an unwritable store is no
  // reason to stop.
  m_settings.WriteString(QString(), QStringLiteral("Path"), m_programFolder);
  m_settings.WriteString(QString(), QStringLiteral("Projects"), m_dataFolder);

  CLanguage::Instance().LoadTranslation(m_dataFolder, m_programFolder);

  // The shared fonts and the doubled-scale flag are CDisplayScale's and are built on demand;
  // QPainter needs no library start-up of its own.

  m_identity = CUnitIdentity::Establish(m_settings, m_identity.Id());

  RegisterCustomPointLibraries();

  // Stored sessions re-flag themselves in their project's database.

  // The interface description, the class objects, the outside classes in the point-type registry
  // and the automation root; the GPS reader follows once it exists.
  if (m_createAutomation) m_automation = m_createAutomation();

  if (m_createMainWindow && !m_createMainWindow()) return false;

  // The first instance's own command line reaches the window's handler like a later start's,
  // once the event loop runs.
  if (!commandLine.isEmpty()) {
    QMetaObject::invokeMethod(
        this, [this, commandLine] { Q_EMIT commandReceived(commandLine); }, Qt::QueuedConnection);
  }
  return true;
}

void CTWKFApp::ExitInstance() {
  if (!m_started) return;
  m_started = false;
  // The automation root first: its timers stop and the objects still held outside are
  // disconnected while everything they refer to still exists. The GPS reader follows once it
  // exists.
  m_automation.reset();
  disconnect(&m_guard, nullptr, this, nullptr);
  m_guard.Release();
}

bool CTWKFApp::RegisterCustomPointLibraries() {
  const CWaitCursor wait;
  const QString folder = m_programFolder.isEmpty() ? CAppFolders::ProgramFolder() : m_programFolder;
  return m_libraries.Register(folder);
}
