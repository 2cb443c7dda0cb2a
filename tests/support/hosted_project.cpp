#include "support/hosted_project.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "automation/custom_point_host.h"
#include "points/custom_point.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/tool_runner.h"

namespace qlt::test {

CHostedProject::CHostedProject(const QString& json, const QString& folder) {
  const QString dir = folder.isEmpty() ? TestHome() : folder;
  const QString title =
      QJsonDocument::fromJson(json.toUtf8()).object().value(QStringLiteral("title")).toString();
  m_path = dir + QLatin1Char('/') + (title.isEmpty() ? QStringLiteral("Hosted") : title) +
           QStringLiteral(".ppc");
  QFile form(dir + QStringLiteral("/hosted-form.json"));
  if (!form.open(QIODevice::WriteOnly) || form.write(json.toUtf8()) < 0) {
    m_error = QStringLiteral("cannot write ") + form.fileName();
    return;
  }
  form.close();
  const ToolRun run =
      RunQlt({QStringLiteral("project"), QStringLiteral("build"), form.fileName(), m_path});
  if (run.exitCode != 0) {
    m_error = QString::fromStdString(run.Err());
    return;
  }
  Open();
}

CHostedProject::~CHostedProject() { Close(); }

void CHostedProject::Open() {
  m_flow = CEditingFlow::Open(m_path, nullptr);
  if (!m_flow) {
    m_error = QStringLiteral("cannot open ") + m_path;
    return;
  }
  m_host = std::make_unique<CCustomPointHost>(&m_root);
  m_left = m_host->CreateControls(m_flow->Project());
  m_root.AddOpenProject(m_flow.get());
}

void CHostedProject::Close() {
  if (!m_flow) return;
  m_root.CloseProject(&m_flow->Project());
  CCustomPointHost::ReleaseControls(m_flow->Project());
  m_flow.reset();
  m_host.reset();
}

bool CHostedProject::Reopen() {
  Close();
  Open();
  return Ok();
}

CCustomPoint* CHostedProject::Custom(const QString& name) {
  return m_flow ? dynamic_cast<CCustomPoint*>(m_flow->Project().FindPointByName(name)) : nullptr;
}

}  // namespace qlt::test
