#include "simlink/link_timer.h"

#include <thread>

// The native build's timer needs no raising.
TimerResolution::TimerResolution() = default;

TimerResolution::~TimerResolution() = default;

void gf_linkSleepUntil(std::chrono::steady_clock::time_point until) { std::this_thread::sleep_until(until); }

// The native build has no simulator to signal: the loop polls.
MessageSignal::MessageSignal() = default;

MessageSignal::~MessageSignal() = default;

void MessageSignal::waitUntil(std::chrono::steady_clock::time_point until) { gf_linkSleepUntil(until); }
