#include "traffic/spawning.h"

#include "airports/stands.h"
#include "core/errors.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/settings/parameters.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/shell/week_clock.h"
#include "simlink/user_state.h"
#include "traffic/live_limit.h"
#include "traffic/livery_calls.h"
#include "traffic/motion/conflicts.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/motion/stand_assignment.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/parking/learned_options.h"
#include "traffic/parking/max_park.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <numbers>

namespace {

constexpr double feetPerNm = 6076.11549;
constexpr double groundPitch = 0.010471975511965976; // 0.6 degrees
constexpr std::size_t uncreatableTitleLimit = 20;

bool lf_endsWithUnderscore(const std::string& text) { return !text.empty() && text.back() == '_'; }

// An angle brought into [-pi, pi] by one turn.
double lf_signedAngle(double radians) {
  if (radians > std::numbers::pi) return radians - twoPi;
  if (radians < -std::numbers::pi) return radians + twoPi;
  return radians;
}

double lf_userDistanceNm(const FeedPoint& point) {
  const UserAcData& user = traffic.userAcState;
  return gf_distanceNm({user.latitude, user.longitude}, {point.latitude, point.longitude});
}

bool lf_hold(LiveAircraft& ac) {
  ac.userProximityHold = true;
  ac.feedPoints.pop_front();
  return true;
}

bool lf_dropFirst(LiveAircraft& ac) {
  ac.feedPoints.pop_front();
  return true;
}

// Whether the aircraft's path or position comes close to the flying user aircraft.
bool lf_closeToFlyingUser(const FeedPoint& first, double distanceNm) {
  const UserAcData& user = traffic.userAcState;
  const GeoPosition userPosition{user.latitude, user.longitude};
  const GeoPosition position{first.latitude, first.longitude};
  if (first.airborne) {
    if (distanceNm > 6.0 || std::fabs(first.altitude - user.altitude) >= 3000.0) return false;
    // How far the aircraft's track passes from the user: the reported track, since a new
    // aircraft has no heading of its own yet.
    const double a = lf_signedAngle(first.track * degToRad - gf_initialBearing(userPosition, position)) * radToDeg;
    const double h = std::fabs(std::fabs(a) - 90.0);
    return 4000.0 >= std::cos(h * degToRad) * distanceNm * feetPerNm;
  }
  if (distanceNm > 1.5 || user.altitudeAboveGround >= 1000.0) return false;
  const double a = lf_signedAngle(gf_initialBearing(userPosition, position) - user.heading);
  return 500.0 >= std::sin(std::fabs(a)) * distanceNm * feetPerNm;
}

bool lf_holdForUserOnGround(LiveAircraft& ac, const FeedPoint& first, double distanceNm) {
  if (ac.userProximityHold) {
    if (traffic.userAcState.groundSpeed > 8.0) return lf_dropFirst(ac);
    if (!first.airborne && (first.groundSpeed > 8.0 || distanceNm * metresPerNm < 500.0)) return lf_dropFirst(ac);
  }
  if (first.airborne || !COLLISION_USER_GND.get()) return false;
  if (distanceNm < 150.0 / metresPerNm) return lf_dropFirst(ac);
  return false;
}

void lf_takeRegistrationData(AircraftInfoData& info) {
  if (info.registration.empty()) return;
  const auto record = gf_lookupRegistration(info.registration);
  if (!record) return;
  info.airline = record->opr.empty() ? record->airl : record->opr;
  info.type = record->type;
  info.cargo = record->cargo;
  if (!gf_hasValidCallsign(info)) info.callsign = info.registration;
}

void lf_recordStandUse(std::uint32_t hexid, std::int32_t halfHour) {
  const auto id = static_cast<std::int32_t>(hexid);
  for (auto& use : traffic.standUseList)
    if (use.hexid == id) {
      use.halfHour = halfHour;
      return;
    }
  traffic.standUseList.push_back({id, halfHour});
}

void lf_parkOnStand(LiveAircraft& ac, const StandData& stand) {
  AircraftData& head = ac.aircraft;
  head.standLat = stand.lat;
  head.standLon = stand.lon;
  head.standHeading = stand.heading;
  head.standNumber = stand.number;
  head.cargoStand = stand.cargo;
  gf_markStandTakenByLive(stand.number);
  gf_changePhase(ac, FlightPhase::Parked);
  ac.parkedSinceTime = gf_trafficNow();
  ac.standMovesAway = 0;
  ac.standLastDistance = 0.0;
  fixStandCargo(ac);
  ac.feedPoints.resize(1);
  FeedPoint& first = ac.feedPoints.front();
  first.latitude = stand.lat;
  first.longitude = stand.lon;
  first.track = stand.heading * radToDeg;
  const WeekTime now = currentWeekTime.load();
  if (lt_addStandOption(stand.number, ac, now, false)) lf_recordStandUse(head.aircraftInfo.hexid, now.slot);
  gf_checkMaxPark(1);
}

// Livery and phase of a first spawn; false when the aircraft is not to be created.
bool lf_chooseLiveryAndPhase(LiveAircraft& ac) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  if (info.liveryTitle.empty()) {
    if (const auto title = gf_titleForHexid(info.hexid)) {
      info.liveryTitle = *title;
      info.fsltlLivery = title->find("FSLTL_") != std::string_view::npos;
    } else {
      gf_matchLiveLivery(info);
      if (info.liveryTitle.empty()) {
        if (!info.registration.empty()) gf_addToNoMatchSet(gf_airlineTypeRegText(info));
        ac.aircraft.eraseNow = true;
        return false;
      }
      traffic.hexidTitleMap[info.hexid] = std::string(info.liveryTitle);
    }
  }
  if (ac.feedPoints.front().airborne) {
    gf_changePhase(ac, FlightPhase::Flying);
  } else if (const auto stand = standForSpawn(ac)) {
    lf_parkOnStand(ac, *stand);
  } else {
    gf_changePhase(ac, FlightPhase::Taxi);
  }
  return !ac.aircraft.eraseNow;
}

double lf_initialPitch(const FeedPoint& first) {
  if (!first.airborne) return groundPitch;
  const double v = first.verticalSpeed;
  const double x = v < 0 ? std::max(v, -3000.0) * 0.5 : std::min(v, 2400.0);
  return -(3.0 + x / 600.0 * 2.2) * degToRad;
}

double lf_initialHeading(const LiveAircraft& ac) {
  const FeedPoint& first = ac.feedPoints[0];
  double heading;
  if (ac.respawnHeading)
    heading = *ac.respawnHeading;
  else if (ac.phase == FlightPhase::Parked)
    heading = ac.aircraft.standHeading;
  else if (ac.feedPoints.size() < 2 || ac.feedPoints[1].extraFlag)
    heading = first.track * degToRad;
  else
    heading =
        gf_initialBearing({first.latitude, first.longitude}, {ac.feedPoints[1].latitude, ac.feedPoints[1].longitude});
  heading = std::fmod(heading, twoPi);
  return heading < 0 ? heading + twoPi : heading;
}

} // namespace

bool lf_holdForUserProximity(LiveAircraft& ac) {
  const FeedPoint& first = ac.feedPoints.front();
  const double d = lf_userDistanceNm(first);
  if (userOnGround.load()) return lf_holdForUserOnGround(ac, first, d);
  if (!COLLISION_USER_AIR.get()) return false;
  if (lf_closeToFlyingUser(first, d)) return lf_hold(ac);
  // Held only while the aircraft is close: the hold ends when the geometry lets it go.
  ac.userProximityHold = false;
  return false;
}

void lf_bufferStep(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  AircraftInfoData& info = head.aircraftInfo;
  if (ac.feedPoints.empty()) {
    head.eraseNow = true;
    return;
  }
  const FeedPoint& first = ac.feedPoints.front();
  const std::int64_t lead = (first.airborne || first.groundSpeed == 0.0) ? 100 : 300;
  if (static_cast<std::int64_t>(gf_tickCounter()) < static_cast<std::int64_t>(first.dueTick) - lead) return;
  // An aircraft is never created from a single report.
  if (ac.feedPoints.size() == 1) {
    head.eraseNow = true;
    return;
  }
  if (lf_endsWithUnderscore(info.callsign) &&
      std::find(traffic.ghostList.begin(), traffic.ghostList.end(), info.callsign) != traffic.ghostList.end()) {
    head.eraseNow = true;
    return;
  }
  const bool anyAirborne = std::any_of(ac.feedPoints.begin(), ac.feedPoints.end(), [](auto& p) { return p.airborne; });
  const bool anyOnGround = std::any_of(ac.feedPoints.begin(), ac.feedPoints.end(), [](auto& p) { return !p.airborne; });
  if (anyAirborne && anyOnGround) {
    ac.feedPoints.pop_front();
    return;
  }
  if (lf_holdForUserProximity(ac)) return;
  if (traffic.liveCreateBacklog.size() >= 11 && ac.phase == FlightPhase::Birth) {
    ac.feedPoints.pop_front();
    return;
  }
  const std::int32_t limit = MAX_LIVE_SEL.get();
  if (limit == 0) {
    head.eraseNow = true;
    return;
  }
  if (gf_liveInSimCount() >= limit && lf_removeFarthestLive(lf_userDistanceNm(ac.feedPoints.front()))) {
    head.eraseNow = true;
    return;
  }
  if (const auto blocked = BLOCK_CALLSIGN.get(); !blocked.empty() && blocked == info.callsign) {
    head.eraseNow = true;
    return;
  }
  lf_takeRegistrationData(info);
  if (info.airline.empty() && !gf_setOperatorFromCallsign(info)) info.airline = "PVT";
  if (!gf_hasValidCallsign(info) || gf_inNoMatchSet(gf_airlineTypeRegText(info)) ||
      (lf_endsWithUnderscore(info.callsign) && lf_hasPlainTwin(info.callsign))) {
    head.eraseNow = true;
    return;
  }
  spawnLiveAc(ac);
}

void spawnLiveAc(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  AircraftInfoData& info = head.aircraftInfo;
  if (ac.feedPoints.size() < 2) {
    gf_logWarning(fmt::format("{} sz:{}", "spawnLiveAc", ac.feedPoints.size()));
    return;
  }
  FeedPoint& second = ac.feedPoints[1];
  if (second.extraFlag) {
    ac.feedPoints[0].extraFlag = true;
    ac.feedPoints[0].groundSpeed = 0.0;
    second.groundSpeed = 0.0;
    if (ac.feedPoints.size() >= 3 && ac.feedPoints[2].extraFlag) ac.feedPoints[2].groundSpeed = 0.0;
  } else {
    ac.feedPoints[0].extraFlag = false;
  }
  if (ac.phase == FlightPhase::Birth && !lf_chooseLiveryAndPhase(ac)) return;
  if (head.eraseNow) return;
  traffic.twinCheckQueue.push_back(info.hexid);

  const FeedPoint& first = ac.feedPoints.front();
  ac.lat = first.latitude;
  ac.lon = first.longitude;
  ac.altitude = first.altitude;
  ac.verticalSpeed = first.verticalSpeed / 60.0;
  ac.trueAirspeed = first.trueAirspeed;
  ac.pitch = lf_initialPitch(first);
  ac.bank = first.roll.value_or(0.0);
  ac.heading = lf_initialHeading(ac);
  if (first.airborne) ac.headingRate = 0.0;
  ac.userProximityHold = false;

  head.state = LiveState::Adding2Sim;
  gf_noteLiveCountChange(+1);
  traffic.pendingHexids.push_back(info.hexid);
  if (!lf_endsWithUnderscore(info.callsign)) lf_removeGhost(info.callsign);
}

std::optional<std::string_view> gf_titleForHexid(std::uint32_t hexid) {
  const auto entry = traffic.hexidTitleMap.find(hexid);
  if (entry == traffic.hexidTitleMap.end()) return std::nullopt;
  const std::string_view installed =
      traffic.uncreatableTitles.contains(entry->second) ? std::string_view{} : gf_installedTitle(entry->second);
  if (installed.empty()) {
    traffic.hexidTitleMap.erase(entry);
    return std::nullopt;
  }
  return installed;
}

void gf_reportCreateFailure(const AircraftData& ac) {
  if (gf_stopOrClosed()) return;
  const AircraftInfoData& info = ac.aircraftInfo;
  gf_showMessage(fmt::format("{} '{}' could not be created by your Sim!", info.callsign, info.liveryTitle), true);
  // Counted once per title, however often the simulator refuses it.
  if (!info.liveryTitle.empty()) traffic.uncreatableTitles.emplace(info.liveryTitle);
  traffic.uncreatableModels.insert(fmt::format("{} {}", info.type, info.airline));
  if (traffic.uncreatableTitles.size() >= uncreatableTitleLimit) {
    const std::string message = fmt::format("There are too many liveries that could not be created by {}!", "P3D");
    gf_log(fmt::format("\n{}Error 81, {}\n", "===> ", message));
    throw hvm::UserErrorException(81, fmt::format("{}, see Log.txt", message));
  }
}
