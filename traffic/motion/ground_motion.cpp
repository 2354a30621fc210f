#include "traffic/motion/ground_motion.h"

#include "airports/stands.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/requests.h"
#include "feeds/adding_stack.h"
#include "simlink/command_queues.h"
#include "traffic/aircraft_controls.h"
#include "traffic/motion/position_stream.h"
#include "traffic/motion/stand_assignment.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/parking/static_placement.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fmt/format.h>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace {

constexpr double feetPerNm = 6076.11549;
constexpr double metresPerDegree = 111132.95;
constexpr double nmPerMetre = 0.0005399568034557236;
constexpr double samePlaceDeg = 1e-8;
constexpr double cornerSplitNm = 0.02699784017278618; // 50 m
constexpr double stopReachNm = 0.018898488120950324;  // 35 m
constexpr double curveSpeedMargin = 1.4;

// A value a ground step cannot work with: the aircraft is taken out at once, so the same
// point is not tried again on every tick.
class UnusableValue : public std::range_error {
public:
  using std::range_error::range_error;
};

GeoPosition lf_at(const FeedPoint& p) { return {p.latitude, p.longitude}; }
GeoPosition lf_at(const LiveAircraft& ac) { return {ac.lat, ac.lon}; }

bool lf_samePlace(double latA, double lonA, double latB, double lonB) {
  return std::fabs(latA - latB) < samePlaceDeg && std::fabs(lonA - lonB) < samePlaceDeg;
}

std::int32_t lf_checkedTicks(double ticks) {
  if (!std::isfinite(ticks)) throw UnusableValue("travel time is not a number");
  const double rounded = std::round(ticks);
  if (rounded > std::numeric_limits<std::int32_t>::max() || rounded < std::numeric_limits<std::int32_t>::min())
    throw UnusableValue("travel time does not fit");
  return static_cast<std::int32_t>(rounded);
}

// Ticks a leg of `nm` takes at `kt`.
std::int32_t lf_legTicks(double nm, double kt) {
  if (!(kt > 0.0)) throw UnusableValue("no speed for the leg");
  return lf_checkedTicks(nm * 360000.0 / kt);
}

void lf_checkPoint(const FeedPoint& p) {
  if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || !std::isfinite(p.groundSpeed) ||
      std::fabs(p.latitude) > 90.0 || std::fabs(p.longitude) > 180.0)
    throw UnusableValue("point outside the earth");
}

void lf_giveUp(LiveAircraft& ac, std::string_view where, const std::exception& e) {
  gf_logWarning(fmt::format("{}: {} {}, sz:{}, fs:{}", where, e.what(), gf_acLogText(ac), ac.feedPoints.size(),
                            gf_phaseName(ac.phase)));
  removeAircraftFromSim(ac.aircraft);
}

double lf_normalised(double radians) {
  double r = std::fmod(radians, twoPi);
  return r < 0.0 ? r + twoPi : r;
}

// Degrees between two headings in radians, 0..180.
double lf_headingDifferenceDeg(double a, double b) {
  double d = std::fabs(std::fmod(a - b, twoPi)) * radToDeg;
  return d > 180.0 ? 360.0 - d : d;
}

std::int32_t lf_ticksOr25(std::int32_t ticks) { return ticks < 26 ? 25 : ticks; }

void lf_openWindow(LiveAircraft& ac) {
  ac.maxLateTicks = ac.takingOff ? 5000 : 3000;
  ac.maxEarlyTicks = 3000;
}

// The next point's due tick from a travel time, held to the re-timing window unless the
// stream is predicted.
void lf_retime(LiveAircraft& ac, std::int32_t ticks) {
  FeedPoint& second = ac.feedPoints[1];
  const std::int64_t now = gf_tickCounter();
  std::int64_t candidate = now + ticks;
  if (ac.extensionLeft <= 0)
    candidate = std::clamp(candidate, static_cast<std::int64_t>(second.dueTick) - ac.maxEarlyTicks,
                           static_cast<std::int64_t>(second.dueTick) + ac.maxLateTicks);
  candidate = std::max(candidate, now);
  if (candidate > std::numeric_limits<std::int32_t>::max()) throw UnusableValue("due tick does not fit");
  second.dueTick = static_cast<std::int32_t>(candidate);
}

FeedPoint lf_groundPoint(GeoPosition at, double speedKt, std::int32_t dueTick) {
  FeedPoint p;
  p.latitude = at.latitude;
  p.longitude = at.longitude;
  p.groundSpeed = speedKt;
  p.dueTick = dueTick;
  return p;
}

std::int32_t lf_dueIn(std::int32_t ticks) {
  const std::int64_t due = static_cast<std::int64_t>(gf_tickCounter()) + ticks;
  if (due > std::numeric_limits<std::int32_t>::max()) throw UnusableValue("due tick does not fit");
  return static_cast<std::int32_t>(due);
}

void lf_throttleIdle(AircraftData& head) {
  if (head.leverStep == 0) return;
  gf_queueClientEvent({head.objectId, SimEventId::THROTTLE_SET, 0});
  head.leverStep = 0;
}

// Engines started, idle, flaps for taxi: the aircraft is ready to move on its own.
void lf_readyToTaxi(AircraftData& head) {
  gf_queueClientEvent({head.objectId, SimEventId::ENGINE_AUTO_START, 0});
  lf_throttleIdle(head);
  gf_setFlaps(head, 1);
}

void lf_shapeTaxiLeg(LiveAircraft& ac) {
  auto& points = ac.feedPoints;
  const FeedPoint& first = points[0];
  const FeedPoint& second = points[1];
  if (points.size() >= 3) {
    if (points[2].extraFlag) {
      midpointOnSpeedChange(ac);
    } else {
      const double d = std::fabs(headingChangeAfterNext(ac)) * radToDeg;
      const std::int64_t reported =
          std::max<std::int64_t>(static_cast<std::int64_t>(second.dueTick) - first.dueTick, 25);
      if (d <= 3.0) {
        midpointOnSpeedChange(ac);
      } else if (d > 45.0 && gf_distanceNm(lf_at(first), lf_at(second)) > cornerSplitNm && first.groundSpeed <= 43.0 &&
                 reported > 599) {
        // The long slow leg before a sharp corner is split; the corner is curved from the
        // midpoint.
        insertMidpoint(ac);
      } else if (d <= 160.0 &&
                 !lf_samePlace(points[2].latitude, points[2].longitude, first.latitude, first.longitude)) {
        buildCurve(ac);
        ac.curveTurn = d;
      } else {
        midpointOnSpeedChange(ac);
      }
    }
  } else if (ac.extensionLeft <= 0) {
    midpointOnSpeedChange(ac);
  }
  if (!ac.curve.inUse()) {
    ac.groundTurn = lf_headingDifferenceDeg(ac.groundTargetHeading, ac.heading);
    ac.groundTurnPending = ac.groundTurn > 3.0;
  } else {
    ac.groundTurnPending = false;
  }
}

bool lf_looksForStand(const LiveAircraft& ac) {
  if (!ac.feedPoints.back().extraFlag || ac.phase != FlightPhase::Taxi || !parkAirportLoaded.load()) return false;
  // An aircraft that has just left its stand stops on its way out; only a towed one parks.
  const FlightPhase before = ac.previousPhase;
  return ac.towed ||
         (before != FlightPhase::Parked && before != FlightPhase::PushingBack && before != FlightPhase::PushedBack);
}

void lf_lookForStand(LiveAircraft& ac) {
  if (!lf_looksForStand(ac)) return;
  if (ac.extensionLeft > 0) {
    // The reports have stopped: an aircraft that landed may have stopped a little short. A
    // wait shorter than the feed's delay may only be a gap between two reports.
    if (!ac.holding || static_cast<std::int64_t>(gf_tickCounter()) - ac.holdStartTick >= reportDelayTicks)
      try2Park(ac, ac.arrivedByLanding);
    return;
  }
  if (ac.feedPoints[1].groundSpeed <= 5.0 && gf_distanceNm(lf_at(ac), lf_at(ac.feedPoints.back())) <= stopReachNm)
    try2Park(ac, false);
}

// Nautical miles per unit of the curve's parameter where it runs fastest: twice its longer
// side, at its start or its end.
double lf_curveFastestNm(const CurveSegment& c) {
  const double first = std::hypot(c.controlNorth, c.controlEast);
  const double second = std::hypot(c.endNorth - c.controlNorth, c.endEast - c.controlEast);
  return 2.0 * std::max(first, second) * nmPerMetre;
}

void lf_retimeGroundLeg(LiveAircraft& ac) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  const FeedPoint& first = ac.feedPoints[0];
  const FeedPoint& second = ac.feedPoints[1];
  if (second.extraFlag) {
    const std::int64_t dt = static_cast<std::int64_t>(second.dueTick) - first.dueTick;
    const std::int64_t c = first.dueTick + (dt < 26 ? 25 : dt) - gf_tickCounter();
    lf_retime(ac, c < 26 ? 25 : lf_checkedTicks(static_cast<double>(c)));
    return;
  }
  info.currentTurnRate = info.turnRate;
  const double d = gf_distanceNm(lf_at(first), lf_at(second));
  const double speed = legSpeed(ac);
  std::int32_t ticks = lf_ticksOr25(lf_legTicks(d, speed));
  // A curve runs fastest at its longer side: it takes long enough that it never moves much
  // faster than the speed it turns at, the slower of the leg's two.
  if (ac.curve.inUse()) {
    const double slower = std::min(first.groundSpeed, second.groundSpeed);
    const double turnSpeed = slower > 0.0 ? slower : speed;
    ticks = std::max(ticks, lf_legTicks(lf_curveFastestNm(ac.curve) / curveSpeedMargin, turnSpeed));
  }
  if (!ac.curve.inUse() && !ac.groundTurnPending) {
    lf_retime(ac, ticks);
    return;
  }
  const double h = ac.groundTurnPending ? ac.groundTurn : ac.curveTurn;
  if (!(info.currentTurnRate > 0.0)) throw UnusableValue("no turn rate");
  // The turn rate is held per tick in radians and h in degrees; the rate for the leg comes
  // from the two as they are.
  const std::int32_t m = std::max(lf_checkedTicks(h / info.currentTurnRate / 100.0), 1);
  if (h > 0.0 && d > 0.0) {
    double r = static_cast<double>(ticks) / m;
    if (h > 45.0) {
      info.currentTurnRate *= std::min(r, std::min(h, 90.0) / 30.0);
      if (h >= 90.0) {
        ac.maxEarlyTicks = std::max(ac.maxEarlyTicks, 2000);
        ac.maxLateTicks = std::max(ac.maxLateTicks, 2000);
      }
    } else {
      if (r >= 1.2) r = std::min({r, r * 10.0 / h, r * 30.0 * nmPerMetre / d});
      if (r > 0.0) info.currentTurnRate /= r;
    }
  }
  lf_retime(ac, ticks);
}

void lf_nextPosGround(LiveAircraft& ac) {
  for (const auto& p : ac.feedPoints) lf_checkPoint(p);
  if (ac.phase == FlightPhase::PushingBack) {
    pushbackStep(ac);
  } else if (ac.phase == FlightPhase::Parked) {
    lf_openWindow(ac);
    if (ac.leavingStand) {
      const AircraftData& head = ac.aircraft;
      const double bearing =
          gf_initialBearing({head.standLat, head.standLon}, lf_at(ac.feedPoints.back())) - head.standHeading;
      double b = std::fmod(bearing * radToDeg, 360.0);
      if (b > 180.0) b -= 360.0;
      if (b < -180.0) b += 360.0;
      if (std::fabs(std::round(b)) < 90.0)
        pullOut(ac);
      else
        startPushback(ac);
    }
  } else {
    if (!ac.feedPoints[1].extraFlag) lf_shapeTaxiLeg(ac);
    lf_lookForStand(ac);
  }
  if (ac.aircraft.state == LiveState::Active && ac.feedPoints.size() >= 2) lf_retimeGroundLeg(ac);
}

} // namespace

void nextPosGround(LiveAircraft& ac) {
  if (ac.feedPoints.size() < 2) {
    gf_logWarning(fmt::format("{} sz:{} {}", "nextPosGround", ac.feedPoints.size(), gf_acLogText(ac)));
    return;
  }
  try {
    lf_nextPosGround(ac);
  } catch (const UnusableValue& e) {
    lf_giveUp(ac, "nextPosGround", e);
  }
}

void retimeGroundLeg(LiveAircraft& ac) {
  if (ac.feedPoints.size() < 2) return;
  try {
    lf_retimeGroundLeg(ac);
  } catch (const UnusableValue& e) {
    lf_giveUp(ac, "retimeGroundLeg", e);
  }
}

void buildCurve(LiveAircraft& ac) {
  auto& points = ac.feedPoints;
  if (points.size() < 3) return;
  const FeedPoint& first = points[0];
  const FeedPoint& corner = points[1];
  FeedPoint& end = points[2];
  if (end.groundSpeed == 0.0) end.groundSpeed = (first.groundSpeed + corner.groundSpeed) / 2.0;
  CurveSegment& c = ac.curve;
  c.originLat = ac.lat;
  c.originLon = ac.lon;
  c.startParam = 0.0;
  c.endParam = 1.0;
  const double eastScale = std::cos(c.originLat * degToRad) * metresPerDegree;
  c.endNorth = (end.latitude - c.originLat) * metresPerDegree;
  c.endEast = eastScale * (end.longitude - c.originLon);
  if (std::isfinite(corner.latitude) && std::isfinite(corner.longitude)) {
    c.controlNorth = (corner.latitude - c.originLat) * metresPerDegree;
    c.controlEast = eastScale * (corner.longitude - c.originLon);
  } else {
    c.controlNorth = c.controlEast = std::numeric_limits<double>::quiet_NaN();
  }
  points.erase(points.begin() + 1);
}

void insertMidpoint(LiveAircraft& ac) {
  auto& points = ac.feedPoints;
  if (points.size() < 2) return;
  const FeedPoint& first = points[0];
  const FeedPoint& second = points[1];
  FeedPoint mid = first;
  mid.latitude = (first.latitude + second.latitude) / 2.0;
  mid.longitude = (first.longitude + second.longitude) / 2.0;
  mid.groundSpeed = (first.groundSpeed + second.groundSpeed) / 2.0;
  mid.altitude = (first.altitude + second.altitude) / 2.0;
  mid.dueTick = static_cast<std::int32_t>(
      std::llround((static_cast<double>(first.dueTick) + static_cast<double>(second.dueTick)) / 2.0));
  mid.airborne = mid.altitude > 0.0;
  if (!mid.airborne) mid.altitude = 0.0;
  mid.extraFlag = false;
  points.insert(points.begin() + 1, mid);
}

void midpointOnSpeedChange(LiveAircraft& ac) {
  if (ac.feedPoints.size() < 2) return;
  const FeedPoint& first = ac.feedPoints[0];
  const FeedPoint& second = ac.feedPoints[1];
  if ((first.groundSpeed > 0.0 || second.groundSpeed > 0.0) &&
      std::fabs(first.groundSpeed - second.groundSpeed) > 5.0 &&
      gf_distanceNm(lf_at(first), lf_at(second)) * metresPerNm >= 100.0)
    insertMidpoint(ac);
}

void startPushback(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  const AircraftInfoData& info = head.aircraftInfo;
  ac.extensionLeft = 0;
  const double back = lf_normalised(head.standHeading + std::numbers::pi);
  const StandData* stand = gf_standByNumber(head.standNumber);
  if (!stand) return;
  try {
    const double speed = info.standSpeedKt;
    const GeoPosition p = gf_destinationPoint(lf_at(ac), back, 2.5 * stand->radius * feetPerNm);
    lf_checkPoint(lf_groundPoint(p, speed, 0));
    const std::int32_t t1 = lf_legTicks(gf_distanceNm(lf_at(ac), p), speed);
    auto& points = ac.feedPoints;
    points.front().groundSpeed = speed;
    ac.groundTargetHeading = ac.heading;
    points.resize(1);
    points.push_back(lf_groundPoint(p, speed, lf_dueIn(t1)));
    insertMidpoint(ac);
    const double side = info.halfSpanNm * feetPerNm;
    const GeoPosition left = gf_destinationPoint(p, back + std::numbers::pi / 2.0, side);
    const GeoPosition right = gf_destinationPoint(p, back - std::numbers::pi / 2.0, side);
    const std::int32_t t2 = lf_legTicks(gf_distanceNm(lf_at(points[1]), left), speed);
    const std::int32_t sideDue = lf_dueIn(t1 / 2 + t2);
    ac.pushbackSidePoint = lf_groundPoint(left, speed, sideDue);
    points.push_back(lf_groundPoint(right, speed, sideDue));
  } catch (const UnusableValue& e) {
    lf_giveUp(ac, "startPushback", e);
    return;
  }
  gf_queueLights(head.objectId, {1, 1, 0, 1, 0, 1, 0});
  gf_changePhase(ac, FlightPhase::PushingBack);
  ac.pushbackLegs = 2;
}

void pushbackStep(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  const std::int32_t n = --ac.pushbackLegs;
  if (n == 1) {
    if (ac.pushbackTurn) {
      if (ac.pushbackOtherSide && !ac.feedPoints.empty()) ac.feedPoints.back() = ac.pushbackSidePoint;
      buildCurve(ac);
      ac.groundTurnPending = false;
      const double rate = head.aircraftInfo.currentTurnRate;
      const double quarterTicks = rate > 0.0 ? std::round(90.0 / rate / 100.0) : 0.0;
      ac.curveParamStep = quarterTicks >= 1.0 ? 1.0 / quarterTicks : 1.0;
      ac.curveTurn = 90.0;
    } else if (ac.feedPoints.size() > 2) {
      ac.feedPoints.pop_back();
    }
  } else if (n < 1) {
    ac.groundTargetHeading = ac.heading;
    lf_readyToTaxi(head);
    gf_changePhase(ac, FlightPhase::PushedBack);
    ac.pushbackLegs = 1;
    ac.pushedBackDistance = 900.0;
    ac.extensionLeft = 0;
    ac.leavingStand = false;
  }
}

void pullOut(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  const double speed = head.aircraftInfo.standSpeedKt;
  ac.leavingStand = false;
  ac.extensionLeft = 0;
  try {
    const GeoPosition p = gf_destinationPoint({head.standLat, head.standLon}, head.standHeading,
                                              2.0 * head.aircraftInfo.halfSpanNm * feetPerNm);
    lf_checkPoint(lf_groundPoint(p, speed, 0));
    const std::int32_t due = lf_dueIn(lf_legTicks(gf_distanceNm(lf_at(ac), p), speed));
    ac.feedPoints.front().groundSpeed = speed;
    ac.feedPoints.resize(1);
    ac.feedPoints.push_back(lf_groundPoint(p, speed, due));
  } catch (const UnusableValue& e) {
    lf_giveUp(ac, "pullOut", e);
    return;
  }
  gf_changePhase(ac, FlightPhase::Taxi);
  ac.groundTargetHeading = ac.heading;
  gf_queueLights(head.objectId, {1, 1, 0, 1, 0, 1, 0});
  lf_readyToTaxi(head);
  if (LOG.get())
    gf_log(fmt::format("{:8}: {:8} pulling out", gf_standName(head.standNumber), head.aircraftInfo.callsign));
}

void drive2Stand(LiveAircraft& ac, const StandPosition& s) {
  auto& points = ac.feedPoints;
  if (points.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "drive2Stand"));
    return;
  }
  const double speed = ac.aircraft.aircraftInfo.standSpeedKt;
  FeedPoint& last = points.back();
  const bool atStand = lf_samePlace(last.latitude, last.longitude, s.lat, s.lon);
  std::int32_t t = 0;
  std::int32_t firstDue = points.front().dueTick;
  try {
    t = std::max(lf_legTicks(gf_distanceNm(lf_at(last), {s.lat, s.lon}), speed), 100);
    if (static_cast<std::int64_t>(firstDue) + t + 50 > std::numeric_limits<std::int32_t>::max())
      throw UnusableValue("due tick does not fit");
  } catch (const UnusableValue& e) {
    lf_giveUp(ac, "drive2Stand", e);
    return;
  }
  last.groundSpeed = speed;
  FeedPoint standPoint;
  standPoint.latitude = s.lat;
  standPoint.longitude = s.lon;
  standPoint.altitude = ac.altitude;
  standPoint.groundSpeed = speed;
  standPoint.track = s.heading * radToDeg;
  standPoint.trueAirspeed = speed;
  standPoint.dueTick = firstDue + t;
  standPoint.extraFlag = atStand;
  standPoint.hasAdsbHeading = points.front().hasAdsbHeading;
  standPoint.roll = ac.bank;
  FeedPoint stop = standPoint;
  stop.groundSpeed = 0.0;
  stop.trueAirspeed = 0.0;
  stop.extraFlag = true;
  stop.dueTick = firstDue + t + 50;
  points.push_back(standPoint);
  points.push_back(stop);
  ac.groundTargetHeading = s.heading;
  if (ac.extensionLeft > 0) {
    ac.extensionLeft = 0;
    lf_openWindow(ac);
  }
}
