// What the feed and the simulator do to live aircraft that live traffic did not plan: a new
// identity while taxiing, an object the simulator removes on its own, a removal while the
// aircraft is still being created, a ghost and a static twin. Each case runs tick by tick
// against a simulator that creates, moves and removes what it is asked to; in each, nothing
// may be aimed at an object that is not there, and nothing may be left behind at the end.
#include "core/geodesy.h"
#include "motion_harness.h"
#include "traffic/motion/conflicts.h"
#include "traffic/removal.h"
#include "traffic_fixture.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <ostream>
#include <set>

using namespace traffic_testing;

namespace {

// The simulator as the link shows it to live traffic.
class StandInSimulator {
public:
  void frame() {
    std::vector<CreateAcData> creations;
    std::vector<std::int32_t> removals;
    std::vector<ClientEventData> events;
    std::vector<AcPositionData> positions;
    {
      std::lock_guard lock(simCommands.commandMutex);
      creations.swap(simCommands.createQueue);
      removals.swap(simCommands.removeQueue);
      events.swap(simCommands.eventQueue);
      positions = *simCommands.sendBuffer;
      simCommands.sendBuffer->clear();
    }
    for (const auto& event : events) lf_aimedAtOurs(event.objectId, "event");
    for (const auto& p : positions) {
      lf_aimedAtOurs(p.objectId, "position");
      if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || !std::isfinite(p.altitude))
        misaimed.push_back(fmt::format("position of object {} not finite", p.objectId));
      lastPosition[p.objectId] = p;
    }
    for (const auto& creation : creations) {
      const std::int32_t id = nextObject_++;
      objects_.insert(id);
      created.push_back(creation);
      gf_pushSimResult({id, creation.hexId, 0, simResultLiveCreated, 0, creation.position.onGround ? 0.0 : 2000.0});
    }
    for (const auto id : removals) {
      lf_aimedAtOurs(id, "removal");
      ++removalsOf[id];
      if (objects_.erase(id) == 1) gf_pushSimResult({id, 0, 0, simResultRemoved, 0, 0});
    }
  }
  // An object that was there before live traffic knew it (a static aircraft placed earlier).
  void adopt(std::int32_t id) { objects_.insert(id); }
  // The simulator takes an object away on its own.
  void drop(std::int32_t id) {
    if (objects_.erase(id) == 1) gf_pushSimResult({id, 0, 0, simResultRemoved, 0, 0});
  }
  bool has(std::int32_t id) const { return objects_.contains(id); }
  std::size_t inSimulator() const { return objects_.size(); }
  std::int32_t lastObject() const { return nextObject_ - 1; }

  std::vector<CreateAcData> created;
  std::vector<std::string> misaimed;
  std::map<std::int32_t, int> removalsOf;
  std::map<std::int32_t, AcPositionData> lastPosition;

private:
  void lf_aimedAtOurs(std::int32_t id, const char* what) {
    if (!objects_.contains(id)) misaimed.push_back(fmt::format("{} for object {}", what, id));
  }
  std::set<std::int32_t> objects_;
  std::int32_t nextObject_ = 100;
};

class Disturbances : public TrafficTest {
public:
  Disturbances() {
    GUID_CHANGES.set(true);
    // An aircraft whose reports stop waits where it is at most this long.
    holdingMinutes_ = MAX_HOLDING_MINUTES.get();
    MAX_HOLDING_MINUTES.set(1);
    setTick(1000);
  }
  ~Disturbances() override {
    GUID_CHANGES.set(true);
    MAX_HOLDING_MINUTES.set(holdingMinutes_);
  }

  void tick() {
    lf_handleAddingStack();
    sim.frame();
  }
  void ticks(std::int32_t n) {
    for (std::int32_t i = 0; i < n; ++i) tick();
  }
  // Runs ticks until the condition holds; false when it did not within `limit` ticks.
  bool tickUntil(const std::function<bool()>& condition, std::int32_t limit = 20000) {
    for (std::int32_t i = 0; i < limit; ++i) {
      if (condition()) return true;
      tick();
    }
    return condition();
  }
  std::int32_t tickNow() const { return gf_tickCounter(); }
  bool logged(std::string_view text) const { return log.contains(text); }

  // Reports of an aircraft taxiing east at 12 kt, one every 6 s, the first due in 10 s.
  void taxiReports(std::uint32_t hexid, const std::string& callsign, int count, int from = 0) {
    for (int i = from; i < from + count; ++i) push(taxiReport(hexid, callsign, i));
  }
  Report taxiReport(std::uint32_t hexid, const std::string& callsign, int i) const {
    Report r;
    r.hexid = hexid;
    r.callsign = callsign;
    r.altitude = 0;
    r.groundSpeed = 12;
    r.track = 90;
    r.lon = lonEast(0.02 * i);
    r.time = 1'700'000'000 + 6.0 * i;
    r.dueTick = start_ + 4000 + 600 * i;
    return r;
  }
  static bool activeNow(std::uint32_t hexid) {
    const LiveAircraft* ac = live(hexid);
    return ac != nullptr && ac->aircraft.state == LiveState::Active;
  }
  // A static aircraft at its stand whose object is in the simulator already.
  AircraftData& placedStatic(std::string callsign, std::string coupled1, std::int32_t objectId) {
    AircraftInfoData info;
    info.hexid = 77;
    info.callsign = std::move(callsign);
    info.coupledCallsign1 = std::move(coupled1);
    info.halfSpanNm = 0.02;
    traffic.staticList.emplace_back(std::move(info), 1, latNorth(0.5), laxLon, 0.0, false);
    AircraftData& s = traffic.staticList.back();
    s.state = LiveState::Active;
    s.objectId = objectId;
    sim.adopt(objectId);
    return s;
  }

  StandInSimulator sim;

private:
  std::int32_t start_ = 1000;
  std::int32_t holdingMinutes_ = 20;
};

struct Disturbance {
  const char* name;
  std::function<void(Disturbances&)> play;
};
std::ostream& operator<<(std::ostream& out, const Disturbance& d) { return out << d.name; }

const Disturbance disturbances[] = {
    {"a new callsign while taxiing, kept in the simulator",
     [](Disturbances& t) {
       GUID_CHANGES.set(false);
       t.taxiReports(firstHexid, "AAL123", 6);
       ASSERT_TRUE(t.tickUntil([&] { return t.activeNow(firstHexid); }));
       const std::int32_t object = live()->aircraft.objectId;
       const Report renamed = t.taxiReport(firstHexid, "DAL9", 6);
       push(renamed);
       t.ticks(2);
       const LiveAircraft& ac = *live();
       EXPECT_EQ(ac.aircraft.aircraftInfo.callsign, "DAL9");
       EXPECT_EQ(ac.aircraft.objectId, object);
       EXPECT_EQ(ac.feedPoints.back().dueTick, renamed.dueTick); // merged
       EXPECT_EQ(ac.aircraft.aircraftInfo.liveryTitle, "Boeing 737-800 Test");
       EXPECT_EQ(ac.phase, FlightPhase::Taxi);
       EXPECT_EQ(t.sim.created.size(), 1u);
     }},
    {"a registration of another operator while taxiing, kept in the simulator",
     [](Disturbances& t) {
       GUID_CHANGES.set(false);
       t.taxiReports(firstHexid, "AAL123", 6);
       ASSERT_TRUE(t.tickUntil([&] { return t.activeNow(firstHexid); }));
       Report r = t.taxiReport(firstHexid, "AAL123", 6);
       r.registration = "PH-BFA";
       push(r);
       t.ticks(2);
       const std::int32_t object = live()->aircraft.objectId;
       EXPECT_EQ(live()->aircraft.aircraftInfo.airline, "MPH");
       EXPECT_EQ(live()->aircraft.aircraftInfo.liveryTitle, "Boeing 737-800 Test");
       // It rolls on along the ground as before.
       t.ticks(300);
       EXPECT_EQ(live()->phase, FlightPhase::Taxi);
       EXPECT_EQ(t.sim.lastPosition[object].altitude, 0.0);
       EXPECT_EQ(t.sim.created.size(), 1u);
     }},
    {"the simulator removes the object within 2 s",
     [](Disturbances& t) {
       t.taxiReports(firstHexid, "AAL123", 6);
       ASSERT_TRUE(t.tickUntil([&] { return live() && live()->aircraft.objectId != 0; }));
       const std::int32_t object = live()->aircraft.objectId;
       t.ticks(120);
       ASSERT_EQ(live()->aircraft.state, LiveState::Adding2Sim);
       t.sim.drop(object);
       t.ticks(300);
       EXPECT_EQ(live(), nullptr);
       EXPECT_EQ(t.sim.removalsOf[object], 0);
     }},
    {"a removal while the creation request waits",
     [](Disturbances& t) {
       t.taxiReports(firstHexid, "AAL123", 6);
       ASSERT_TRUE(t.tickUntil([&] { return !traffic.liveCreateBacklog.empty(); }));
       removeAircraftFromSim(live()->aircraft);
       t.ticks(400);
       EXPECT_EQ(live(), nullptr);
       EXPECT_TRUE(t.sim.created.empty());
     }},
    {"a removal after the creation was handed on",
     [](Disturbances& t) {
       t.taxiReports(firstHexid, "AAL123", 6);
       ASSERT_TRUE(t.tickUntil([&] { return live() && live()->aircraft.objectId != 0; }));
       const std::int32_t object = live()->aircraft.objectId;
       removeAircraftFromSim(live()->aircraft);
       removeAircraftFromSim(live()->aircraft);
       ASSERT_TRUE(t.tickUntil([&] { return live() == nullptr; }, 1000));
       EXPECT_EQ(t.sim.removalsOf[object], 1);
     }},
    {"a ghost gives way to the aircraft with its plain callsign",
     [](Disturbances& t) {
       t.taxiReports(firstHexid + 1, "DAL9_", 12);
       ASSERT_TRUE(t.tickUntil([&] { return t.activeNow(firstHexid + 1); }));
       const std::int32_t ghost = live(firstHexid + 1)->aircraft.objectId;
       t.taxiReports(firstHexid, "DAL9", 6, 4);
       ASSERT_TRUE(t.tickUntil([&] { return t.activeNow(firstHexid); }));
       EXPECT_FALSE(t.sim.has(ghost));
       EXPECT_EQ(t.sim.removalsOf[ghost], 1);
       EXPECT_EQ(traffic.ghostList, (GhostList{"DAL9_"}));
       // The ghost's later reports make a new record that is never created.
       t.taxiReports(firstHexid + 1, "DAL9_", 3, 14);
       const std::int32_t due = t.taxiReport(firstHexid + 1, "DAL9_", 16).dueTick;
       ASSERT_TRUE(t.tickUntil([&] { return t.tickNow() > due; }));
       EXPECT_EQ(t.sim.created.size(), 2u);
       EXPECT_EQ(live(firstHexid + 1), nullptr);
     }},
    {"a static twin goes when its live aircraft arrives",
     [](Disturbances& t) {
       t.placedStatic("KLM601*", "KLM601", 90);
       t.taxiReports(firstHexid, "KLM601", 6);
       ASSERT_TRUE(t.tickUntil([&] { return t.activeNow(firstHexid); }));
       // The per-second step takes the new aircraft from the queue of twin checks.
       ASSERT_FALSE(traffic.twinCheckQueue.empty());
       EXPECT_EQ(traffic.twinCheckQueue.front(), firstHexid);
       gf_removeStaticTwin(*live(), live()->onGround);
       gf_removeStaticTwin(*live(), live()->onGround);
       ASSERT_TRUE(t.tickUntil([&] { return traffic.staticList.empty(); }, 100));
       EXPECT_EQ(t.sim.removalsOf[90], 1);
       EXPECT_TRUE(t.activeNow(firstHexid));
       EXPECT_TRUE(t.logged("KLM601*  'KLM601 ' removed, new on ground KLM601 'KLM601' '' has same callsign"));
     }},
};

class EachDisturbance : public Disturbances, public ::testing::WithParamInterface<Disturbance> {};

} // namespace

TEST_P(EachDisturbance, LeavesNothingMisaimedAndNothingBehind) {
  GetParam().play(*this);
  if (HasFatalFailure()) return;
  // The reports stop and the statics go: every object leaves the simulator.
  gf_setAcceptingTraffic(false);
  gf_flushStatics();
  EXPECT_TRUE(tickUntil([&] { return sim.inSimulator() == 0 && traffic.liveList.empty(); }, 30000));
  EXPECT_TRUE(sim.misaimed.empty()) << sim.misaimed.front();
  for (const auto& [object, count] : sim.removalsOf) EXPECT_LE(count, 1) << "object " << object;
}

INSTANTIATE_TEST_SUITE_P(Disturbances, EachDisturbance, ::testing::ValuesIn(disturbances), [](const auto& info) {
  // "a new callsign" -> "ANewCallsign"
  std::string name;
  bool wordStart = true;
  for (const char* c = info.param.name; *c != '\0'; ++c) {
    const auto u = static_cast<unsigned char>(*c);
    if (std::isalnum(u)) name += static_cast<char>(wordStart ? std::toupper(u) : u);
    wordStart = *c == ' ';
  }
  return name;
});

// JetBlue 424 taxiing out at Los Angeles shows its registration as callsign for its first
// 100 s, then its flight number: it is created again where it stands, as it looked.
TEST_F(Disturbances, ANewCallsignWhileTaxiingRespawnsTheAircraftInPlaceWithItsTitle) {
  dbaseTables.aircraftTypes.insert("A321");
  dbaseTables.largeTypes.insert("A321");
  std::vector<std::string> matched;
  gf_setLiveryTables({[&matched](AircraftInfoData& info) {
                        matched.push_back(info.callsign);
                        info.liveryTitle = "Airbus A321 Test";
                      },
                      [](std::string_view) { return std::string_view("Airbus A321 Test"); }});
  auto fixture = motion_harness::gf_readFixture(std::string(HVM_DATA_DIR) + "/motion/JBU424_departure.csv", 125.0);
  ASSERT_FALSE(fixture.empty());
  for (auto& entry : fixture)
    if (entry.offsetSeconds < 100.0) entry.report.callsign = "N977JE";
  const std::uint32_t hexid = fixture.front().report.hexId;
  motion_harness::MotionHarness harness(fake);
  harness.scheduleFixture(fixture, gf_tickCounter() + 10, 0.0, 300.0);

  ASSERT_TRUE(harness.runWhile([&] { return !activeNow(hexid); }, 20000));
  const std::int32_t first = harness.objectOf(hexid);
  EXPECT_EQ(live(hexid)->aircraft.aircraftInfo.callsign, "N977JE");
  ASSERT_TRUE(harness.runWhile([&] { return !activeNow(hexid) || live(hexid)->aircraft.objectId == first; }, 20000));
  const std::int32_t second = harness.objectOf(hexid);
  const LiveAircraft& ac = *live(hexid);
  EXPECT_EQ(ac.aircraft.aircraftInfo.callsign, "JBU424");
  EXPECT_EQ(ac.aircraft.aircraftInfo.liveryTitle, "Airbus A321 Test");
  EXPECT_EQ(matched, std::vector<std::string>{"N977JE"}); // no livery chosen again
  EXPECT_EQ(ac.phase, FlightPhase::Taxi);
  EXPECT_EQ(harness.created, 2u);
  EXPECT_EQ(std::count(harness.removed.begin(), harness.removed.end(), first), 1);
  EXPECT_TRUE(log.contains("          JBU424   N977JE   LAX->JFK respawns"));
  // Where the old object was last seen, and heading the same way.
  ASSERT_FALSE(harness.track[first].empty());
  ASSERT_FALSE(harness.track[second].empty());
  const AcPositionData& before = harness.track[first].back().position;
  const AcPositionData& after = harness.track[second].front().position;
  EXPECT_LT(gf_distanceNm({before.latitude, before.longitude}, {after.latitude, after.longitude}) * 1852.0, 5.0);
  EXPECT_NEAR(before.heading, after.heading, 0.5 * degToRad);

  // It taxis on under its new callsign until its reports stop, and then leaves.
  ASSERT_TRUE(harness.runWhile([&] { return harness.objectCount() > 0 || !traffic.liveList.empty(); }, 60000));
  EXPECT_EQ(harness.created, 2u);
  EXPECT_TRUE(harness.violations.empty()) << harness.violations.front();
}
