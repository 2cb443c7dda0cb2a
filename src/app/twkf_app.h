// CTWKFApp: the application object. It owns the life of the process: the version text, the crash
// handler, the single-instance guard, the program and data folders, the settings store and the
// unit identity, and it runs start-up (InitInstance) and exit (ExitInstance) in their fixed
// order. Exactly one exists while the client runs, made by main() before anything else and
// reachable through Instance(); it lives and signals on the UI thread.
//
// The core cannot make widgets, so the main window comes from a factory the executable hands
// in; the window connects to activationRequested (come to the front) and commandReceived (a
// command line to act on: a later start's, and the first instance's own once the window is up).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/library_registrar.h"
#include "app/unit_identity.h"
#include "platform/instance_guard.h"
#include "platform/settings_store.h"

class CTWKFApp : public QObject {
  Q_OBJECT

 public:
  // The application key of the crash reports and the instance guard.
  static constexpr const char* kAppKey = "QLTClient";

  // Computes the version text, installs the crash handler and makes the (untaken) guard; the
  // settings are kept in `settingsFile`.
  explicit CTWKFApp(const QString& settingsFile = CSettingsStore::DefaultFilePath());
  ~CTWKFApp() override;

  // The application object, or null when none exists.
  static CTWKFApp* Instance();

  // Start-up. `commandLine` is the process's command line after the program name (see
  // CommandLineFromArguments). True: the client runs. False: the process ends, normally
  // because another instance runs and has been handed the command line.
  bool InitInstance(const QString& commandLine);
  // Exit: releases what start-up made, the instance guard last. Idempotent.
  void ExitInstance();

  // What start-up leaves to the automation layer, which the core cannot name: registering the
  // interface description and the class objects, listing the outside custom-point classes and the
  // automation root. Made after the library sweep, before the main window; released first at exit.
  class CAutomationPart {
   public:
    virtual ~CAutomationPart() = default;
  };
  void SetAutomationFactory(std::function<std::unique_ptr<CAutomationPart>()> factory) {
    m_createAutomation = std::move(factory);
  }

  // Makes and shows the main window; called as the last step of start-up. False stops start-up.
  void SetMainWindowFactory(std::function<bool()> factory) {
    m_createMainWindow = std::move(factory);
  }

  // The program's version "major.minor.patch.tweak" from the build; empty when the build has
  // none.
  static QString VersionText();
  // The device texts the handshake sends.
  static QString OperatingSystemDescription();
  static QString HardwareDescription();
  // The command line as one text: a single argument as it is; several are joined by blanks,
  // each one holding a blank (or empty) wrapped in double quotes, as a shell would have
  // received them.
  static QString CommandLineFromArguments(const QStringList& arguments);

  // Lets the custom-point libraries of the program folder register themselves (at most once a
  // minute); shows the wait cursor while it runs when there is a GUI. True when at least one
  // library registered.
  bool RegisterCustomPointLibraries();

  const QString& ProgramFolder() const { return m_programFolder; }
  const QString& DataFolder() const { return m_dataFolder; }
  CSettingsStore& Settings() { return m_settings; }

  const QString& UnitId() const { return m_identity.Id(); }
  // Changes the unit ID for this run; the caller stores it in `Unit`/`ID` itself.
  void SetUnitId(const QString& id) { m_identity.SetId(id); }
  const QString& UnitGuid() const { return m_identity.Guid(); }
  const QByteArray& UnitKey() const { return m_identity.Key(); }

  bool IsStarted() const { return m_started; }

 Q_SIGNALS:
  void activationRequested();
  void commandReceived(const QString& text);

 private:
  QString m_version;
  CInstanceGuard m_guard;
  CSettingsStore m_settings;
  QString m_programFolder;
  QString m_dataFolder;
  CUnitIdentity m_identity;
  CLibraryRegistrar m_libraries;
  std::function<std::unique_ptr<CAutomationPart>()> m_createAutomation;
  std::unique_ptr<CAutomationPart> m_automation;
  std::function<bool()> m_createMainWindow;
  bool m_started = false;
};
