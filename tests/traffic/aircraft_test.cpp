#include "core/refdata/dbase_tables.h"
#include "records/aircraft.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <stdexcept>

namespace {

constexpr double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

class AircraftRecords : public ::testing::Test {
protected:
  void SetUp() override {
    dbaseTables = {};
    dbaseTables.aircraftTypes = {"A320", "B744"};
    dbaseTables.largeTypes = {"A320"};
    dbaseTables.heavyTypes = {"B744"};
    dbaseTables.halfSpans = {{"A320", 0.0097}};
    dbaseTables.categoryHalfSpans = {0.001, 0.002, 0.003, 0.004, 0.005, 0.006};
  }
  void TearDown() override { dbaseTables = {}; }

  static TrafficData report(std::string type, std::string callsign) {
    TrafficData r;
    r.type = std::move(type);
    r.origin = "EHAM";
    r.callsign = std::move(callsign);
    r.registration = "PH-BXA";
    r.point.latitude = 52.3;
    r.point.dueTick = 3000;
    return r;
  }
};

} // namespace

TEST_F(AircraftRecords, InfoTakesSizeAndHandlingFromTheType) {
  const AircraftInfoData a320(report("A320", "KLM123"));
  EXPECT_EQ(a320.category, SizeCategory::Large);
  EXPECT_DOUBLE_EQ(a320.halfSpanNm, 0.0097);
  EXPECT_EQ(a320.flareTicks, 400);
  EXPECT_EQ(a320.touchdownTicks, 350);
  EXPECT_NEAR(degrees(a320.turnRate), 0.07, 1e-12);
  EXPECT_EQ(a320.callsign, "KLM123");
  EXPECT_EQ(a320.origin, "EHAM");
  EXPECT_EQ(a320.hexid, 0u);
  EXPECT_TRUE(a320.liveryTitle.empty());
  EXPECT_EQ(a320.currentTurnRate, 0.0);

  // Unknown to every category set: Light, with its class's half span.
  const AircraftInfoData unknown(report("ZZZZ", "N1"));
  EXPECT_EQ(unknown.category, SizeCategory::Light);
  EXPECT_DOUBLE_EQ(unknown.halfSpanNm, 0.001);
  EXPECT_EQ(unknown.flareTicks, 250);
  EXPECT_NEAR(degrees(unknown.turnRate), 0.15, 1e-12);
}

TEST_F(AircraftRecords, PitchesVaryOnlyByTheSignOfTheirJitter) {
  bool sawHigh = false, sawLow = false;
  for (int i = 0; i < 64; ++i) {
    const AircraftInfoData b744(report("B744", "KLM1"));
    const double rotation = degrees(b744.rotationPitch);
    const double climb = degrees(b744.climbPitch);
    EXPECT_TRUE(std::abs(rotation - -5.125) < 1e-9 || std::abs(rotation - -4.875) < 1e-9) << rotation;
    EXPECT_TRUE(std::abs(climb - -13.125) < 1e-9 || std::abs(climb - -11.875) < 1e-9) << climb;
    (rotation < -5 ? sawHigh : sawLow) = true;
  }
  EXPECT_TRUE(sawHigh && sawLow);
}

TEST_F(AircraftRecords, NewLiveAircraftStartsInBufferAtBirth) {
  const TrafficData r = report("A320", "KLM123");
  const LiveAircraft ac(r.point, AircraftInfoData(r), 1234.5);
  EXPECT_EQ(ac.aircraft.state, LiveState::Buffer);
  EXPECT_EQ(ac.phase, FlightPhase::Birth);
  EXPECT_EQ(ac.previousPhase, FlightPhase::Birth);
  EXPECT_EQ(ac.aircraft.leverStep, 5);
  EXPECT_EQ(ac.aircraft.flapsStep, 4);
  EXPECT_EQ(ac.aircraft.objectId, 0);
  EXPECT_EQ(ac.aircraft.standNumber, 0);
  ASSERT_EQ(ac.feedPoints.size(), 1u);
  EXPECT_EQ(ac.feedPoints.front(), r.point);
  EXPECT_FALSE(ac.curve.inUse());
  EXPECT_EQ(ac.agl, 2500.0);
  EXPECT_EQ(ac.maxEarlyTicks, 1000);
  EXPECT_EQ(ac.maxLateTicks, 1000);
  EXPECT_EQ(ac.takeOffCountdown, 1);
  EXPECT_EQ(ac.lastReportTime, 1234.5);
}

TEST_F(AircraftRecords, StaticAircraftTakesItsStand) {
  const AircraftData ac(AircraftInfoData(report("A320", "KLM9")), 7, 33.94, -118.4, 1.5, true);
  EXPECT_EQ(ac.standNumber, 7);
  EXPECT_EQ(ac.standLat, 33.94);
  EXPECT_EQ(ac.standLon, -118.4);
  EXPECT_EQ(ac.standHeading, 1.5);
  EXPECT_TRUE(ac.cargoStand);
  EXPECT_EQ(ac.state, LiveState::Buffer);
  EXPECT_EQ(ac.parkedSince, (WeekTime{0, 0}));
  EXPECT_FALSE(ac.removalPending || ac.eraseNow || ac.creationCancelled);
}

TEST(AircraftNames, EveryValueHasItsNameAndOthersThrow) {
  EXPECT_EQ(gf_categoryName(SizeCategory::Buzjets), "Buzjets");
  EXPECT_EQ(gf_categoryName(SizeCategory::Rotorcraft), "Rotorcraft");
  EXPECT_EQ(gf_phaseName(FlightPhase::PushingBack), "pushing_back");
  EXPECT_EQ(gf_phaseName(FlightPhase::Birth), "birth");
  EXPECT_EQ(gf_stateName(LiveState::Adding2Sim), "adding2sim");
  EXPECT_EQ(gf_stateName(LiveState::RemovingFromSim), "removingfromsim");
  EXPECT_THROW(gf_categoryName(static_cast<SizeCategory>(6)), std::out_of_range);
  EXPECT_THROW(gf_phaseName(static_cast<FlightPhase>(-1)), std::out_of_range);
  EXPECT_THROW(gf_stateName(static_cast<LiveState>(5)), std::out_of_range);
  EXPECT_THROW(gf_categoryRow(static_cast<SizeCategory>(6)), std::out_of_range);
}

TEST(AircraftTexts, CallsignsAndLogTexts) {
  struct Case {
    const char* callsign;
    const char* airline; // "" for none
  };
  for (const auto& c : {Case{"BAW123", "BAW"}, Case{"baw1", "BAW"}, Case{"N123AB", ""}, Case{"BA123", ""},
                        Case{"ABC", ""}, Case{"", ""}}) {
    const auto airline = gf_airlineFromCallsign(c.callsign);
    EXPECT_EQ(airline.value_or(""), c.airline) << c.callsign;
  }

  AircraftInfoData info;
  info.callsign = "KLM123";
  info.registration = "PH-BXA";
  info.airline = "KLM";
  info.type = "B738";
  EXPECT_EQ(gf_formatRoute("", ""), "        ");
  EXPECT_EQ(gf_formatRoute("EHAM", ""), "EHAM->   ");
  EXPECT_EQ(gf_acLogText(info), "KLM123   PH-BXA            KLM B738");
  EXPECT_EQ(gf_acShortText(info), "KLM123   PH-BXA KLM B738");
  EXPECT_EQ(gf_airlineTypeRegText(info), "KLM B738 PH-BXA");
  EXPECT_EQ(gf_paddedCallsign("LONGCALLSIGN"), "LONGCALLSIGN");

  EXPECT_TRUE(gf_hasValidCallsign(info));
  info.callsign = "ABCDEFGHI";
  EXPECT_FALSE(gf_hasValidCallsign(info));
  info.callsign = "@@@@@@@@";
  EXPECT_FALSE(gf_hasValidCallsign(info));
  info.callsign = "AB12CD3";
  EXPECT_TRUE(gf_hasValidCallsign(info));
  EXPECT_TRUE(gf_setOperatorFromCallsign(info) == false && info.airline == "KLM");
  info.callsign = "dal77";
  EXPECT_TRUE(gf_setOperatorFromCallsign(info));
  EXPECT_EQ(info.airline, "DAL");
}
