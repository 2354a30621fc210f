// The position stream: taking points, the re-timing window, the per-tick integrator with
// its quadratic curve, and what happens to values no step can use.
#include "traffic/motion/position_stream.h"
#include "traffic_fixture.h"

#include <cmath>
#include <limits>
#include <numbers>

using namespace traffic_testing;

namespace {

using PositionStream = TrafficTest;

constexpr double deg = degToRad;

std::size_t lf_logCount(const testing_support::LogCapture& log, std::string_view text) {
  const auto lines = log.lines();
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [text](const std::string& l) { return l.find(text) != l.npos; }));
}

FeedPoint lf_point(double northNm, double eastNm, double altitude, double speed, std::int32_t due) {
  FeedPoint p;
  p.latitude = latNorth(northNm);
  p.longitude = lonEast(eastNm);
  p.altitude = altitude;
  p.groundSpeed = speed;
  p.trueAirspeed = speed;
  p.dueTick = due;
  p.airborne = altitude > 0;
  return p;
}

// An active aircraft in the air at the first point, with exactly these points.
LiveAircraft& lf_flying(std::vector<FeedPoint> points, std::uint32_t hexid = firstHexid) {
  LiveAircraft& ac = active(hexid, 200 + static_cast<std::int32_t>(hexid % 100), 0.0);
  ac.feedPoints.assign(points.begin(), points.end());
  ac.lat = points.front().latitude;
  ac.lon = points.front().longitude;
  ac.altitude = points.front().altitude;
  ac.phase = FlightPhase::Flying;
  ac.heading = 0.0;
  return ac;
}

TEST_F(PositionStream, TheRetimingWindowHoldsTheNextPointNearItsReportedTime) {
  struct Case {
    std::int32_t ticks;
    std::int32_t extensionLeft;
    std::int32_t expected;
  };
  // Window 1000 either way around tick 10000, taken at tick 8000.
  const Case cases[] = {
      {1200, 0, 9200},  // within the window: the speed decides
      {4000, 0, 11000}, // too slow: at most 1000 late
      {500, 0, 9000},   // too fast: at most 1000 early
      {4000, 3, 12000}, // a predicted stream is not held to the window
      {-5000, 3, 8000}, // never before now
  };
  for (const auto& c : cases) {
    setTick(8000);
    LiveAircraft ac;
    ac.feedPoints = {lf_point(0, 0, 3000, 200, 8000), lf_point(1, 0, 3000, 200, 10000)};
    ac.extensionLeft = c.extensionLeft;
    retimeNextPoint(ac, c.ticks);
    EXPECT_EQ(ac.feedPoints[1].dueTick, c.expected) << c.ticks << " ticks, extension " << c.extensionLeft;
  }
}

TEST_F(PositionStream, ALegFliesAtItsSpeedAndAPassedPointIsTakenInTwentyFiveTicks) {
  // 2 nm at 180 kt: 4000 ticks, but the feed wants it 3000 ticks after tick 1000; the window
  // of 1000 lets it come at 5000.
  setTick(1000);
  LiveAircraft& ac = lf_flying({lf_point(0, 0, 3000, 180, 1000), lf_point(2, 0, 3000, 180, 4000)});
  runTicks(1);
  ASSERT_EQ(ac.feedPoints.size(), 1u);
  EXPECT_EQ(ac.feedPoints[0].dueTick, 5000);
  EXPECT_NEAR(ac.latStep * 4000, 2.0 / 60.0, 1e-9);

  // The next point was due long ago: it is reached in 25 ticks.
  LiveAircraft& late = lf_flying({lf_point(0, 1, 3000, 180, 0), lf_point(0.1, 1, 3000, 180, 10)}, firstHexid + 1);
  const double startLat = late.lat;
  runTicks(1);
  EXPECT_NEAR((late.lat - startLat) / late.latStep, 1.0, 1e-9);
  EXPECT_NEAR(late.latStep * 25, 0.1 / 60.0, 1e-9);
}

TEST_F(PositionStream, AnAircraftInTheAirDropsARepeatedPointAndAHelicopterHovers) {
  for (const std::string type : {"B738", "R44"}) {
    setTick(1000);
    traffic.liveList.clear();
    // 1 nm at 120 kt: 3000 ticks a leg. The repeat carries the mark the merge gives it.
    auto repeated = lf_point(1, 0, 3000, 0, 4500);
    repeated.extraFlag = true;
    LiveAircraft& ac = lf_flying(
        {lf_point(0, 0, 3000, 120, 1000), lf_point(1, 0, 3000, 120, 4000), repeated, lf_point(2, 0, 3000, 120, 7500)});
    ac.aircraft.aircraftInfo.type = type;
    ac.aircraft.aircraftInfo.category = type == "R44" ? SizeCategory::Rotorcraft : SizeCategory::Large;
    runUntil(4002);
    ASSERT_FALSE(ac.feedPoints.empty());
    if (type == "R44") {
      EXPECT_TRUE(ac.feedPoints.front().extraFlag) << "the helicopter hovers at the point";
      EXPECT_EQ(ac.trueAirspeed, 0.0);
    } else {
      EXPECT_FALSE(ac.feedPoints.front().extraFlag);
      EXPECT_NEAR(ac.feedPoints.front().latitude, latNorth(2), 1e-12) << "the repeat was dropped";
    }
  }
}

TEST_F(PositionStream, PositionsWrapAroundTheAntimeridianAndOverThePole) {
  struct Case {
    double lat, lon, latStep, lonStep;
    double expectedLat, expectedLon;
  };
  const Case cases[] = {
      {10.0, 179.99999, 0.0, 0.00002, 10.0, -179.99999},
      {10.0, -179.99999, 0.0, -0.00002, 10.0, 179.99999},
      {89.99999, 20.0, 0.00002, 0.0, 89.99999, -160.0},
      {-89.99999, -170.0, -0.00002, 0.0, -89.99999, 10.0},
  };
  for (const auto& c : cases) {
    LiveAircraft ac;
    ac.phase = FlightPhase::Flying;
    ac.lat = c.lat;
    ac.lon = c.lon;
    ac.latStep = c.latStep;
    ac.lonStep = c.lonStep;
    moveOneTick(ac);
    EXPECT_NEAR(ac.lat, c.expectedLat, 1e-9) << c.lat << "," << c.lon;
    EXPECT_NEAR(ac.lon, c.expectedLon, 1e-9) << c.lat << "," << c.lon;
  }
}

TEST_F(PositionStream, AQuadraticCurveRunsFromItsOriginPastItsControlPointToItsEnd) {
  CurveSegment curve;
  curve.originLat = 34.0;
  curve.originLon = -118.0;
  curve.startParam = 0.0;
  curve.endParam = 1.0;
  curve.controlNorth = 100.0; // 100 m north, then 100 m east: a right turn
  curve.controlEast = 0.0;
  curve.endNorth = 100.0;
  curve.endEast = 100.0;
  const double metresPerLonDegree = std::cos(34.0 * deg) * 111132.95;
  struct Case {
    double param, north, east, headingDeg;
  };
  const Case cases[] = {
      {0.0, 0.0, 0.0, 0.0},
      {0.5, 75.0, 25.0, 45.0},
      {1.0, 100.0, 100.0, 90.0},
  };
  for (const auto& c : cases) {
    const auto p = gf_curvePoint(curve, c.param);
    ASSERT_TRUE(p) << c.param;
    EXPECT_NEAR((p->lat - 34.0) * 111132.95, c.north, 1e-6) << c.param;
    EXPECT_NEAR((p->lon + 118.0) * metresPerLonDegree, c.east, 1e-6) << c.param;
    EXPECT_NEAR(p->heading * radToDeg, c.headingDeg, 1e-9) << c.param;
  }
  // A left turn's direction stays in [0, 2 pi).
  CurveSegment left = curve;
  left.controlEast = 0.0;
  left.endEast = -100.0;
  EXPECT_NEAR(gf_curvePoint(left, 1.0)->heading * radToDeg, 270.0, 1e-9);

  EXPECT_FALSE(gf_curvePoint(curve, 1.000001));
  EXPECT_FALSE(gf_curvePoint(curve, -0.1));
  CurveSegment unused;
  EXPECT_FALSE(gf_curvePoint(unused, 0.5));
}

TEST_F(PositionStream, AlongACurveTheAircraftStopsShortOfItsEndAndPushesBackTailFirst) {
  for (const FlightPhase phase : {FlightPhase::Taxi, FlightPhase::PushingBack}) {
    LiveAircraft ac;
    ac.phase = phase;
    ac.onGround = true;
    ac.aircraft.aircraftInfo.currentTurnRate = 0.07 * deg;
    ac.curve.originLat = 34.0;
    ac.curve.originLon = -118.0;
    ac.curve.startParam = 0.0;
    ac.curve.endParam = 1.0;
    ac.curve.controlNorth = 50.0;
    ac.curve.controlEast = 0.0;
    ac.curve.endNorth = 50.0;
    ac.curve.endEast = 50.0;
    ac.curveParamStep = 0.3;
    ac.heading = phase == FlightPhase::PushingBack ? std::numbers::pi : 0.0;
    ac.lat = 34.0;
    ac.lon = -118.0;
    moveOneTick(ac);
    const double firstHeading = gf_curvePoint(ac.curve, 0.3)->heading;
    const double expected = phase == FlightPhase::PushingBack ? firstHeading + std::numbers::pi : firstHeading;
    // The aircraft turns toward the curve's direction at its turn rate.
    EXPECT_NEAR(ac.heading, std::fmod(ac.heading, twoPi), 1e-12);
    EXPECT_LT(std::fabs(std::remainder(ac.heading - expected, twoPi)),
              std::fabs(std::remainder(ac.heading - ac.aircraft.aircraftInfo.currentTurnRate - expected, twoPi)) +
                  1e-12);
    for (int i = 0; i < 5; ++i) moveOneTick(ac);
    EXPECT_DOUBLE_EQ(ac.curveParam, 0.999999);
    const auto end = gf_curvePoint(ac.curve, 0.999999);
    EXPECT_DOUBLE_EQ(ac.lat, end->lat);
    EXPECT_DOUBLE_EQ(ac.lon, end->lon);
  }
}

TEST_F(PositionStream, OnTheGroundTheAircraftKeepsItsGroundPitchAndLevelWings) {
  LiveAircraft ac;
  ac.phase = FlightPhase::Taxi;
  ac.onGround = true;
  ac.aircraft.aircraftInfo.groundPitch = 0.7 * deg;
  ac.pitch = -5 * deg;
  ac.bank = 3 * deg;
  ac.pitchRate = -0.01;
  ac.bankRate = 0.01;
  ac.verticalStep = 5.0;
  ac.altitude = 133.0;
  moveOneTick(ac);
  EXPECT_DOUBLE_EQ(ac.pitch, 0.7 * deg);
  EXPECT_DOUBLE_EQ(ac.bank, 0.0);
  EXPECT_DOUBLE_EQ(ac.altitude, 133.0) << "only the simulator's ground data move it up or down";
}

TEST_F(PositionStream, ALegThatCannotBeTimedDropsItsPointOnceInsteadOfFailingEveryTick) {
  setTick(1000);
  // The second point is reported moving at 1e-300 kt: its leg takes longer than any tick count.
  FeedPoint unusable = lf_point(1, 0, 3000, 1e-300, 1300);
  unusable.trueAirspeed = 200;
  FeedPoint before = lf_point(0, 0, 3000, 0, 1000);
  LiveAircraft& ac = lf_flying({before, unusable, lf_point(2, 0, 3000, 200, 4000)});
  runTicks(1);
  EXPECT_EQ(lf_logCount(log, "nextPosMain"), 1u);
  EXPECT_EQ(lf_logCount(log, "updateLiveAc"), 1u);
  ASSERT_EQ(ac.feedPoints.size(), 2u);
  EXPECT_NEAR(ac.feedPoints[1].latitude, latNorth(2), 1e-12) << "the point that could not be timed is gone";
  runTicks(3);
  EXPECT_EQ(lf_logCount(log, "nextPosMain"), 1u) << "the failure is not repeated";
  EXPECT_EQ(ac.aircraft.state, LiveState::Active);
  EXPECT_EQ(ac.feedPoints.size(), 1u) << "the aircraft now flies toward the following point";
}

TEST_F(PositionStream, AnAircraftWhosePositionIsLostLeavesInsteadOfSendingIt) {
  setTick(1000);
  LiveAircraft& ac = lf_flying({lf_point(0, 0, 3000, 200, 900), lf_point(1, 0, 3000, 200, 2000)});
  runTicks(1);
  ac.verticalStep = std::numeric_limits<double>::infinity();
  clearSent();
  runTicks(1);
  EXPECT_EQ(ac.aircraft.state, LiveState::RemovingFromSim);
  EXPECT_TRUE(log.contains("position lost"));
  std::lock_guard lock(simCommands.commandMutex);
  for (const auto& p : *simCommands.sendBuffer) EXPECT_TRUE(std::isfinite(p.altitude));
}

} // namespace
