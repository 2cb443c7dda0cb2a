#include "support/scoped_services.h"

#include "app/language.h"
#include "app/services.h"
#include "project/project.h"

namespace qlt::test {

QDateTime CScopedServices::FixedNow() {
  return QDateTime(QDate(2024, 3, 14), QTime(9, 26, 53, 589));
}

QString CScopedServices::Text(const char* key) { return CLanguage::Instance().Translate(key); }

CScopedServices::CScopedServices(Clock clock) {
  if (clock == Clock::kFixed) m_now = FixedNow();
  auto services = std::make_unique<CServices>();
  auto messages = std::make_unique<CScriptedMessageService>();
  m_messages = messages.get();
  services->SetMessageService(std::move(messages));
  services->SetClock([this] { return Now(); });
  m_services = services.get();
  m_previous = CServices::Install(std::move(services));
  CLanguage::Instance().LoadTranslation(QString(), QString());
  CProject::SetUnitIdSource([] { return QStringLiteral("Unit-7"); });
}

CScopedServices::~CScopedServices() {
  CProject::SetUnitIdSource(nullptr);
  CServices::Install(std::move(m_previous));
}

QDateTime CScopedServices::Now() const {
  return m_now.isValid() ? m_now : QDateTime::currentDateTime();
}

}  // namespace qlt::test
