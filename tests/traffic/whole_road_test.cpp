// The whole road natively: a real RealTraffic recording around Los Angeles goes through the
// Traffic Reader's parser and filters into live traffic, tick by tick, against a simulator
// that creates, moves and removes what it is asked to and reports back like the link does.
// Nothing may be aimed at the user aircraft or at an object that is not live traffic's, and
// nothing may be left in the simulator once the reports have stopped.
#include "feeds/traffic_reader.h"
#include "recording.h"
#include "traffic_fixture.h"

#include <fmt/format.h>

#include <map>
#include <set>

using namespace traffic_testing;

namespace {

using WholeRoad = TrafficTest;

// A simulator as the link shows it to live traffic: each creation becomes an object, each
// removal ends one, the aircraft in range answer every range request.
class FakeSimulator {
public:
  explicit FakeSimulator(FakeSimConnect& fake) : fake_(fake) {}

  // One simulator frame after a tick: what the link would send, and what would come back.
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
    for (const auto& position : positions) {
      lf_aimedAtOurs(position.objectId, "position");
      EXPECT_TRUE(std::isfinite(position.latitude) && std::isfinite(position.longitude) &&
                  std::isfinite(position.altitude));
    }
    for (const auto& creation : creations) {
      const std::int32_t id = nextObject_++;
      objects_[id] = creation.position.onGround != 0;
      created.push_back(creation);
      gf_pushSimResult({id, creation.hexId, 0, simResultLiveCreated, 0, creation.position.onGround ? 0.0 : 2000.0});
    }
    for (const auto id : removals) {
      lf_aimedAtOurs(id, "removal");
      if (objects_.erase(id) == 1) gf_pushSimResult({id, 0, 0, simResultRemoved, 0, 0});
    }
    const bool rangeRequested = fake_.count("RequestDataOnSimObjectType") > 0;
    fake_.clearCalls();
    if (rangeRequested) {
      for (const auto& [id, onGround] : objects_)
        gf_pushSimResult({id, onGround ? 1 : 0, 0, simResultGroundData, 120, onGround ? 0.0 : 2000.0});
    }
  }

  std::size_t inSimulator() const { return objects_.size(); }
  std::vector<CreateAcData> created;
  std::vector<std::string> misaimed;

private:
  void lf_aimedAtOurs(std::int32_t id, const char* what) {
    if (id <= 2 || !objects_.contains(id)) misaimed.push_back(fmt::format("{} for object {}", what, id));
  }

  FakeSimConnect& fake_;
  std::map<std::int32_t, bool> objects_;
  std::int32_t nextObject_ = 100;
};

} // namespace

TEST_F(WholeRoad, ARealRecordingBecomesAircraftThatComeAndGoWithoutALeak) {
  const auto schedule = rtstandin::readSchedule(std::string(HVM_DATA_DIR) + "/realtraffic/KLAX_20200617_2152.csv");
  std::map<std::uint32_t, std::set<std::pair<std::string, std::string>>> reported; // hexid: {callsign, type}
  for (const auto& datagram : schedule.datagrams) {
    if (datagram.kind != rtstandin::DatagramKind::Traffic) continue;
    std::vector<std::string> f;
    for (std::size_t start = 0, comma = 0; comma != std::string::npos; start = comma + 1) {
      comma = datagram.text.find(',', start);
      f.push_back(datagram.text.substr(start, comma == std::string::npos ? comma : comma - start));
    }
    if (f.size() < 11) continue;
    reported[static_cast<std::uint32_t>(std::stoul(f[1]))].insert({f[9], f[10]});
    dbaseTables.aircraftTypes.insert(f[10]);
  }
  dbaseTables.aircraftTypes.erase("");
  gf_setLiveryTables({[](AircraftInfoData& info) { info.liveryTitle = "Any Livery"; },
                      [](std::string_view) { return std::string_view("Any Livery"); }});
  placeUser(laxLat, laxLon, 0, true);
  COLLISION_USER_GND.set(false);
  rangeNm.store(100);
  trafficReader.setReference({laxLat, laxLon});
  trafficReader.setParkAirport(GeoPosition{laxLat, laxLon});
  trafficReader.setParkElevation(125.0);

  FakeSimulator simulator(fake);
  const std::int32_t start = 1000;
  setTick(start);
  constexpr double replaySeconds = 480; // the first eight minutes
  std::size_t next = 0;
  std::size_t mostInSimulator = 0;
  while (next < schedule.datagrams.size() && schedule.datagrams[next].offsetSeconds < replaySeconds) {
    const std::int32_t tick = gf_tickCounter();
    for (; next < schedule.datagrams.size() && start + schedule.datagrams[next].offsetSeconds * 100 <= tick; ++next) {
      const auto& datagram = schedule.datagrams[next];
      if (datagram.kind != rtstandin::DatagramKind::Traffic) continue;
      const double time = datagram.reportTime.value_or(schedule.firstTime + datagram.offsetSeconds);
      trafficReader.handleLine(rtstandin::convertShortLine(datagram.text, time).value_or(datagram.text));
    }
    lf_handleAddingStack();
    simulator.frame();
    mostInSimulator = std::max(mostInSimulator, simulator.inSimulator());
  }
  // The reports stop: every aircraft leaves when its stream runs out, a taxiing one after
  // holding in place for the shortest wait the settings allow.
  gf_setAcceptingTraffic(false);
  MAX_HOLDING_MINUTES.set(1);
  for (std::int32_t i = 0; i < 30000 && (simulator.inSimulator() > 0 || !traffic.liveList.empty()); ++i) {
    lf_handleAddingStack();
    simulator.frame();
  }

  EXPECT_GE(simulator.created.size(), 20u);
  EXPECT_GE(mostInSimulator, 10u);
  EXPECT_EQ(simulator.inSimulator(), 0u);
  EXPECT_TRUE(traffic.liveList.empty());
  EXPECT_TRUE(simulator.misaimed.empty()) << simulator.misaimed.front();
  for (const auto& creation : simulator.created) {
    const auto& names = reported[static_cast<std::uint32_t>(creation.hexId)];
    EXPECT_TRUE(std::any_of(names.begin(), names.end(), [&](const auto& n) { return n.first == creation.callsign; }))
        << creation.callsign;
    EXPECT_EQ(creation.title, "Any Livery");
  }
  EXPECT_FALSE(log.contains("stream empty"));
}
