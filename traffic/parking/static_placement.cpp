#include "traffic/parking/static_placement.h"

#include "airports/stands.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/week_clock.h"
#include "liveries/matching.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <fmt/format.h>

namespace {

std::uint32_t staticCounter = 0;
StaticLiveryMatcher testMatcher;

bool lf_onOrNextTo(std::int32_t standNumber, const WantedStatic& w, const StandData* stand) {
  if (standNumber == static_cast<std::int32_t>(w.standNumber)) return true;
  return stand && std::find(stand->adjacent.begin(), stand->adjacent.end(), standNumber) != stand->adjacent.end();
}

// A live aircraft parked or parking on the stand or next to it; logs why and says so.
bool lf_liveInTheWay(const WantedStatic& w, const StandData* stand) {
  for (const auto& ac : traffic.liveList) {
    if (ac.phase != FlightPhase::Parked && ac.phase != FlightPhase::Parking) continue;
    const std::int32_t number = ac.aircraft.standNumber;
    if (!lf_onOrNextTo(number, w, stand)) continue;
    if (LOG.get()) {
      const std::string here = gf_standName(static_cast<std::int32_t>(w.standNumber));
      const auto& cs = ac.aircraft.aircraftInfo.callsign;
      if (number == static_cast<std::int32_t>(w.standNumber))
        gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", here, w.callsign, cs));
      else
        gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding",
                           here, w.callsign, cs, gf_standName(number)));
    }
    return true;
  }
  return false;
}

constexpr std::int32_t maxRequeues = 240; // two minutes of placements

enum class StaticBlock { None, Leaving, Staying };

// A static aircraft on the stand or next to it. One that is being removed is on its way out:
// the placement waits for it, so a renewal's replacement is not lost.
StaticBlock lf_staticInTheWay(const WantedStatic& w, const StandData* stand) {
  StaticBlock block = StaticBlock::None;
  for (const auto& ac : traffic.staticList) {
    if (!lf_onOrNextTo(ac.standNumber, w, stand)) continue;
    if (ac.state == LiveState::RemovingFromSim && w.requeues < maxRequeues) {
      block = StaticBlock::Leaving;
      continue;
    }
    if (LOG.get())
      gf_log(fmt::format("{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding",
                         gf_standName(static_cast<std::int32_t>(w.standNumber)), w.callsign, ac.aircraftInfo.callsign,
                         gf_standName(ac.standNumber)));
    return StaticBlock::Staying;
  }
  return block;
}

bool lf_matchLivery(AircraftInfoData& info, const StandData& stand) {
  return testMatcher ? testMatcher(info, stand) : gf_matchStaticAcLivery(info, stand);
}

} // namespace

void gf_setStaticLiveryMatcher(StaticLiveryMatcher matcher) { testMatcher = std::move(matcher); }

std::uint32_t gf_nextStaticHexid() {
  staticCounter = (staticCounter + 1) % 10000;
  return staticCounter;
}

void gf_resetStaticCounter() { staticCounter = 0; }

std::string gf_staticCallsign(std::string_view text) {
  while (text.ends_with('_')) text.remove_suffix(1);
  std::string callsign(text);
  if (!callsign.ends_with('*')) callsign += '*';
  return callsign;
}

std::string lf_detcs(const WantedStatic& wanted) {
  const std::string& first = wanted.staysOn ? wanted.callsign : wanted.coupledCallsign;
  const std::string& second = wanted.staysOn ? wanted.coupledCallsign : wanted.callsign;
  if (!first.empty()) return gf_staticCallsign(first);
  if (!second.empty()) return gf_staticCallsign(second);
  gf_logWarning(fmt::format("{} callsign is empty..", "lf_detcs"));
  return {};
}

void lf_placeNextStatic() {
  if (wantedList.empty() || standList.empty()) return;
  WantedStatic w = std::move(wantedList.back());
  wantedList.pop_back();
  const StandData* wantedStand = gf_standByNumber(static_cast<std::int32_t>(w.standNumber));
  if (lf_liveInTheWay(w, wantedStand)) return;
  const StaticBlock block = lf_staticInTheWay(w, wantedStand);
  if (block == StaticBlock::Staying) return;
  if (block == StaticBlock::Leaving) {
    ++w.requeues;
    wantedList.insert(wantedList.begin(), std::move(w));
    return;
  }
  if (!wantedStand) {
    gf_logWarning(fmt::format("stand with id {} not found", w.standNumber));
    return;
  }
  const StandData& s = *wantedStand;
  const std::uint32_t hexid = gf_nextStaticHexid();
  const std::string callsign = w.callsign.empty() ? fmt::format("{}{}{}", w.airline, hexid, '*') : lf_detcs(w);
  const std::string none;
  AircraftInfoData info(
      AircraftHead{w.airline, w.type, none, none, callsign, w.callsign, w.coupledCallsign, w.registration, false});
  info.hexid = hexid;
  if (!lf_matchLivery(info, s)) return;
  AircraftData ac(std::move(info), s.number, s.lat, s.lon, s.heading, s.cargo);
  ac.parkedSince = gf_halfHoursBefore(currentWeekTime.load(), w.fitHalfHours);
  ac.state = LiveState::Adding2Sim;
  CreateAcData create;
  create.position.latitude = s.lat;
  create.position.longitude = s.lon;
  create.position.heading = s.heading * 57.29577951308232;
  create.position.onGround = 1;
  create.callsign = ac.aircraftInfo.callsign;
  create.title = ac.aircraftInfo.liveryTitle;
  create.hexId = static_cast<std::int32_t>(hexid);
  traffic.staticList.push_back(std::move(ac));
  traffic.staticCreateBacklog.push_back(std::move(create));
}

std::string gf_standName(std::int32_t number) {
  if (number == 0) return "sid==0?";
  for (const auto& stand : standList)
    if (stand.number == number) return stand.name;
  return "unknown";
}
