// Live aircraft at their stands: arriving, the reports of a parked aircraft judged against
// its stand, leaving and the towed aircraft, the stream when the reports stop, and the
// livery respawn.
#include "ground_fixture.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/parking/static_plan.h"

#include <cmath>

namespace traffic_testing {
namespace {

constexpr std::uint32_t hexA = firstHexid + 1;
constexpr std::uint32_t hexB = firstHexid + 2;

class StandArrival : public GroundTest {
protected:
  StandArrival() {
    setStands({standAt("G7", 0, 0, 90, 40)});
    MAX_HOLDING_MINUTES.set(20);
  }

  // A live aircraft standing on (or driving into) stand G7 at the reference point.
  LiveAircraft& onStand(std::uint32_t hexid, FlightPhase phase, double northMetres = 0.0) {
    LiveAircraft& ac = taxiing(hexid, northMetres, 0, {groundPoint(northMetres, 0, 0, gf_tickCounter(), true)});
    ac.aircraft.standNumber = 1;
    ac.aircraft.standLat = standList[0].lat;
    ac.aircraft.standLon = standList[0].lon;
    ac.aircraft.standHeading = standList[0].heading;
    ac.heading = standList[0].heading;
    ac.phase = phase;
    ac.previousPhase = FlightPhase::Parking;
    return ac;
  }

  static FeedPoint reportAt(double northMetres) { return groundPoint(northMetres, 0, 2, gf_tickCounter() + 3000); }
};

TEST_F(StandArrival, AnAircraftWithinTwoMetresParksWithEnginesOffAndItsUseLearned) {
  LiveAircraft& ac = onStand(hexA, FlightPhase::Parking, 1.5);
  ac.aircraft.aircraftInfo.registration = "N12345";
  ac.aircraft.leverStep = 1;
  standList[0].takenByLive = true;
  EXPECT_TRUE(extendStream(ac));
  EXPECT_EQ(ac.phase, FlightPhase::Parked);
  EXPECT_EQ(ac.previousPhase, FlightPhase::Parking);
  EXPECT_EQ(ac.aircraft.parkedSince, (WeekTime{3, 20}));
  EXPECT_TRUE(log.contains("G7      : TAX1     arrived at stand"));
  EXPECT_EQ(countEvents(SimEventId::ENGINE_AUTO_SHUTDOWN), 1u);
  EXPECT_EQ(countEvents(SimEventId::THROTTLE_SET), 1u);
  EXPECT_EQ(traffic.twinCheckQueue.back(), hexA);
  // One real option of this registration for Wednesday 10:00.
  ASSERT_EQ(standList[0].options.size(), 1u);
  const StandOptionData& learned = standList[0].options[0];
  EXPECT_EQ(learned.registration, "N12345");
  EXPECT_EQ(learned.day, 3);
  EXPECT_EQ(learned.hours, std::uint64_t{1} << 20);
  EXPECT_TRUE(learned.real);
  ASSERT_EQ(traffic.standUseList.size(), 1u);
  EXPECT_EQ(traffic.standUseList[0].halfHour, 20);
  // It stays a week; the stand is no longer held against other live aircraft.
  ASSERT_EQ(ac.feedPoints.size(), 2u);
  EXPECT_EQ(ac.feedPoints[1].dueTick, ac.feedPoints[0].dueTick + 60'480'000);
  EXPECT_EQ(ac.extensionLeft, 1);
  EXPECT_FALSE(standList[0].takenByLive);

  // Three metres short it taxis on.
  traffic.liveList.clear();
  LiveAircraft& shortOf = onStand(hexB, FlightPhase::Parking, 3.0);
  extendStream(shortOf);
  EXPECT_EQ(shortOf.phase, FlightPhase::Taxi);
  EXPECT_EQ(standList[0].options.size(), 1u);
}

TEST_F(StandArrival, AParkedAircraftIsLeavingOnlyWhenItsReportsMoveAwayFarEnough) {
  struct Case {
    const char* name;
    std::vector<double> metres; // reports, in order
    std::size_t leavingAt;      // 1-based report at which it leaves, 0 never
  };
  const Case cases[] = {
      {"10 14 18 22: the third move", {10, 14, 18, 22}, 4},
      {"jitter within 3 m", {10, 12, 11, 12, 10, 12, 11}, 0},
      {"one jump beyond the half span", {10, 30}, 2},
      {"85 to 200 m away at once", {10, 120}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    LiveAircraft& ac = onStand(hexA, FlightPhase::Parked);
    ac.previousPhase = FlightPhase::Taxi;
    ac.aircraft.aircraftInfo.halfSpanNm = 0.01; // 18.5 m
    std::size_t leftAt = 0;
    for (std::size_t i = 0; i < c.metres.size() && leftAt == 0; ++i) {
      FeedPoint r = reportAt(c.metres[i]);
      r.extraFlag = true;
      const bool added = checkParkedPoint(ac, r);
      if (ac.leavingStand) {
        leftAt = i + 1;
        EXPECT_TRUE(added);
        EXPECT_FALSE(r.extraFlag);
      } else {
        EXPECT_FALSE(added);
      }
    }
    EXPECT_EQ(leftAt, c.leavingAt);
    EXPECT_TRUE(ac.standReportSeen);
  }

  // More than 200 m away: the aircraft is gone from its stand and is removed.
  traffic.liveList.clear();
  LiveAircraft& lost = onStand(hexA, FlightPhase::Parked);
  FeedPoint far = reportAt(250);
  EXPECT_FALSE(checkParkedPoint(lost, far));
  EXPECT_EQ(lost.aircraft.state, LiveState::RemovingFromSim);

  // Driving in but reported past the stand: it taxis on with the report.
  traffic.liveList.clear();
  LiveAircraft& past = onStand(hexA, FlightPhase::Parking);
  past.previousPhase = FlightPhase::Taxi;
  standList[0].takenByLive = true;
  FeedPoint beyond = reportAt(100);
  EXPECT_TRUE(checkParkedPoint(past, beyond));
  EXPECT_EQ(past.phase, FlightPhase::Taxi);
  EXPECT_FALSE(standList[0].takenByLive);
}

TEST_F(StandArrival, AnAircraftLeavingSoonAfterItLandedAndParkedIsTowed) {
  struct Case {
    SizeCategory category;
    std::int32_t minutes;
    bool towed;
  };
  const Case cases[] = {{SizeCategory::Heavy, 50, true},   {SizeCategory::Heavy, 70, false},
                        {SizeCategory::Large, 20, true},   {SizeCategory::Large, 30, false},
                        {SizeCategory::Buzjets, 14, true}, {SizeCategory::Light, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << gf_categoryName(c.category) << " after " << c.minutes << " min");
    traffic.liveList.clear();
    setTick(100'000);
    LiveAircraft& ac = onStand(hexA, FlightPhase::Parked);
    ac.aircraft.aircraftInfo.category = c.category;
    ac.arrivedByLanding = true;
    predictPoint(ac, 1); // the parked point, a week ahead
    ac.feedPoints.pop_front();
    setTick(100'000 + c.minutes * 6000);
    leaveStand(ac);
    EXPECT_EQ(ac.towed, c.towed);
    EXPECT_FALSE(ac.arrivedByLanding);
    EXPECT_EQ(ac.extensionLeft, 0);
    EXPECT_EQ(ac.feedPoints.front().dueTick, gf_tickCounter() + 1);
  }
}

TEST_F(StandArrival, ATaxiingAircraftWithoutReportsHoldsUntilItsTimeIsUpOrAnotherComesNear) {
  LiveAircraft& ac = taxiing(hexA, 300, 0, {groundPoint(300, 0, 0, gf_tickCounter(), true)});
  const std::int32_t start = gf_tickCounter();
  EXPECT_TRUE(extendStream(ac));
  EXPECT_TRUE(ac.holding);
  EXPECT_EQ(ac.holdStartTick, start);
  ASSERT_EQ(ac.feedPoints.size(), 2u);
  EXPECT_EQ(ac.feedPoints[1].dueTick, ac.feedPoints[0].dueTick + 300);
  EXPECT_TRUE(ac.feedPoints[1].extraFlag);

  ac.feedPoints.pop_front();
  setTick(start + 20 * 6000 + 5999); // 20 whole minutes
  EXPECT_TRUE(extendStream(ac));
  ac.feedPoints.pop_front();
  setTick(start + 21 * 6000);
  EXPECT_FALSE(extendStream(ac));

  // Another taxiing aircraft within 1.2 times the two half spans: it goes at once.
  traffic.liveList.clear();
  LiveAircraft& waiting = taxiing(hexA, 300, 0, {groundPoint(300, 0, 0, gf_tickCounter(), true)});
  taxiing(hexB, 300, 85, {groundPoint(300, 85, 5, gf_tickCounter())}, 8); // 85 m < 1.2 x 74 m
  EXPECT_FALSE(extendStream(*gf_findLiveByHexid(hexA)));
  EXPECT_FALSE(gf_findLiveByHexid(hexA)->holding);
  (void)waiting;
}

TEST_F(StandArrival, AFlyingAircraftWithoutReportsFliesOnUnlessNearTheEdgeOfTheRange) {
  placeUser(laxLat, laxLon, 3000, false);
  const double range = rangeNm.load();
  rangeNm.store(40.0);
  for (const double northNm : {39.6, 20.0}) {
    SCOPED_TRACE(northNm);
    traffic.liveList.clear();
    LiveAircraft& ac = taxiing(hexA, northNm * 1852, 0, {});
    ac.onGround = false;
    ac.phase = FlightPhase::Flying;
    FeedPoint p = groundPoint(northNm * 1852, 0, 200, gf_tickCounter());
    p.altitude = 5000;
    p.airborne = true;
    ac.feedPoints.push_back(p);
    const bool extended = extendStream(ac);
    EXPECT_EQ(extended, northNm < 39.5);
    if (!extended) continue;
    // Eight points, 8 seconds apart, 5 % slower each.
    std::vector<double> speeds{ac.feedPoints.back().groundSpeed};
    ac.feedPoints.pop_front();
    while (extendStream(ac)) {
      speeds.push_back(ac.feedPoints.back().groundSpeed);
      EXPECT_EQ(ac.feedPoints.back().dueTick - ac.feedPoints[ac.feedPoints.size() - 2].dueTick, 800);
      ac.feedPoints.pop_front();
    }
    ASSERT_EQ(speeds.size(), 8u);
    EXPECT_DOUBLE_EQ(speeds.front(), 190.0);
    EXPECT_NEAR(speeds.back(), 200 * std::pow(0.95, 8), 1e-9);
    EXPECT_EQ(ac.extensionLeft, -1);
  }
  rangeNm.store(range);
}

TEST_F(StandArrival, ATakeOffRollWithoutReportsKeepsAccelerating) {
  LiveAircraft& ac = taxiing(hexA, 0, 0, {groundPoint(0, 0, 20, gf_tickCounter())});
  ac.takingOff = true;
  std::vector<double> speeds;
  for (int i = 0; i < 6 && extendStream(ac); ++i) {
    speeds.push_back(ac.feedPoints.back().groundSpeed);
    ac.feedPoints.pop_front();
  }
  EXPECT_EQ(speeds, (std::vector<double>{40, 80, 110, 150, 170, 180}));
  // Each point 3 seconds ahead along the heading (north).
  EXPECT_GT(ac.feedPoints.back().latitude, laxLat);
}

TEST_F(StandArrival, AValueThatCannotBeUsedIsDroppedOnce) {
  // A report without a position says nothing about the stand.
  LiveAircraft& ac = onStand(hexA, FlightPhase::Parked);
  FeedPoint r = reportAt(10);
  r.latitude = std::nan("");
  EXPECT_FALSE(checkParkedPoint(ac, r));
  EXPECT_FALSE(ac.leavingStand);
  EXPECT_EQ(ac.aircraft.state, LiveState::Active);
  EXPECT_DOUBLE_EQ(ac.standLastDistance, 0.0);

  // A flying aircraft whose heading was lost is not predicted anywhere: its stream ends.
  traffic.liveList.clear();
  LiveAircraft& lost = taxiing(hexA, 0, 0, {});
  lost.onGround = false;
  lost.phase = FlightPhase::Flying;
  lost.heading = std::nan("");
  FeedPoint p = groundPoint(0, 0, 200, gf_tickCounter());
  p.altitude = 5000;
  p.airborne = true;
  lost.feedPoints.push_back(p);
  predictPoint(lost, 8);
  EXPECT_EQ(lost.feedPoints.size(), 1u);
  EXPECT_EQ(lost.extensionLeft, -1);
  EXPECT_FALSE(extendStream(lost));
}

TEST_F(StandArrival, ALiveryRespawnKeepsTheRecordAndRemovesTheObject) {
  LiveAircraft& ac = onStand(hexA, FlightPhase::Parked);
  ac.feedPoints.push_back(groundPoint(0, 0, 0, gf_tickCounter() + 500, true));
  ac.heading = 1.0;
  liveryRespawn(ac);
  EXPECT_EQ(ac.aircraft.state, LiveState::LiveryRespawn);
  ASSERT_EQ(ac.feedPoints.size(), 2u);
  EXPECT_EQ(ac.feedPoints[0].dueTick, gf_tickCounter() + 1);
  EXPECT_TRUE(ac.feedPoints[0].extraFlag && ac.feedPoints[1].extraFlag);
  EXPECT_NEAR(ac.feedPoints[1].track, radToDeg, 1e-12);
  EXPECT_EQ(ac.respawnHeading, 1.0);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{7}));

  // Without an object nothing is queued; an empty stream is logged, not a crash.
  traffic.liveList.clear();
  traffic.removeBacklog.clear();
  LiveAircraft& bare = onStand(hexB, FlightPhase::Parked);
  bare.aircraft.objectId = 0;
  liveryRespawn(bare);
  EXPECT_TRUE(traffic.removeBacklog.empty());
  EXPECT_TRUE(log.contains("===> liveryRespawn removing act"));
  bare.feedPoints.clear();
  liveryRespawn(bare);
  EXPECT_TRUE(log.contains("===> liveryRespawn: "));
}

TEST_F(StandArrival, AFreighterOnACargoStandOfAnotherKindCorrectsTheStand) {
  standList[0].cargo = true;
  LiveAircraft& ac = onStand(hexA, FlightPhase::Parked);
  ac.aircraft.aircraftInfo.cargo = true;
  ac.aircraft.cargoStand = false;
  fixStandCargo(ac);
  EXPECT_FALSE(standList[0].cargo);
  EXPECT_TRUE(standList[0].cargo_change);
  EXPECT_EQ(standUpdateCount, 1);
  EXPECT_TRUE(log.contains("===> KLAX stand: G7, cargo attribute set to false,"));
}

TEST_F(StandArrival, ADepartureNearTheParkAirportTeachesASoftUseOfAFittingStand) {
  LEARN_SOFT.set(true);
  staticParking.softLearningAllowed = true;
  LiveAircraft& ac = taxiing(hexA, 500, 0, {groundPoint(500, 0, 30, gf_tickCounter())});
  ac.aircraft.aircraftInfo.registration = "N12345";
  learnStandOnDeparture(ac, true);
  ASSERT_EQ(standList[0].options.size(), 1u);
  EXPECT_FALSE(standList[0].options[0].real);
  EXPECT_EQ(standList[0].options[0].registration, "N12345");
  // Recorded within two half-hours: not again.
  learnStandOnDeparture(ac, true);
  EXPECT_EQ(standList[0].options.size(), 1u);

  // An aircraft that knows its stand, or soft learning off, teaches nothing.
  traffic.liveList.clear();
  traffic.standUseList.clear();
  standList[0].options.clear();
  LiveAircraft& known = taxiing(hexB, 500, 0, {groundPoint(500, 0, 30, gf_tickCounter())});
  known.aircraft.standNumber = 1;
  learnStandOnDeparture(known, true);
  known.aircraft.standNumber = 0;
  LEARN_SOFT.set(false);
  learnStandOnDeparture(known, true);
  EXPECT_TRUE(standList[0].options.empty());
  EXPECT_TRUE(traffic.standUseList.empty());
}

} // namespace
} // namespace traffic_testing
