#pragma once
// The queue of traffic reports from the Traffic Reader to live traffic. Its mutex also
// guards runState.acceptingTraffic: reports are taken in only while that flag is set.
#include "feeds/traffic_data.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

// A report falls due this many ticks (30 s of 10 ms ticks) after it arrived.
inline constexpr std::int32_t reportDelayTicks = 3000;

struct AddingStack {
  std::mutex mutex;
  std::deque<TrafficData> queue;
};

extern AddingStack addingStack;

// Producer: appends the report due at tick + 3000 while traffic is accepted; returns
// whether it was appended.
bool gf_appendTrafficReport(TrafficData&& report, std::int32_t tick);
// Consumer: hands at most `limit` reports from the front to `merge`, in arrival order,
// and removes them; returns how many were taken.
std::size_t gf_takeTrafficReports(const std::function<void(TrafficData&)>& merge, std::size_t limit = 2);
void gf_setAcceptingTraffic(bool accepting);
void gf_clearAddingStack();
std::size_t gf_addingStackSize();
