// CTimerTable: the repeating timers custom points ask the application for, numbered from 50 (the
// numbers below belong to the main window's own timers). Each number is given to the lowest free
// place and back when its timer is deleted; every tick calls the timer's sink on the UI thread,
// the sink held for the call so that it may delete its own timer from inside it. The table holds a
// reference to each sink until its timer is deleted or the table goes. Owned by CAutomationRoot;
// UI thread.
#pragma once

#include <QHash>
#include <QObject>
#include <map>

#include "qlt_automation.h"

class CTimerTable : public QObject {
 public:
  static constexpr LONG kFirstNumber = 50;
  static constexpr LONG kLimit = 10000;  // numbers stay below it

  CTimerTable();
  ~CTimerTable() override;

  // E_INVALIDARG for a duration below 1 ms, E_POINTER for a null sink or out pointer, E_FAIL when
  // no number is free or there is no event loop to tick in.
  HRESULT Create(LONG durationMs, ITWKFTimerSink* sink, LONG* number);
  // S_FALSE when no timer has the number.
  HRESULT Delete(LONG number);
  // Stops every timer and releases every sink.
  void Clear();
  int Count() const { return static_cast<int>(m_timers.size()); }

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Timer {
    int qtId = 0;
    ITWKFTimerSink* sink = nullptr;
  };
  std::map<LONG, Timer> m_timers;  // by number, so the lowest free one is found in order
  QHash<int, LONG> m_numbers;      // Qt's timer id -> number
};
