// CCustomPointHost: creates the controls of custom points by class identifier. A built-in class
// is made by its creation routine (BuiltInClasses, a table the built-in custom points fill); any
// other class is looked up in the per-user class registry and made in process by loading the
// library it names and asking its DllGetClassObject for a class factory. A class that cannot be
// made leaves the point without a control (it shows its placeholder) and never touches the
// point's stored data. When a project's classes cannot be made, the host asks for the library
// registration sweep once and tries those points again. Libraries stay loaded for the life of the
// process, since their objects may outlive any one project. Made by whoever opens projects (the
// application, tests) with the automation root the sites hand out objects from; UI thread.
#pragma once

#include <QHash>
#include <QString>
#include <QUuid>
#include <functional>

#include "project/point_factory.h"
#include "qlt_custom_point.h"

class CAutomationRoot;
class CCustomPoint;
class CProject;

class CCustomPointHost {
 public:
  // Makes a new object of a built-in class (one reference), or nullptr.
  using Creator = IUnknown* (*)();
  struct BuiltInClass {
    const char* classId;
    const char* progId;
    Creator create;
  };
  // The built-in classes.
  static const QList<BuiltInClass>& BuiltInClasses();

  // A custom point that never has a control, and a class that is never created.
  static constexpr const char* kNoControlClass = "{0A8400F0-1851-4FCE-83DC-6CB063EFAE42}";
  static constexpr const char* kNeverCreatedClass = "{13A28FDA-5535-48B0-B453-3908A6F50D9F}";
  // Whether a point of this class is created at all (null and the two classes above are not).
  static bool IsCreatable(const QUuid& classId);

  // `sweep` runs the library registration sweep and tells whether a library registered (may be
  // empty: no sweep); `wait` pauses the given milliseconds before the second attempt (empty: a
  // real pause).
  CCustomPointHost(CAutomationRoot* root, std::function<bool()> sweep = {},
                   std::function<void(int)> wait = {});

  // Adds or replaces a built-in class for this host (the built-in points, and tests).
  void AddBuiltIn(const QUuid& classId, const QString& progId, Creator create);

  // Creates the point's control, releasing any earlier one, and loads its properties. S_OK, or
  // why there is none (the point then stays without a control).
  HRESULT CreateControl(CCustomPoint& point);
  // Creates the controls of every custom point of the project; when one cannot be made, runs the
  // sweep and tries those again (after 250 ms when the sweep registered a library). The number of
  // points left without a control.
  int CreateControls(CProject& project);
  // Lets every custom point of the project release its control (before the project goes).
  static void ReleaseControls(CProject& project);

  // Lists an outside class of the class registry in the point-type registry under the display
  // name of its user-type name and with its icon (start-up lists every registered class; a class
  // a project names is listed when it is first created). The entry, or nullptr for a class that
  // is not registered, already listed or never listed.
  static const CPointFactory::Entry* ListOutsideClass(const QUuid& classId, CPointFactory& factory);
  // Lists every class of the class registry; the number newly listed.
  static int ListOutsideClasses(CPointFactory& factory);

  static constexpr int kRetryDelayMs = 250;

 private:
  // A new object of the class offering ICustomPoint, or the failure.
  HRESULT Instantiate(const QUuid& classId, ICustomPoint** out, QString* userTypeName);
  static HRESULT InstantiateFromLibrary(const QString& library, const QUuid& classId,
                                        ICustomPoint** out);

  CAutomationRoot* m_root;
  std::function<bool()> m_sweep;
  std::function<void(int)> m_wait;
  struct Registered {
    QString progId;
    Creator create;
  };
  QHash<QUuid, Registered> m_builtIn;
};
