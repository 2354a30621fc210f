#include "traffic/traffic_state.h"

#include "airports/park_airport.h"
#include "airports/stands.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/week_clock.h"
#include "feeds/adding_stack.h"
#include "feeds/live_traffic_hooks.h"
#include "feeds/qnh_reader.h"
#include "feeds/traffic_reader.h"
#include "traffic/livery_calls.h"
#include "traffic/parking/static_plan.h"
#include "traffic/removal.h"
#include "traffic/stuck_watch.h"

#include <chrono>
#include <mutex>
#include <utility>

TrafficState traffic;

namespace {

TrafficClock trafficClock;

std::int32_t lf_trafficTick() { return gf_tickCounter(); }

} // namespace

void gf_reserveTraffic() {
  // The feeds stamp reports with the tick counter and drop the live aircraft when
  // RealTraffic is gone; liveries pass over the titles the simulator refused.
  gf_setLiveTrafficHooks({&lf_trafficTick, &gf_removeLiveAircraft});
  gf_installLiveryHooks();

  static std::once_flag reserved;
  std::call_once(reserved, [] {
    traffic.liveList.reserve(512);
    traffic.staticList.reserve(256);
    traffic.pendingHexids.reserve(64);
    traffic.postCreateList.reserve(128);
    traffic.ghostList.reserve(64);
    standList.reserve(512);
    std::lock_guard lock(simResults.resultMutex);
    simResults.results.reserve(256);
  });
  gf_reserveStaticParking();
}

void gf_resetTraffic() {
  currentParkAirport = {};
  mainWindow.update(topBandRect, [](DisplayState& d) { d.liveCount = 0; });
  mainWindow.update(parkBandRect, [](DisplayState& d) {
    d.staticParkedCount = 0;
    d.liveParkedCount = 0;
  });
  trafficReader.setParkAirport(std::nullopt);
  trafficReader.setParkElevation(std::nullopt);
  {
    std::lock_guard lock(simResults.resultMutex);
    simResults.results.clear();
  }
  traffic.postCreateList.clear();
  traffic.ghostList.clear();
  traffic.hexidTitleMap.clear();
  traffic.pendingHexids.clear();
  traffic.removeBacklog = RemoveBacklog{};
  traffic.liveCreateBacklog = CreateBacklog{};
  traffic.staticCreateBacklog = CreateBacklog{};
  traffic.staticList.clear();
  gf_clearAddingStack();
  traffic.fastRangeRequests = false;
  parkBusy.store(false);
  gf_requestRepaint(settingsBandRect);
  traffic.standUseList.clear();
  gf_resetStaticParking();
  traffic.liveList.clear();
  standList.clear();
  trafficQnh.store(1013);
  parkAirportFileInfo = {};
  parkAirportFileInfo.altitude = -1;
  standUpdateCount = 0;
  currentWeekTime.store(WeekTime{0, 0});
  gf_clearNoMatchSet();
  gf_forgetStuckWatch();
  // The next run learns where the pilot is from its own simulator replies.
  traffic.userAcState = {};
}

void gf_setTrafficClock(TrafficClock clock) { trafficClock = std::move(clock); }

std::int64_t gf_trafficNow() {
  if (trafficClock) return trafficClock();
  using Hundreds = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
  return std::chrono::duration_cast<Hundreds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

LiveAircraft* gf_findLiveByHexid(std::uint32_t hexid) {
  for (auto& ac : traffic.liveList)
    if (ac.aircraft.aircraftInfo.hexid == hexid) return &ac;
  return nullptr;
}

AircraftData* gf_findStaticByHexid(std::uint32_t hexid) {
  for (auto& ac : traffic.staticList)
    if (ac.aircraftInfo.hexid == hexid) return &ac;
  return nullptr;
}
