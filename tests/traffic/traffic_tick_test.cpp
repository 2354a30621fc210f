// The traffic tick: what it does at which value of the tick counter, the hand-over of the
// position batch, the order of merges and creations, and the reset before a restart.
#include "airports/park_airport.h"
#include "feeds/live_traffic_hooks.h"
#include "feeds/qnh_reader.h"
#include "traffic/removal.h"
#include "traffic_fixture.h"

#include <chrono>
#include <future>
#include <map>
#include <mutex>

using namespace traffic_testing;

namespace {

using TrafficTick = TrafficTest;

struct Cadence {
  std::vector<std::int32_t> removals, creations, rangeRequests, userRequests;
};

// Runs the ticks from..to and notes at which counter values each command left live traffic.
Cadence lf_watchTicks(FakeSimConnect& fake, std::int32_t from, std::int32_t to,
                      const std::function<void(std::int32_t)>& before = {}) {
  Cadence seen;
  setTick(from);
  for (std::int32_t tick = from; tick <= to; ++tick) {
    if (before) before(tick);
    const auto removals = removalsSent().size();
    const auto creations = creationsSent().size();
    const auto range = fake.count("RequestDataOnSimObjectType");
    const auto user = fake.callsOf("RequestDataOnSimObject").size();
    lf_handleAddingStack();
    if (removalsSent().size() > removals) seen.removals.push_back(tick);
    if (creationsSent().size() > creations) seen.creations.push_back(tick);
    if (fake.count("RequestDataOnSimObjectType") > range) seen.rangeRequests.push_back(tick);
    if (fake.callsOf("RequestDataOnSimObject").size() > user) seen.userRequests.push_back(tick);
  }
  return seen;
}

CreateAcData lf_creation(std::int32_t hexid, const std::string& callsign) {
  CreateAcData c;
  c.callsign = callsign;
  c.hexId = hexid;
  return c;
}

} // namespace

TEST_F(TrafficTick, EachStepHasItsCadenceAndAllFallDueAtCounterZero) {
  for (std::int32_t id = 1001; id < 1040; ++id) traffic.removeBacklog.push_back(id);
  for (std::int32_t i = 0; i < 3; ++i) {
    traffic.liveCreateBacklog.push_back(lf_creation(10'000'001 + i, "LIVE" + std::to_string(i)));
    traffic.staticCreateBacklog.push_back(lf_creation(1 + i, "STAT" + std::to_string(i)));
  }
  const Cadence seen = lf_watchTicks(fake, 0, 250);
  std::vector<std::int32_t> everyTen;
  for (std::int32_t t = 0; t <= 250; t += 10) everyTen.push_back(t);
  EXPECT_EQ(seen.removals, everyTen);
  EXPECT_EQ(seen.creations, (std::vector<std::int32_t>{0, 50, 100, 150, 200, 250}));
  EXPECT_EQ(seen.rangeRequests, (std::vector<std::int32_t>{0, 100, 200}));
  EXPECT_EQ(seen.userRequests, (std::vector<std::int32_t>{0, 100, 200}));
  // The live creations first, one per 50 ticks; the static ones only once no live one waits.
  const auto sent = creationsSent();
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(sent[0].callsign, "LIVE0");
  EXPECT_EQ(sent[2].callsign, "LIVE2");
  EXPECT_EQ(sent[3].callsign, "STAT0");
  EXPECT_EQ(fake.callsOf("RequestDataOnSimObjectType").front().values,
            (std::vector<std::uint32_t>{101, 404, 74080, 2}));
}

TEST_F(TrafficTick, AFlaringAircraftAsksForTheAircraftInRangeEveryTwentyTicks) {
  LiveAircraft& ac = active(10'000'100, 1001, 5.0);
  const std::uint32_t hexid = ac.aircraft.aircraftInfo.hexid;
  const Cadence seen = lf_watchTicks(fake, 30, 260, [hexid](std::int32_t tick) {
    // The flare begins before tick 40 and ends with a go-around after tick 100.
    live(hexid)->flareStage = (tick >= 40 && tick <= 100) ? 1 : 0;
  });
  EXPECT_EQ(seen.rangeRequests, (std::vector<std::int32_t>{40, 60, 80, 100, 200}));
  EXPECT_FALSE(traffic.fastRangeRequests);

  // An aircraft removed in its flare ends the fast requests too.
  live(hexid)->flareStage = 2;
  setTick(301);
  lf_handleAddingStack();
  EXPECT_TRUE(traffic.fastRangeRequests);
  removeAircraftFromSim(live(hexid)->aircraft);
  lf_handleAddingStack();
  EXPECT_FALSE(traffic.fastRangeRequests);
}

TEST_F(TrafficTick, PositionsWaitForTheFrameAboveFiftyFramesASecondAndAreDroppedAtFifty) {
  active(10'000'100, 1001, 5.0);
  for (const float rate : {50.0f, 51.0f}) {
    SCOPED_TRACE(rate);
    simLinkState.frameRate = rate;
    setTick(7); // a tick that queues no command
    std::future<void> tick;
    {
      std::lock_guard frame(simCommands.commandMutex);
      simCommands.sendBuffer->clear();
      tick = std::async(std::launch::async, [] { lf_handleAddingStack(); });
      const auto status = tick.wait_for(std::chrono::milliseconds(rate > 50 ? 50 : 5000));
      if (rate > 50) {
        EXPECT_EQ(status, std::future_status::timeout) << "the tick did not wait for the frame";
      } else {
        ASSERT_EQ(status, std::future_status::ready) << "the tick waited for the frame";
        EXPECT_TRUE(simCommands.sendBuffer->empty());
        EXPECT_TRUE(simCommands.fillBuffer->empty());
      }
    }
    tick.get();
    if (rate > 50) {
      std::lock_guard lock(simCommands.commandMutex);
      ASSERT_EQ(simCommands.sendBuffer->size(), 1u);
      EXPECT_EQ(simCommands.sendBuffer->front().objectId, 1001);
    }
  }
}

TEST_F(TrafficTick, MergesTwoReportsATickAndCreatesTheLastSpawnedFirst) {
  for (std::uint32_t i = 0; i < 3; ++i) {
    Report r;
    r.hexid = firstHexid + i;
    r.callsign = "AAL10" + std::to_string(i);
    r.lat = latNorth(i);
    push(r);
  }
  setTick(11);
  lf_handleAddingStack();
  EXPECT_EQ(traffic.liveList.size(), 2u);
  EXPECT_EQ(gf_addingStackSize(), 1u);
  lf_handleAddingStack();
  EXPECT_EQ(traffic.liveList.size(), 3u);

  // Two aircraft spawned in one tick: the one spawned last gets its request first.
  traffic.liveList.clear();
  Report a;
  a.dueTick = 5000;
  buffered(a);
  Report b = a;
  b.hexid = firstHexid + 1;
  b.callsign = "AAL200";
  b.lat = latNorth(3);
  buffered(b);
  setTick(4900);
  lf_handleAddingStack();
  ASSERT_EQ(traffic.liveCreateBacklog.size(), 1u);
  EXPECT_EQ(traffic.liveCreateBacklog.front().callsign, "AAL200");
  lf_handleAddingStack();
  ASSERT_EQ(traffic.liveCreateBacklog.size(), 2u);
  EXPECT_EQ(traffic.liveCreateBacklog.back().callsign, "AAL123");
  const CreateAcData& c = traffic.liveCreateBacklog.back();
  EXPECT_EQ(c.hexId, static_cast<std::int32_t>(firstHexid));
  EXPECT_EQ(c.title, "Boeing 737-800 Test");
  EXPECT_DOUBLE_EQ(c.position.latitude, laxLat);
  EXPECT_DOUBLE_EQ(c.position.altitude, 3000);
  EXPECT_NEAR(c.position.heading, 0.0, 1e-6); // toward the second point, due north
  EXPECT_EQ(c.position.onGround, 0u);
  EXPECT_EQ(c.position.airspeed, 0u);
}

TEST_F(TrafficTick, APendingHexidWithoutItsAircraftIsConsumedWithoutEffect) {
  traffic.pendingHexids = {firstHexid, firstHexid + 7};
  Report r;
  r.dueTick = 100'000;
  buffered(r); // the first hexid, but buffered: its creation was never asked
  setTick(3);
  runTicks(2);
  EXPECT_TRUE(traffic.pendingHexids.empty());
  EXPECT_TRUE(traffic.liveCreateBacklog.empty());
}

TEST_F(TrafficTick, TheResetEmptiesTheRunButKeepsTheCounterAndWhatLastsTheProcess) {
  setTick(12345);
  active(10'000'100, 1001, 5.0);
  traffic.removeBacklog.push_back(5);
  traffic.liveCreateBacklog.push_back(lf_creation(10'000'200, "X"));
  traffic.hexidTitleMap[10'000'100] = "T";
  traffic.ghostList.push_back("G_");
  traffic.twinCheckQueue.push_back(10'000'100);
  traffic.uncreatableTitles.insert("Bad title");
  result({1001, 0, 0, 3, 0, 0});
  push(Report{});
  currentParkAirport.code = "KLAX";
  currentParkAirport.alt = 125;
  standUpdateCount = 3;
  trafficQnh = 990;
  traffic.userAcState.latitude = 33.94;
  gf_resetTraffic();
  EXPECT_EQ(traffic.userAcState.latitude, 0.0);
  EXPECT_TRUE(currentParkAirport.code.empty());
  EXPECT_EQ(currentParkAirport.alt, 0);
  EXPECT_EQ(standUpdateCount, 0);
  EXPECT_EQ(parkAirportFileInfo.altitude, -1);
  EXPECT_EQ(trafficQnh.load(), 1013);
  EXPECT_TRUE(traffic.liveList.empty() && traffic.removeBacklog.empty() && traffic.liveCreateBacklog.empty() &&
              traffic.hexidTitleMap.empty() && traffic.ghostList.empty());
  EXPECT_EQ(gf_addingStackSize(), 0u);
  EXPECT_TRUE(simResults.results.empty());
  EXPECT_EQ(gf_tickCounter(), 12345);
  EXPECT_EQ(traffic.twinCheckQueue.size(), 1u);
  EXPECT_EQ(traffic.uncreatableTitles.size(), 1u);

  // The feed stamps its reports with the counter that goes on.
  gf_reserveTraffic();
  EXPECT_EQ(gf_currentTrafficTick(), 12345);
  ASSERT_TRUE(gf_appendTrafficReport(Report{}.data(), gf_currentTrafficTick()));
  std::lock_guard lock(addingStack.mutex);
  EXPECT_EQ(addingStack.queue.front().point.dueTick, 15345);
}
