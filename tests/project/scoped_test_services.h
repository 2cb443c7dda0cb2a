// CScopedTestServices: installs services for one test (a scripted message service, a fixed
// clock and the embedded translation table) and puts the previous ones back when it goes out
// of scope. Header-only so that every test binary can use it. Test code only.
#pragma once

#include <QDateTime>
#include <memory>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "project/project.h"
#include "support/scripted_message_service.h"

class CScopedTestServices {
 public:
  static QDateTime FixedNow() { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC); }

  CScopedTestServices() {
    auto services = std::make_unique<CServices>();
    auto messages = std::make_unique<CScriptedMessageService>();
    m_messages = messages.get();
    services->SetMessageService(std::move(messages));
    services->SetClock([] { return FixedNow(); });
    m_services = services.get();
    m_previous = CServices::Install(std::move(services));
    CLanguage::Instance().LoadTranslation(QString(), QString());
    CProject::SetUnitIdSource([] { return QStringLiteral("Unit-7"); });
  }
  ~CScopedTestServices() {
    CProject::SetUnitIdSource(nullptr);
    CServices::Install(std::move(m_previous));
  }
  CScopedTestServices(const CScopedTestServices&) = delete;
  CScopedTestServices& operator=(const CScopedTestServices&) = delete;

  CScriptedMessageService& Messages() { return *m_messages; }
  CServices& Services() { return *m_services; }
  static QString Text(const char* key) { return CLanguage::Instance().Translate(key); }

 private:
  CScriptedMessageService* m_messages;
  CServices* m_services;
  std::unique_ptr<CServices> m_previous;
};
