// Air motion: the approach's vertical speed, pitch and bank toward the next point, the
// lights and bands by height, the take-off throttle, rotation and climb-out, the flare and
// the landing roll.
#include "airports/park_airport.h"
#include "core/refdata/lookups.h"
#include "feeds/qnh_reader.h"
#include "traffic/motion/air_motion.h"
#include "traffic/motion/position_stream.h"
#include "traffic_fixture.h"

#include <cmath>

using namespace traffic_testing;

namespace {

constexpr double deg = degToRad;

class AirMotion : public TrafficTest {
protected:
  AirMotion() {
    trafficQnh.store(1013);
    currentParkAirport = {};
  }
  ~AirMotion() override {
    trafficQnh.store(1013);
    currentParkAirport = {};
  }

  static FeedPoint point(double northNm, double altitude, double speed, double vs, std::int32_t due) {
    FeedPoint p;
    p.latitude = latNorth(northNm);
    p.longitude = laxLon;
    p.altitude = altitude;
    p.groundSpeed = speed;
    p.trueAirspeed = speed;
    p.verticalSpeed = vs;
    p.dueTick = due;
    p.airborne = altitude > 0;
    return p;
  }

  // A live aircraft at its first point about to take the second (the tick counter at 1000).
  LiveAircraft& aircraft(const std::string& type, std::vector<FeedPoint> points) {
    setTick(1000);
    LiveAircraft& ac = active(firstHexid, 300, 0.0);
    AircraftInfoData& info = ac.aircraft.aircraftInfo;
    info.type = type;
    info.category = gf_aircraftCategory(type);
    const CategoryRow& row = gf_categoryRow(info.category);
    info.verticalStepFt = row.verticalStepFt;
    info.rotationTicks = row.rotationTicks;
    info.climbTicks = row.climbTicks;
    info.flareTicks = row.flareTicks;
    info.rotationPitch = row.rotationPitch;
    info.climbPitch = row.climbPitch;
    info.cgHeightFt = 8.0;
    info.groundPitch = 0.7 * deg;
    ac.feedPoints.assign(points.begin(), points.end());
    ac.lat = points.front().latitude;
    ac.lon = points.front().longitude;
    ac.altitude = points.front().altitude;
    ac.phase = FlightPhase::Flying;
    ac.onGround = !points.front().airborne;
    return ac;
  }

  std::vector<std::int32_t> sent(SimEventId id) const {
    std::vector<std::int32_t> values;
    for (const auto& e : eventsSent())
      if (e.eventId == id) values.push_back(e.data);
    return values;
  }
};

TEST_F(AirMotion, TheApproachDescendsAtTheReportedRateCorrectedForTheQnh) {
  struct Case {
    std::int32_t qnh;
    double vs1, vs2, agl;
    double expected;
  };
  const Case cases[] = {
      {1020, -700, -900, 1500, -842}, // -800 - 7 x 6
      {1020, -300, -500, 1500, -601}, // never shallower than -601
      {1030, -700, -900, 90, -600},   // near the ground the QNH does not count
      {1005, -1000, -1200, 1500, -1052},
  };
  for (const auto& c : cases) {
    traffic.liveList.clear();
    trafficQnh.store(c.qnh);
    LiveAircraft& ac = aircraft("B738", {point(0, 1500, 150, c.vs1, 1000), point(1, 1200, 150, c.vs2, 3000)});
    ac.agl = c.agl;
    EXPECT_DOUBLE_EQ(approachVerticalSpeed(ac), c.expected) << c.qnh << " hPa, " << c.agl << " ft";
  }
}

TEST_F(AirMotion, ALandingAheadDescendsToTheParkAirportOnlyWhenItLandsThere) {
  currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125.0};
  struct Case {
    std::int32_t qnh;
    double landingNorthNm; // where the point on the ground lies
    double expectedStep;   // feet per tick
  };
  // Taken at 1500 ft, the point on the ground 0.8056 nm ahead at 145 kt: 2000 ticks.
  const Case cases[] = {
      {1005, 1.0, (125.0 - 1500.0) / 2000.0}, // at the park airport: down to its elevation
      {1005, 60.0, -601.0 / 6000.0},          // 60 nm away: its elevation says nothing there
      {1020, 1.0, -842.0 / 6000.0},           // a high QNH: the corrected approach rate
  };
  for (const auto& c : cases) {
    traffic.liveList.clear();
    clearSent();
    trafficQnh.store(c.qnh);
    LiveAircraft& ac = aircraft("B738", {point(c.landingNorthNm - 145.0 * 2000 / 360000, 1500, 150, -700, 1000),
                                         point(c.landingNorthNm, 0, 140, -900, 3000)});
    ac.agl = 1500;
    runTicks(1);
    EXPECT_NEAR(ac.verticalStep, c.expectedStep, 1e-4) << c.qnh << " hPa, " << c.landingNorthNm << " nm";
    ASSERT_FALSE(sent(SimEventId::GEAR_SET).empty());
    EXPECT_EQ(sent(SimEventId::GEAR_SET).front(), 1);
  }
}

TEST_F(AirMotion, ThePitchFollowsTheReportedVerticalSpeedWithinItsLimits) {
  struct Case {
    double vs;
    double targetDeg;
  };
  const Case cases[] = {{3000, -11.8}, {-900, -1.35}, {0, -3.0}, {-6000, -3.0 + 1500.0 / 600.0 * 2.2}};
  for (const auto& c : cases) {
    traffic.liveList.clear();
    // 57600 ticks to the point: every target is reached within the pitch rate limit.
    LiveAircraft& ac = aircraft("B738", {point(0, 5000, 250, c.vs, 1000), point(40, 5000, 250, c.vs, 58600)});
    ac.agl = 5000;
    ac.pitch = 0.0;
    runTicks(1);
    const std::int32_t t = ac.feedPoints.front().dueTick - 1000;
    EXPECT_NEAR(ac.pitchRate * t * radToDeg, c.targetDeg, 1e-6) << c.vs;
  }
  // A short leg: the rate is held to the category's limit.
  traffic.liveList.clear();
  LiveAircraft& heavy = aircraft("B744", {point(0, 5000, 250, 3000, 1000), point(1, 5000, 250, 3000, 1100)});
  heavy.agl = 5000;
  runTicks(1);
  EXPECT_NEAR(heavy.pitchRate, -0.005 * deg, 1e-12);
}

TEST_F(AirMotion, ALargeTurningSixtyDegreesRightBanksToMinusThirty) {
  struct Case {
    std::string type;
    double turnDeg;
    std::int32_t ticks;
    double rateDegPerTick;
  };
  const Case cases[] = {
      {"B738", 60, 4320, -30.0 / 4320}, // a long leg: reaches -30 degrees at the point
      {"B738", 60, 1000, -0.02},        // a short one: at most 0.02 degrees per tick
      {"B738", -60, 4320, 30.0 / 4320}, // a left turn banks the other way
      {"B744", 90, 4000, -20.0 / 4000}, // a Heavy banks 20 degrees at most
  };
  for (const auto& c : cases) {
    LiveAircraft ac;
    ac.aircraft.aircraftInfo.category = gf_aircraftCategory(c.type);
    steerBank(ac, c.turnDeg * deg, c.ticks);
    EXPECT_NEAR(ac.bankRate * radToDeg, c.rateDegPerTick, 1e-12) << c.type << " " << c.turnDeg << " " << c.ticks;
  }

  // Flown: the leg after the next point turns 60 degrees right; 3 nm at 250 kt take 4320 ticks.
  const FeedPoint second = point(3, 5000, 250, 0, 5320);
  FeedPoint third = second;
  const auto turned = gf_destinationPoint({second.latitude, second.longitude}, 60 * deg, 6076.0);
  third.latitude = turned.latitude;
  third.longitude = turned.longitude;
  third.dueTick = 6760;
  LiveAircraft& ac = aircraft("B738", {point(0, 5000, 250, 0, 1000), second, third});
  ac.agl = 5000;
  runUntil(5320);
  EXPECT_NEAR(ac.bank * radToDeg, -30.0, 0.01);
  EXPECT_NEAR(ac.heading * radToDeg, 60.0, 0.5) << "the turn is spread over the leg";
}

TEST_F(AirMotion, AHeavyAboveTenThousandFeetGetsItsHighSettingsOnce) {
  // 300 kt: 1/12 nm every 100 ticks.
  LiveAircraft& ac = aircraft("B744", {point(0, 15000, 300, 0, 1000), point(1.0 / 12, 15000, 300, 0, 1100),
                                       point(2.0 / 12, 15000, 300, 0, 1200), point(3.0 / 12, 15000, 300, 0, 1300)});
  ac.agl = 15000;
  ac.aircraft.flapsStep = 2;
  runTicks(1);
  EXPECT_EQ(sent(SimEventId::THROTTLE_SET), std::vector<std::int32_t>{11468});
  EXPECT_EQ(sent(SimEventId::GEAR_SET), std::vector<std::int32_t>{0});
  EXPECT_EQ(sent(SimEventId::FLAPS_SET), std::vector<std::int32_t>{0});
  EXPECT_EQ(sent(SimEventId::LANDING_LIGHTS_SET), std::vector<std::int32_t>{0});
  EXPECT_EQ(sent(SimEventId::CABIN_LIGHTS_SET), std::vector<std::int32_t>{1});
  clearSent();
  runUntil(1301);
  EXPECT_TRUE(eventsSent().empty()) << "later points at 15000 ft send nothing";
}

TEST_F(AirMotion, TheFinalApproachBeginsOnlyNearTheParkAirport) {
  currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125.0};
  struct Case {
    double northNm;
    bool approach;
  };
  for (const Case c : {Case{5.0, true}, Case{15.0, false}}) {
    traffic.liveList.clear();
    clearSent();
    LiveAircraft& ac =
        aircraft("B738", {point(c.northNm, 1500, 160, -800, 1000), point(c.northNm - 0.5, 1450, 160, -800, 2000)});
    ac.agl = 1400;
    ac.aircraft.standNumber = 4;
    runTicks(1);
    EXPECT_EQ(ac.onApproach, c.approach) << c.northNm;
    if (c.approach) {
      EXPECT_EQ(sent(SimEventId::THROTTLE_SET), std::vector<std::int32_t>{4914});
      EXPECT_EQ(sent(SimEventId::FLAPS_SET), std::vector<std::int32_t>{16383});
      EXPECT_EQ(sent(SimEventId::GEAR_SET), std::vector<std::int32_t>{1});
      EXPECT_EQ(ac.aircraft.standNumber, 0) << "the stand is forgotten";
      EXPECT_EQ(traffic.twinCheckQueue.back(), ac.aircraft.aircraftInfo.hexid);
    } else {
      EXPECT_TRUE(sent(SimEventId::GEAR_SET).empty());
      EXPECT_EQ(ac.flareStage, 0);
    }
  }
}

TEST_F(AirMotion, TheTakeOffThrottleFollowsTheSpeed) {
  struct Case {
    double first, second;
    std::int32_t throttle;
  };
  const Case cases[] = {{10, 10, 0},    {15, 10, 4914},  {10, 20, 4914}, {20, 10, 8191},
                        {10, 25, 8191}, {25, 10, 16383}, {10, 30, 16383}};
  for (const auto& c : cases) {
    traffic.liveList.clear();
    clearSent();
    LiveAircraft& ac = aircraft("B738", {point(0, 0, c.first, 0, 1000), point(0.05, 0, c.second, 0, 2000)});
    ac.phase = FlightPhase::Taxi;
    ac.takingOff = true;
    ac.aircraft.leverStep = 5;
    runTicks(1);
    EXPECT_EQ(sent(SimEventId::THROTTLE_SET), std::vector<std::int32_t>{c.throttle}) << c.first << "/" << c.second;
  }
}

TEST_F(AirMotion, RotationNeedsAirbornePointsAheadAndTheGearComesUpThreeSecondsAfterIt) {
  // 43 kt on the roll, the points ahead still on the ground: no rotation.
  LiveAircraft& ground =
      aircraft("B738", {point(0, 0, 45, 0, 1000), point(0.1, 0, 100, 0, 1500), point(0.2, 0, 150, 0, 2000)});
  ground.phase = FlightPhase::Taxi;
  ground.takingOff = true;
  runTicks(1);
  EXPECT_NE(ground.phase, FlightPhase::TakeOff);

  traffic.liveList.clear();
  clearSent();
  // 148 kt on average over 700 ticks; speeds close enough that the leg is not split.
  LiveAircraft& ac = aircraft(
      "B738", {point(0, 0, 146, 0, 1000), point(0.2878, 300, 150, 1500, 1700), point(1.5, 1500, 170, 2000, 3200)});
  ac.phase = FlightPhase::Taxi;
  ac.takingOff = true;
  ac.aircraft.leverStep = 4;
  runTicks(1);
  ASSERT_EQ(ac.phase, FlightPhase::TakeOff);
  const std::int32_t rotationTicks = ac.aircraft.aircraftInfo.rotationTicks;
  EXPECT_EQ(ac.takeOffCountdown, rotationTicks - 1);
  const std::int32_t rotationEnd = gf_tickCounter() + rotationTicks - 2;
  runUntil(rotationEnd + 1);
  EXPECT_EQ(ac.takeOffCountdown, 0);
  EXPECT_NEAR(ac.pitch, ac.aircraft.aircraftInfo.rotationPitch, 0.1 * deg);
  EXPECT_FALSE(ac.onGround);
  // The climb builds up: a tenth, a fifth, then half the vertical step, then all of it.
  const double step = ac.verticalStep;
  struct Band {
    std::int32_t ticks;
    double share;
  };
  for (const Band b : {Band{99, 0.1}, Band{100, 0.2}, Band{100, 0.5}}) {
    const double before = ac.altitude;
    runTicks(b.ticks);
    EXPECT_NEAR(ac.altitude - before, b.ticks * step * b.share, 1e-6) << b.share;
  }
  EXPECT_TRUE(sent(SimEventId::GEAR_SET).empty());
  runTicks(1);
  const auto gear = sent(SimEventId::GEAR_SET);
  EXPECT_EQ(gear, std::vector<std::int32_t>{0});
  EXPECT_EQ(ac.takeOffCountdown, -300) << "GEAR_SET 0 exactly 300 ticks after the rotation";
}

TEST_F(AirMotion, TheClimbOutEndsTheTakeOffAtEightHundredFeetWithLeverStepThree) {
  LiveAircraft& ac = aircraft("B738", {point(0, 500, 160, 2000, 1000), point(2, 2500, 170, 2000, 30000)});
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  ac.phase = FlightPhase::TakeOff;
  ac.takeOffCountdown = -400;
  ac.pitch = info.climbPitch - 0.001;
  ac.aircraft.leverStep = 4;
  ac.agl = 700;
  ac.verticalStep = 0.3;
  ac.feedPoints.erase(ac.feedPoints.begin());
  ac.feedPoints.front().dueTick = 30000;
  runTicks(5);
  EXPECT_EQ(ac.phase, FlightPhase::TakeOff) << "below 800 ft above the ground";
  ac.agl = 800;
  runTicks(1);
  EXPECT_EQ(ac.phase, FlightPhase::Flying);
  EXPECT_EQ(ac.takeOffCountdown, 1);
  EXPECT_EQ(sent(SimEventId::THROTTLE_SET), std::vector<std::int32_t>{11468});
}

TEST_F(AirMotion, TheFlareStepsDownInFourStagesAndClosesTheThrottle) {
  currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125.0};
  LiveAircraft& ac = aircraft("B738", {point(0, 300, 140, -700, 1000), point(1, 0, 130, 0, 100000)});
  ac.feedPoints.erase(ac.feedPoints.begin());
  ac.onApproach = true;
  ac.aircraft.leverStep = 1;
  ac.pitch = -2 * deg;
  struct Stage {
    double agl;
    std::int32_t stage;
    double step;
    double targetVs;
  };
  // The CG is 8 ft above the ground.
  const Stage stages[] = {{38, 1, -0.1, -601}, {28, 2, -0.075, -450}, {18, 3, -0.05, -300}, {11, 4, -0.025, -150}};
  ac.agl = 60;
  ac.altitude = 185;
  runTicks(1);
  EXPECT_EQ(ac.flareStage, 0);
  for (const auto& s : stages) {
    ac.agl = s.agl;
    ac.altitude = 125 + s.agl;
    runTicks(1);
    EXPECT_EQ(ac.flareStage, s.stage);
    EXPECT_DOUBLE_EQ(ac.verticalStep, s.step);
    EXPECT_DOUBLE_EQ(ac.feedPoints.front().verticalSpeed, s.targetVs);
  }
  EXPECT_EQ(sent(SimEventId::THROTTLE_SET), std::vector<std::int32_t>{0});
  EXPECT_GE(ac.pitch, -4 * deg - 1e-12) << "never more than 4 degrees nose up";
}

TEST_F(AirMotion, TheLandingRollRetractsAtNinetyKnotsAndEndsOffTheRunway) {
  // Each leg at the mean of its speeds in 500 ticks.
  LiveAircraft& ac =
      aircraft("B738", {point(0, 0, 120, 0, 1000), point(0.1493, 0, 95, 0, 1500), point(0.2743, 0, 85, 0, 2000),
                        point(0.3542, 0, 30, 0, 2500), point(0.3889, 0, 20, 0, 3000)});
  ac.phase = FlightPhase::Taxi;
  ac.landingRoll = true;
  ac.landingHeading = 0.0;
  ac.aircraft.flapsStep = 3;
  runUntil(1501);
  EXPECT_TRUE(eventsSent().empty()) << "above 90 kt";
  runUntil(2001);
  EXPECT_EQ(sent(SimEventId::SPOILERS_SET), std::vector<std::int32_t>{0});
  EXPECT_EQ(sent(SimEventId::FLAPS_SET), std::vector<std::int32_t>{3072});
  ASSERT_FALSE(fake.callsOf("SetDataOnSimObject").empty());
  EXPECT_EQ(fake.callsOf("SetDataOnSimObject").back().doubles, (std::vector<double>{0, 0, 0}));
  // Turned off the runway.
  clearSent();
  ac.heading = 20 * deg;
  runUntil(2501);
  EXPECT_FALSE(ac.landingRoll);
  EXPECT_EQ(sent(SimEventId::FLAPS_SET), std::vector<std::int32_t>{0});
  EXPECT_EQ(sent(SimEventId::TAXI_LIGHTS_SET), std::vector<std::int32_t>{1});
  EXPECT_EQ(sent(SimEventId::LANDING_LIGHTS_SET), std::vector<std::int32_t>{0});
  EXPECT_EQ(sent(SimEventId::STROBES_SET), std::vector<std::int32_t>{0});
}

TEST_F(AirMotion, ATouchAndGoRotatesFromTheLandingRollWithFullThrottle) {
  LiveAircraft& ac = aircraft(
      "B738", {point(0, 0, 140, 0, 1000), point(0.2819, 300, 150, 1500, 1700), point(1.5, 1500, 170, 2000, 3200)});
  ac.phase = FlightPhase::Taxi;
  ac.landingRoll = true;
  ac.takingOff = true;
  ac.aircraft.leverStep = 0;
  ac.aircraft.flapsStep = 3;
  runTicks(1);
  EXPECT_EQ(ac.phase, FlightPhase::TakeOff);
  EXPECT_FALSE(ac.landingRoll);
  EXPECT_EQ(sent(SimEventId::THROTTLE_SET).back(), 16383);
  EXPECT_EQ(sent(SimEventId::SPOILERS_SET).back(), 16383);
  EXPECT_EQ(sent(SimEventId::FLAPS_SET).back(), 3072);
}

} // namespace
