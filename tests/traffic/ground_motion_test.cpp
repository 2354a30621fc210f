// Ground motion: corners rounded into curves, long legs split, the turn rate and timing of a
// ground leg, the pushback and the pull-out from a stand, the drive into a stand, and when a
// taxiing aircraft looks for a stand.
#include "ground_fixture.h"
#include "traffic/motion/ground_motion.h"
#include "traffic/motion/position_stream.h"

#include <cmath>

namespace traffic_testing {
namespace {

using GroundMotion = GroundTest;

constexpr std::uint32_t hexA = firstHexid + 1;

// A point `metres` from (north, east) along a bearing in degrees.
std::pair<double, double> along(double north, double east, double bearingDeg, double metres) {
  return {north + metres * std::cos(bearingDeg * degToRad), east + metres * std::sin(bearingDeg * degToRad)};
}

TEST_F(GroundMotion, CornersBecomeCurvesOnlyWhenTheyAreNeitherSlightNorAlmostReversed) {
  struct Case {
    const char* name;
    double legMetres;
    std::int32_t legTicks;
    double cornerDeg; // bearing of the leg after the corner
    bool curve;
    std::size_t points; // stream length afterwards
  };
  const Case cases[] = {
      {"90 deg after 40 m", 40, 600, 90, true, 2},
      {"90 deg after a slow 80 m leg: split first", 80, 1000, 90, false, 4},
      {"170 deg", 40, 600, 170, false, 3},
      {"2 deg", 40, 600, 2, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    const std::int32_t now = gf_tickCounter();
    const auto [n3, e3] = along(c.legMetres, 0, c.cornerDeg, 40);
    LiveAircraft& ac = taxiing(hexA, 0, 0,
                               {groundPoint(0, 0, 15, now), groundPoint(c.legMetres, 0, 15, now + c.legTicks),
                                groundPoint(n3, e3, 15, now + c.legTicks + 600)});
    const FeedPoint after = ac.feedPoints[2];
    nextPosGround(ac);
    EXPECT_EQ(ac.curve.inUse(), c.curve);
    ASSERT_EQ(ac.feedPoints.size(), c.points);
    if (c.curve) {
      // The corner point is gone; the curve ends at the point after it, through the corner.
      EXPECT_EQ(ac.feedPoints[1].latitude, after.latitude);
      EXPECT_NEAR(ac.curveTurn, c.cornerDeg, 0.1);
      EXPECT_NEAR(ac.curve.controlNorth, c.legMetres, 0.5);
      EXPECT_NEAR(ac.curve.endEast, e3, 0.5);
      EXPECT_FALSE(ac.groundTurnPending);
    }
    if (c.points == 4) {
      EXPECT_NEAR(northOf(ac.feedPoints[1].latitude), c.legMetres / 2, 0.1);
    }
  }
}

TEST_F(GroundMotion, ACurveTakesLongEnoughThatItsFastestPartStaysNearTheSpeedItTurnsAt) {
  // 40 m to the corner, then 300 m on to the right, slowing from 20 to 10 kt: the curve runs
  // fastest along its long side.
  const std::int32_t now = gf_tickCounter();
  LiveAircraft& ac =
      taxiing(hexA, 0, 0,
              {groundPoint(0, 0, 20, now), groundPoint(40, 0, 15, now + 400), groundPoint(40, 300, 10, now + 8400)});
  nextPosGround(ac);
  ASSERT_TRUE(ac.curve.inUse());
  const double ticks = ac.feedPoints[1].dueTick - now;
  const double fastestMetresPerTick = 2.0 * 300.0 / ticks;
  const double tenKnotsPerTick = 10.0 * 1852.0 / 360000.0;
  EXPECT_LE(fastestMetresPerTick, 1.4 * tenKnotsPerTick * (1 + 1e-3));
  EXPECT_GT(fastestMetresPerTick, 1.3 * tenKnotsPerTick); // not slower than it needs to be
}

TEST_F(GroundMotion, ALandedAircraftWaitingWithoutReportsLooksWiderOnlyAfterTheFeedsDelay) {
  setStands({standAt("43", 40, 0, 0, 40)});
  const std::int32_t start = gf_tickCounter();
  struct Case {
    std::int32_t waited;
    bool parks;
  };
  for (const Case c : {Case{300, false}, Case{2700, false}, Case{3000, true}}) {
    SCOPED_TRACE(c.waited);
    traffic.liveList.clear();
    standList[0].takenByLive = false;
    setTick(start + c.waited);
    LiveAircraft& ac = taxiing(
        hexA, 0, 0, {groundPoint(0, 0, 0, gf_tickCounter(), true), groundPoint(0, 0, 0, gf_tickCounter() + 300, true)});
    ac.arrivedByLanding = true;
    ac.holding = true;
    ac.holdStartTick = start;
    ac.extensionLeft = 1;
    nextPosGround(ac);
    EXPECT_EQ(ac.phase, c.parks ? FlightPhase::Parking : FlightPhase::Taxi);
  }
}

TEST_F(GroundMotion, ALongLegThatChangesSpeedGetsAMidpoint) {
  struct Case {
    double metres, fromKt, toKt;
    bool midpoint;
  };
  const Case cases[] = {{150, 10, 20, true}, {90, 10, 20, false}, {150, 10, 15, false}, {150, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.metres << " m from " << c.fromKt << " to " << c.toKt << " kt");
    traffic.liveList.clear();
    const std::int32_t now = gf_tickCounter();
    LiveAircraft& ac =
        taxiing(hexA, 0, 0, {groundPoint(0, 0, c.fromKt, now), groundPoint(c.metres, 0, c.toKt, now + 1001)});
    midpointOnSpeedChange(ac);
    ASSERT_EQ(ac.feedPoints.size(), c.midpoint ? 3u : 2u);
    if (!c.midpoint) continue;
    const FeedPoint& mid = ac.feedPoints[1];
    EXPECT_DOUBLE_EQ(mid.groundSpeed, 15.0);
    EXPECT_EQ(mid.dueTick, now + 501); // the mean of the two due ticks, rounded
    EXPECT_NEAR(northOf(mid.latitude), c.metres / 2, 0.01);
    EXPECT_FALSE(mid.extraFlag);
    EXPECT_FALSE(mid.airborne);
  }
}

TEST_F(GroundMotion, ALegIsTimedByItsSpeedWithinTheWindowUnlessPredicted) {
  const std::int32_t now = gf_tickCounter();
  // 100 m at 10 kt take 1944 ticks; the feed gave 5000.
  for (const bool predicted : {false, true}) {
    SCOPED_TRACE(predicted ? "predicted" : "reported");
    traffic.liveList.clear();
    LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 10, now), groundPoint(100, 0, 10, now + 5000)});
    ac.extensionLeft = predicted ? 3 : 0;
    retimeGroundLeg(ac);
    EXPECT_EQ(ac.feedPoints[1].dueTick, predicted ? now + 1944 : now + 4000);
  }

  // A sharp turn on the ground opens the window to 2000 either way and turns faster.
  traffic.liveList.clear();
  LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 10, now), groundPoint(100, 0, 10, now + 1944)});
  ac.groundTurn = 120;
  ac.groundTurnPending = true;
  retimeGroundLeg(ac);
  EXPECT_EQ(ac.maxEarlyTicks, 2000);
  EXPECT_EQ(ac.maxLateTicks, 2000);
  const double rate = ac.aircraft.aircraftInfo.turnRate;
  // m = round(120 / rate / 100) = 982 ticks; r = 1944 / 982; the rate grows by min(r, 3).
  EXPECT_NEAR(ac.aircraft.aircraftInfo.currentTurnRate, rate * 1944.0 / 982.0, 1e-12);
}

TEST_F(GroundMotion, AStopIsKeptAtTheTimeTheFeedGaveIt) {
  const std::int32_t now = gf_tickCounter();
  LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 5, now - 100), groundPoint(0, 0, 0, now + 700, true)});
  nextPosGround(ac);
  EXPECT_EQ(ac.feedPoints[1].dueTick, now + 700);
}

TEST_F(GroundMotion, PushbackGoesTwoAndAHalfStandRadiiBackThenStraightOrToTheSideTheReportsShow) {
  setStands({standAt("40", 0, 0, 0, 20)});
  struct Case {
    const char* name;
    bool turn, otherSide;
    double endEast; // metres: + is to the right of the nose
  };
  const Case cases[] = {
      {"straight", false, false, 0.0},
      {"ends to the right of the stand axis", true, false, 37.04},
      {"reported heading right: ends to the left", true, true, -37.04},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    clearSent();
    const std::int32_t now = gf_tickCounter();
    LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 0, now, true), groundPoint(-80, 0, 5, now + 3000)});
    AircraftData& head = ac.aircraft;
    head.standNumber = 1;
    head.standLat = standList[0].lat;
    head.standLon = standList[0].lon;
    ac.phase = FlightPhase::Parked;
    ac.leavingStand = true;
    nextPosGround(ac);
    ASSERT_EQ(ac.phase, FlightPhase::PushingBack);
    EXPECT_EQ(ac.pushbackLegs, 2);
    ASSERT_EQ(ac.feedPoints.size(), 4u);
    EXPECT_NEAR(northOf(ac.feedPoints[1].latitude), -25.0, 0.05); // halfway
    EXPECT_NEAR(northOf(ac.feedPoints[2].latitude), -50.0, 0.05); // 2.5 radii back
    EXPECT_NEAR(eastOf(ac.feedPoints[3].longitude), 37.04, 0.05); // right
    EXPECT_NEAR(eastOf(ac.pushbackSidePoint.longitude), -37.04, 0.05);
    EXPECT_EQ(countEvents(SimEventId::TAXI_LIGHTS_SET), 1u);

    // The halfway point is reached.
    ac.feedPoints.pop_front();
    ac.pushbackTurn = c.turn;
    ac.pushbackOtherSide = c.otherSide;
    nextPosGround(ac);
    EXPECT_EQ(ac.pushbackLegs, 1);
    ASSERT_EQ(ac.feedPoints.size(), 2u);
    EXPECT_NEAR(eastOf(ac.feedPoints[1].longitude), c.endEast, 0.05);
    EXPECT_NEAR(northOf(ac.feedPoints[1].latitude), -50.0, 0.05);
    EXPECT_EQ(ac.curve.inUse(), c.turn);
    if (c.turn) {
      EXPECT_DOUBLE_EQ(ac.curveTurn, 90.0);
    }

    // The end is reached: engines start and the aircraft waits pushed back.
    ac.feedPoints.pop_front();
    ac.feedPoints.push_back(groundPoint(-50, c.endEast, 0, gf_tickCounter() + 300, true));
    nextPosGround(ac);
    EXPECT_EQ(ac.phase, FlightPhase::PushedBack);
    EXPECT_EQ(ac.previousPhase, FlightPhase::PushingBack);
    EXPECT_EQ(ac.pushbackLegs, 1);
    EXPECT_DOUBLE_EQ(ac.pushedBackDistance, 900.0);
    EXPECT_FALSE(ac.leavingStand);
    EXPECT_EQ(countEvents(SimEventId::ENGINE_AUTO_START), 1u);
  }
}

TEST_F(GroundMotion, AParkedAircraftLeavesForwardWhenItsReportsLieAheadElseItPushesBack) {
  setStands({standAt("41", 0, 0, 90, 20)});
  struct Case {
    double offAxisDeg; // of the last report, seen from the stand against its heading
    bool pullsOut;
  };
  const Case cases[] = {{0, true}, {89, true}, {-89, true}, {90, false}, {-135, false}, {180, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offAxisDeg << " deg");
    traffic.liveList.clear();
    const std::int32_t now = gf_tickCounter();
    const auto [n, e] = along(0, 0, 90 + c.offAxisDeg, 60);
    LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 0, now, true), groundPoint(n, e, 5, now + 3000)});
    ac.heading = 90 * degToRad;
    ac.aircraft.standNumber = 1;
    ac.aircraft.standLat = standList[0].lat;
    ac.aircraft.standLon = standList[0].lon;
    ac.aircraft.standHeading = 90 * degToRad;
    ac.phase = FlightPhase::Parked;
    ac.leavingStand = true;
    nextPosGround(ac);
    EXPECT_EQ(ac.phase, c.pullsOut ? FlightPhase::Taxi : FlightPhase::PushingBack);
    EXPECT_FALSE(ac.leavingStand && c.pullsOut);
    if (c.pullsOut) {
      // Two half spans straight ahead of the stand.
      ASSERT_EQ(ac.feedPoints.size(), 2u);
      EXPECT_NEAR(eastOf(ac.feedPoints[1].longitude), 74.08, 0.05);
      EXPECT_NEAR(northOf(ac.feedPoints[1].latitude), 0.0, 0.05);
    }
  }
  EXPECT_TRUE(log.contains("41      : TAX1     pulling out"));
}

TEST_F(GroundMotion, TheDriveIntoTheStandEndsInAStopHalfASecondLater) {
  const std::int32_t now = gf_tickCounter();
  LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 3, now)});
  ac.extensionLeft = 4;
  const GeoPosition s = metresAt(30, 0);
  drive2Stand(ac, {s.latitude, s.longitude, 90 * degToRad});
  ASSERT_EQ(ac.feedPoints.size(), 3u);
  // 30 m at the Large's 4 kt: 1458 ticks.
  const FeedPoint& in = ac.feedPoints[1];
  const FeedPoint& stop = ac.feedPoints[2];
  EXPECT_DOUBLE_EQ(ac.feedPoints[0].groundSpeed, 4.0);
  EXPECT_EQ(in.dueTick, now + 1458);
  EXPECT_FALSE(in.extraFlag);
  EXPECT_DOUBLE_EQ(in.track, 90.0);
  EXPECT_DOUBLE_EQ(in.groundSpeed, 4.0);
  EXPECT_EQ(stop.dueTick, now + 1508);
  EXPECT_TRUE(stop.extraFlag);
  EXPECT_DOUBLE_EQ(stop.groundSpeed, 0.0);
  EXPECT_EQ(stop.latitude, s.latitude);
  EXPECT_DOUBLE_EQ(ac.groundTargetHeading, 90 * degToRad);
  EXPECT_EQ(ac.extensionLeft, 0); // reports are awaited again

  // Already at the stand: the stand point is still and at least 100 ticks away.
  traffic.liveList.clear();
  LiveAircraft& there = taxiing(hexA, 30, 0, {groundPoint(30, 0, 0, now, true)});
  drive2Stand(there, {there.feedPoints[0].latitude, there.feedPoints[0].longitude, 0.0});
  ASSERT_EQ(there.feedPoints.size(), 3u);
  EXPECT_TRUE(there.feedPoints[1].extraFlag);
  EXPECT_EQ(there.feedPoints[1].dueTick, now + 100);

  there.feedPoints.clear();
  drive2Stand(there, {s.latitude, s.longitude, 0.0});
  EXPECT_TRUE(there.feedPoints.empty());
  EXPECT_TRUE(log.contains("===> drive2Stand empty sz?"));
}

TEST_F(GroundMotion, AValueTheStepCannotUseTakesTheAircraftOutOnce) {
  const std::int32_t now = gf_tickCounter();
  struct Case {
    const char* name;
    FeedPoint second;
    double standSpeedKt;
  };
  FeedPoint nanSpeed = groundPoint(100, 0, 10, now + 2000);
  nanSpeed.groundSpeed = std::nan("");
  FeedPoint offEarth = groundPoint(100, 0, 10, now + 2000);
  offEarth.latitude = 95.0;
  FeedPoint farAway = groundPoint(100, 0, 0, now + 2000);
  farAway.longitude += 170.0; // thousands of miles at a walking pace: no int32 travel time
  const Case cases[] = {{"speed not a number", nanSpeed, 4}, {"latitude beyond the pole", offEarth, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    traffic.removeBacklog.clear();
    LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 10, now), c.second});
    nextPosGround(ac);
    EXPECT_EQ(ac.aircraft.state, LiveState::RemovingFromSim);
    EXPECT_EQ(traffic.removeBacklog.size(), 1u);
    nextPosGround(ac); // nothing more is queued
    EXPECT_EQ(traffic.removeBacklog.size(), 1u);
  }

  traffic.liveList.clear();
  traffic.removeBacklog.clear();
  LiveAircraft& slow = taxiing(hexA, 0, 0, {groundPoint(0, 0, 0.0001, now), farAway});
  retimeGroundLeg(slow);
  EXPECT_EQ(slow.aircraft.state, LiveState::RemovingFromSim);

  traffic.liveList.clear();
  LiveAircraft& noSpeed = taxiing(hexA, 0, 0, {groundPoint(0, 0, 3, now)});
  noSpeed.aircraft.aircraftInfo.standSpeedKt = 0.0;
  const GeoPosition s = metresAt(30, 0);
  drive2Stand(noSpeed, {s.latitude, s.longitude, 0.0});
  EXPECT_EQ(noSpeed.aircraft.state, LiveState::RemovingFromSim);
  EXPECT_EQ(noSpeed.feedPoints.size(), 1u);
  EXPECT_TRUE(log.contains("===> nextPosGround: "));
}

TEST_F(GroundMotion, ATaxiingAircraftThatStopsAtAStandParksUnlessItJustLeftOne) {
  setStands({standAt("42", 30, 0, 0, 40)});
  struct Case {
    FlightPhase before;
    bool towed, parks;
  };
  const Case cases[] = {{FlightPhase::Flying, false, true},
                        {FlightPhase::PushedBack, false, false},
                        {FlightPhase::PushedBack, true, true},
                        {FlightPhase::Parked, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << gf_phaseName(c.before) << (c.towed ? " towed" : ""));
    traffic.liveList.clear();
    standList[0].takenByLive = false;
    const std::int32_t now = gf_tickCounter();
    LiveAircraft& ac = taxiing(hexA, 28, 0, {groundPoint(28, 0, 3, now), groundPoint(30, 0, 0, now + 300, true)});
    ac.previousPhase = c.before;
    ac.towed = c.towed;
    nextPosGround(ac);
    EXPECT_EQ(ac.phase, c.parks ? FlightPhase::Parking : FlightPhase::Taxi);
    EXPECT_EQ(ac.aircraft.standNumber, c.parks ? 1 : 0);
    EXPECT_EQ(standList[0].takenByLive, c.parks);
  }
}

TEST_F(GroundMotion, AStandFoundJustAfterACornerIsReachedAlongTheDriveNotAlongTheCorner) {
  // 20 m north, then right to (20, 20) and a stop 5 m further north at a stand: the corner
  // becomes a curve, and the stop is near enough that the stand is taken at once.
  setStands({standAt("44", 25, 20, 0, 40)});
  const std::int32_t now = gf_tickCounter();
  LiveAircraft& ac = taxiing(hexA, 0, 0,
                             {groundPoint(0, 0, 4, now), groundPoint(20, 0, 4, now + 600),
                              groundPoint(20, 20, 4, now + 1200), groundPoint(25, 20, 0, now + 1500, true)});
  takeNextPoint(ac);
  ASSERT_EQ(ac.phase, FlightPhase::Parking);
  const std::int32_t arrival = ac.feedPoints.front().dueTick;
  for (std::int32_t tick = now + 1; tick <= arrival; ++tick) {
    setTick(tick);
    moveOneTick(ac);
  }
  EXPECT_NEAR(northOf(ac.lat), 25.0, 0.5);
  EXPECT_NEAR(eastOf(ac.lon), 20.0, 0.5);
}

} // namespace
} // namespace traffic_testing
