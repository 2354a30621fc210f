#pragma once
// What the feeds need of live traffic: its tick counter (reports fall due by it) and
// taking the live aircraft out of the simulator when RealTraffic is gone. Live traffic
// installs its functions; without them the tick reads 0 and nothing is taken out.
#include <cstdint>

struct LiveTrafficHooks {
  std::int32_t (*trafficTick)() = nullptr;
  void (*takeLiveAircraftOut)() = nullptr;
};

void gf_setLiveTrafficHooks(const LiveTrafficHooks& hooks);
std::int32_t gf_currentTrafficTick();
void gf_takeLiveAircraftOut();
