#include "traffic/motion/stand_assignment.h"

#include "airports/park_airport.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/settings/parameters.h"
#include "traffic/motion/conflicts.h"
#include "traffic/motion/ground_motion.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <limits>

namespace {

constexpr double wideReachNm = 0.029697624190064796;   // 55 m
constexpr double narrowReachNm = 0.010799136069114472; // 20 m
constexpr double stopReachNm = 0.018898488120950324;   // 35 m
constexpr double parkAirportReachNm = 5.0;

GeoPosition lf_at(const FeedPoint& p) { return {p.latitude, p.longitude}; }

// The user's stand is kept free, and so is the stand the user aircraft stands on.
bool lf_excluded(const StandData& stand) {
  if (!reservedStand.empty() && reservedStand == stand.name) return true;
  const std::string userStand = gf_userStand(gf_userPosition());
  return !userStand.empty() && userStand == stand.name;
}

std::string lf_sameVersionText(const AircraftData& statik, const AircraftInfoData& info) {
  const AircraftInfoData& s = statik.aircraftInfo;
  return (s.coupledCallsign1 == info.callsign || s.registration == info.registration) ? " the same live version" : "";
}

} // namespace

std::optional<StandData> standForSpawn(LiveAircraft& ac) {
  if (standList.empty() || currentParkAirport.code.empty() || ac.feedPoints.empty()) return std::nullopt;
  FeedPoint& first = ac.feedPoints.front();
  if (gf_distanceNm(lf_at(first), {currentParkAirport.lat, currentParkAirport.lon}) > parkAirportReachNm)
    return std::nullopt;
  GeoPosition at = lf_at(first);
  gf_clearStaleStandMarks();
  if (!first.extraFlag) {
    if (ac.feedPoints.size() < 2 || ac.feedPoints[1].groundSpeed > 5.0 ||
        gf_distanceNm(lf_at(first), lf_at(ac.feedPoints.back())) > stopReachNm)
      return std::nullopt;
    at = lf_at(ac.feedPoints.back());
  }
  const auto found = gf_standAtPosition(at, ac, wideReachNm, first.extraFlag);
  if (found == standList.end() || lf_excluded(*found)) return std::nullopt;
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  if (lf_mayTakeStand(found->number, info.callsign) && !lf_findAdjacentConflict(*found, ac)) {
    StandData stand = *found;
    makeWay(ac, stand);
    if (!first.extraFlag) {
      first.extraFlag = true;
      first.groundSpeed = 0.0;
    }
    return stand;
  }
  // Created anywhere else it would stand beside its stand; it waits for its next report.
  ac.aircraft.eraseNow = true;
  return std::nullopt;
}

void try2Park(LiveAircraft& ac, bool wide) {
  if (ac.feedPoints.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "try2Park"));
    return;
  }
  const FeedPoint& last = ac.feedPoints.back();
  // A place is searched once; but a landed aircraft whose reports stop where a narrow search
  // found nothing looks wider at the same place.
  if (std::fabs(last.latitude - ac.lastParkTryLat) < 1e-8 && std::fabs(last.longitude - ac.lastParkTryLon) < 1e-8 &&
      (ac.lastParkTryWide || !wide))
    return;
  ac.lastParkTryLat = last.latitude;
  ac.lastParkTryLon = last.longitude;
  ac.lastParkTryWide = wide;
  AircraftData& head = ac.aircraft;
  // A taxiing aircraft that looks for a stand holds none; a stand it once drove to is free
  // for it again.
  gf_releaseLiveStand(head);
  gf_clearStaleStandMarks();
  const auto found = gf_standAtPosition(lf_at(last), ac, wide ? wideReachNm : narrowReachNm, wide);
  if (found == standList.end() || lf_excluded(*found)) return;
  const StandData stand = *found;
  const AircraftInfoData& info = head.aircraftInfo;
  for (auto& other : traffic.liveList) {
    if (&other == &ac || other.aircraft.standNumber != stand.number) continue;
    if (other.phase == FlightPhase::Parked && other.aircraft.state == LiveState::Active) {
      if (LOG.get())
        gf_log(fmt::format("{:8}: {:8} removed, {} wants to park there", stand.name,
                           other.aircraft.aircraftInfo.callsign, info.callsign));
      removeAircraftFromSim(other.aircraft);
    }
    break;
  }
  for (const std::int32_t adjacent : stand.adjacent) lf_clearAdjacentStand(adjacent, ac, stand);
  makeWay(ac, stand);
  head.standLat = stand.lat;
  head.standLon = stand.lon;
  head.standHeading = stand.heading;
  head.standNumber = stand.number;
  head.cargoStand = stand.cargo;
  gf_markStandTakenByLive(stand.number);
  ac.feedPoints.resize(1);
  // A corner curve just built led along the points now cut: the drive starts where the
  // aircraft is.
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  ac.curve.startParam = nan;
  ac.curve.endParam = nan;
  ac.curve.controlEast = nan;
  ac.curve.controlNorth = nan;
  ac.curveParam = 0.0;
  gf_changePhase(ac, FlightPhase::Parking);
  drive2Stand(ac, {stand.lat, stand.lon, stand.heading});
}

void makeWay(LiveAircraft& ac, const StandData& stand) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  for (auto& statik : traffic.staticList) {
    if (statik.standNumber != stand.number) continue;
    const AircraftInfoData& s = statik.aircraftInfo;
    if (statik.state == LiveState::Active) {
      if (LOG.get())
        gf_log(fmt::format("{:8}: {:8} {} makes way for{} {} {}", stand.name, s.callsign, s.registration,
                           lf_sameVersionText(statik, info), info.callsign, info.registration));
      removeAircraftFromSim(statik);
    } else if (statik.state == LiveState::Adding2Sim) {
      if (gf_cancelQueuedCreate(traffic.staticCreateBacklog, s.hexid)) {
        statik.creationCancelled = true;
        if (LOG.get())
          gf_log(fmt::format("queued {:8}: {:8} {} makes way for{} {} {}", stand.name, s.callsign, s.registration,
                             lf_sameVersionText(statik, info), info.callsign, info.registration));
      } else {
        statik.removalPending = true;
      }
    }
    break;
  }
  auto& statics = traffic.staticList;
  statics.erase(
      std::remove_if(statics.begin(), statics.end(), [](const AircraftData& s) { return s.creationCancelled; }),
      statics.end());
  for (const std::int32_t adjacent : stand.adjacent) makeWayAdjacent(ac, adjacent, stand);
}

void makeWayAdjacent(LiveAircraft& ac, std::int32_t standNumber, const StandData& target) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  for (auto& statik : traffic.staticList) {
    if (statik.standNumber != standNumber || statik.state != LiveState::Active) continue;
    const StandData* stand = gf_standByNumber(standNumber);
    const GeoPosition p = stand ? GeoPosition{stand->lat, stand->lon} : GeoPosition{0.0, 0.0};
    const double reach = (gf_halfWingspanNm(statik.aircraftInfo.type) + gf_halfWingspanNm(info.type)) * 1.1;
    if (gf_distanceNm(p, {target.lat, target.lon}) > reach) continue;
    if (LOG.get())
      gf_log(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}", gf_standName(standNumber),
                         statik.aircraftInfo.callsign, info.callsign, target.name));
    removeAircraftFromSim(statik);
    return;
  }
}
