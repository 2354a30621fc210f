#include "simlink/link_timer.h"

#include <thread>

// The native build's timer needs no raising.
TimerResolution::TimerResolution() = default;

TimerResolution::~TimerResolution() = default;

void gf_linkSleepUntil(std::chrono::steady_clock::time_point until) { std::this_thread::sleep_until(until); }
