#include "traffic/motion/position_stream.h"

#include "core/geodesy.h"
#include "core/log.h"
#include "simlink/command_queues.h"
#include "traffic/motion/air_motion.h"
#include "traffic/motion/ground_motion.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/removal.h"
#include "traffic/spawning.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fmt/format.h>
#include <gsl/narrow>
#include <numbers>
#include <stdexcept>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double metresPerDegree = 111132.95;
constexpr double stillTolerance = 1e-8; // degrees
constexpr double maxFlarePitch = -4.0 * degToRad;
constexpr double curveEnd = 0.999999;

bool lf_samePlace(const FeedPoint& a, const FeedPoint& b) {
  return std::fabs(a.latitude - b.latitude) < stillTolerance && std::fabs(a.longitude - b.longitude) < stillTolerance;
}

GeoPosition lf_at(const FeedPoint& p) { return {p.latitude, p.longitude}; }

double lf_wrapTwoPi(double angle) {
  double result = std::fmod(angle, twoPi);
  if (result < 0) result += twoPi;
  return result;
}

// The values an aircraft's position block may not lose; one that does is taken out.
bool lf_positionFinite(const LiveAircraft& ac) {
  return std::isfinite(ac.lat) && std::isfinite(ac.lon) && std::isfinite(ac.altitude) && std::isfinite(ac.pitch) &&
         std::isfinite(ac.bank) && std::isfinite(ac.heading) && std::isfinite(ac.verticalSpeed) &&
         std::isfinite(ac.trueAirspeed);
}

void lf_dropCurve(LiveAircraft& ac) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  ac.curve.startParam = nan;
  ac.curve.endParam = nan;
  ac.curve.controlEast = nan;
  ac.curve.controlNorth = nan;
}

void lf_normalisePosition(LiveAircraft& ac) {
  const auto wrapLon = [](double lon) {
    double shifted = std::fmod(lon + 180.0, 360.0);
    if (shifted < 0) shifted += 360.0;
    return shifted - 180.0;
  };
  ac.lon = wrapLon(ac.lon);
  if (ac.lat > 90.0 || ac.lat < -90.0) {
    ac.lat = ac.lat > 90.0 ? 180.0 - ac.lat : -180.0 - ac.lat;
    ac.lon = wrapLon(ac.lon + 180.0);
  }
}

void lf_verticalMotion(LiveAircraft& ac) {
  if (ac.phase == FlightPhase::TakeOff) {
    takeOffTick(ac);
    return;
  }
  if (ac.agl <= 400.0 && ac.onApproach && !ac.onGround) flareTick(ac);
  if (ac.derotating) {
    ac.pitch += ac.pitchRate;
    const double groundPitch = ac.aircraft.aircraftInfo.groundPitch;
    if (ac.pitch > groundPitch) {
      ac.pitch = groundPitch;
      ac.pitchRate = 0.0;
      ac.bank = 0.0;
      ac.bankRate = 0.0;
      ac.derotating = false;
      ac.flareStage = 0;
    }
    ac.bank += ac.bankRate;
    return;
  }
  if (ac.flareStage == 0) {
    if (ac.onGround) {
      // The simulator's ground data keep the altitude.
      ac.pitch = ac.aircraft.aircraftInfo.groundPitch;
      ac.bank = 0.0;
    } else {
      ac.bank += ac.bankRate;
      ac.pitch += ac.pitchRate;
      ac.altitude += ac.verticalStep;
    }
    return;
  }
  ac.bank = std::clamp(ac.bank + ac.bankRate, -pi, pi);
  ac.pitch = std::max(ac.pitch + ac.pitchRate, maxFlarePitch);
  ac.altitude += ac.verticalStep;
}

void lf_moveActive(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  if (ac.feedPoints.empty()) {
    gf_logWarning(fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}",
                              "updateLiveAc", gf_acLogText(ac), head.aircraftInfo.hexid, head.objectId, ac.altitude,
                              fmt::format("{:.6f},{:.6f}", ac.lat, ac.lon), ac.trueAirspeed));
    removeAircraftFromSim(head);
    return;
  }
  if (gf_tickCounter() >= ac.feedPoints.front().dueTick) {
    nextPosMain(ac);
    if (head.state != LiveState::Active || ac.feedPoints.empty()) return;
    ac.verticalSpeed = ac.reportedVs / 60.0;
    ac.trueAirspeed = ac.feedPoints.front().extraFlag ? 0.0 : ac.reportedTas;
  }
  if (!ac.feedPoints.front().extraFlag) moveOneTick(ac);
  if (!lf_positionFinite(ac)) {
    gf_logWarning(fmt::format("{} position lost: {}, lalo:{:.6f},{:.6f}, alt:{:.0f} ft", "updateLiveAc",
                              gf_acLogText(ac), ac.lat, ac.lon, ac.altitude));
    removeAircraftFromSim(head);
    return;
  }
  if (head.objectId == 0) {
    gf_logWarning(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc",
                              head.aircraftInfo.hexid, head.aircraftInfo.callsign, head.aircraftInfo.registration,
                              gf_airlineTypeText(head.aircraftInfo), ac.feedPoints.size()));
    removeAircraftFromSim(head);
    return;
  }
  simCommands.fillBuffer->push_back(
      {ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.altitude, ac.verticalSpeed, ac.trueAirspeed, head.objectId});
}

} // namespace

bool updateLiveAc(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  try {
    if (head.state == LiveState::Active)
      lf_moveActive(ac);
    else if (head.state == LiveState::Buffer)
      lf_bufferStep(ac);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "updateLiveAc", e.what(), gf_acLogText(ac),
                              ac.feedPoints.size(), gf_phaseName(ac.phase), gf_stateName(head.state)));
    // The point that could not be taken goes: taking it again on every tick would fail the
    // same way for good. With fewer than two points left the next tick extends the stream
    // or lets the aircraft go.
    if (head.state == LiveState::Active && ac.feedPoints.size() >= 2)
      ac.feedPoints.erase(ac.feedPoints.begin() + 1);
    else if (head.state == LiveState::Active)
      removeAircraftFromSim(head);
  }
  return head.eraseNow || head.creationCancelled;
}

void nextPosMain(LiveAircraft& ac) {
  try {
    const SizeCategory category = ac.aircraft.aircraftInfo.category;
    for (;;) {
      while (ac.feedPoints.size() < 2) {
        if (!extendStream(ac) || ac.feedPoints.size() < 2) {
          if (ac.phase != FlightPhase::Parked) learnStandOnDeparture(ac, ac.phase != FlightPhase::Flying);
          removeAircraftFromSim(ac.aircraft);
          return;
        }
      }
      // An aircraft in the air never stands still; a helicopter may hover.
      if (!ac.onGround && ac.feedPoints[1].extraFlag && category != SizeCategory::Rotorcraft) {
        ac.feedPoints.erase(ac.feedPoints.begin() + 1);
        continue;
      }
      break;
    }
    takeNextPoint(ac);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "nextPosMain", e.what(), gf_acLogText(ac),
                              ac.feedPoints.size(), gf_phaseName(ac.phase), gf_stateName(ac.aircraft.state)));
    throw;
  }
}

void takeNextPoint(LiveAircraft& ac) {
  lf_dropCurve(ac);
  ac.curveParam = 0.0;
  {
    const FeedPoint& first = ac.feedPoints[0];
    FeedPoint& second = ac.feedPoints[1];
    if (!second.extraFlag && lf_samePlace(first, second)) second.extraFlag = true;
    if (!second.extraFlag) ac.groundTargetHeading = gf_initialBearing(lf_at(first), lf_at(second));
  }
  if (ac.onGround)
    nextPosGround(ac);
  else
    retimeAirLeg(ac);
  if (ac.feedPoints.size() < 2) throw std::logic_error("stream cut below two points while taking a point");
  const FeedPoint& second = ac.feedPoints[1];
  if (second.extraFlag) {
    ac.latStep = 0.0;
    ac.lonStep = 0.0;
    if (!ac.landingRoll && !ac.takingOff) relaxWindow(ac);
  } else {
    const std::int32_t t = gf_ticksToNext(ac);
    ac.latStep = (second.latitude - ac.lat) / t;
    ac.lonStep = (second.longitude - ac.lon) / t;
    if (ac.onGround)
      groundStep(ac);
    else
      airStep(ac);
  }
  ac.feedPoints.pop_front();
}

void relaxWindow(LiveAircraft& ac) {
  if (ac.maxEarlyTicks > 1000) ac.maxEarlyTicks = std::max(ac.maxEarlyTicks - 100, 1000);
  if (ac.maxLateTicks > 1000) ac.maxLateTicks = std::max(ac.maxLateTicks - 100, 1000);
}

void retimeNextPoint(LiveAircraft& ac, std::int32_t ticks) {
  const std::int32_t now = gf_tickCounter();
  FeedPoint& second = ac.feedPoints.at(1);
  std::int64_t candidate = static_cast<std::int64_t>(now) + ticks;
  if (ac.extensionLeft <= 0)
    candidate = std::clamp<std::int64_t>(candidate, static_cast<std::int64_t>(second.dueTick) - ac.maxEarlyTicks,
                                         static_cast<std::int64_t>(second.dueTick) + ac.maxLateTicks);
  second.dueTick = gsl::narrow<std::int32_t>(std::max<std::int64_t>(candidate, now));
}

std::int32_t gf_legTicks(double distanceNm, double speedKt) {
  const double ticks = std::round(distanceNm * 360000.0 / speedKt);
  if (!(ticks >= std::numeric_limits<std::int32_t>::min() && ticks <= std::numeric_limits<std::int32_t>::max()))
    throw std::range_error(fmt::format("leg of {} nm at {} kt does not fit a tick count", distanceNm, speedKt));
  return static_cast<std::int32_t>(ticks);
}

std::int32_t gf_ticksToNext(const LiveAircraft& ac) {
  const std::int64_t t = static_cast<std::int64_t>(ac.feedPoints.at(1).dueTick) - gf_tickCounter();
  return t < 25 ? 25 : static_cast<std::int32_t>(t);
}

void retimeAirLeg(LiveAircraft& ac) {
  const FeedPoint& first = ac.feedPoints[0];
  const FeedPoint& second = ac.feedPoints[1];
  if (second.extraFlag) {
    if (ac.aircraft.aircraftInfo.category == SizeCategory::Rotorcraft) retimeGroundLeg(ac);
    return;
  }
  const double distance = gf_distanceNm(lf_at(first), lf_at(second));
  double speed = 0.0;
  if (!ac.onApproach || second.airborne)
    speed = legSpeed(ac);
  else
    speed = first.groundSpeed > 0 ? first.groundSpeed : 100.0;
  std::int32_t ticks = gf_legTicks(distance, speed);
  if (ticks < 26) ticks = 25;
  retimeNextPoint(ac, ticks);
}

double legSpeed(const LiveAircraft& ac) {
  const FeedPoint& first = ac.feedPoints.at(0);
  const FeedPoint& second = ac.feedPoints.at(1);
  if (first.groundSpeed == 0 && second.groundSpeed == 0) {
    const std::int64_t gap = static_cast<std::int64_t>(second.dueTick) - first.dueTick;
    const double dt = gap < 26 ? 25.0 : static_cast<double>(gap);
    return std::max(gf_distanceNm(lf_at(first), lf_at(second)) * 360000.0 / dt, 1.0);
  }
  return (first.groundSpeed + second.groundSpeed) / 2.0;
}

double headingChangeAfterNext(const LiveAircraft& ac) {
  if (ac.feedPoints.size() < 3) return 0.0;
  double change = gf_initialBearing(lf_at(ac.feedPoints[1]), lf_at(ac.feedPoints[2])) - ac.heading;
  if (change > pi)
    change -= twoPi;
  else if (change < -pi)
    change += twoPi;
  return change;
}

void turnToward(LiveAircraft& ac, double target) {
  const double h = lf_wrapTwoPi(ac.heading) * radToDeg;
  const double t = lf_wrapTwoPi(target) * radToDeg;
  if (std::fabs(h - t) <= 0.5) return;
  double direction = 1.0;
  if (h > 180.0)
    direction = (h - 180.0 < t && t < h) ? -1.0 : 1.0;
  else
    direction = (h < t && t < h + 180.0) ? 1.0 : -1.0;
  ac.heading = lf_wrapTwoPi(ac.heading + direction * ac.aircraft.aircraftInfo.currentTurnRate);
}

void moveOneTick(LiveAircraft& ac) {
  const FlightPhase phase = ac.phase;
  if (!ac.curve.inUse()) {
    switch (phase) {
    case FlightPhase::Taxi:
    case FlightPhase::PushingBack:
    case FlightPhase::PushedBack:
      if (ac.groundTurnPending) turnToward(ac, ac.groundTargetHeading);
      if (phase != FlightPhase::PushedBack) {
        ac.lat += ac.latStep;
        ac.lon += ac.lonStep;
      }
      break;
    case FlightPhase::Parking:
      turnToward(ac, ac.groundTargetHeading);
      ac.lat += ac.latStep;
      ac.lon += ac.lonStep;
      break;
    default:
      ac.heading = lf_wrapTwoPi(ac.heading + ac.headingRate);
      ac.lat += ac.latStep;
      ac.lon += ac.lonStep;
      break;
    }
  } else {
    ac.curveParam = std::clamp(ac.curveParam + ac.curveParamStep, 0.0, curveEnd);
    if (const auto point = gf_curvePoint(ac.curve, ac.curveParam)) {
      ac.lat = point->lat;
      ac.lon = point->lon;
      turnToward(ac, phase == FlightPhase::PushingBack ? lf_wrapTwoPi(point->heading + pi) : point->heading);
    } else {
      gf_log(fmt::format("{} error in curve at index: {:.2F}", ac.aircraft.aircraftInfo.callsign, ac.curveParam));
    }
  }
  lf_verticalMotion(ac);
  lf_normalisePosition(ac);
}

std::optional<CurvePoint> gf_curvePoint(const CurveSegment& c, double s) {
  if (!c.inUse() || !(s >= c.startParam) || !(s <= c.endParam)) return std::nullopt;
  const double x = (s - c.startParam) / (c.endParam - c.startParam);
  if (!(x >= 0.0 && x <= 1.0)) return std::nullopt;
  const double u = 1.0 - x;
  const double east = 2.0 * u * x * c.controlEast + x * x * c.endEast;
  const double north = 2.0 * u * x * c.controlNorth + x * x * c.endNorth;
  double direction = std::atan2(2.0 * u * c.controlEast + 2.0 * x * (c.endEast - c.controlEast),
                                2.0 * u * c.controlNorth + 2.0 * x * (c.endNorth - c.controlNorth));
  if (direction < 0)
    direction += twoPi;
  else if (direction > twoPi)
    direction -= twoPi;
  CurvePoint point;
  point.lat = c.originLat + north / metresPerDegree;
  point.lon = c.originLon + east / (std::cos(c.originLat * degToRad) * metresPerDegree);
  point.heading = direction;
  return point;
}
