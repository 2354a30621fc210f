// A report of a known aircraft joining its stream: still points, holding, the pushed-back
// wait, the landing's judgement, and the take-off and go-around the reports start.
#include "core/settings/parameters.h"
#include "traffic/motion/stream_merge.h"
#include "traffic_fixture.h"

#include <cmath>
#include <limits>

using namespace traffic_testing;

namespace {

constexpr double deg = degToRad;

class StreamMerge : public TrafficTest {
protected:
  ~StreamMerge() override {
    HOLDING_THRESHOLD_METERS.set(250);
    STRAIGHT_PBS_ONLY.set(false);
  }

  // A point `northM` metres north and `eastM` east of Los Angeles.
  static FeedPoint at(double northM, double eastM, double speed, std::int32_t due, double altitude = 0) {
    FeedPoint p;
    p.latitude = latNorth(northM / 1852.0);
    p.longitude = lonEast(eastM / 1852.0);
    p.groundSpeed = speed;
    p.trueAirspeed = speed;
    p.altitude = altitude;
    p.airborne = altitude > 0;
    p.dueTick = due;
    return p;
  }

  LiveAircraft& taxiing(std::vector<FeedPoint> points) {
    setTick(1000);
    LiveAircraft& ac = active(firstHexid, 300, 0.0);
    ac.feedPoints.assign(points.begin(), points.end());
    ac.lat = points.front().latitude;
    ac.lon = points.front().longitude;
    ac.onGround = true;
    ac.phase = FlightPhase::Taxi;
    return ac;
  }
};

TEST_F(StreamMerge, RepeatedReportsOfATaxiingAircraftBecomeStillPoints) {
  LiveAircraft& ac = taxiing({at(0, 0, 15, 1000), at(100, 0, 15, 2000)});
  decodeExisting(ac, at(100, 0, 10, 3000));
  decodeExisting(ac, at(100, 0, 10, 4000));
  ASSERT_EQ(ac.feedPoints.size(), 4u);
  EXPECT_FALSE(ac.feedPoints[1].extraFlag);
  for (std::size_t i : {2u, 3u}) {
    EXPECT_TRUE(ac.feedPoints[i].extraFlag);
    EXPECT_EQ(ac.feedPoints[i].groundSpeed, 0.0);
  }
  // 2 m away: the feed's noise; the aircraft still stands, since this report.
  decodeExisting(ac, at(102, 0, 3, 5000));
  ASSERT_EQ(ac.feedPoints.size(), 5u);
  EXPECT_TRUE(ac.feedPoints[4].extraFlag);
  EXPECT_EQ(ac.feedPoints[4].latitude, ac.feedPoints[3].latitude);
  EXPECT_EQ(ac.feedPoints[4].groundSpeed, 0.0);
  EXPECT_EQ(ac.feedPoints[4].dueTick, 5000);
  // It moves on 30 m farther: the still points within 1500 ticks of the last moving one
  // would be cut; these stood longer, so they stay.
  decodeExisting(ac, at(130, 0, 10, 6000));
  EXPECT_EQ(ac.feedPoints.size(), 6u);
}

TEST_F(StreamMerge, StillPointsSoonAfterTheLastMoveAreCutWhenTheAircraftMovesOn) {
  LiveAircraft& ac = taxiing({at(0, 0, 15, 1000), at(100, 0, 15, 2000)});
  decodeExisting(ac, at(100, 0, 0, 2500));
  decodeExisting(ac, at(100, 0, 0, 3000));
  ASSERT_EQ(ac.feedPoints.size(), 4u);
  decodeExisting(ac, at(200, 0, 15, 4000));
  ASSERT_EQ(ac.feedPoints.size(), 3u);
  EXPECT_FALSE(ac.feedPoints[2].extraFlag);
  EXPECT_EQ(ac.feedPoints[2].dueTick, 4000);
}

TEST_F(StreamMerge, AHoldingAircraftResumesNearByAndIsRemovedWhenItReappearsFarAway) {
  struct Case {
    double metres;
    bool removed;
  };
  for (const Case c : {Case{200, false}, Case{300, true}}) {
    traffic.liveList.clear();
    LiveAircraft& ac = taxiing({at(0, 0, 0, 1000)});
    ac.holding = true;
    ac.holdStartTick = 500;
    ac.extensionLeft = 1;
    decodeExisting(ac, at(c.metres, 0, 10, 4000));
    EXPECT_FALSE(ac.holding) << c.metres;
    EXPECT_EQ(ac.aircraft.state == LiveState::RemovingFromSim, c.removed) << c.metres;
    if (!c.removed) {
      EXPECT_EQ(ac.feedPoints.size(), 2u);
      EXPECT_EQ(ac.extensionLeft, 0);
      EXPECT_EQ(ac.feedPoints.front().dueTick, 1001) << "the aircraft goes on at once";
    }
  }
}

TEST_F(StreamMerge, APushedBackAircraftStartsToTaxiWhenTheReportsMoveAway) {
  struct Case {
    double previousNm; // distance of the report before
    double nm;
    bool taxi;
  };
  const Case cases[] = {
      {0.05, 0.06, true},  // farther than 2.75 half spans and than the report before
      {0.07, 0.06, false}, // nearer than the report before
      {900, 0.06, false},  // the first report after the pushback
      {900, 0.13, true},   // beyond 6 half spans: always
  };
  for (const auto& c : cases) {
    traffic.liveList.clear();
    LiveAircraft& ac = taxiing({at(0, 0, 0, 1000)});
    ac.phase = FlightPhase::PushedBack;
    ac.aircraft.aircraftInfo.halfSpanNm = 0.02;
    ac.aircraft.standNumber = 3;
    ac.pushedBackDistance = c.previousNm;
    decodeExisting(ac, at(c.nm * 1852, 0, 8, 4000));
    EXPECT_EQ(ac.phase == FlightPhase::Taxi, c.taxi) << c.previousNm << " " << c.nm;
    EXPECT_EQ(ac.feedPoints.size(), c.taxi ? 2u : 1u);
    if (c.taxi) {
      EXPECT_EQ(ac.aircraft.standNumber, 0);
      EXPECT_FALSE(ac.holding);
    } else {
      EXPECT_TRUE(ac.holding);
      EXPECT_NEAR(ac.pushedBackDistance, c.nm, 1e-4);
    }
  }
}

TEST_F(StreamMerge, AReportDuringThePushbackChoosesTheSideOfTheTurn) {
  struct Case {
    double offDeg;
    bool straightOnly;
    bool turn, otherSide;
  };
  const Case cases[] = {{-20, false, true, false}, {30, false, true, true}, {30, true, false, false}};
  for (const auto& c : cases) {
    traffic.liveList.clear();
    STRAIGHT_PBS_ONLY.set(c.straightOnly);
    LiveAircraft& ac = taxiing({at(0, 0, 3, 1000), at(-20, 0, 3, 2000)});
    ac.phase = FlightPhase::PushingBack;
    ac.pushbackLegs = 2;
    ac.heading = 90 * deg;
    FeedPoint r = at(-40, 0, 3, 4000);
    r.trueHeading = (90 + c.offDeg) * deg;
    decodeExisting(ac, r);
    EXPECT_EQ(ac.pushbackTurn, c.turn) << c.offDeg;
    EXPECT_EQ(ac.pushbackOtherSide, c.otherSide) << c.offDeg;
    EXPECT_EQ(ac.feedPoints.size(), 2u) << "reports do not enter the stream during a pushback";
  }
}

TEST_F(StreamMerge, OnApproachAReportBehindTheAircraftIsDropped) {
  struct Case {
    double bearingDeg;
    bool kept;
  };
  for (const Case c : {Case{120, false}, Case{60, true}, Case{-89, true}}) {
    traffic.liveList.clear();
    LiveAircraft& ac = taxiing({at(0, 0, 140, 1000, 800)});
    ac.onGround = false;
    ac.phase = FlightPhase::Flying;
    ac.onApproach = true;
    ac.heading = 0.0;
    const auto p =
        gf_destinationPoint({ac.feedPoints[0].latitude, ac.feedPoints[0].longitude}, c.bearingDeg * deg, 3000.0);
    FeedPoint r = at(0, 0, 140, 2000, 600);
    r.latitude = p.latitude;
    r.longitude = p.longitude;
    decodeExisting(ac, r);
    EXPECT_EQ(ac.feedPoints.size(), c.kept ? 2u : 1u) << c.bearingDeg;
  }
}

TEST_F(StreamMerge, ALandingAircraftDoesNotSpeedUp) {
  LiveAircraft& ac = taxiing({at(0, 0, 60, 1000), at(0, 300, 45, 2000)});
  ac.heading = 90 * deg;
  ac.landingRoll = true;
  decodeExisting(ac, at(0, 600, 60, 3000));
  ASSERT_EQ(ac.feedPoints.size(), 3u);
  EXPECT_EQ(ac.feedPoints[2].groundSpeed, 45.0);
  // Slow enough that it may: 38 kt after 45 stays.
  decodeExisting(ac, at(0, 700, 38, 4000));
  EXPECT_EQ(ac.feedPoints[3].groundSpeed, 38.0);
}

TEST_F(StreamMerge, ReportsOfATaxiingAircraftStartItsTakeOffOrAGoAroundFromTheRunway) {
  {
    LiveAircraft& ac = taxiing({at(0, 0, 20, 1000), at(100, 0, 30, 2000)});
    clearSent();
    decodeExisting(ac, at(400, 0, 150, 3000, 200));
    EXPECT_TRUE(ac.takingOff) << "airborne in the merge, before the point is reached";
    EXPECT_EQ(ac.maxLateTicks, 5000);
    const auto events = eventsSent();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const ClientEventData& e) {
      return e.eventId == SimEventId::FLAPS_SET && e.data == 3072;
    }));
  }
  traffic.liveList.clear();
  {
    LiveAircraft& ac = taxiing({at(0, 0, 120, 1000, 30), at(300, 0, 110, 2000, 20)});
    ac.landingRoll = true;
    ac.phase = FlightPhase::Flying;
    clearSent();
    decodeExisting(ac, at(700, 0, 130, 3000, 150));
    EXPECT_TRUE(ac.takingOff);
    EXPECT_EQ(ac.phase, FlightPhase::Taxi);
    const auto events = eventsSent();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const ClientEventData& e) {
      return e.eventId == SimEventId::THROTTLE_SET && e.data == 11468;
    }));
  }
}

TEST_F(StreamMerge, AReportNoStepCanUseIsDroppedAndALongStreamEndsTheAircraft) {
  LiveAircraft& ac = taxiing({at(0, 0, 15, 1000), at(100, 0, 15, 2000)});
  for (const double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    FeedPoint r = at(200, 0, 15, 3000);
    r.latitude = bad;
    decodeExisting(ac, r);
    FeedPoint s = at(200, 0, 15, 3000);
    s.groundSpeed = bad;
    decodeExisting(ac, s);
  }
  FeedPoint negative = at(200, 0, -5, 3000);
  decodeExisting(ac, negative);
  EXPECT_EQ(ac.feedPoints.size(), 2u);
  EXPECT_EQ(ac.aircraft.state, LiveState::Active);

  for (std::int32_t i = 0; i < 199; ++i) ac.feedPoints.push_back(at(300 + i * 10.0, 0, 15, 3000 + i * 100));
  ASSERT_EQ(ac.feedPoints.size(), 201u);
  decodeExisting(ac, at(3000, 0, 15, 30000));
  EXPECT_EQ(ac.aircraft.state, LiveState::RemovingFromSim);
}

} // namespace
