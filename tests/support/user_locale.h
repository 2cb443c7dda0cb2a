// Switches the locale of the value conversions for one test. Qt reads the system locale from the
// environment once per process, so changing LC_ALL inside a running test would not reach it.
#pragma once

#include <QLocale>

#include "values/variant_ops.h"

class ScopedUserLocale {
 public:
  explicit ScopedUserLocale(const QLocale& locale) { SetUserLocaleOverride(locale); }
  ~ScopedUserLocale() { SetUserLocaleOverride(std::nullopt); }
  ScopedUserLocale(const ScopedUserLocale&) = delete;
  ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;
};
