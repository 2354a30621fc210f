#include "traffic/parking/max_park.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/week_clock.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <fmt/format.h>
#include <unordered_set>

namespace {

constexpr std::int64_t ticksPerSecond = 10'000'000; // 100 ns units
constexpr std::int64_t ticksPerMinute = 60 * ticksPerSecond;

bool lf_parkedActive(const LiveAircraft& ac) {
  return ac.aircraft.state == LiveState::Active && ac.phase == FlightPhase::Parked;
}

} // namespace

std::vector<ParkedSeconds> lf_listLiveParkedBySeconds() {
  std::vector<ParkedSeconds> list;
  list.reserve(128);
  const std::int64_t now = gf_trafficNow();
  for (const auto& ac : traffic.liveList)
    if (lf_parkedActive(ac))
      list.push_back({ac.aircraft.aircraftInfo.hexid, (now - ac.parkedSinceTime) / ticksPerSecond});
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.seconds > b.seconds; });
  return list;
}

void gf_checkMaxPark(std::int32_t extra) {
  const std::int32_t wanted = staticParking.wantedCount;
  if (wanted <= 0) return;
  const auto count =
      static_cast<std::int32_t>(std::count_if(traffic.liveList.begin(), traffic.liveList.end(), lf_parkedActive)) +
      extra;
  if (!INITIAL_LOAD_ONLY.get() && count > wanted) {
    const auto longest = lf_listLiveParkedBySeconds();
    if (!longest.empty())
      for (auto& ac : traffic.liveList)
        if (ac.aircraft.aircraftInfo.hexid == longest.front().hexid && ac.aircraft.state == LiveState::Active) {
          gf_log(fmt::format("{:8}: {} live max park exceeded, removed", gf_standName(ac.aircraft.standNumber),
                             ac.aircraft.aircraftInfo.callsign));
          removeAircraftFromSim(ac.aircraft);
          break;
        }
  }
  const auto statics = static_cast<std::int32_t>(
      std::count_if(traffic.staticList.begin(), traffic.staticList.end(), [](const AircraftData& ac) {
        return ac.state == LiveState::Active || ac.state == LiveState::RemovingFromSim;
      }));
  if (count + statics <= wanted || traffic.staticList.empty()) return;
  // The one parked longest ago, counted over the end of the week: early on Monday the
  // aircraft of Sunday evening are the older ones.
  const WeekTime now = currentWeekTime.load();
  const auto earliest =
      std::max_element(traffic.staticList.begin(), traffic.staticList.end(), [now](const auto& a, const auto& b) {
        return gf_halfHoursSince(a.parkedSince, now) < gf_halfHoursSince(b.parkedSince, now);
      });
  if (earliest->state != LiveState::Active) return;
  gf_log(fmt::format("{:8}: {} static max park exceeded, removed", gf_standName(earliest->standNumber),
                     earliest->aircraftInfo.callsign));
  removeAircraftFromSim(*earliest);
}

void lf_removeLongestParkedLive(std::int32_t n) {
  const auto longest = lf_listLiveParkedBySeconds();
  std::unordered_set<std::uint32_t> chosen;
  for (std::size_t i = 0; i < longest.size() && static_cast<std::int32_t>(i) < n; ++i) chosen.insert(longest[i].hexid);
  for (auto& ac : traffic.liveList)
    if (chosen.contains(ac.aircraft.aircraftInfo.hexid)) {
      gf_log(fmt::format("live parked {} at {} removed", gf_acLogText(ac), gf_standName(ac.aircraft.standNumber)));
      removeAircraftFromSim(ac.aircraft);
    }
}

void lf_buildLiveParkedList() {
  auto& list = parking.liveParkedList;
  list.clear();
  const std::int64_t now = gf_trafficNow();
  for (auto& ac : traffic.liveList) {
    if (!lf_parkedActive(ac)) continue;
    const auto& info = ac.aircraft.aircraftInfo;
    if (ac.standReportSeen) {
      list.push_back({info.callsign, 0, ac.aircraft.standNumber, 0});
      continue;
    }
    const auto minutes = static_cast<std::int32_t>((now - ac.parkedSinceTime) / ticksPerMinute);
    const std::int32_t limit = info.category == SizeCategory::Heavy ? 180 : 90;
    if (!INITIAL_LOAD_ONLY.get() && minutes > limit) {
      removeAircraftFromSim(ac.aircraft);
      continue;
    }
    list.push_back({info.callsign, 0, ac.aircraft.standNumber, minutes});
  }
  std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.minutesParked < b.minutesParked; });
}
