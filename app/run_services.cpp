#include "app/run_services.h"

#include "app/fine_timer.h"

#include <thread>

RunServices runServices;
RunClock runClock = gf_realRunClock();

RunClock gf_realRunClock() {
  RunClock clock;
  clock.now = [] { return RunClock::Clock::now(); };
  // Whole milliseconds at a time, each taken up to the next one, until the time has come.
  clock.sleepUntil = [](RunClock::Clock::time_point until) {
    for (auto now = RunClock::Clock::now(); now < until; now = RunClock::Clock::now())
      std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(until - now));
  };
  clock.beginFineTimer = gf_beginFineTimer;
  clock.endFineTimer = gf_endFineTimer;
  return clock;
}

void gf_sleepFor(std::chrono::milliseconds duration) { runClock.sleepUntil(runClock.now() + duration); }
