#include "app/user_collisions.h"
#include "run_fixture.h"

#include <cmath>

using run_testing::liveAircraft;

namespace {

constexpr double feetPerNm = 6076.11549;
const GeoPosition user{33.9416, -118.4085};

// A point at a distance along a bearing from the user and then off the line to the right.
GeoPosition lf_offLine(double bearing, double alongNm, double offFt) {
  const auto along = gf_destinationPoint(user, bearing, alongNm * feetPerNm);
  return gf_destinationPoint(along, bearing + twoPi / 4.0, offFt);
}

UserSituation lf_inTheAir(double altitude, double heightAboveGround) {
  UserSituation s;
  s.position = user;
  s.heading = 0.5;
  s.altitude = altitude;
  s.heightAboveGround = heightAboveGround;
  return s;
}

} // namespace

TEST(UserCollisions, OnTheGroundTheTwoHalfSpansWithAMargin) {
  UserSituation s;
  s.position = user;
  s.onGround = true;
  s.halfSpanNm = 0.02;
  // (0.02 + 0.02) x 1.15 = 0.046 nm.
  std::vector<LiveAircraft> live{liveAircraft("FAR", gf_destinationPoint(user, 1.0, 0.05 * feetPerNm), true)};
  EXPECT_EQ(gf_liveTooCloseOnGround(s, live), nullptr);
  live.push_back(liveAircraft("AIR", gf_destinationPoint(user, 1.0, 0.04 * feetPerNm), false));
  live.push_back(liveAircraft("NEAR", gf_destinationPoint(user, 1.0, 0.04 * feetPerNm), true));
  ASSERT_NE(gf_liveTooCloseOnGround(s, live), nullptr);
  EXPECT_EQ(gf_liveTooCloseOnGround(s, live)->aircraft.aircraftInfo.callsign, "NEAR");
  live.back().aircraft.state = LiveState::RemovingFromSim;
  EXPECT_EQ(gf_liveTooCloseOnGround(s, live), nullptr);

  // A static's stand: (0.02 + 0.02) x 1.1 = 0.044 nm.
  std::vector<AircraftData> statics{
      run_testing::staticAircraft("S", gf_destinationPoint(user, 1.0, 0.045 * feetPerNm))};
  EXPECT_EQ(gf_staticTooCloseOnGround(s, statics), nullptr);
  statics.push_back(run_testing::staticAircraft("T", gf_destinationPoint(user, 1.0, 0.043 * feetPerNm)));
  ASSERT_NE(gf_staticTooCloseOnGround(s, statics), nullptr);
  EXPECT_EQ(gf_staticTooCloseOnGround(s, statics)->aircraftInfo.callsign, "T");
}

TEST(UserCollisions, ALowUserAircraftClearsTheRunwayAheadOnly) {
  const auto s = lf_inTheAir(400.0, 300.0);
  struct Case {
    double bearingOff; // from the user's heading
    double offFt;
    bool removed;
  };
  const Case cases[] = {
      {0.0, 40.0, true},        // 0.8 nm ahead, 40 ft off the line
      {0.0, 60.0, false},       // 60 ft off
      {twoPi / 2, 40.0, false}, // 0.8 nm behind: not in the way
  };
  for (const auto& c : cases) {
    auto l = liveAircraft("RWY", lf_offLine(s.heading + c.bearingOff, 0.8, c.offFt), true);
    l.altitude = 120.0;
    // Its own path leads away from the user aircraft.
    l.heading = s.heading + twoPi / 4.0 + c.bearingOff;
    std::vector<LiveAircraft> live{l};
    EXPECT_EQ(gf_liveInTheWayInTheAir(s, live) != nullptr, c.removed) << c.bearingOff << " " << c.offFt;
  }
  // High enough: the runway is not checked.
  auto high = lf_inTheAir(900.0, 800.0);
  auto l = liveAircraft("RWY", lf_offLine(high.heading, 0.8, 40.0), true);
  l.heading = high.heading + twoPi / 4.0;
  std::vector<LiveAircraft> live{l};
  EXPECT_EQ(gf_liveInTheWayInTheAir(high, live), nullptr);
}

TEST(UserCollisions, InTheAirAPathThatPassesCloseByAtAboutTheSameHeight) {
  const auto s = lf_inTheAir(5000.0, 4800.0);
  // 3 nm north-east of the user, flying so that its line passes 500 ft from the user.
  const double bearing = 0.8;
  const auto at = gf_destinationPoint(user, bearing, 3.0 * feetPerNm);
  const double d = gf_distanceNm(user, at);
  const double back = gf_initialBearing(user, at) + twoPi / 2.0;
  const double miss = std::asin(500.0 / (d * feetPerNm));
  struct Case {
    double altitude;
    double missAngle;
    bool removed;
    bool away = false; // flying the same line the other way
  };
  const Case cases[] = {
      {5800.0, miss, true},        // passes 500 ft away, 800 ft higher
      {6100.0, miss, false},       // 1100 ft higher
      {5800.0, 3.0 * miss, false}, // passes about 1500 ft away
      {4300.0, -miss, true},       // the other side, 700 ft lower
      {5000.0, miss, false, true}, // on the same line, flying away from the user
  };
  for (const auto& c : cases) {
    auto l = liveAircraft("PATH", at, false, FlightPhase::Flying);
    l.altitude = c.altitude;
    l.heading = back + c.missAngle + (c.away ? twoPi / 2.0 : 0.0);
    std::vector<LiveAircraft> live{l};
    EXPECT_EQ(gf_liveInTheWayInTheAir(s, live) != nullptr, c.removed) << c.altitude << " " << c.missAngle;
  }
  // Farther than 4 nm: never.
  auto far = liveAircraft("FAR", gf_destinationPoint(user, bearing, 4.2 * feetPerNm), false, FlightPhase::Flying);
  far.altitude = 5000.0;
  far.heading = back;
  std::vector<LiveAircraft> live{far};
  EXPECT_EQ(gf_liveInTheWayInTheAir(s, live), nullptr);
}

TEST(UserCollisions, TheTwinSweepTakesTheFirstActiveTwinInListOrder) {
  auto live = liveAircraft("KLM1234", user, true);
  live.aircraft.aircraftInfo.registration = "PH-BXA";
  auto airborne = liveAircraft("DLH5", user, false, FlightPhase::Flying);
  std::vector<LiveAircraft> lives{airborne, live};
  auto leaving = run_testing::staticAircraft("KLM1234*", user);
  leaving.state = LiveState::RemovingFromSim;
  auto byRegistration = run_testing::staticAircraft("KLM77*", user);
  byRegistration.aircraftInfo.registration = "PH-BXA";
  auto byCallsign = run_testing::staticAircraft("KLM1234*", user);
  auto ofTheAirborne = run_testing::staticAircraft("DLH5*", user);
  std::vector<AircraftData> statics{ofTheAirborne, leaving, byRegistration, byCallsign};
  EXPECT_EQ(gf_staticTwinOfLive(lives, statics), &statics[2]);
  statics[2].state = LiveState::Adding2Sim;
  EXPECT_EQ(gf_staticTwinOfLive(lives, statics), &statics[3]);
  lives[1].onGround = false;
  EXPECT_EQ(gf_staticTwinOfLive(lives, statics), nullptr);
}
