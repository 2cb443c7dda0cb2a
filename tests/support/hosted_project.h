// A project with custom points opened as the client opens it: built from its JSON form with
// `qlt project build`, opened through the editing flow, its controls created by the hosting
// (built-in classes and registered libraries) over an automation root, and released again.
// For tests that drive custom-point controls end to end. Test code only; the test's thread.
#pragma once

#include <QString>
#include <memory>

#include "automation/automation_root.h"
#include "editing/editing_flow.h"

class CCustomPoint;
class CCustomPointHost;

namespace qlt::test {

class CHostedProject {
 public:
  // Builds `json` into "<folder>/<title>.ppc" (folder: the test's home) and opens it; Ok() tells
  // whether that worked (BuildError() says why not).
  explicit CHostedProject(const QString& json, const QString& folder = QString());
  ~CHostedProject();
  CHostedProject(const CHostedProject&) = delete;
  CHostedProject& operator=(const CHostedProject&) = delete;

  bool Ok() const { return m_flow != nullptr; }
  const QString& BuildError() const { return m_error; }
  const QString& Path() const { return m_path; }

  CEditingFlow& Flow() { return *m_flow; }
  CProject& Project() { return m_flow->Project(); }
  CAutomationRoot& Root() { return m_root; }
  CCustomPointHost& Host() { return *m_host; }
  // Points of the project left without a control when it was opened.
  int ControlsLeft() const { return m_left; }
  // The custom point of that name, or nullptr.
  CCustomPoint* Custom(const QString& name);

  // Releases the controls and closes the project, then opens the file again (after a Finish,
  // to check that values and properties survive).
  bool Reopen();
  // Starts a new session (a null guid) or reopens a stored one.
  bool Start(const QUuid& guid = QUuid()) { return m_flow->Start(guid); }

 private:
  void Open();
  void Close();

  CAutomationRoot m_root;
  std::unique_ptr<CCustomPointHost> m_host;
  std::unique_ptr<CEditingFlow> m_flow;
  QString m_path;
  QString m_error;
  int m_left = -1;
};

}  // namespace qlt::test
