// The live limit: the farthest active aircraft make room, every live aircraft in the
// simulator or on its way there counts, and the parked live aircraft are counted.
#include "core/shell/main_window.h"
#include "traffic/live_limit.h"
#include "traffic/spawning.h"
#include "traffic_fixture.h"

using namespace traffic_testing;

namespace {

using LiveLimit = TrafficTest;

std::vector<std::int32_t> lf_removedObjects() { return {traffic.removeBacklog.begin(), traffic.removeBacklog.end()}; }

} // namespace

TEST_F(LiveLimit, LoweringTheLimitRemovesTheFarthestFirst) {
  placeUser(laxLat, laxLon, 0, true);
  for (std::int32_t i = 0; i < 30; ++i) active(firstHexid + i, 1000 + i, 1.0 + i);
  MAX_LIVE_SEL.set(10);
  gf_applyMaxLive();
  std::vector<std::int32_t> farthestFirst;
  for (std::int32_t i = 29; i >= 10; --i) farthestFirst.push_back(1000 + i);
  EXPECT_EQ(lf_removedObjects(), farthestFirst);

  MAX_LIVE_SEL.set(0);
  gf_applyMaxLive();
  EXPECT_EQ(traffic.removeBacklog.size(), 30u);
}

TEST_F(LiveLimit, AFartherAircraftWinsOnlyByMoreThanATenthOfAMile) {
  placeUser(laxLat, laxLon, 0, true);
  active(firstHexid, 1001, 12.00);
  active(firstHexid + 1, 1002, 12.05);
  active(firstHexid + 2, 1003, 11.00);
  EXPECT_FALSE(lf_removeFarthestLive(-1.0));
  EXPECT_EQ(lf_removedObjects(), (std::vector<std::int32_t>{1001}));

  // A newcomer at 8 nm: 8.05 nm is not far enough to make room, 8.2 nm is.
  traffic.liveList.clear();
  traffic.removeBacklog.clear();
  active(firstHexid, 1001, 8.05);
  EXPECT_TRUE(lf_removeFarthestLive(8.0));
  active(firstHexid + 1, 1002, 8.2);
  EXPECT_FALSE(lf_removeFarthestLive(8.0));
  EXPECT_EQ(lf_removedObjects(), (std::vector<std::int32_t>{1002}));

  // Only active aircraft make room.
  traffic.liveList.clear();
  for (LiveState state : {LiveState::Buffer, LiveState::Adding2Sim, LiveState::RemovingFromSim})
    active(firstHexid + static_cast<std::uint32_t>(state), 1010, 30).aircraft.state = state;
  EXPECT_TRUE(lf_removeFarthestLive(1.0));
}

TEST_F(LiveLimit, ANewcomerSpawnsAtTheLimitOnlyWhenAFartherAircraftMakesRoom) {
  placeUser(laxLat, laxLon, 0, true);
  MAX_LIVE_SEL.set(10);
  for (std::int32_t i = 0; i < 9; ++i) active(firstHexid + 100 + i, 1000 + i, 2.0 + i * 0.5);
  Report pending;
  pending.hexid = firstHexid + 200;
  pending.callsign = "PEND1";
  LiveAircraft& handedOn = buffered(pending);
  handedOn.aircraft.state = LiveState::Adding2Sim; // its creation is with the link already

  Report r;
  r.lat = latNorth(8.0);
  r.dueTick = 5000;
  buffered(r);
  setTick(4900);
  lf_bufferStep(*live());
  // The farthest active aircraft is at 6 nm: no room, the newcomer goes.
  EXPECT_TRUE(live()->aircraft.eraseNow);
  EXPECT_TRUE(traffic.removeBacklog.empty());

  active(firstHexid + 300, 1300, 8.2);
  MAX_LIVE_SEL.set(11);
  live()->aircraft.eraseNow = false;
  setTick(4901);
  lf_bufferStep(*live());
  EXPECT_EQ(live()->aircraft.state, LiveState::Adding2Sim);
  EXPECT_EQ(lf_removedObjects(), (std::vector<std::int32_t>{1300}));
}

TEST_F(LiveLimit, LoweringTheLimitAlsoStopsCreationsOnTheirWay) {
  placeUser(laxLat, laxLon, 0, true);
  active(firstHexid, 1001, 1.0);
  Report far;
  far.hexid = firstHexid + 1;
  far.callsign = "FAR1";
  far.lat = latNorth(20);
  LiveAircraft& queued = buffered(far);
  queued.aircraft.state = LiveState::Adding2Sim;
  queued.lat = far.lat;
  queued.lon = far.lon;
  CreateAcData c;
  c.hexId = static_cast<std::int32_t>(far.hexid);
  traffic.liveCreateBacklog.push_back(c);
  Report farther = far;
  farther.hexid = firstHexid + 2;
  farther.callsign = "FAR2";
  farther.lat = latNorth(30);
  LiveAircraft& waiting = buffered(farther);
  waiting.aircraft.state = LiveState::Adding2Sim; // handed on, in its post-create wait
  waiting.lat = farther.lat;
  waiting.lon = farther.lon;

  MAX_LIVE_SEL.set(1);
  gf_applyMaxLive();
  EXPECT_TRUE(live(firstHexid + 2)->aircraft.removalPending);
  EXPECT_TRUE(live(firstHexid + 1)->aircraft.creationCancelled);
  EXPECT_TRUE(traffic.liveCreateBacklog.empty());
  EXPECT_EQ(live(firstHexid)->aircraft.state, LiveState::Active);
}

TEST_F(LiveLimit, CountsParkedLiveAircraftAndTheirAverageStay) {
  currentWeekTime.store(WeekTime{1, 1});
  LiveAircraft& a = active(firstHexid, 1001, 1);
  a.phase = FlightPhase::Parked;
  a.aircraft.parkedSince = {7, 46}; // across the end of the week: 3 half-hours
  LiveAircraft& b = active(firstHexid + 1, 1002, 1);
  b.phase = FlightPhase::Parked;
  b.aircraft.parkedSince = {7, 44}; // 5 half-hours
  active(firstHexid + 2, 1003, 1).phase = FlightPhase::Taxi;
  EXPECT_EQ(gf_countLiveParked(false), 2);
  EXPECT_EQ(gf_countLiveParked(true), 2);
  EXPECT_FLOAT_EQ(mainWindow.snapshot().liveParkedHours, 2.5f);
  traffic.liveList.clear();
  EXPECT_EQ(gf_countLiveParked(true), 0);
  EXPECT_FLOAT_EQ(mainWindow.snapshot().liveParkedHours, 0.0f);
}
