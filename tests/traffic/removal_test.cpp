// Removal: what taking an aircraft out means at each stage of its life, withdrawn creations,
// "Flush static" and the user's reserved stand.
#include "feeds/live_traffic_hooks.h"
#include "traffic/parking/park_airports.h"
#include "traffic/removal.h"
#include "traffic/spawning.h"
#include "traffic_fixture.h"

using namespace traffic_testing;

namespace {

using Removal = TrafficTest;

CreateAcData lf_creation(std::uint32_t hexid, std::string callsign) {
  CreateAcData c;
  c.hexId = static_cast<std::int32_t>(hexid);
  c.callsign = std::move(callsign);
  return c;
}

AircraftData& lf_static(std::uint32_t hexid, std::int32_t stand, LiveState state, std::int32_t objectId) {
  AircraftInfoData info;
  info.hexid = hexid;
  info.callsign = "STA" + std::to_string(hexid) + "*";
  traffic.staticList.emplace_back(std::move(info), stand, laxLat, laxLon, 0.0, false);
  traffic.staticList.back().state = state;
  traffic.staticList.back().objectId = objectId;
  return traffic.staticList.back();
}

} // namespace

TEST_F(Removal, AQueuedCreationIsWithdrawnAndNothingReachesTheSimulator) {
  Report r;
  r.dueTick = 5000;
  buffered(r);
  setTick(4900);
  runTicks(2); // spawned, and its request built
  ASSERT_EQ(traffic.liveCreateBacklog.size(), 1u);
  removeAircraftFromSim(live()->aircraft);
  EXPECT_TRUE(live()->aircraft.creationCancelled);
  EXPECT_TRUE(traffic.liveCreateBacklog.empty());
  runTicks(1);
  EXPECT_TRUE(traffic.liveList.empty());
  runUntil(5000);
  EXPECT_TRUE(creationsSent().empty());

  // Withdrawn too while its request is still to be built.
  r.hexid = firstHexid + 1;
  r.dueTick = gf_tickCounter() + 100;
  buffered(r);
  lf_bufferStep(*live(firstHexid + 1));
  ASSERT_EQ(traffic.pendingHexids.size(), 1u);
  removeAircraftFromSim(live(firstHexid + 1)->aircraft);
  EXPECT_TRUE(traffic.pendingHexids.empty());
  EXPECT_TRUE(live(firstHexid + 1)->aircraft.creationCancelled);
}

TEST_F(Removal, RequestsAreWithdrawnByHexidFromTheAircraftsOwnQueue) {
  traffic.liveCreateBacklog = {lf_creation(firstHexid, "AAL1"), lf_creation(firstHexid + 1, "AAL1"),
                               lf_creation(firstHexid, "AAL1")};
  traffic.staticCreateBacklog = {lf_creation(17, "AAL1")};
  EXPECT_TRUE(gf_cancelQueuedCreate(traffic.liveCreateBacklog, firstHexid));
  ASSERT_EQ(traffic.liveCreateBacklog.size(), 1u);
  EXPECT_EQ(traffic.liveCreateBacklog.front().hexId, static_cast<std::int32_t>(firstHexid + 1));
  EXPECT_FALSE(gf_cancelQueuedCreate(traffic.liveCreateBacklog, firstHexid));

  // A live aircraft whose request was handed on does not touch a static one's request, even
  // under the same callsign: it waits for its object to remove it.
  Report r;
  r.callsign = "AAL1";
  LiveAircraft& ac = buffered(r);
  ac.aircraft.state = LiveState::Adding2Sim;
  removeAircraftFromSim(ac.aircraft);
  EXPECT_TRUE(ac.aircraft.removalPending);
  EXPECT_EQ(traffic.staticCreateBacklog.size(), 1u);
  EXPECT_EQ(traffic.liveCreateBacklog.size(), 1u);
}

TEST_F(Removal, ObjectsInTheSimulatorAreRemovedOnceAndTheirStandFreed) {
  StandData stand;
  stand.number = 4;
  stand.takenByLive = true;
  standList.push_back(stand);
  LiveAircraft& ac = active(firstHexid, 1001, 2);
  ac.aircraft.standNumber = 4;
  removeAircraftFromSim(ac.aircraft);
  EXPECT_EQ(ac.aircraft.state, LiveState::RemovingFromSim);
  EXPECT_FALSE(standList[0].takenByLive);
  removeAircraftFromSim(ac.aircraft);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001}));

  // Without an object there is nothing to wait for.
  LiveAircraft& lost = active(firstHexid + 1, 0, 3);
  removeAircraftFromSim(lost.aircraft);
  EXPECT_TRUE(lost.aircraft.eraseNow);
  EXPECT_TRUE(log.contains("removeAircraftFromSim removing act ACT1 "));
  EXPECT_EQ(traffic.removeBacklog.size(), 1u);

  // A buffered aircraft is only erased.
  Report r;
  r.hexid = firstHexid + 2;
  r.callsign = "AAL77";
  removeAircraftFromSim(buffered(r).aircraft);
  EXPECT_TRUE(live(firstHexid + 2)->aircraft.eraseNow);
}

TEST_F(Removal, ARemovalDuringALiveryRespawnCallsOffTheReturnWithoutASecondRequest) {
  StandData stand;
  stand.number = 4;
  stand.takenByLive = true;
  standList.push_back(stand);
  LiveAircraft& ac = active(firstHexid, 1001, 2);
  ac.aircraft.standNumber = 4;
  // Its object's removal is on its way for the livery respawn.
  ac.aircraft.state = LiveState::LiveryRespawn;
  traffic.removeBacklog.push_back(1001);
  removeAircraftFromSim(ac.aircraft);
  EXPECT_EQ(ac.aircraft.state, LiveState::RemovingFromSim);
  EXPECT_FALSE(standList[0].takenByLive);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001}));
  // The simulator's confirmation ends it instead of bringing it back.
  result({1001, 0, 0, simResultRemoved, 0, 0});
  runTicks(1);
  EXPECT_EQ(live(), nullptr);

  // Without an object no confirmation can come: it goes at once.
  traffic.removeBacklog.clear();
  LiveAircraft& lost = active(firstHexid + 1, 0, 3);
  lost.aircraft.state = LiveState::LiveryRespawn;
  removeAircraftFromSim(lost.aircraft);
  EXPECT_TRUE(lost.aircraft.eraseNow);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{}));
}

TEST_F(Removal, FlushStaticRemovesTheActiveAndDropsTheQueued) {
  for (std::uint32_t i = 1; i <= 3; ++i) lf_static(i, static_cast<std::int32_t>(i), LiveState::Active, 2000 + i);
  lf_static(4, 4, LiveState::Adding2Sim, 0);
  lf_static(5, 5, LiveState::Adding2Sim, 0);
  lf_static(6, 6, LiveState::Adding2Sim, 0); // its creation already handed on
  traffic.staticCreateBacklog = {lf_creation(4, "STA4*"), lf_creation(5, "STA5*")};
  gf_flushStatics();
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{2001, 2002, 2003}));
  EXPECT_TRUE(traffic.staticCreateBacklog.empty());
  ASSERT_EQ(traffic.staticList.size(), 4u);
  EXPECT_TRUE(traffic.staticList.back().removalPending);
}

TEST_F(Removal, TheReservedStandIsClearedOfStaticFirstThenOfAParkedLiveAircraft) {
  StandData a, b;
  a.name = "A1";
  a.number = 1;
  b.name = "B2";
  b.number = 2;
  standList = {a, b};
  lf_static(1, 1, LiveState::Active, 2001);
  LiveAircraft& parked = active(firstHexid, 1001, 0);
  parked.aircraft.standNumber = 2;
  parked.phase = FlightPhase::Parked;
  reservedStand = "B2";
  gf_clearReservedStand();
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001}));
  reservedStand = "A1";
  gf_clearReservedStand();
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001, 2001}));
  // No such stand: only an aircraft without a stand would go.
  reservedStand = "Z9";
  lf_static(7, 0, LiveState::Active, 2007);
  gf_clearReservedStand();
  EXPECT_EQ(traffic.removeBacklog.back(), 2007);
  reservedStand.clear();
}

TEST_F(Removal, RealTrafficGoneTakesTheLiveAircraftOutOfTheSimulator) {
  active(firstHexid, 1001, 1);
  Report queued;
  queued.hexid = firstHexid + 1;
  queued.callsign = "Q1";
  LiveAircraft& q = buffered(queued);
  q.aircraft.state = LiveState::Adding2Sim;
  CreateAcData c;
  c.hexId = static_cast<std::int32_t>(queued.hexid);
  traffic.liveCreateBacklog.push_back(c);
  Report waiting;
  waiting.hexid = firstHexid + 2;
  waiting.callsign = "B1";
  buffered(waiting);
  gf_reserveTraffic();
  gf_takeLiveAircraftOut(); // as the feed calls it
  EXPECT_EQ(live(firstHexid)->aircraft.state, LiveState::RemovingFromSim);
  EXPECT_TRUE(live(firstHexid + 1)->aircraft.creationCancelled);
  EXPECT_TRUE(traffic.liveCreateBacklog.empty());
  EXPECT_EQ(live(firstHexid + 2)->aircraft.state, LiveState::Buffer);
  runTicks(1);
  EXPECT_EQ(live(firstHexid + 1), nullptr);
  EXPECT_EQ(traffic.removeBacklog.size() + removalsSent().size(), 1u);
}
