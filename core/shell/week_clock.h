#pragma once
// The current half-hour of the week: the run refreshes it once a second, live traffic
// reads it for the stand uses it learns and the static aircraft it places.
#include "core/time.h"

#include <atomic>

extern std::atomic<WeekTime> currentWeekTime;
