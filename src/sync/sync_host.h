// CSyncHost: what the main window lends to the requests the server makes while online: where the
// projects are, which one is open and whether a session of it is being edited, closing and
// opening it again, refreshing what shows, the arrival sounds and storing a new unit ID. The
// window implements it over its frame; tests use a fake. Owned by whoever made it; UI thread.
#pragma once

#include <QString>

class CSyncHost {
 public:
  virtual ~CSyncHost() = default;

  // The folder holding the installed project files.
  virtual QString DataFolder() const = 0;
  // The open project's file name (no folder part); empty when no project is open.
  virtual QString OpenProjectName() const = 0;
  // Whether a session of the open project is being edited.
  virtual bool IsEditingSession() const = 0;
  // Closes the open project (never called while a session is being edited).
  virtual void CloseProject() = 0;
  // Opens the project file of the data folder again after it was replaced; false when it cannot
  // be loaded (the project then stays closed).
  virtual bool OpenProject(const QString& fileName) = 0;
  // The project files in the data folder changed.
  virtual void RefreshProjectList() = 0;
  // The open project's sessions changed behind its back.
  virtual void RefreshProjectView() = 0;
  // Plays one of the arrival sounds without waiting for it.
  virtual void PlaySound(int soundId) = 0;
  // The server named this unit: keep the ID in the settings and use it from now on.
  virtual void StoreUnitId(const QString& unitId) = 0;
};
