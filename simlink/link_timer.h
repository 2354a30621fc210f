#pragma once
// The dispatch loop's clock: while a connection is open the link polls every millisecond,
// which on Windows needs the system timer at 1 ms resolution.
#include <chrono>

class TimerResolution {
public:
  TimerResolution();
  ~TimerResolution();
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;
};

void gf_linkSleepUntil(std::chrono::steady_clock::time_point until);
