#include "traffic/motion/stream_merge.h"

#include "airports/stands.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "simlink/command_queues.h"
#include "traffic/aircraft_controls.h"
#include "traffic/motion/air_motion.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fmt/format.h>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double stillTolerance = 1e-8;                // degrees
constexpr double nearbyTolerance = 1.5e-4;             // degrees, a few metres
constexpr double cutDistanceNm = 0.011879049676025918; // 22 m
constexpr double metresPerNm = 1852.0;

GeoPosition lf_at(const FeedPoint& p) { return {p.latitude, p.longitude}; }

bool lf_within(const FeedPoint& a, const FeedPoint& b, double tolerance) {
  return std::fabs(a.latitude - b.latitude) < tolerance && std::fabs(a.longitude - b.longitude) < tolerance;
}

// Degrees from the aircraft's heading to the bearing, in [-180, 180].
double lf_offHeading(const LiveAircraft& ac, const FeedPoint& from, const FeedPoint& to) {
  double d = std::fmod((gf_initialBearing(lf_at(from), lf_at(to)) - ac.heading) * radToDeg, 360.0);
  if (d > 180.0) d -= 360.0;
  if (d < -180.0) d += 360.0;
  return d;
}

void lf_resetWindow(LiveAircraft& ac) {
  ac.maxLateTicks = ac.takingOff ? 5000 : 3000;
  ac.maxEarlyTicks = 3000;
}

// A value no motion step can use: the point is dropped before it enters the stream.
bool lf_usable(const FeedPoint& p) {
  const auto finite = [](double v) { return std::isfinite(v); };
  return finite(p.latitude) && finite(p.longitude) && std::fabs(p.latitude) <= 90.0 &&
         std::fabs(p.longitude) <= 180.0 && finite(p.altitude) && finite(p.groundSpeed) && p.groundSpeed >= 0.0 &&
         finite(p.track) && finite(p.verticalSpeed) && finite(p.trueAirspeed) && (!p.roll || finite(*p.roll)) &&
         (!p.trueHeading || finite(*p.trueHeading));
}

// Reports of an aircraft standing where its last point is: the still points at the end of
// the stream are cut back once it moves again.
void lf_trimStillTail(LiveAircraft& ac, const FeedPoint& r) {
  auto& points = ac.feedPoints;
  if (r.extraFlag) {
    if (points.size() > 1 && std::all_of(points.begin(), points.end(), [](const FeedPoint& p) { return p.extraFlag; }))
      points.resize(1);
    return;
  }
  if (points.size() <= 2) return;
  const auto count = static_cast<std::int64_t>(points.size());
  for (std::int64_t i = count - 2; i >= count - 6 && i > 0; --i) {
    const FeedPoint& p = points[static_cast<std::size_t>(i)];
    if (p.extraFlag) continue;
    if (static_cast<std::int64_t>(points.back().dueTick) - p.dueTick < 1500 ||
        gf_distanceNm(lf_at(p), lf_at(r)) <= cutDistanceNm)
      points.resize(static_cast<std::size_t>(i + 1));
    return;
  }
}

void lf_goAround(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  ac.previousPhase = ac.phase;
  ac.phase = FlightPhase::Taxi;
  ac.takingOff = true;
  gf_setLever(head, 3);
  if (head.aircraftInfo.category != SizeCategory::Rotorcraft)
    gf_queueClientEvent({head.objectId, SimEventId::SPOILERS_SET, 16383});
  gf_setFlaps(head, 1);
  ac.onApproach = false;
  ac.arrivedByLanding = false;
  ac.climbOutDone = false;
  gf_queueLights(head.objectId, {1, 1, 1, 1, 1, 1, 0});
  ac.maxLateTicks = 5000;
  ac.maxEarlyTicks = 3000;
}

void lf_merge(LiveAircraft& ac, FeedPoint& r) {
  auto& points = ac.feedPoints;
  AircraftData& head = ac.aircraft;
  if (ac.holding && !points.empty() &&
      gf_distanceNm(lf_at(r), lf_at(points.front())) * metresPerNm > HOLDING_THRESHOLD_METERS.get()) {
    // The aircraft reappeared elsewhere.
    ac.holding = false;
    ac.holdStartTick = 0;
    removeAircraftFromSim(head);
    return;
  }
  if (ac.phase == FlightPhase::Birth) {
    if (!points.empty() && acceptPoint(ac, r)) {
      r.dueTick = std::max(r.dueTick, points.back().dueTick + 1);
      points.push_back(r);
    }
    return;
  }
  if (!checkExtendingSituations(ac, r)) return;
  if (!points.empty() && !r.airborne && points.back().extraFlag) lf_trimStillTail(ac, r);
  if (!points.empty()) r.dueTick = std::max(r.dueTick, points.back().dueTick + 1);
  if (!ac.takingOff && ac.onGround && head.state == LiveState::Active && !points.empty()) {
    const FeedPoint& last = points.back();
    // On the landing roll only climbing reports count: the roll itself is fast.
    if (ac.landingRoll) {
      if (last.airborne && r.airborne) lf_goAround(ac);
    } else if ((r.airborne || (r.groundSpeed >= 43.0 && last.groundSpeed >= 43.0)) && ac.phase == FlightPhase::Taxi) {
      startTakeOff(ac);
    }
  }
  points.push_back(r);
  if (points.size() == 2 && points[0].extraFlag && points[1].extraFlag) {
    points[0].dueTick = gf_tickCounter() + 1;
    points[0].groundSpeed = points[1].groundSpeed;
  }
}

} // namespace

void decodeExisting(LiveAircraft& ac, const FeedPoint& point) {
  if (ac.feedPoints.size() > maxFeedPoints) {
    removeAircraftFromSim(ac.aircraft);
    return;
  }
  if (!lf_usable(point)) {
    gf_logWarning(fmt::format("{} unusable report dropped: {} lalo:{},{} alt:{} gs:{}", "decodeExisting",
                              gf_acLogText(ac), point.latitude, point.longitude, point.altitude, point.groundSpeed));
    return;
  }
  FeedPoint r = point;
  try {
    lf_merge(ac, r);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception {}", "decodeExisting", e.what()));
    throw;
  }
}

bool checkExtendingSituations(LiveAircraft& ac, FeedPoint& r) {
  AircraftData& head = ac.aircraft;
  switch (ac.phase) {
  case FlightPhase::Parked:
  case FlightPhase::Parking:
    if (head.state == LiveState::Buffer || head.state == LiveState::Adding2Sim) return false;
    return checkParkedPoint(ac, r);
  case FlightPhase::PushingBack: {
    if (!STRAIGHT_PBS_ONLY.get() && ac.pushbackLegs == 2) {
      std::optional<double> d;
      if (r.trueHeading)
        d = *r.trueHeading;
      else if (r.track != 0)
        d = r.track * degToRad;
      if (d) {
        double diff = std::fmod(*d - ac.heading + pi, 2 * pi);
        if (diff < 0) diff += 2 * pi;
        ac.pushbackOtherSide = diff - pi > 0;
        ac.pushbackTurn = true;
      }
    }
    return false;
  }
  case FlightPhase::PushedBack: {
    const double halfSpan = head.aircraftInfo.halfSpanNm;
    const double d = gf_distanceNm(lf_at(r), {ac.lat, ac.lon});
    if ((d > 2.75 * halfSpan && d > ac.pushedBackDistance) || d > 6.0 * halfSpan) {
      r.extraFlag = false;
      if (ac.extensionLeft > 0) {
        if (!ac.feedPoints.empty()) ac.feedPoints.front().dueTick = gf_tickCounter() + 1;
        ac.extensionLeft = 0;
        lf_resetWindow(ac);
      }
      ac.pushbackTurn = false;
      ac.pushbackLegs = 0;
      ac.previousPhase = ac.phase;
      ac.phase = FlightPhase::Taxi;
      gf_forgetStand(head);
      if (ac.holding) {
        ac.holding = false;
        ac.holdStartTick = 0;
      }
      return true;
    }
    if (!ac.holding) {
      ac.holding = true;
      ac.holdStartTick = gf_tickCounter();
    }
    ac.pushedBackDistance = d;
    return false;
  }
  default:
    break;
  }
  if (ac.onApproach || ac.landingRoll) return checkNewPosDuringLanding(ac, r);
  if (!acceptPoint(ac, r)) return false;
  if (ac.extensionLeft <= 0) return true;
  // The reports resume after a prediction.
  if (ac.feedPoints.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "checkExtendingSituations"));
    return false;
  }
  if (!ac.onGround && std::fabs(lf_offHeading(ac, ac.feedPoints.back(), r)) >= 100.0) return false;
  ac.extensionLeft = 0;
  lf_resetWindow(ac);
  ac.feedPoints.front().dueTick = gf_tickCounter() + 1;
  ac.holding = false;
  ac.holdStartTick = 0;
  return true;
}

bool checkNewPosDuringLanding(LiveAircraft& ac, FeedPoint& r) {
  auto& points = ac.feedPoints;
  if (points.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
    return false;
  }
  if (lf_within(r, points.back(), stillTolerance)) return false;
  if (points.size() == 1) {
    const double d = std::fabs(lf_offHeading(ac, points.front(), r));
    if (ac.onApproach) {
      if (d >= 90.0) return false;
    } else if (d >= 150.0) {
      // Turned back on the runway: the aircraft goes on from where it is now.
      if (ac.extensionLeft > 0) return false;
      FeedPoint here = points.front();
      here.latitude = ac.lat;
      here.longitude = ac.lon;
      here.dueTick = gf_tickCounter() + 1;
      points.assign(1, here);
    }
  } else {
    if (std::fabs(lf_offHeading(ac, points.back(), r)) >= 90.0) {
      points.pop_back();
      if (points.size() > 1 && std::fabs(lf_offHeading(ac, points.back(), r)) >= 90.0) points.pop_back();
    }
  }
  if (ac.extensionLeft > 0) {
    ac.extensionLeft = 0;
    lf_resetWindow(ac);
  }
  const FeedPoint& last = points.back();
  if (lf_within(r, last, stillTolerance)) {
    r.extraFlag = true;
  } else {
    r.extraFlag = false;
    // A landing aircraft does not speed up.
    if (r.groundSpeed > 40.0 && r.groundSpeed > last.groundSpeed) r.groundSpeed = last.groundSpeed;
  }
  return true;
}

bool acceptPoint(LiveAircraft& ac, FeedPoint& r) {
  if (ac.feedPoints.empty()) return true;
  const FeedPoint last = ac.feedPoints.back();
  r.extraFlag = lf_within(r, last, stillTolerance);
  if (ac.aircraft.aircraftInfo.category == SizeCategory::Rotorcraft) return true;
  const bool inAir = ac.aircraft.state == LiveState::Active && !ac.onGround;
  if (r.extraFlag) {
    if (r.airborne || inAir || (ac.takingOff && r.groundSpeed > 0 && last.groundSpeed >= 30.0)) return false;
    r.groundSpeed = 0.0;
    return true;
  }
  if (lf_within(r, last, nearbyTolerance)) {
    if (r.airborne || inAir || (ac.takingOff && r.groundSpeed > 0 && last.groundSpeed >= 50.0)) return false;
    // A few metres are the feed's noise: the aircraft stands, and stood since this report.
    const std::int32_t due = r.dueTick;
    r = last;
    r.dueTick = due;
    r.groundSpeed = 0.0;
    r.extraFlag = true;
    return true;
  }
  if (r.groundSpeed == 0 && (ac.takingOff || r.airborne)) return last.groundSpeed < 50.0;
  return true;
}
