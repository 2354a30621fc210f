#include "core/shell/week_clock.h"

std::atomic<WeekTime> currentWeekTime{WeekTime{0, 0}};
