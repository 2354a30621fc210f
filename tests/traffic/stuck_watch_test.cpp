// Aircraft that would wait for the simulator for good are given up after about 10 s.
#include "traffic/removal.h"
#include "traffic/stuck_watch.h"
#include "traffic_fixture.h"

using namespace traffic_testing;

namespace {

using StuckWatch = TrafficTest;

// Runs the tick until the aircraft with this hexid is gone; the ticks it took.
std::int32_t lf_ticksUntilGone(std::uint32_t hexid, std::int32_t limit = 3000) {
  const std::int32_t start = gf_tickCounter();
  while (live(hexid) && gf_tickCounter() - start < limit) lf_handleAddingStack();
  return gf_tickCounter() - start;
}

} // namespace

TEST_F(StuckWatch, ACreationTheSimulatorNeverConfirmsIsGivenUpAndItsHexidFree) {
  Report r;
  r.dueTick = 5000;
  buffered(r);
  setTick(4900);
  runUntil(5000); // spawned, requested and handed to the link at 4950
  ASSERT_EQ(creationsSent().size(), 1u);
  const std::int32_t waited = lf_ticksUntilGone(firstHexid);
  EXPECT_GE(waited, 900);
  EXPECT_LE(waited, 1200);
  EXPECT_TRUE(log.contains("waits for the simulator in adding2sim for good"));

  // Its reports make a new aircraft again; a late creation of the old one is removed.
  Report again = r;
  again.time += 30;
  again.dueTick = gf_tickCounter() + 3000;
  push(again);
  runTicks(1);
  ASSERT_NE(live(), nullptr);
  EXPECT_EQ(live()->aircraft.state, LiveState::Buffer);
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  runTicks(1);
  EXPECT_EQ(live()->aircraft.objectId, 0);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001}));
}

TEST_F(StuckWatch, UnconfirmedRemovalsAndRespawnsWithoutObjectsAreGivenUp) {
  setTick(11);
  // While the removal waits in live traffic's own queue it is not timed.
  for (std::int32_t id = 5000; id < 5200; ++id) traffic.removeBacklog.push_back(id);
  removeAircraftFromSim(active(firstHexid, 1001, 1).aircraft);
  active(firstHexid + 1, 0, 2).aircraft.state = LiveState::LiveryRespawn;
  runTicks(1200);
  EXPECT_NE(live(firstHexid), nullptr);
  EXPECT_EQ(live(firstHexid + 1), nullptr);
  runUntil(11 + 2010 + 1200);
  EXPECT_EQ(live(firstHexid), nullptr);
  // The object is asked to go once more.
  const auto removed = removalsSent();
  EXPECT_EQ(std::count(removed.begin(), removed.end(), 1001) +
                std::count(traffic.removeBacklog.begin(), traffic.removeBacklog.end(), 1001),
            2);
}

TEST_F(StuckWatch, AnActiveAircraftOrOneInItsPostCreateWaitIsNotStuck) {
  setTick(11);
  Report r;
  r.dueTick = 100'000;
  LiveAircraft& ac = buffered(r);
  ac.aircraft.state = LiveState::Adding2Sim;
  result({1001, static_cast<std::int32_t>(firstHexid), 0, simResultLiveCreated, 0, 0});
  active(firstHexid + 1, 1002, 5);
  runTicks(1500);
  ASSERT_NE(live(), nullptr);
  EXPECT_EQ(live()->aircraft.state, LiveState::Active);
  EXPECT_NE(live(firstHexid + 1), nullptr);
}
