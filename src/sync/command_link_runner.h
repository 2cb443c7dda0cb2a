// CCommandLinkRunner: carries out one command link ("qlt://...") through the editing flow and
// the synchronisation classes: configure, delete/project, open/session, new/session,
// delete/session and send/sessions. What shows on screen (finishing and closing through the
// window, opening the settings, rebuilding the lists) it asks of a CCommandLinkHost, which the
// main window implements and tests fake. It touches only project files named inside the data
// folder, and every deletion asks first through the message service. Made for one link by
// whoever received it; UI thread.
#pragma once

#include <QHash>
#include <QString>
#include <QUuid>

#include "editing/command_link.h"

class CEditingFlow;
class COnlineRouter;
class CSettingsStore;

class CCommandLinkHost {
 public:
  virtual ~CCommandLinkHost() = default;
  // The folder holding the installed project files.
  virtual QString DataFolder() const = 0;
  // The open project's editing flow; null when no project is open.
  virtual CEditingFlow* Flow() const = 0;
  // Finishes the session being edited; false when one is still being edited afterwards.
  virtual bool FinishEditing() = 0;
  // Saves the list's column widths, closes the open project and lists the projects again.
  virtual void CloseProject() = 0;
  // Opens the project file and shows its sessions (a failure shows its own message).
  virtual void OpenProject(const QString& path) = 0;
  // Starts editing the stored session `guid` (or a new one for the null GUID) with a link's
  // arguments; false when nothing opened.
  virtual bool StartEditing(const QUuid& guid, const QHash<QString, QString>& arguments) = 0;
  // Opens the settings with a configuration query.
  virtual void OpenSettings(const QString& query) = 0;
  virtual void RefreshProjectList() = 0;
  virtual void RefreshSessionList() = 0;
};

class CCommandLinkRunner {
 public:
  // `router` runs the synchronisations of send/sessions; `settings` (may be null) is what a
  // project loaded for one link reads.
  CCommandLinkRunner(CCommandLinkHost& host, COnlineRouter& router, const CSettingsStore* settings);

  // Runs a command line: false when it is not a command link (nothing happens then). A link
  // whose command is unknown, or whose parameters do not read, does nothing and returns true.
  bool Run(const QString& line);

 private:
  void OpenSession(const CCommandLink& link, bool stored);
  void DeleteProjects(const CCommandLink& link);
  void DeleteSessions(const CCommandLink& link);
  void SendSessions(const CCommandLink& link);
  // The path of the named project in the data folder; empty when the name is refused.
  QString ProjectPath(const QString& name) const;
  // Whether the open project is the one at `path` (compared without regard to case).
  bool IsOpen(const QString& path) const;

  CCommandLinkHost& m_host;
  COnlineRouter& m_router;
  const CSettingsStore* m_settings;
};
