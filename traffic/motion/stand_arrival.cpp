#include "traffic/motion/stand_arrival.h"

#include "airports/park_airport.h"
#include "airports/stands.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/week_clock.h"
#include "traffic/aircraft_controls.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/parking/learned_options.h"
#include "traffic/parking/max_park.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fmt/format.h>
#include <limits>

namespace {

constexpr double feetPerNm = 6076.11549;
constexpr double atStandNm = 0.0010799136069114472;     // 2 m
constexpr double standAreaNm = 0.0458963282937365;      // 85 m
constexpr double standStepNm = 0.0016198704103671706;   // 3 m
constexpr double lostFromStandNm = 0.10799136069114472; // 200 m
constexpr double parkAirportReachNm = 5.0;
constexpr std::int32_t weekTicks = 604800 * 100;

GeoPosition lf_at(const LiveAircraft& ac) { return {ac.lat, ac.lon}; }
GeoPosition lf_standOf(const LiveAircraft& ac) { return {ac.aircraft.standLat, ac.aircraft.standLon}; }

void lf_openWindow(LiveAircraft& ac) {
  ac.maxEarlyTicks = 3000;
  ac.maxLateTicks = ac.takingOff ? 5000 : 3000;
}

void lf_recordStandUse(const LiveAircraft& ac, std::int32_t slot) {
  const auto hexid = static_cast<std::int32_t>(ac.aircraft.aircraftInfo.hexid);
  for (auto& use : traffic.standUseList)
    if (use.hexid == hexid) {
      use.halfHour = slot;
      return;
    }
  traffic.standUseList.push_back({hexid, slot});
}

void lf_forgetStandUse(const LiveAircraft& ac) {
  const auto hexid = static_cast<std::int32_t>(ac.aircraft.aircraftInfo.hexid);
  auto& uses = traffic.standUseList;
  uses.erase(std::remove_if(uses.begin(), uses.end(), [hexid](const StandUse& u) { return u.hexid == hexid; }),
             uses.end());
}

// The real use of its stand is learned only from an aircraft of the stand's kind.
bool lf_learnsRealUse(const AircraftData& head) {
  return !head.aircraftInfo.airline.empty() && head.cargoStand == head.aircraftInfo.cargo;
}

// How soon after its parked point was made an aircraft that leaves again counts as towed.
std::uint32_t lf_towedWithinTicks(SizeCategory category) {
  switch (category) {
  case SizeCategory::Heavy:
    return 360000;
  case SizeCategory::Large:
    return 150000;
  case SizeCategory::Buzjets:
    return 90000;
  default:
    return 0;
  }
}

bool lf_anotherTaxiingNear(const LiveAircraft& ac) {
  for (const auto& other : traffic.liveList) {
    if (other.aircraft.objectId == ac.aircraft.objectId || !other.onGround || other.phase != FlightPhase::Taxi ||
        other.aircraft.state != LiveState::Active)
      continue;
    const double reach = 1.2 * (ac.aircraft.aircraftInfo.halfSpanNm + other.aircraft.aircraftInfo.halfSpanNm);
    if (gf_distanceNm(lf_at(ac), lf_at(other)) <= reach) return true;
  }
  return false;
}

// A taxiing aircraft without reports waits where it is, a still point every 3 seconds.
bool lf_hold(LiveAircraft& ac) {
  if (lf_anotherTaxiingNear(ac)) {
    ac.holding = false;
    ac.holdStartTick = 0;
    return false;
  }
  const std::int32_t now = gf_tickCounter();
  if (ac.holding) {
    if ((static_cast<std::int64_t>(now) - ac.holdStartTick) / 6000 > MAX_HOLDING_MINUTES.get()) return false;
  } else {
    ac.holdStartTick = now;
  }
  ac.holding = true;
  FeedPoint wait = ac.feedPoints.front();
  wait.dueTick += 300;
  wait.groundSpeed = 0.0;
  wait.extraFlag = true;
  ac.extensionLeft = 1;
  ac.feedPoints.push_back(wait);
  return true;
}

bool lf_categoryShown(SizeCategory category) {
  switch (category) {
  case SizeCategory::Light:
    return LIGHT_AIRCRAFT.get();
  case SizeCategory::HighPerf:
    return HIGH_PERF_AIRCRAFT.get();
  case SizeCategory::Rotorcraft:
    return HELICOPTERS.get();
  default:
    return true;
  }
}

// How many points an aircraft whose reports stopped is predicted; 0: it goes now.
std::int32_t lf_predictionCount(const LiveAircraft& ac) {
  if (ac.onGround) return ac.phase == FlightPhase::Parked ? 1 : 10;
  const UserAcData& user = traffic.userAcState;
  const bool userKnown = std::fabs(user.latitude) > 1e-4 || std::fabs(user.longitude) > 1e-4;
  // Near the edge of the range it would fly out of the traffic anyway.
  if (userKnown && gf_distanceNm(lf_at(ac), {user.latitude, user.longitude}) >= rangeNm.load() - 0.5) return 0;
  return 8;
}

double lf_predictedSpeed(LiveAircraft& ac, FeedPoint& p, std::int32_t n) {
  const double v = p.groundSpeed;
  if (!ac.onGround) {
    if (ac.onApproach && n < 4) return v;
    return std::max(v * (ac.onApproach ? 0.9 : 0.95), 1.0);
  }
  if (ac.landingRoll) {
    p.verticalSpeed = 0.0;
    if (v >= 140.0) return 100.0;
    if (v >= 100.0) return 80.0;
    if (v >= 80.0) return 60.0;
    if (v >= 60.0) return 30.0;
    return 20.0;
  }
  if (v <= 30.0) return 40.0;
  if (v <= 60.0) return 80.0;
  if (v <= 100.0) return 110.0;
  if (v <= 140.0) {
    p.verticalSpeed = 600.0;
    return 150.0;
  }
  if (v <= 160.0) {
    p.verticalSpeed = 1200.0;
    return 170.0;
  }
  p.verticalSpeed = 2400.0;
  return 180.0;
}

bool lf_validPosition(const LiveAircraft& ac) {
  return std::isfinite(ac.lat) && std::isfinite(ac.lon) && std::isfinite(ac.heading) && std::fabs(ac.lat) <= 90.0;
}

} // namespace

void fixStandCargo(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  if (!head.aircraftInfo.cargo || head.cargoStand) return;
  StandData* stand = gf_standByNumber(head.standNumber);
  if (stand == nullptr || !stand->cargo) return;
  stand->cargo = false;
  stand->cargo_change = true;
  ++standUpdateCount;
  gf_logWarning(fmt::format("{} stand: {}, cargo attribute set to false, {} parked here", currentParkAirport.code,
                            stand->name, gf_acLogText(ac)));
  const std::int32_t count = standUpdateCount;
  if (mainWindow.snapshot().learnedUpdatesShown != count)
    mainWindow.update(parkBandRect, [count](DisplayState& d) { d.learnedUpdatesShown = count; });
}

void arriveAtStand(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  const AircraftInfoData& info = head.aircraftInfo;
  if (gf_distanceNm(lf_at(ac), lf_standOf(ac)) > atStandNm) {
    // It stopped short of its stand: it taxis on and may find a stand where it stops.
    gf_releaseLiveStand(head);
    gf_changePhase(ac, FlightPhase::Taxi);
    return;
  }
  gf_changePhase(ac, FlightPhase::Parked);
  head.parkedSince = currentWeekTime.load();
  if (ac.towed && LOG.get()) gf_logIndented(fmt::format("towed aircraft {} parks", gf_acLogText(ac)));
  if (!ac.feedPoints.empty()) ac.feedPoints.front().extraFlag = true;
  ac.parkedSinceTime = gf_trafficNow();
  ac.standLastDistance = 0.0;
  ac.standMovesAway = 0;
  fixStandCargo(ac);
  gf_setParkedState(head);
  if (LOG.get()) gf_log(fmt::format("{:8}: {:8} arrived at stand", gf_standName(head.standNumber), info.callsign));
  traffic.twinCheckQueue.push_back(info.hexid);
  if (lf_learnsRealUse(head) && lt_addStandOption(head.standNumber, ac, head.parkedSince, false))
    lf_recordStandUse(ac, head.parkedSince.slot);
  gf_checkMaxPark(0);
}

bool checkParkedPoint(LiveAircraft& ac, FeedPoint& report) {
  // A report without a usable position says nothing about the stand.
  if (!std::isfinite(report.latitude) || !std::isfinite(report.longitude)) return false;
  ac.standReportSeen = true;
  const double a = gf_distanceNm(lf_standOf(ac), {report.latitude, report.longitude});
  const double area = ac.previousPhase == FlightPhase::Parking ? 2.0 * standAreaNm : standAreaNm;
  if (a <= area) {
    ac.parkedSinceTime = gf_trafficNow();
    if (ac.standLastDistance == 0.0) {
      ac.standFirstDistance = ac.standLastDistance = a;
      ac.standMovesAway = 0;
      ac.leavingStand = false;
      return false;
    }
    if (a < ac.standLastDistance + standStepNm) {
      if (a <= ac.standLastDistance - standStepNm) ac.standMovesAway = 0;
      ac.leavingStand = false;
      return false;
    }
    ++ac.standMovesAway;
    ac.standLastDistance = a;
    const double growth = a - ac.standFirstDistance;
    const double halfSpan = ac.aircraft.aircraftInfo.halfSpanNm;
    if (!((ac.standMovesAway > 2 && growth >= halfSpan / 2.0) || growth > halfSpan)) {
      ac.leavingStand = false;
      return false;
    }
  } else {
    if (ac.phase == FlightPhase::Parking) {
      // It drives past its stand: it does not park there.
      gf_releaseLiveStand(ac.aircraft);
      gf_changePhase(ac, FlightPhase::Taxi);
      report.extraFlag = false;
      return true;
    }
    if (a > lostFromStandNm) {
      removeAircraftFromSim(ac.aircraft);
      return false;
    }
  }
  report.extraFlag = false;
  ac.leavingStand = true;
  if (ac.previousPhase == FlightPhase::Parked) return true;
  leaveStand(ac);
  gf_changePhase(ac, FlightPhase::Parked);
  return true;
}

void leaveStand(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  if (ac.extensionLeft > 0) {
    if (ac.phase == FlightPhase::Parked && !ac.feedPoints.empty()) {
      FeedPoint& first = ac.feedPoints.front();
      if (ac.arrivedByLanding) {
        // The predicted parked point fell due a week after it was made.
        const auto since =
            static_cast<std::uint32_t>(static_cast<std::int64_t>(gf_tickCounter()) - first.dueTick + weekTicks);
        ac.towed = since < lf_towedWithinTicks(head.aircraftInfo.category);
        ac.arrivedByLanding = false;
      }
      first.dueTick = gf_tickCounter() + 1;
    }
    ac.extensionLeft = 0;
    lf_openWindow(ac);
  }
  if (lf_learnsRealUse(head)) {
    const WeekTime now = currentWeekTime.load();
    if (lt_addStandOption(head.standNumber, ac, now, true)) lf_recordStandUse(ac, now.slot);
  }
  gf_releaseLiveStand(head);
}

void learnStandOnDeparture(LiveAircraft& ac, bool departing) {
  const AircraftData& head = ac.aircraft;
  if (!LEARN_SOFT.get() || !staticParking.softLearningAllowed || currentParkAirport.code.empty() ||
      head.standNumber != 0 || !(departing || ac.agl < 2500.0))
    return;
  if (gf_distanceNm(lf_at(ac), {currentParkAirport.lat, currentParkAirport.lon}) > parkAirportReachNm) return;
  const WeekTime v = gf_weekTime();
  if (updateSeenStandUse(ac, v, departing)) return;
  if (!gf_standUseDue(v, static_cast<std::int32_t>(head.aircraftInfo.hexid), false)) return;
  for (const auto& stand : standList)
    for (const auto& option : stand.options)
      if (gf_matchOptionByRegAndSlot(v, head.aircraftInfo.registration, option)) return;
  const auto stand = gf_chooseStandByFit(v, ac, true);
  if (stand != standList.end() && !lt_addStandOption(stand->number, ac, false, v, !departing)) lf_forgetStandUse(ac);
}

bool updateSeenStandUse(LiveAircraft& ac, WeekTime now, bool departing) {
  const std::uint32_t hexid = ac.aircraft.aircraftInfo.hexid;
  for (const auto& stand : standList) {
    const auto seen = stand.softStays.find(hexid);
    if (seen == stand.softStays.end() || seen->second.lastMark == now) continue;
    if (stand.number < 1) return false;
    if (!lt_addStandOption(stand.number, ac, true, now, !departing)) return false;
    lf_recordStandUse(ac, now.slot);
    return true;
  }
  return false;
}

bool extendStream(LiveAircraft& ac) {
  if (ac.feedPoints.empty()) return false;
  if (ac.phase == FlightPhase::Parking) {
    arriveAtStand(ac);
  } else if (ac.phase == FlightPhase::PushedBack ||
             (ac.phase == FlightPhase::Taxi && !ac.takingOff && !ac.landingRoll)) {
    return lf_hold(ac);
  }
  const std::int32_t e = ac.extensionLeft;
  if (e < 0) return false;
  if (e == 1) {
    ac.extensionLeft = -1;
    return false;
  }
  if (e > 1) {
    predictPoint(ac, e - 1);
    return true;
  }
  if (!lf_categoryShown(ac.aircraft.aircraftInfo.category)) return false;
  const std::int32_t n = lf_predictionCount(ac);
  if (n == 0) return false;
  predictPoint(ac, n);
  return true;
}

void predictPoint(LiveAircraft& ac, std::int32_t n) {
  if (ac.feedPoints.empty()) return;
  ac.extensionLeft = n;
  FeedPoint p = ac.feedPoints.back();
  const bool parked = ac.phase == FlightPhase::Parked;
  const std::int32_t seconds = ac.onGround ? 3 : 8;
  const bool moves = !p.extraFlag && !parked && (!ac.onGround || ac.landingRoll || ac.takingOff);
  if (!moves) {
    p.extraFlag = true;
    p.groundSpeed = 0.0;
  } else if (!lf_validPosition(ac)) {
    // Nowhere to go from: the stream ends here.
    ac.extensionLeft = -1;
    return;
  } else {
    const double v = lf_predictedSpeed(ac, p, n);
    p.groundSpeed = v;
    if (v > 0.0) {
      const double feet = seconds * 100.0 * v * feetPerNm / 360000.0;
      const GeoPosition moved = gf_destinationPoint({p.latitude, p.longitude}, ac.heading, feet);
      p.extraFlag = std::fabs(moved.latitude - p.latitude) < 1e-8 && std::fabs(moved.longitude - p.longitude) < 1e-8;
      p.latitude = moved.latitude;
      p.longitude = moved.longitude;
      if (ac.onApproach && ac.flareStage == 0) {
        p.verticalSpeed = -667.0;
        p.altitude -= seconds * 10.005;
      } else if (ac.phase == FlightPhase::TakeOff) {
        p.verticalSpeed = 1500.0;
        p.altitude += seconds * 25.0;
      }
      p.airborne = p.altitude > 0.0;
      if (!p.airborne) p.altitude = 0.0;
    }
  }
  const std::int64_t due = static_cast<std::int64_t>(p.dueTick) + (parked ? weekTicks : seconds * 100);
  p.dueTick = static_cast<std::int32_t>(std::min<std::int64_t>(due, std::numeric_limits<std::int32_t>::max()));
  if (parked) {
    ac.standReportSeen = false;
    gf_releaseLiveStand(ac.aircraft);
  }
  ac.feedPoints.push_back(p);
}

void liveryRespawn(LiveAircraft& ac) {
  try {
    AircraftData& head = ac.aircraft;
    auto& points = ac.feedPoints;
    FeedPoint f = points.at(0);
    if (ac.phase == FlightPhase::Parked) {
      points.resize(1);
      points.front().extraFlag = true;
      f.extraFlag = true;
      points.front().track = ac.heading * radToDeg;
    } else {
      f.latitude = ac.lat;
      f.longitude = ac.lon;
      f.roll = ac.bank;
      f.altitude = ac.altitude;
      const FeedPoint& first = points.front();
      points.front().extraFlag =
          std::fabs(first.latitude - ac.lat) < 1e-8 && std::fabs(first.longitude - ac.lon) < 1e-8;
    }
    f.dueTick = gf_tickCounter() + 1;
    points.push_front(f);
    head.state = LiveState::LiveryRespawn;
    ac.respawnHeading = ac.heading;
    if (head.objectId != 0)
      traffic.removeBacklog.push_back(head.objectId);
    else
      gf_logWarning(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", gf_acLogText(ac)));
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "liveryRespawn", e.what()));
  }
}
