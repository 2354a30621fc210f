#include "traffic/motion/air_motion.h"

#include "airports/park_airport.h"
#include "airports/stands.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "feeds/qnh_reader.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "traffic/aircraft_controls.h"
#include "traffic/motion/position_stream.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double deg = degToRad;

const std::array<AirCategoryRow, sizeCategoryCount> airTables{{
    {90, 40 * deg, 0.035 * deg, 0.01 * deg, 625},
    {110, 35 * deg, 0.0275 * deg, 0.0085 * deg, 2050},
    {140, 30 * deg, 0.02 * deg, 0.0075 * deg, 2050},
    {150, 20 * deg, 0.015 * deg, 0.005 * deg, 2050},
    {220, 90 * deg, 0.1 * deg, 0.03 * deg, 625},
    {0, 75 * deg, 0.06 * deg, 0.03 * deg, 625},
}};

constexpr LightsData takeOffLights{1, 1, 1, 1, 1, 1, 0};
constexpr LightsData lowLights{1, 1, 1, 1, 1, 1, 1};
constexpr LightsData highLights{1, 1, 0, 0, 0, 0, 1};
constexpr LightsData turnOffLights{1, 1, 0, 1, 0, 1, 1};

bool lf_rotorcraft(const LiveAircraft& ac) { return ac.aircraft.aircraftInfo.category == SizeCategory::Rotorcraft; }

const AirCategoryRow& lf_row(const LiveAircraft& ac) { return gf_airCategoryRow(ac.aircraft.aircraftInfo.category); }

// A helicopter keeps its lever at full power through every phase.
std::int32_t lf_lever(const LiveAircraft& ac, std::int32_t step) { return lf_rotorcraft(ac) ? 4 : step; }

void lf_event(const LiveAircraft& ac, SimEventId event, std::int32_t value) {
  gf_queueClientEvent({ac.aircraft.objectId, event, value});
}

// A helicopter has neither retractable gear nor spoilers to show.
void lf_gear(const LiveAircraft& ac, std::int32_t value) {
  if (!lf_rotorcraft(ac)) lf_event(ac, SimEventId::GEAR_SET, value);
}
void lf_spoilers(const LiveAircraft& ac, std::int32_t value) {
  if (!lf_rotorcraft(ac)) lf_event(ac, SimEventId::SPOILERS_SET, value);
}

void lf_aiControlsOff(const LiveAircraft& ac) {
  if (ac.aircraft.aircraftInfo.category != SizeCategory::Light) gf_setAircraftControls(ac.aircraft.objectId, 0, 0, 0);
}

bool lf_parkAirportSet() { return !currentParkAirport.code.empty(); }

bool lf_nearParkAirport(double lat, double lon) {
  return lf_parkAirportSet() &&
         gf_distanceNm({lat, lon}, {currentParkAirport.lat, currentParkAirport.lon}) <= approachRadiusNm;
}

double lf_wrapPi(double angle) {
  double result = std::fmod(angle + pi, 2 * pi);
  if (result < 0) result += 2 * pi;
  return result - pi;
}

void lf_setVs(LiveAircraft& ac, FeedPoint& second, double vs) {
  second.verticalSpeed = vs;
  ac.reportedVs = vs;
  ac.verticalStep = vs / 6000.0;
}

// A report on the ground ahead of an aircraft in the air: the aircraft is landing.
void lf_landingAhead(LiveAircraft& ac, FeedPoint& second, std::int32_t t) {
  const std::int32_t qnh = trafficQnh.load();
  // Descending to the park airport's elevation is right only for a landing there: anywhere
  // else that elevation says nothing about the ground.
  if (qnh <= 1013 && lf_nearParkAirport(second.latitude, second.longitude))
    ac.verticalStep = (currentParkAirport.alt - ac.altitude) / t;
  else
    lf_setVs(ac, second, qnh > 1013 ? approachVerticalSpeed(ac) : -601.0);
  lf_gear(ac, 1);
}

void lf_verticalStepInAir(LiveAircraft& ac, std::int32_t t) {
  FeedPoint& first = ac.feedPoints[0];
  FeedPoint& second = ac.feedPoints[1];
  const double verticalStepFt = ac.aircraft.aircraftInfo.verticalStepFt;
  if (first.airborne && second.airborne) {
    if (ac.onApproach) {
      if (first.altitude == second.altitude && ac.agl <= 1000.0 && first.verticalSpeed + second.verticalSpeed <= 100.0)
        lf_setVs(ac, second, approachVerticalSpeed(ac));
      else
        ac.verticalStep = (second.altitude - ac.altitude) / t;
      return;
    }
    const double s = (second.altitude - ac.altitude) / t;
    ac.verticalStep = ac.agl > 1000.0 ? std::min(s, verticalStepFt) : std::min(verticalStepFt, std::max(s, 0.2));
  } else if (first.airborne) {
    lf_landingAhead(ac, second, t);
  } else if (second.airborne) {
    climbFromGround(ac);
  } else {
    groundReportedInFlight(ac);
  }
}

void lf_pitchStep(LiveAircraft& ac, std::int32_t t) {
  double v = ac.feedPoints[1].verticalSpeed;
  v = v >= 0 ? std::min(v, 2400.0) : std::max(v, -3000.0) / 2.0;
  const double target = -3.0 * deg - v / 600.0 * 2.2 * deg;
  const double limit = lf_row(ac).pitchRateLimit;
  ac.pitchRate = std::clamp((target - ac.pitch) / t, -limit, limit);
}

void lf_turnStep(LiveAircraft& ac, std::int32_t t) {
  const FeedPoint& second = ac.feedPoints[1];
  double e = 0.0;
  const double headingBelow = ac.onApproach ? 2000.0 : 1000.0;
  if (second.hasAdsbHeading && second.roll && second.trueHeading && ac.agl < headingBelow)
    e = lf_wrapPi(*second.trueHeading - ac.heading);
  else
    e = headingChangeAfterNext(ac);
  ac.headingRate = e / t;
  if (second.roll)
    ac.bankRate = (*second.roll - ac.bank) / t;
  else
    steerBank(ac, e, t);
}

void lf_heightBands(LiveAircraft& ac) {
  const std::int32_t id = ac.aircraft.objectId;
  if (ac.feedPoints[0].altitude >= 10000.0) {
    if (ac.highLightsSet) return;
    ac.highLightsSet = true;
    ac.lowLightsSet = false;
    gf_queueLights(id, highLights);
    gf_setLever(ac.aircraft, lf_lever(ac, 3));
    lf_gear(ac, 0);
    gf_setFlaps(ac.aircraft, 0);
    return;
  }
  if (!ac.lowLightsSet) {
    ac.lowLightsSet = true;
    ac.highLightsSet = false;
    gf_queueLights(id, lowLights);
  }
  if (ac.agl > lf_row(ac).heightFt)
    highAltitudeStep(ac);
  else
    lowAltitudeStep(ac);
}

bool lf_anyOnGroundFromSecond(const LiveAircraft& ac) {
  return std::any_of(ac.feedPoints.begin() + 1, ac.feedPoints.end(), [](const FeedPoint& p) { return !p.airborne; });
}

void lf_rotationCheck(LiveAircraft& ac, std::int32_t t) {
  const double verticalStepFt = ac.aircraft.aircraftInfo.verticalStepFt;
  for (std::size_t i = 1; i < ac.feedPoints.size(); ++i) {
    if (ac.feedPoints[i].verticalSpeed <= 256.0) {
      if (!allAboveTakeOffSpeed(ac) || lf_anyOnGroundFromSecond(ac)) return;
      ac.verticalStep = verticalStepFt;
      rotate(ac);
      return;
    }
  }
  if (lf_anyOnGroundFromSecond(ac))
    ac.verticalStep = verticalStepFt;
  else
    ac.verticalStep = std::max(ac.feedPoints[1].altitude - ac.altitude, 0.1) / t;
  rotate(ac);
}

void lf_takeOffThrottle(LiveAircraft& ac) {
  const double f = ac.feedPoints[0].groundSpeed;
  const double g = ac.feedPoints[1].groundSpeed;
  std::int32_t step = 0;
  if (lf_rotorcraft(ac) || f >= 25 || g >= 30)
    step = 4;
  else if (f >= 20 || g >= 25)
    step = 2;
  else if (f >= 15 || g >= 20)
    step = 1;
  gf_setLever(ac.aircraft, step);
}

} // namespace

const AirCategoryRow& gf_airCategoryRow(SizeCategory category) {
  return airTables.at(static_cast<std::size_t>(static_cast<std::int32_t>(category)));
}

void airStep(LiveAircraft& ac) {
  if (ac.phase != FlightPhase::TakeOff && ac.phase != FlightPhase::Flying) gf_changePhase(ac, FlightPhase::Flying);
  const std::int32_t t = gf_ticksToNext(ac);
  ac.reportedTas = ac.feedPoints[1].trueAirspeed;
  ac.reportedVs = ac.feedPoints[1].verticalSpeed;
  if (ac.flareStage == 0) lf_verticalStepInAir(ac, t);
  // Skipping ahead may have changed the next point and its time.
  const std::int32_t ticks = gf_ticksToNext(ac);
  if (ac.flareStage == 0 && ac.phase != FlightPhase::TakeOff) lf_pitchStep(ac, ticks);
  lf_turnStep(ac, ticks);
  lf_heightBands(ac);
}

double approachVerticalSpeed(const LiveAircraft& ac) {
  if (ac.agl <= 100.0) return -600.0;
  const double mean = (ac.feedPoints.at(0).verticalSpeed + ac.feedPoints.at(1).verticalSpeed) / 2.0;
  const double vs = mean - (trafficQnh.load() - 1013) * 6.0;
  return vs >= -601.0 ? -601.0 : vs;
}

void climbFromGround(LiveAircraft& ac) {
  const FeedPoint& second = ac.feedPoints[1];
  if (second.altitude <= ac.altitude) {
    ac.verticalStep = 0.0;
    return;
  }
  ac.verticalStep =
      std::min((second.altitude - ac.altitude) / gf_ticksToNext(ac), ac.aircraft.aircraftInfo.verticalStepFt);
}

void groundReportedInFlight(LiveAircraft& ac) {
  double sum = 0.0;
  for (const auto& p : ac.feedPoints) sum += p.verticalSpeed;
  if (!ac.onApproach && sum > 100.0) {
    bool skipped = false;
    const std::int32_t last = std::min(static_cast<std::int32_t>(ac.feedPoints.size()) - 1, 10);
    for (std::int32_t k = 3; k <= last && !skipped; ++k) skipped = skipToAirborne(ac, k);
    if (!skipped) {
      FeedPoint& second = ac.feedPoints[1];
      lf_setVs(ac, second, std::max(second.verticalSpeed, 601.0));
    }
  } else {
    lf_setVs(ac, ac.feedPoints[1], approachVerticalSpeed(ac));
  }
  lf_gear(ac, 1);
}

bool skipToAirborne(LiveAircraft& ac, std::int32_t k) {
  if (k < 2 || static_cast<std::int32_t>(ac.feedPoints.size()) < k ||
      !ac.feedPoints[static_cast<std::size_t>(k - 1)].airborne)
    return false;
  for (std::int32_t i = 0; i < k - 2 && ac.feedPoints.size() > 2; ++i) ac.feedPoints.erase(ac.feedPoints.begin() + 1);
  const FeedPoint& first = ac.feedPoints[0];
  const FeedPoint& second = ac.feedPoints[1];
  std::int32_t ticks =
      gf_legTicks(gf_distanceNm({first.latitude, first.longitude}, {second.latitude, second.longitude}), legSpeed(ac));
  if (ticks < 26) ticks = 25;
  retimeNextPoint(ac, ticks);
  const std::int32_t t = gf_ticksToNext(ac);
  ac.verticalStep = second.altitude > ac.altitude
                        ? std::min((second.altitude - ac.altitude) / t, ac.aircraft.aircraftInfo.verticalStepFt)
                        : 0.0;
  // The steps aimed at the point that was skipped.
  ac.latStep = (second.latitude - ac.lat) / t;
  ac.lonStep = (second.longitude - ac.lon) / t;
  return true;
}

void steerBank(LiveAircraft& ac, double headingChange, std::int32_t ticks) {
  const AirCategoryRow& row = lf_row(ac);
  const double target = std::clamp(-headingChange, -row.largestBank, row.largestBank);
  ac.bankRate = std::clamp((target - ac.bank) / ticks, -row.bankRate, row.bankRate);
}

void highAltitudeStep(LiveAircraft& ac) {
  relaxWindow(ac);
  gf_queueCabinLights(ac.aircraft.objectId, 1);
  ac.takingOff = false;
  ac.onApproach = false;
  const double v = ac.feedPoints[0].verticalSpeed;
  if (v <= -250.0 && ac.aircraft.leverStep == 3)
    gf_setLever(ac.aircraft, lf_lever(ac, 2));
  else if (v > 400.0 && ac.aircraft.leverStep == 4)
    gf_setLever(ac.aircraft, lf_lever(ac, 3));
  if (ac.agl >= 2400.0) {
    lf_gear(ac, 0);
    gf_setFlaps(ac.aircraft, 0);
  } else if (v <= 100.0) {
    const std::int32_t flaps = ac.aircraft.flapsStep;
    if (ac.agl < 2000.0) {
      if (flaps == 0)
        gf_setFlaps(ac.aircraft, 1);
      else if (flaps == 1)
        gf_setFlaps(ac.aircraft, 2);
    } else if (flaps == 0) {
      gf_setFlaps(ac.aircraft, 1);
    }
  }
}

void lowAltitudeStep(LiveAircraft& ac) {
  gf_queueCabinLights(ac.aircraft.objectId, 0);
  const double v = ac.feedPoints[0].verticalSpeed;
  const bool near = lf_nearParkAirport(ac.lat, ac.lon);
  if (v > -250.0) {
    if ((v > 600.0 || (ac.onApproach && !near)) && !ac.climbOutDone) {
      relaxWindow(ac);
      gf_setLever(ac.aircraft, 4);
      lf_gear(ac, 0);
      gf_setFlaps(ac.aircraft, 0);
      ac.climbOutDone = true;
      ac.onApproach = false;
      ac.flareStage = 0;
    }
    return;
  }
  if (ac.onApproach || !near) return;
  gf_setLever(ac.aircraft, lf_lever(ac, 1));
  gf_setFlaps(ac.aircraft, 3);
  lf_gear(ac, 1);
  traffic.twinCheckQueue.push_back(ac.aircraft.aircraftInfo.hexid);
  ac.onApproach = true;
  ac.climbOutDone = false;
  gf_forgetStand(ac.aircraft);
  ac.maxLateTicks = ac.takingOff ? 5000 : 3000;
  ac.takeOffCountdown = 1;
  ac.maxEarlyTicks = 3000;
}

void groundStep(LiveAircraft& ac) {
  const std::int32_t t = gf_ticksToNext(ac);
  if (ac.phase == FlightPhase::Parked || ac.phase == FlightPhase::Flying) {
    gf_changePhase(ac, FlightPhase::Taxi);
  } else if (ac.takingOff) {
    lf_takeOffThrottle(ac);
  } else if (ac.landingRoll) {
    landingRollStep(ac);
  } else {
    gf_setLever(ac.aircraft, lf_lever(ac, 0));
  }
  if (!ac.landingRoll && !ac.takingOff) relaxWindow(ac);
  if (ac.flareStage == 0 && ac.phase != FlightPhase::TakeOff) {
    ac.pitch = ac.aircraft.aircraftInfo.groundPitch;
    ac.pitchRate = 0.0;
    ac.bank = 0.0;
    ac.bankRate = 0.0;
  }
  if (ac.curve.inUse()) ac.curveParamStep = 1.0 / t;
  const double speed = ac.feedPoints[1].groundSpeed;
  ac.reportedTas = ac.phase == FlightPhase::PushingBack ? -speed : speed;
  if (ac.takingOff && ac.phase != FlightPhase::TakeOff && ac.feedPoints[0].groundSpeed >= 43.0) lf_rotationCheck(ac, t);
}

bool allAboveTakeOffSpeed(const LiveAircraft& ac) {
  const double speed = lf_row(ac).takeOffSpeedKt;
  return std::all_of(ac.feedPoints.begin() + 1, ac.feedPoints.end(),
                     [speed](const FeedPoint& p) { return p.groundSpeed >= speed; });
}

void startTakeOff(LiveAircraft& ac) {
  if (ac.towed) gf_logWarning(fmt::format("towed aircraft takes-off? {}", gf_acLogText(ac)));
  ac.takingOff = true;
  gf_setLever(ac.aircraft, 0);
  lf_spoilers(ac, 0);
  gf_setFlaps(ac.aircraft, 1);
  ac.onApproach = false;
  ac.arrivedByLanding = false;
  ac.climbOutDone = false;
  gf_queueLights(ac.aircraft.objectId, takeOffLights);
  ac.maxLateTicks = 5000;
  ac.maxEarlyTicks = 3000;
  if (!ac.aircraft.aircraftInfo.airline.empty()) learnStandOnDeparture(ac, true);
}

void rotate(LiveAircraft& ac) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  ac.takeOffCountdown = std::max(info.rotationTicks, 1);
  ac.bank = 0.0;
  ac.bankRate = 0.0;
  ac.pitchRate = (info.rotationPitch - ac.pitch) / ac.takeOffCountdown;
  if (!ac.takingOff) startTakeOff(ac);
  gf_changePhase(ac, FlightPhase::TakeOff);
  ac.headingRate = 0.0;
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  ac.curve.startParam = nan;
  ac.curve.endParam = nan;
  ac.curve.controlEast = nan;
  ac.curve.controlNorth = nan;
  if (ac.landingRoll) {
    // A touch-and-go.
    ac.landingRoll = false;
    ac.onApproach = false;
    ac.arrivedByLanding = false;
    gf_setLever(ac.aircraft, 4);
    lf_spoilers(ac, 16383);
    gf_setFlaps(ac.aircraft, 1);
  }
}

void takeOffTick(LiveAircraft& ac) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  ac.takeOffCountdown = std::max(ac.takeOffCountdown - 1, -1000);
  const std::int32_t n = ac.takeOffCountdown;
  if (n >= 1) {
    ac.onGround = false;
    if (ac.pitch > info.rotationPitch) ac.pitch += ac.pitchRate;
    return;
  }
  ac.bank = std::clamp(ac.bank + ac.bankRate, -pi, pi);
  if (ac.pitch > info.climbPitch) ac.pitch += (info.climbPitch - info.rotationPitch) / info.climbTicks;
  if (n == 0) return;
  if (n >= -99)
    ac.altitude += ac.verticalStep / 10.0;
  else if (n >= -199)
    ac.altitude += ac.verticalStep / 5.0;
  else if (n >= -299)
    ac.altitude += ac.verticalStep / 2.0;
  else {
    if (n == -300) lf_gear(ac, 0);
    ac.altitude += ac.verticalStep;
    if (n < -300 && ac.pitch <= info.climbPitch) {
      ac.pitchRate = 0.0;
      if (ac.agl >= 800.0) {
        gf_setLever(ac.aircraft, lf_lever(ac, 3));
        gf_changePhase(ac, FlightPhase::Flying);
        ac.takeOffCountdown = 1;
      }
    }
  }
}

void flareTick(LiveAircraft& ac) {
  const double cg = ac.aircraft.aircraftInfo.cgHeightFt;
  const auto setTargetVs = [&ac](double vs) {
    if (!ac.feedPoints.empty()) ac.feedPoints.front().verticalSpeed = vs;
  };
  switch (ac.flareStage) {
  case 0: {
    if (!ac.fieldElevation && lf_parkAirportSet()) ac.fieldElevation = currentParkAirport.alt;
    ac.touchdownZoneHeight = ac.fieldElevation ? ac.altitude - *ac.fieldElevation : ac.agl;
    if (std::min(ac.agl, ac.touchdownZoneHeight) > cg + 30.0) return;
    ac.verticalStep = -0.1;
    traffic.fastRangeRequests = true;
    ac.pitchRate = (-4.0 * deg - ac.pitch) / std::max(ac.aircraft.aircraftInfo.flareTicks, 1);
    setTargetVs(-601.0);
    ac.flareStage = 1;
    return;
  }
  case 1:
    if (ac.agl > cg + 20.0) return;
    ac.verticalStep = -0.075;
    ac.fieldElevation.reset();
    setTargetVs(-450.0);
    ac.flareStage = 2;
    return;
  case 2:
    if (ac.agl > cg + 10.0) return;
    ac.fieldElevation.reset();
    gf_setLever(ac.aircraft, 0);
    ac.verticalStep = -0.05;
    setTargetVs(-300.0);
    ac.flareStage = 3;
    return;
  case 3:
    if (ac.agl > cg + 3.0) return;
    ac.verticalStep = -0.025;
    ac.fieldElevation.reset();
    setTargetVs(-150.0);
    ac.flareStage = 4;
    return;
  default:
    return;
  }
}

void landingRollStep(LiveAircraft& ac) {
  double d = std::fabs(ac.heading - ac.landingHeading) * radToDeg;
  d = std::fmod(d, 360.0);
  if (d > 180.0) d = 360.0 - d;
  if (d >= 15.0) {
    gf_setFlaps(ac.aircraft, 0);
    ac.landingRoll = false;
    ac.landingHeading = 0.0;
    gf_setLever(ac.aircraft, lf_lever(ac, 0));
    lf_spoilers(ac, 0);
    lf_aiControlsOff(ac);
    gf_queueLights(ac.aircraft.objectId, turnOffLights);
    return;
  }
  if (ac.feedPoints[0].groundSpeed <= 90.0) {
    lf_spoilers(ac, 0);
    lf_aiControlsOff(ac);
    gf_setFlaps(ac.aircraft, 1);
  }
}
