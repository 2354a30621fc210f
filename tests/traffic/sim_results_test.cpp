// What the simulator reports, applied: created objects and their post-create wait, ground
// and CG data, touchdowns, removed objects and refused creations.
#include "core/errors.h"
#include "traffic/removal.h"
#include "traffic/sim_results.h"
#include "traffic/spawning.h"
#include "traffic_fixture.h"

#include <filesystem>

using namespace traffic_testing;

namespace {

using SimResults = TrafficTest;

// A live aircraft whose creation was handed to the simulator link.
LiveAircraft& lf_handedOn(std::uint32_t hexid, bool airborne, std::string origin = {}, std::string destination = {}) {
  Report r;
  r.hexid = hexid;
  r.callsign = "AAL" + std::to_string(hexid % 1000);
  r.altitude = airborne ? 3000 : 0;
  r.groundSpeed = airborne ? 180 : 10;
  r.dueTick = gf_tickCounter() + 100'000;
  r.origin = std::move(origin);
  r.destination = std::move(destination);
  LiveAircraft& ac = buffered(r);
  ac.aircraft.state = LiveState::Adding2Sim;
  ac.aircraft.aircraftInfo.liveryTitle = "Boeing 737-800 Test";
  ac.phase = airborne ? FlightPhase::Flying : FlightPhase::Taxi;
  ac.lat = r.lat;
  ac.lon = r.lon;
  ac.altitude = r.altitude;
  return ac;
}

std::size_t lf_count(const std::vector<ClientEventData>& events, SimEventId id) {
  return static_cast<std::size_t>(
      std::count_if(events.begin(), events.end(), [id](const ClientEventData& e) { return e.eventId == id; }));
}

std::vector<std::uint32_t> lf_toggledObjects(FakeSimConnect& fake) {
  std::vector<std::uint32_t> objects;
  for (const auto& call : fake.callsOf("TransmitClientEvent"))
    if (call.values[1] == 214) objects.push_back(call.values[0]);
  return objects;
}

} // namespace

TEST_F(SimResults, ACreatedLiveAircraftTogglesItsLightsTwiceAndBecomesActiveAfterTwoHundredTicks) {
  lf_handedOn(firstHexid, true);
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 2800});
  gf_processSimResults();
  EXPECT_EQ(live()->aircraft.objectId, 1001);
  EXPECT_EQ(live()->agl, 2800);
  ASSERT_EQ(fake.callsOf("RequestDataOnSimObject").size(), 1u);
  EXPECT_EQ(fake.callsOf("RequestDataOnSimObject")[0].values,
            (std::vector<std::uint32_t>{102, 405, 1001, 1, 0, 0, 0, 0}));
  // The call that took the result made the first pass of the wait.
  const std::map<std::int32_t, std::size_t> togglesAfter{{49, 0}, {50, 1}, {99, 1}, {100, 2}, {200, 2}};
  for (std::int32_t pass = 2; pass <= 200; ++pass) {
    gf_processSimResults();
    if (const auto expected = togglesAfter.find(pass); expected != togglesAfter.end()) {
      EXPECT_EQ(lf_toggledObjects(fake).size(), expected->second) << pass;
    }
  }
  // Still waiting after 200 passes; active on the 201st.
  EXPECT_EQ(live()->aircraft.state, LiveState::Adding2Sim);
  EXPECT_TRUE(eventsSent().empty());
  gf_processSimResults();
  EXPECT_EQ(live()->aircraft.state, LiveState::Active);
  EXPECT_TRUE(traffic.postCreateList.empty());
  EXPECT_EQ(lf_toggledObjects(fake), (std::vector<std::uint32_t>{1001, 1001}));
  const auto events = eventsSent();
  const std::vector<ClientEventData> expected{
      {1001, SimEventId::ENGINE_AUTO_START, 0},  {1001, SimEventId::SPOILERS_SET, 0},
      {1001, SimEventId::NAV_LIGHTS_SET, 1},     {1001, SimEventId::BEACON_LIGHTS_SET, 1},
      {1001, SimEventId::LANDING_LIGHTS_SET, 1}, {1001, SimEventId::TAXI_LIGHTS_SET, 0},
      {1001, SimEventId::STROBES_SET, 1},        {1001, SimEventId::LOGO_LIGHTS_SET, 1},
      {1001, SimEventId::CABIN_LIGHTS_SET, 1}};
  EXPECT_EQ(events, expected);
}

TEST_F(SimResults, AnAircraftCreatedOnTheGroundTaxisWithItsLightsLeverAndFlaps) {
  LiveAircraft& ac = lf_handedOn(firstHexid, false);
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  for (int pass = 0; pass <= 200; ++pass) gf_processSimResults();
  EXPECT_TRUE(ac.onGround);
  EXPECT_EQ(ac.aircraft.state, LiveState::Active);
  EXPECT_EQ(ac.aircraft.leverStep, 0);
  EXPECT_EQ(ac.aircraft.flapsStep, 1);
  const std::vector<ClientEventData> expected{
      {1001, SimEventId::SPOILERS_SET, 0},       {1001, SimEventId::ENGINE_AUTO_START, 0},
      {1001, SimEventId::NAV_LIGHTS_SET, 1},     {1001, SimEventId::BEACON_LIGHTS_SET, 1},
      {1001, SimEventId::LANDING_LIGHTS_SET, 0}, {1001, SimEventId::TAXI_LIGHTS_SET, 1},
      {1001, SimEventId::STROBES_SET, 0},        {1001, SimEventId::LOGO_LIGHTS_SET, 1},
      {1001, SimEventId::CABIN_LIGHTS_SET, 1},   {1001, SimEventId::THROTTLE_SET, 0},
      {1001, SimEventId::FLAPS_SET, 3072}};
  EXPECT_EQ(eventsSent(), expected);
}

TEST_F(SimResults, AnObjectOfTheUserOrNoObjectIsNeverTaken) {
  lf_handedOn(firstHexid, true);
  result({2, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  gf_processSimResults();
  EXPECT_EQ(live()->aircraft.objectId, 0);
  EXPECT_EQ(live()->aircraft.state, LiveState::Adding2Sim);
  EXPECT_TRUE(traffic.postCreateList.empty());
  EXPECT_TRUE(traffic.removeBacklog.empty());
}

TEST_F(SimResults, StaticCgDataTunesHeightAndPitchWithinLimits) {
  struct Case {
    double height, pitchDegrees, heightAfter, pitchAfterDegrees;
  };
  for (const Case& c : {Case{0.5, 3, 0, 0.7}, Case{36, -1, 0, 0.7}, Case{12, 2.5, 12, 2.5}, Case{1, -0.9, 1, -0.9}}) {
    SCOPED_TRACE(c.height);
    traffic.liveList.clear();
    active(firstHexid, 1001, 1);
    result({1001, 0, 0, simResultStaticCg, c.height, c.pitchDegrees * degToRad});
    gf_processSimResults();
    EXPECT_EQ(live()->aircraft.aircraftInfo.cgHeightFt, c.heightAfter);
    EXPECT_NEAR(live()->aircraft.aircraftInfo.groundPitch * radToDeg, c.pitchAfterDegrees, 1e-12);
  }
}

TEST_F(SimResults, GroundDataKeepsAircraftOnTheGroundAndMarksTouchdowns) {
  // In its rotation: no touchdown, the altitude follows the ground.
  LiveAircraft& rotating = active(firstHexid, 1001, 1);
  rotating.aircraft.aircraftInfo.cgHeightFt = 8;
  rotating.takeOffCountdown = 5;
  rotating.phase = FlightPhase::Taxi;
  result({1001, 1, 0, simResultGroundData, 120, 7});
  gf_processSimResults();
  EXPECT_FALSE(rotating.onGround);
  EXPECT_FALSE(rotating.landingRoll);
  EXPECT_EQ(rotating.altitude, 128);
  EXPECT_EQ(rotating.agl, 7);

  // In the flare: the touchdown.
  traffic.liveList.clear();
  LiveAircraft& landing = active(firstHexid, 1001, 1);
  landing.flareStage = 3;
  landing.pitch = -0.05;
  landing.bank = 0.02;
  landing.heading = 1.2;
  landing.aircraft.aircraftInfo.groundPitch = 0.01;
  landing.aircraft.aircraftInfo.cgHeightFt = 6;
  result({1001, 1, 0, simResultGroundData, 100, 6});
  gf_processSimResults();
  EXPECT_TRUE(landing.onGround && landing.landingRoll && landing.derotating && landing.arrivedByLanding);
  EXPECT_EQ(landing.landingHeading, 1.2);
  EXPECT_EQ(landing.altitude, 106);
  EXPECT_EQ(landing.takeOffCountdown, 1);
  EXPECT_NEAR(landing.pitchRate, (0.01 + 0.05) / 350, 1e-15);
  EXPECT_NEAR(landing.bankRate, -0.02 / 350, 1e-15);
  EXPECT_EQ(eventsSent(), (std::vector<ClientEventData>{{1001, SimEventId::SPOILERS_SET, 16383}}));
  const auto data = fake.callsOf("SetDataOnSimObject");
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].values, (std::vector<std::uint32_t>{401, 1001, 0, 0, 24}));
  EXPECT_EQ(data[0].doubles, (std::vector<double>{100, 100, 100}));
  EXPECT_EQ(traffic.twinCheckQueue.back(), firstHexid);

  // An FSLTL livery reverses with negative levers; no touchdown ticks is logged.
  traffic.liveList.clear();
  clearSent();
  fake.clearCalls();
  LiveAircraft& fsltl = active(firstHexid, 1001, 1);
  fsltl.onApproach = true;
  fsltl.aircraft.aircraftInfo.fsltlLivery = true;
  fsltl.aircraft.aircraftInfo.touchdownTicks = 0;
  fsltl.aircraft.aircraftInfo.groundPitch = 0.01;
  result({1001, 1, 0, simResultGroundData, 100, 6});
  gf_processSimResults();
  EXPECT_EQ(fake.callsOf("SetDataOnSimObject")[0].doubles, (std::vector<double>{100, -100, -100}));
  EXPECT_EQ(fsltl.pitchRate, 0.01);
  EXPECT_TRUE(log.contains("ACT0 ! onGround slots 0.0"));
}

TEST_F(SimResults, FlightPlansOnlyForAircraftWithARoute) {
  lf_handedOn(firstHexid, true);
  lf_handedOn(firstHexid + 1, true, "KJFK", "KLAX").aircraft.aircraftInfo.category = SizeCategory::Heavy;
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  result({1002, static_cast<std::int32_t>(firstHexid + 1), 0, simResultLiveCreated, 0, 0});
  gf_processSimResults();
  const auto plans = fake.callsOf("AISetAircraftFlightPlan");
  ASSERT_EQ(plans.size(), 1u);
  EXPECT_EQ(plans[0].values, (std::vector<std::uint32_t>{1002, 110}));
  const auto file = flightPlanFolder / "1002.pln";
  EXPECT_EQ(std::filesystem::path(plans[0].texts[0]), file);
  EXPECT_TRUE(live(firstHexid + 1)->flightPlanGiven);
  EXPECT_FALSE(live(firstHexid)->flightPlanGiven);
  EXPECT_FALSE(std::filesystem::exists(flightPlanFolder / "1001.pln"));
  EXPECT_FALSE(log.contains("creating a flight plan failed"));
  EXPECT_NE(testing_support::readFile(file).find("<DestinationID>KLAX</DestinationID>"), std::string::npos);

  // Its file goes with its object.
  result({1002, 0, 0, simResultRemoved, 0, 0});
  gf_processSimResults();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(live(firstHexid + 1), nullptr);

  // A refused plan is a warning and no more.
  fake.setResult("AISetAircraftFlightPlan", -1);
  lf_handedOn(firstHexid + 2, true, "KJFK", "KLAX");
  result({1003, static_cast<std::int32_t>(firstHexid + 2), 0, simResultLiveCreated, 0, 0});
  gf_processSimResults();
  EXPECT_FALSE(live(firstHexid + 2)->flightPlanGiven);
  EXPECT_TRUE(log.contains("creating a flight plan failed"));
  EXPECT_FALSE(simLinkState.simConnectError.load());
}

TEST_F(SimResults, AnObjectRemovedDuringALiveryRespawnBringsTheAircraftBackToTheBuffer) {
  LiveAircraft& ac = active(firstHexid, 1001, 1);
  ac.aircraft.state = LiveState::LiveryRespawn;
  ac.aircraft.leverStep = 2;
  ac.aircraft.flapsStep = 1;
  result({1001, 0, 0, simResultRemoved, 0, 0});
  gf_processSimResults();
  ASSERT_NE(live(), nullptr);
  EXPECT_EQ(live()->aircraft.state, LiveState::Buffer);
  EXPECT_EQ(live()->aircraft.leverStep, 5);
  EXPECT_EQ(live()->aircraft.flapsStep, 4);
  EXPECT_EQ(live()->aircraft.objectId, 0);
}

TEST_F(SimResults, RefusedCreationsAreAllReportedAndTheirAircraftErased) {
  lf_handedOn(firstHexid, true).aircraft.aircraftInfo.liveryTitle = "Title A";
  lf_handedOn(firstHexid + 1, true).aircraft.aircraftInfo.liveryTitle = "Title B";
  AircraftData s(AircraftInfoData{}, 3, laxLat, laxLon, 0, false);
  s.aircraftInfo.hexid = 17;
  s.aircraftInfo.liveryTitle = "Title C";
  s.state = LiveState::Adding2Sim;
  traffic.staticList.push_back(s);
  result({0, static_cast<std::int32_t>(firstHexid), 0, simResultCreateFailed, 0, 0});
  result({0, static_cast<std::int32_t>(firstHexid + 1), 0, simResultCreateFailed, 0, 0});
  result({0, 17, 0, simResultCreateFailed, 0, 0});
  gf_processSimResults();
  EXPECT_TRUE(traffic.liveList.empty());
  EXPECT_TRUE(traffic.staticList.empty());
  EXPECT_EQ(traffic.uncreatableTitles, (UncreatableTitles{"Title A", "Title B", "Title C"}));
  EXPECT_TRUE(log.contains("AAL0 'Title A' could not be created by your Sim!"));
  EXPECT_TRUE(log.contains("AAL1 'Title B' could not be created by your Sim!"));

  // The twentieth: error 81 leaves the tick, and the results are not applied twice.
  for (int i = 0; i < 16; ++i) traffic.uncreatableTitles.insert("Other " + std::to_string(i));
  lf_handedOn(firstHexid + 2, true).aircraft.aircraftInfo.liveryTitle = "Title D";
  result({0, static_cast<std::int32_t>(firstHexid + 2), 0, simResultCreateFailed, 0, 0});
  EXPECT_THROW(gf_processSimResults(), hvm::UserErrorException);
  EXPECT_TRUE(simResults.results.empty());
  EXPECT_EQ(live(firstHexid + 2), nullptr);
}

TEST_F(SimResults, CreationsGivenUpForOtherReasonsDoNotCountTheirTitle) {
  for (int i = 0; i < 19; ++i) traffic.uncreatableTitles.insert("Other " + std::to_string(i));
  lf_handedOn(firstHexid, true).aircraft.aircraftInfo.liveryTitle = "Title A";
  lf_handedOn(firstHexid + 1, true).aircraft.aircraftInfo.liveryTitle = "Title B";
  result(gf_createFailedResult(static_cast<std::int32_t>(firstHexid), CreateFailure::notIdentified));
  result(gf_createFailedResult(static_cast<std::int32_t>(firstHexid + 1), CreateFailure::callsignTooLong));
  EXPECT_NO_THROW(gf_processSimResults());
  EXPECT_TRUE(traffic.liveList.empty());
  EXPECT_EQ(traffic.uncreatableTitles.size(), 19u);
  EXPECT_FALSE(log.contains("could not be created by your Sim!"));
  EXPECT_TRUE(log.contains("creation given up: not identified by the sim"));
  EXPECT_TRUE(log.contains("creation given up: callsign too long"));

  // A title the simulator cannot take still counts.
  lf_handedOn(firstHexid + 2, true).aircraft.aircraftInfo.liveryTitle = "Title C";
  result(gf_createFailedResult(static_cast<std::int32_t>(firstHexid + 2), CreateFailure::titleTooLong));
  EXPECT_THROW(gf_processSimResults(), hvm::UserErrorException);
}

TEST_F(SimResults, AStaticAircraftBecomesActiveAndParkedAfterItsWait) {
  AircraftData s(AircraftInfoData{}, 3, laxLat, laxLon, 0, true);
  s.aircraftInfo.hexid = 17;
  s.aircraftInfo.callsign = "KLM42*";
  s.state = LiveState::Adding2Sim;
  traffic.staticList.push_back(s);
  result({2001, 17, 0, simResultStaticCreated, 0, 0});
  for (int pass = 1; pass <= 200; ++pass) gf_processSimResults();
  EXPECT_EQ(traffic.staticList[0].state, LiveState::Adding2Sim);
  gf_processSimResults();
  EXPECT_EQ(traffic.staticList[0].state, LiveState::Active);
  EXPECT_EQ(traffic.staticList[0].objectId, 2001);
  const auto events = eventsSent();
  EXPECT_EQ(lf_count(events, SimEventId::ENGINE_AUTO_SHUTDOWN), 1u);
  EXPECT_EQ(events.back(), (ClientEventData{2001, SimEventId::CABIN_LIGHTS_SET, 0})); // a cargo stand
  EXPECT_TRUE(log.contains("unknown : KLM42*   parked"));

  // Removed by the simulator: gone from the list.
  result({2001, 0, 0, simResultRemoved, 0, 0});
  gf_processSimResults();
  EXPECT_TRUE(traffic.staticList.empty());
}

TEST_F(SimResults, AnAircraftRemovedInItsWaitIsRemovedOnceCreatedAndNotAgain) {
  LiveAircraft& ac = lf_handedOn(firstHexid, true);
  removeAircraftFromSim(ac.aircraft);
  EXPECT_TRUE(ac.aircraft.removalPending);
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  setTick(11);
  runTicks(203);
  ASSERT_NE(live(), nullptr);
  EXPECT_EQ(live()->aircraft.state, LiveState::RemovingFromSim);
  EXPECT_FALSE(live()->aircraft.removalPending);
  runTicks(20);
  EXPECT_EQ(removalsSent(), (std::vector<std::int32_t>{1001}));
  EXPECT_FALSE(log.contains("stream empty"));
  result({1001, 0, 0, simResultRemoved, 0, 0});
  runTicks(1);
  EXPECT_TRUE(traffic.liveList.empty());
}

TEST_F(SimResults, CreatedObjectsWithoutTheirAircraftAreRemoved) {
  // The aircraft went during the wait; the same hexid comes back as a new buffered record.
  lf_handedOn(firstHexid, true);
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  gf_processSimResults();
  traffic.liveList.clear();
  Report back;
  back.dueTick = gf_tickCounter() + 100'000;
  buffered(back);
  for (int pass = 0; pass < 210; ++pass) gf_processSimResults();
  EXPECT_EQ(live()->aircraft.state, LiveState::Buffer);
  EXPECT_EQ(live()->aircraft.objectId, 0);
  EXPECT_TRUE(traffic.postCreateList.empty());
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001}));
  EXPECT_TRUE(eventsSent().empty());

  // Results naming aircraft that are not there, or not waiting for their creation.
  traffic.removeBacklog.clear();
  result({1002, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  result({1003, 4242, 0, simResultStaticCreated, 0, 0});
  result({1004, static_cast<std::int32_t>(firstHexid + 9), 0, simResultLiveCreated, 0, 0});
  gf_processSimResults();
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1002, 1003, 1004}));
  EXPECT_EQ(live()->aircraft.objectId, 0);
}

TEST_F(SimResults, RemovalsOfObjectsThatAreNotOursChangeNothing) {
  active(firstHexid, 1001, 1);
  AircraftData waiting(AircraftInfoData{}, 3, laxLat, laxLon, 0, false);
  waiting.aircraftInfo.hexid = 17;
  waiting.state = LiveState::Adding2Sim; // no object yet
  traffic.staticList.push_back(waiting);
  for (const std::int32_t id : {0, -1, 1, 4242}) result({id, 0, 0, simResultRemoved, 0, 0});
  gf_processSimResults();
  ASSERT_EQ(traffic.staticList.size(), 1u);
  EXPECT_EQ(traffic.staticList[0].state, LiveState::Adding2Sim);
  ASSERT_NE(live(), nullptr);
  EXPECT_EQ(live()->aircraft.state, LiveState::Active);
  EXPECT_TRUE(traffic.removeBacklog.empty());
}

TEST_F(SimResults, AnObjectTheSimulatorRemovesInItsWaitIsForgottenNotRemovedAgain) {
  lf_handedOn(firstHexid, true);
  lf_handedOn(firstHexid + 1, true);
  AircraftData s(AircraftInfoData{}, 3, laxLat, laxLon, 0, false);
  s.aircraftInfo.hexid = 17;
  s.state = LiveState::Adding2Sim;
  traffic.staticList.push_back(s);
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  result({1002, static_cast<std::int32_t>(firstHexid + 1), 0, simResultLiveCreated, 0, 0});
  result({2001, 17, 0, simResultStaticCreated, 0, 0});
  for (int pass = 0; pass < 60; ++pass) gf_processSimResults();
  result({1001, 0, 0, simResultRemoved, 0, 0});
  result({2001, 0, 0, simResultRemoved, 0, 0});
  fake.clearCalls();
  for (int pass = 0; pass < 200; ++pass) gf_processSimResults();
  EXPECT_EQ(live(firstHexid), nullptr);
  EXPECT_TRUE(traffic.staticList.empty());
  EXPECT_TRUE(traffic.postCreateList.empty());
  EXPECT_TRUE(traffic.removeBacklog.empty());
  // Only the one left got its second light toggle and became active.
  const auto toggles = fake.callsOf("TransmitClientEvent");
  ASSERT_EQ(toggles.size(), 1u);
  EXPECT_EQ(toggles[0].values[0], 1002u);
  EXPECT_EQ(live(firstHexid + 1)->aircraft.state, LiveState::Active);
}

TEST_F(SimResults, RangeDataFindsEveryAircraftAfterRemovalsInTheSamePass) {
  for (std::int32_t i = 0; i < 5; ++i) active(firstHexid + i, 1001 + i, 1.0 + i);
  result({1001, 0, 0, simResultGroundData, 0, 100});
  result({1002, 0, 0, simResultRemoved, 0, 0}); // the last aircraft takes its place
  result({1005, 0, 0, simResultGroundData, 0, 500});
  result({1003, 0, 0, simResultRemoved, 0, 0});
  result({1004, 0, 0, simResultGroundData, 0, 400});
  result({1002, 0, 0, simResultGroundData, 0, 200}); // gone: no effect
  gf_processSimResults();
  ASSERT_EQ(traffic.liveList.size(), 3u);
  EXPECT_EQ(live(firstHexid)->agl, 100);
  EXPECT_EQ(live(firstHexid + 3)->agl, 400);
  EXPECT_EQ(live(firstHexid + 4)->agl, 500);
}
