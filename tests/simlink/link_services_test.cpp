// The services live traffic and the run call of the link: the queues, the position
// hand-over, the error flag and the direct calls.
#include "core/geodesy.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "feeds/traffic_line.h"
#include "link_fixture.h"
#include "simlink/direct_calls.h"
#include "simlink/own_objects.h"
#include "simlink/user_state.h"

#include <atomic>
#include <cmath>
#include <fmt/format.h>
#include <numbers>
#include <thread>

namespace {

using LinkServices = LinkTest;

TEST_F(LinkServices, QueuesTheSevenLightsInTheirOrder) {
  gf_queueLights(1005, {1, 0, 1, 0, 1, 0, 1});
  gf_queueCabinLights(1005, 0);
  std::lock_guard lock(simCommands.commandMutex);
  const std::vector<ClientEventData> expected{
      {1005, SimEventId::NAV_LIGHTS_SET, 1},     {1005, SimEventId::BEACON_LIGHTS_SET, 0},
      {1005, SimEventId::LANDING_LIGHTS_SET, 1}, {1005, SimEventId::TAXI_LIGHTS_SET, 0},
      {1005, SimEventId::STROBES_SET, 1},        {1005, SimEventId::LOGO_LIGHTS_SET, 0},
      {1005, SimEventId::CABIN_LIGHTS_SET, 1},   {1005, SimEventId::CABIN_LIGHTS_SET, 0}};
  EXPECT_EQ(simCommands.eventQueue, expected);
}

TEST_F(LinkServices, HandsOverPositionsOrDropsThemWhileTheFrameHoldsTheLock) {
  auto* first = simCommands.fillBuffer;
  first->push_back({.latitude = 1.0, .objectId = 1001});
  ASSERT_TRUE(gf_handOverPositions());
  EXPECT_EQ(simCommands.sendBuffer, first);
  EXPECT_EQ(simCommands.sendBuffer->size(), 1u);
  EXPECT_TRUE(simCommands.fillBuffer->empty());

  // A newer tick replaces positions no Frame has sent yet.
  simCommands.fillBuffer->push_back({.latitude = 2.0, .objectId = 1001});
  ASSERT_TRUE(gf_handOverPositions());
  ASSERT_EQ(simCommands.sendBuffer->size(), 1u);
  EXPECT_EQ(simCommands.sendBuffer->front().latitude, 2.0);
  EXPECT_TRUE(simCommands.fillBuffer->empty());

  // Busy at 30 frames a second: this tick's batch is dropped without waiting.
  simLinkState.frameRate = 30.0f;
  simCommands.fillBuffer->push_back({.latitude = 3.0, .objectId = 1001});
  {
    std::lock_guard frame(simCommands.commandMutex);
    std::thread tick([] { EXPECT_FALSE(gf_handOverPositions()); });
    tick.join();
  }
  EXPECT_TRUE(simCommands.fillBuffer->empty());
  EXPECT_EQ(simCommands.sendBuffer->front().latitude, 2.0);

  // Busy at 60 frames a second: the tick waits for the Frame to end.
  simLinkState.frameRate = 60.0f;
  simCommands.fillBuffer->push_back({.latitude = 4.0, .objectId = 1001});
  std::atomic<bool> started{false}, done{false};
  std::thread tick;
  {
    std::unique_lock frame(simCommands.commandMutex);
    tick = std::thread([&] {
      started = true;
      EXPECT_TRUE(gf_handOverPositions());
      done = true;
    });
    ASSERT_TRUE(FakeSimConnect::waitFor([&] { return started.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done.load());
    EXPECT_EQ(simCommands.fillBuffer->size(), 1u);
  }
  tick.join();
  EXPECT_EQ(simCommands.sendBuffer->front().latitude, 4.0);
}

TEST_F(LinkServices, AnErrorSetsTheFlagAndStopsTheRunOnce) {
  gf_handleSimConnectError();
  EXPECT_TRUE(simLinkState.simConnectError.load());
  EXPECT_TRUE(runState.stopRequested.load());
  EXPECT_EQ(gf_exitReason(), ExitReason::SimConnectError);
  EXPECT_EQ(gf_restartDelay(), 9);
  EXPECT_EQ(gf_statusLineSnapshot().message, "SimConnect request error");
  gf_requestStop(ExitReason::NewFlight, 30);
  gf_handleSimConnectError();
  EXPECT_EQ(gf_exitReason(), ExitReason::SimConnectError);
  gf_initSimClient(6);
  EXPECT_FALSE(simLinkState.simConnectError.load());
  EXPECT_EQ(simLinkState.simMajorVersion.load(), 6);
}

TEST_F(LinkServices, DirectCallsGoOutOnTheOpenHandleAndReportFailures) {
  simLinkState.simConnectHandle = fake.handle();
  gf_requestAircraftInRange(74080);
  gf_requestStaticCg(1003);
  gf_allLightsToggle(1003);
  EXPECT_TRUE(gf_setAircraftFlightPlan(1003, "orig_dest\\KLAX-EHAM.pln"));
  EXPECT_EQ(gf_setAircraftControls(1003, 100.0, 100.0, 100.0), simconnectOk);
  const UserAcData state = gf_requestUserAcPosition();
  EXPECT_FALSE(gf_userPositionKnown(state));

  const auto calls = fake.calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].op, "RequestDataOnSimObjectType");
  EXPECT_EQ(calls[0].values, (std::vector<std::uint32_t>{101, 404, 74080, 2}));
  EXPECT_EQ(calls[1].values, (std::vector<std::uint32_t>{102, 405, 1003, 1, 0, 0, 0, 0}));
  EXPECT_EQ(calls[2].values, (std::vector<std::uint32_t>{1003, 214, 0, 301, 0}));
  EXPECT_EQ(calls[3].values, (std::vector<std::uint32_t>{1003, 110}));
  EXPECT_EQ(calls[4].values, (std::vector<std::uint32_t>{401, 1003, 0, 0, 24}));
  EXPECT_EQ(calls[4].doubles, (std::vector<double>{100.0, 100.0, 100.0}));
  EXPECT_EQ(calls[5].values, (std::vector<std::uint32_t>{109, 403, 0, 1, 0, 0, 0, 0}));
  EXPECT_FALSE(simLinkState.simConnectError.load());

  fake.setResult("TransmitClientEvent", simconnectFail);
  gf_allLightsToggle(1003);
  EXPECT_TRUE(log.contains("===> SimConnect gf_allLightsToggle fails"));
  EXPECT_TRUE(simLinkState.simConnectError.load());
  // With the error flag set, neither the range nor the user state is asked for.
  fake.clearCalls();
  gf_requestAircraftInRange(74080);
  gf_requestUserAcPosition();
  EXPECT_TRUE(fake.calls().empty());
}

// The haversine distance on the stand-in simulator's earth, a sphere of 6371 km.
double standinMetres(const GeoPosition& a, const GeoPosition& b) {
  const double toRad = std::numbers::pi / 180.0;
  const double dLat = (b.latitude - a.latitude) * toRad;
  const double dLon = (b.longitude - a.longitude) * toRad;
  const double h = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(a.latitude * toRad) *
                                                                 std::cos(b.latitude * toRad) * std::sin(dLon / 2) *
                                                                 std::sin(dLon / 2);
  return 2 * 6371000.0 * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

TEST_F(LinkServices, TheRangeAskedForHoldsEveryAircraftTheTrafficFilterAdmits) {
  simLinkState.simConnectHandle = fake.handle();
  for (const std::int32_t nm : {2, 10, 40, 100}) {
    gf_setRange(nm);
    // As live traffic asks for the ground data of the aircraft around the user.
    gf_requestAircraftInRange(rangeMetres.load());
    const auto asked = fake.callsOf("RequestDataOnSimObjectType");
    ASSERT_FALSE(asked.empty());
    const double radius = asked.back().values.at(2);
    for (const GeoPosition user : {GeoPosition{33.9425, -118.4081}, GeoPosition{64.13, -21.94}}) {
      for (const double bearing : {0.0, 0.8, 1.5708, 3.1416}) {
        SCOPED_TRACE(fmt::format("{} nm from {},{} at {}", nm, user.latitude, user.longitude, bearing));
        // An airliner just inside the range: the filter lets it through.
        const GeoPosition at = gf_destinationPoint(user, bearing, (nm - 1e-4) * 6076.11549);
        std::vector<std::string> f(29, "null");
        f[0] = "RTTFC", f[1] = "11234567", f[2] = fmt::format("{:.8f}", at.latitude);
        f[3] = fmt::format("{:.8f}", at.longitude), f[4] = "5000", f[5] = "0", f[7] = "90", f[8] = "250";
        f[9] = "AAL1", f[10] = "B738", f[14] = "1718000000", f[20] = "-1", f[23] = "-1", f[28] = "A3";
        std::string line = f[0];
        for (std::size_t i = 1; i < f.size(); ++i) line += "," + f[i];
        std::vector<std::string_view> fields;
        TrafficLineContext context;
        context.reference = user;
        context.rangeNm = rangeNm.load();
        ASSERT_EQ(gf_parseTrafficLine(line, context, fields).outcome, LineOutcome::Accepted);
        // The simulator must report it too, measured on its own earth.
        EXPECT_GE(radius, standinMetres(user, at));
      }
    }
  }
  gf_setRange(RANGE.defaultValue);
}

TEST_F(LinkServices, ACallWithoutAConnectionFails) {
  // No handle: the link is not connected or has closed.
  gf_requestUserAcTitleAndModel();
  EXPECT_TRUE(log.contains("===> SimConnect request user ac title fails"));
  EXPECT_TRUE(log.contains("===> SimConnect reques user ac model fails"));
  EXPECT_TRUE(simLinkState.simConnectError.load());
  EXPECT_FALSE(gf_setAircraftFlightPlan(1003, "x.pln"));
}

TEST_F(LinkServices, TheResetBeforeARestartLeavesNothingOfTheRun) {
  simLinkState.simConnectHandle = fake.handle();
  simLinkState.userObjectId = 7;
  simLinkState.simConnectError = true;
  runState.flightRunning = true;
  gf_queueLights(1001, {});
  gf_queueRemoveAc(1001);
  simCommands.fillBuffer->push_back({.objectId = 1001});
  gf_handOverPositions(); // the buffers have changed places
  gf_addPendingCreate({7, 10001, "DAL1", LinkClock::now(), "Boeing 737-800 Paint1"});
  gf_markOwnObject(1001);
  gf_resetSimLink(6);
  EXPECT_EQ(simLinkState.simConnectHandle.load(), nullptr);
  EXPECT_EQ(simLinkState.userObjectId.load(), 2u);
  EXPECT_FALSE(simLinkState.simConnectError.load());
  EXPECT_FALSE(runState.flightRunning.load());
  EXPECT_EQ(simLinkState.simMajorVersion.load(), 6);
  EXPECT_EQ(simCommands.fillBuffer, &simCommands.positionBuffers[0]);
  EXPECT_EQ(simCommands.sendBuffer, &simCommands.positionBuffers[1]);
  EXPECT_TRUE(simCommands.positionBuffers[0].empty());
  EXPECT_TRUE(simCommands.positionBuffers[1].empty());
  EXPECT_TRUE(simCommands.eventQueue.empty());
  EXPECT_TRUE(simCommands.removeQueue.empty());
  EXPECT_TRUE(ownObjects.pendingCreates.empty());
  EXPECT_FALSE(gf_isOwnObject(1001));
}

} // namespace
