#include "automation/timer_table.h"

#include <QCoreApplication>
#include <QTimerEvent>

CTimerTable::CTimerTable() = default;

CTimerTable::~CTimerTable() { Clear(); }

HRESULT CTimerTable::Create(LONG durationMs, ITWKFTimerSink* sink, LONG* number) {
  if (number == nullptr || sink == nullptr) return E_POINTER;
  *number = 0;
  if (durationMs < 1) return E_INVALIDARG;
  if (QCoreApplication::instance() == nullptr) return E_FAIL;
  LONG next = kFirstNumber;
  for (const auto& [used, timer] : m_timers) {
    if (used != next) break;
    ++next;
  }
  if (next >= kLimit) return E_FAIL;
  const int qtId = startTimer(durationMs, Qt::PreciseTimer);
  if (qtId == 0) return E_FAIL;
  sink->AddRef();
  m_timers[next] = Timer{qtId, sink};
  m_numbers.insert(qtId, next);
  *number = next;
  return S_OK;
}

HRESULT CTimerTable::Delete(LONG number) {
  const auto it = m_timers.find(number);
  if (it == m_timers.end()) return S_FALSE;
  const Timer timer = it->second;
  m_timers.erase(it);
  m_numbers.remove(timer.qtId);
  killTimer(timer.qtId);
  timer.sink->Release();
  return S_OK;
}

void CTimerTable::Clear() {
  while (!m_timers.empty()) Delete(m_timers.begin()->first);
}

void CTimerTable::timerEvent(QTimerEvent* event) {
  const auto found = m_numbers.constFind(event->timerId());
  if (found == m_numbers.constEnd()) return QObject::timerEvent(event);
  const LONG number = found.value();
  ITWKFTimerSink* sink = m_timers.at(number).sink;
  sink->AddRef();
  sink->OnTimerSink(number);
  sink->Release();
}
