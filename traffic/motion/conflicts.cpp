#include "traffic/motion/conflicts.h"

#include "core/geodesy.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/settings/parameters.h"
#include "traffic/parking/static_placement.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <string>

namespace {

// Two aircraft touch when their reference points are closer than their half spans together
// with a tenth to spare.
constexpr double conflictFactor = 1.1;

bool lf_touch(double distanceNm, double halfSpanA, double halfSpanB) {
  // Written so that a distance that is no number never counts as touching.
  return distanceNm <= (halfSpanA + halfSpanB) * conflictFactor;
}

void lf_logIf(const std::string& line) {
  if (LOG.get()) gf_log(line);
}

bool lf_endsWithGhostMark(std::string_view callsign) { return !callsign.empty() && callsign.back() == '_'; }
std::string_view lf_withoutLast(std::string_view callsign) {
  return callsign.empty() ? callsign : callsign.substr(0, callsign.size() - 1);
}

const char* lf_where(bool onGround) { return onGround ? "on ground" : "airborne"; }

bool lf_couplesTo(const AircraftData& s, std::string_view callsign) {
  return !callsign.empty() &&
         (callsign == s.aircraftInfo.coupledCallsign1 || callsign == s.aircraftInfo.coupledCallsign2);
}

bool lf_atStand(FlightPhase phase) {
  return phase == FlightPhase::Parked || phase == FlightPhase::PushingBack || phase == FlightPhase::PushedBack;
}
// A neighbour that has started to leave (pushed back) is out of its stand already.
bool lf_onAdjacentStand(const LiveAircraft& ac) {
  return (ac.phase == FlightPhase::Parked || ac.phase == FlightPhase::PushingBack) &&
         ac.aircraft.state == LiveState::Active;
}

LiveAircraft* lf_liveOnStand(std::int32_t number) {
  if (number == 0) return nullptr;
  for (auto& ac : traffic.liveList)
    if (ac.aircraft.standNumber == number) return &ac;
  return nullptr;
}

std::optional<GeoPosition> lf_standPosition(std::int32_t number) {
  for (const auto& stand : standList)
    if (stand.number == number) {
      if (stand.lat == 0.0 && stand.lon == 0.0) return std::nullopt;
      return GeoPosition{stand.lat, stand.lon};
    }
  return std::nullopt;
}

// The live aircraft on the adjacent stand when it would touch the aircraft on `stand`.
LiveAircraft* lf_touchingNeighbour(std::int32_t adjacent, const LiveAircraft& aircraft, const StandData& stand) {
  LiveAircraft* neighbour = lf_liveOnStand(adjacent);
  if (neighbour == nullptr || !lf_onAdjacentStand(*neighbour)) return nullptr;
  const auto position = lf_standPosition(adjacent);
  if (!position) return nullptr;
  const double d = gf_distanceNm(*position, {stand.lat, stand.lon});
  if (!lf_touch(d, gf_halfWingspanNm(neighbour->aircraft.aircraftInfo.type),
                gf_halfWingspanNm(aircraft.aircraft.aircraftInfo.type)))
    return nullptr;
  return neighbour;
}

} // namespace

void gf_removeCollidingStatic(LiveAircraft& ac) {
  if (ac.landingRoll || ac.takingOff) return;
  ac.conflictCheckLat = ac.lat;
  ac.conflictCheckLon = ac.lon;
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  for (auto& s : traffic.staticList) {
    if (s.state != LiveState::Active || s.aircraftInfo.callsign == info.callsign) continue;
    const double d = gf_distanceNm({ac.lat, ac.lon}, {s.standLat, s.standLon});
    if (!lf_touch(d, s.aircraftInfo.halfSpanNm, info.halfSpanNm)) continue;
    lf_logIf(fmt::format("{:8}: {:8} removed for collision avoidance with static {}", gf_standName(s.standNumber),
                         s.aircraftInfo.callsign, info.callsign));
    removeAircraftFromSim(s);
    return;
  }
}

void gf_removeStaticTwin(LiveAircraft& ac, bool onGround) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  if (info.callsign.empty()) return;
  const std::string_view plain = lf_withoutLast(info.callsign);
  for (auto& s : traffic.staticList) {
    if (s.state != LiveState::Active) continue;
    const AircraftInfoData& twin = s.aircraftInfo;
    if (!info.registration.empty() && info.registration == twin.registration) {
      lf_logIf(fmt::format("{:8}: {:8} {} removed, new {} '{}' has same regcode {}", gf_standName(s.standNumber),
                           twin.callsign, twin.registration, lf_where(onGround), info.callsign, info.registration));
      removeAircraftFromSim(s);
      return;
    }
    const bool isTwin = lf_couplesTo(s, info.callsign) || lf_couplesTo(s, info.coupledCallsign2) ||
                        (lf_endsWithGhostMark(info.callsign) && lf_couplesTo(s, plain));
    if (!isTwin) continue;
    lf_logIf(fmt::format("{:8}: {:8} '{} {}' removed, new {} {} '{}' '{}' has {} callsign", gf_standName(s.standNumber),
                         twin.callsign, twin.coupledCallsign1, twin.coupledCallsign2, lf_where(onGround), info.callsign,
                         info.coupledCallsign1, info.coupledCallsign2,
                         info.callsign == twin.coupledCallsign1 ? "same" : "coupled"));
    removeAircraftFromSim(s);
    return;
  }
}

void lf_removeGhost(std::string_view callsign, const LiveAircraft* reporting) {
  const std::string ghost = std::string(callsign) + '_';
  for (auto& ac : traffic.liveList) {
    AircraftData& head = ac.aircraft;
    if (&ac == reporting || head.aircraftInfo.callsign != ghost || head.state == LiveState::RemovingFromSim) continue;
    if (ac.phase == FlightPhase::Parked)
      lf_logIf(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                           gf_standName(head.standNumber), ghost, callsign));
    else
      lf_logIf(fmt::format("          {:8} is a ghost and will be removed, continue with {}", ghost, callsign));
    traffic.ghostList.push_back(ghost);
    removeAircraftFromSim(head);
    return;
  }
}

bool lf_hasPlainTwin(std::string_view callsign) {
  const std::string_view plain = lf_withoutLast(callsign);
  for (const auto& ac : traffic.liveList)
    if (ac.aircraft.aircraftInfo.callsign == plain && ac.aircraft.state != LiveState::RemovingFromSim) return true;
  return false;
}

bool lf_mayTakeStand(std::int32_t standNumber, std::string_view callsign) {
  LiveAircraft* holder = lf_liveOnStand(standNumber);
  if (holder == nullptr || !lf_atStand(holder->phase) || holder->aircraft.state != LiveState::Active) return true;
  const std::string& held = holder->aircraft.aircraftInfo.callsign;
  const std::string name = gf_standName(standNumber);
  if (held == callsign) {
    lf_logIf(fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ", name, held, callsign));
    removeAircraftFromSim(holder->aircraft);
    return true;
  }
  // The newcomer is the holder's ghost.
  if (lf_endsWithGhostMark(callsign) && lf_withoutLast(callsign) == held) return false;
  const bool holderIsGhost =
      lf_endsWithGhostMark(held) && (lf_withoutLast(held) == callsign || !lf_endsWithGhostMark(callsign));
  if (holderIsGhost) {
    lf_logIf(fmt::format("{:8}: {:8} ghost, replace by {}", name, held, callsign));
    removeAircraftFromSim(holder->aircraft);
    return true;
  }
  if (lf_endsWithGhostMark(callsign)) return false;
  // An aircraft the reports show at its stand stays there.
  if (holder->standReportSeen) return false;
  lf_logIf(fmt::format("{:8}: {:8} removed because another live {} wants the stand ...", name, held, callsign));
  removeAircraftFromSim(holder->aircraft);
  return true;
}

std::optional<std::int32_t> lf_findAdjacentConflict(const StandData& stand, const LiveAircraft& ac) {
  for (const std::int32_t adjacent : stand.adjacent) {
    const LiveAircraft* neighbour = lf_touchingNeighbour(adjacent, ac, stand);
    if (neighbour != nullptr && neighbour->aircraft.aircraftInfo.callsign != ac.aircraft.aircraftInfo.callsign)
      return adjacent;
  }
  return std::nullopt;
}

void lf_clearAdjacentStand(std::int32_t adjacent, LiveAircraft& ac, const StandData& stand) {
  LiveAircraft* neighbour = lf_touchingNeighbour(adjacent, ac, stand);
  if (neighbour == nullptr) return;
  lf_logIf(fmt::format("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}",
                       gf_standName(adjacent), neighbour->aircraft.aircraftInfo.callsign,
                       ac.aircraft.aircraftInfo.callsign, gf_standName(stand.number)));
  removeAircraftFromSim(neighbour->aircraft);
}
