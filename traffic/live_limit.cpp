#include "traffic/live_limit.h"

#include "core/geodesy.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/week_clock.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <limits>

namespace {

constexpr double farthestMargin = 0.1; // nm

struct LiveCount {
  bool valid = false;
  std::int32_t tick = 0;
  std::int32_t count = 0;
};
LiveCount liveCount;

double lf_userDistance(const LiveAircraft& ac) {
  const UserAcData& user = traffic.userAcState;
  return gf_distanceNm({user.latitude, user.longitude}, {ac.lat, ac.lon});
}

// The live aircraft farthest from the user among those the predicate accepts, when more
// than the margin farther than `distanceNm`; the earlier one wins among near equals.
template <typename Accept> LiveAircraft* lf_farthest(double distanceNm, Accept accept) {
  double best = distanceNm;
  LiveAircraft* chosen = nullptr;
  for (auto& ac : traffic.liveList) {
    if (!accept(ac)) continue;
    const double d = lf_userDistance(ac);
    if (d > best + farthestMargin) {
      chosen = &ac;
      best = d;
    }
  }
  return chosen;
}

std::int32_t lf_stayHalfHours(WeekTime now, WeekTime since) {
  const std::int32_t stay = ((now.day - 1) * 48 + now.slot) - ((since.day - 1) * 48 + since.slot);
  return stay < 0 ? stay + 336 : stay;
}

} // namespace

bool gf_countsAgainstLiveLimit(const AircraftData& ac) {
  if (ac.eraseNow || ac.creationCancelled) return false;
  switch (ac.state) {
  case LiveState::Adding2Sim:
    return !ac.removalPending;
  case LiveState::Active:
  case LiveState::LiveryRespawn:
    return true;
  default:
    return false;
  }
}

std::int32_t gf_liveInSimCount() {
  const std::int32_t tick = gf_tickCounter();
  if (!liveCount.valid || liveCount.tick != tick) {
    std::int32_t count = 0;
    for (const auto& ac : traffic.liveList) count += gf_countsAgainstLiveLimit(ac.aircraft) ? 1 : 0;
    liveCount = {true, tick, count};
  }
  return liveCount.count;
}

void gf_noteLiveCountChange(std::int32_t delta) {
  if (liveCount.valid && liveCount.tick == gf_tickCounter()) liveCount.count += delta;
}

bool lf_removeFarthestLive(double distanceNm) {
  LiveAircraft* chosen =
      lf_farthest(distanceNm, [](const LiveAircraft& ac) { return ac.aircraft.state == LiveState::Active; });
  if (!chosen) return true;
  removeAircraftFromSim(chosen->aircraft);
  return false;
}

void gf_applyMaxLive() {
  const std::int32_t limit = MAX_LIVE_SEL.get();
  std::int32_t count = 0;
  for (const auto& ac : traffic.liveList) count += gf_countsAgainstLiveLimit(ac.aircraft) ? 1 : 0;
  // Creations still on their way count too: they are withdrawn, or removed once created.
  for (; count > limit; --count) {
    LiveAircraft* chosen =
        lf_farthest(-1.0, [](const LiveAircraft& ac) { return gf_countsAgainstLiveLimit(ac.aircraft); });
    if (!chosen) break;
    removeAircraftFromSim(chosen->aircraft);
  }
}

std::int32_t gf_countLiveParked(bool recompute) {
  std::int32_t count = 0;
  std::int64_t halfHours = 0;
  const WeekTime now = currentWeekTime.load();
  for (const auto& ac : traffic.liveList) {
    if (ac.phase != FlightPhase::Parked || ac.aircraft.state != LiveState::Active) continue;
    ++count;
    if (recompute) halfHours += lf_stayHalfHours(now, ac.aircraft.parkedSince);
  }
  if (!recompute) return count;
  const float average = count == 0 ? 0.0f : static_cast<float>(halfHours) / (2.0f * count) + 0.5f;
  if (mainWindow.snapshot().liveParkedHours != average)
    mainWindow.update(parkBandRect, [average](DisplayState& d) { d.liveParkedHours = average; });
  return count;
}
