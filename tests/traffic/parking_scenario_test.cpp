// Static parking at Los Angeles's real gates, from the pilot's arrival at a gate to leaving
// the airport: the plan follows the learned week schedule, live aircraft teach the stands,
// the renewal an hour later removes and adds the aircraft the schedule says, and leaving
// saves what was learned and takes the static aircraft away.
#include "airports/airport_files.h"
#include "flightgear_parking.h"
#include "park_file_support.h"
#include "simlink/park_stands.h"
#include "traffic/parking/learned_options.h"

namespace traffic_testing {
namespace {

// One learned use of a gate on Wednesday.
struct Use {
  std::string group; // A stays, B ends before the renewal, C comes at the renewal, D departs then
  std::string registration;
  std::string airline;
  std::string type;
  std::string callsign;
  std::string coupled;
  std::uint64_t hours;
};

class ParkingScenarioTest : public ParkFolderTest {
protected:
  ParkingScenarioTest() {
    const auto parking = std::filesystem::path(HVM_DATA_DIR) / "stands" / "KLAX.parking.xml";
    klax = archive_standin::standsFromParkingList(parking, {"KLAX", "Los Angeles Intl", 125});
    archive_standin::writeStockFile(klax, myThirdpartyFolder);
    // Gates that touch no other chosen gate, in file order, the pilot's G1 and its neighbours
    // left out.
    StandList linked = klax.stands;
    gf_numberAndLinkStands(linked);
    const auto g1 = std::find_if(linked.begin(), linked.end(), [](const StandData& s) { return s.name == "G1"; });
    std::set<std::int32_t> blocked{g1->number};
    blocked.insert(g1->adjacent.begin(), g1->adjacent.end());
    for (const auto& s : linked) {
      if (s.cargo || s.ramp || s.heli || blocked.contains(s.number)) continue;
      gates.push_back(s.name);
      blocked.insert(s.number);
      blocked.insert(s.adjacent.begin(), s.adjacent.end());
      if (gates.size() == 14) break;
    }
    // Free gates for live arrivals, touching none of the chosen ones.
    for (const auto& s : linked)
      if (!s.cargo && !s.ramp && !s.heli && !blocked.contains(s.number) && freeGates.size() < 2)
        freeGates.push_back(s.name);
    pilotStand = *g1;
  }

  void writeLearnedFile(const std::vector<Use>& uses) const {
    std::string text = "<?xml version=\"1.0\"?>\n"
                       R"(<meta><info name="author" value="Hivemoor"/><info name="version" value="11.0.3"/>)"
                       R"(<info name="date" value="Dec 08, 2026"/></meta>)"
                       "\n<parameters>"
                       R"(<parameter name="parking_percentage" value="30"/><parameter name="MAX_FIT" value="0"/>)"
                       "</parameters>\n<parkpositions>\n";
    for (std::size_t k = 0; k < uses.size(); ++k) {
      const Use& u = uses[k];
      text += fmt::format(R"(<parkpos id="{}"><opt reg="{}" airl="{}" type="{}" day="3" hh="{}" cs="{}"/></parkpos>)",
                          gates[k], u.registration, u.airline, u.type, gf_bitset2hours(u.hours),
                          u.coupled.empty() ? u.callsign : u.callsign + ":" + u.coupled) +
              "\n";
    }
    text += "</parkpositions>\n";
    const auto path = gf_learnedFilePath(gf_findAirportFile("KLAX"), "stock");
    std::filesystem::create_directories(path.parent_path());
    testing_support::writeFile(path, text);
  }

  // The static aircraft on each gate, "gate:callsign", of the aircraft in that state.
  std::set<std::string> staticsByGate(LiveState state) const {
    std::set<std::string> found;
    for (const auto& s : traffic.staticList)
      if (s.state == state) found.insert(gf_standName(s.standNumber) + ":" + s.aircraftInfo.callsign);
    return found;
  }
  // The simulator creates every queued static aircraft.
  void simulatorCreatesStatics() {
    for (auto& s : traffic.staticList)
      if (s.state == LiveState::Adding2Sim) {
        s.state = LiveState::Active;
        s.objectId = static_cast<std::int32_t>(s.aircraftInfo.hexid) + 500;
      }
    traffic.staticCreateBacklog.clear();
  }
  void placeAll() {
    for (int k = 0; k < 100 && !wantedList.empty(); ++k) lf_placeNextStatic();
  }
  // A live aircraft that has arrived at a gate and parked there.
  LiveAircraft& liveArrival(std::uint32_t hexid, const std::string& gateName, std::string registration) {
    const auto stand = gf_findStandByName(gateName);
    LiveAircraft& ac =
        addLiveParked(hexid, stand->number, 0, SizeCategory::Large, "SWA" + std::to_string(hexid % 1000));
    ac.aircraft.aircraftInfo.airline = "SWA";
    ac.aircraft.aircraftInfo.type = "B738";
    ac.aircraft.aircraftInfo.registration = std::move(registration);
    return ac;
  }

  AirportFileData klax;
  std::vector<std::string> gates;
  std::vector<std::string> freeGates;
  StandData pilotStand;
};

TEST_F(ParkingScenarioTest, FromThePilotsArrivalToLeaving) {
  ASSERT_EQ(gates.size(), 14u);
  const std::vector<Use> uses = {
      {"A", "N101DL", "DAL", "B738", "DAL101", "", slotRange(16, 26)},
      {"A", "N102DL", "DAL", "A320", "DAL102", "", slotRange(16, 26)},
      {"A", "N103AA", "AAL", "B738", "AAL103", "", slotRange(18, 30)},
      {"A", "N104AA", "AAL", "A320", "AAL104", "", slotRange(20, 24)},
      {"A", "N105UA", "UAL", "B744", "UAL105", "", slotRange(10, 40)},
      {"A", "N106UA", "UAL", "A320", "UAL106", "", slotRange(19, 25)}, // its flight takes off before the renewal
      {"B", "N201DL", "DAL", "B738", "DAL201", "", slotRange(14, 20)},
      {"B", "N202AA", "AAL", "A320", "AAL202", "", slotRange(15, 20)},
      {"B", "N203UA", "UAL", "B738", "UAL203", "", slotRange(20, 20)},
      {"F", "N900UA", "UAL", "B738", "UAL900", "", slotRange(10, 21)}, // flying now: not placed
      {"C", "N301DL", "DAL", "B744", "DAL301", "", slotRange(22, 30)},
      {"C", "N302AA", "AAL", "B738", "AAL302", "", slotRange(21, 30)},
      {"D", "N401DL", "DAL", "A320", "DAL401", "DAL402", slotRange(16, 22)}, // departs after 22
      {"X", "N999XQ", "ZZZ", "ZZZZ", "ZZZ1", "", slotRange(20, 20)},         // no livery for it
  };
  writeLearnedFile(uses);
  writeParkFile("KLAX,G1\n");
  setNow({3, 20});
  PARK_SOFT.set(false);
  ASSERT_TRUE(lf_readMyParkAirports());

  // The pilot stands at gate G1 of Los Angeles.
  userOnTheGround({pilotStand.lat, pilotStand.lon});
  gf_updateParkAirport(true);
  ASSERT_EQ(currentParkAirport.code, "KLAX");
  feedReports({"UAL900"});
  gf_updateParkAirport(false);
  ASSERT_EQ(standList.size(), klax.stands.size());
  EXPECT_EQ(reservedStand, "G1");
  // The simulator link sees the stands through their published copy, never the list itself.
  EXPECT_EQ(gf_publishedParkAirport(), "KLAX");
  EXPECT_EQ(gf_parkStandAt(pilotStand.lat, pilotStand.lon), "G1");
  EXPECT_EQ(staticParking.wantedCount, 44) << "30 % of 148 gates";
  EXPECT_EQ(parking.seenCallsigns, (std::unordered_set<std::string>{"UAL900"}));

  placeAll();
  simulatorCreatesStatics();
  std::set<std::string> expected;
  for (std::size_t k = 0; k < uses.size(); ++k)
    if (uses[k].group != "C" && uses[k].group != "F" && uses[k].group != "X")
      expected.insert(gates[k] + ":" + uses[k].callsign + "*");
  EXPECT_EQ(staticsByGate(LiveState::Active), expected);
  for (const auto& s : traffic.staticList) {
    const auto k =
        static_cast<std::size_t>(std::find(gates.begin(), gates.end(), gf_standName(s.standNumber)) - gates.begin());
    ASSERT_LT(k, uses.size());
    EXPECT_EQ(s.aircraftInfo.airline, uses[k].airline);
    EXPECT_EQ(s.aircraftInfo.type, uses[k].type);
    EXPECT_EQ(s.aircraftInfo.registration, uses[k].registration);
    EXPECT_NE(s.standNumber, gf_findStandByName("G1")->number) << "the pilot's gate stays free";
  }
  gf_updateParkAirport(false);
  EXPECT_FALSE(parkBusy.load()) << "the placements are over";

  // A live aircraft arrives at a free gate: the gate learns who stands there now.
  ASSERT_EQ(freeGates.size(), 2u);
  liveArrival(12'000'001, freeGates[0], "N501WN");
  ASSERT_TRUE(lt_addStandOption(gf_findStandByName(freeGates[0])->number, *live(12'000'001), WeekTime{3, 20}, false));
  EXPECT_EQ(standUpdateCount, 1);

  // An hour later: the renewal.
  setNow({3, 22});
  feedReports({"UAL106"});
  gf_adjustParking();
  EXPECT_TRUE(log.contains("Parking adjustments: 5 to be removed, 3 to be added"))
      << testing::PrintToString(log.lines());
  std::set<std::string> removing;
  for (std::size_t k = 0; k < uses.size(); ++k)
    if (uses[k].group == "B" || uses[k].registration == "N106UA" || uses[k].group == "D")
      removing.insert(gates[k] + ":" + uses[k].callsign + "*");
  EXPECT_EQ(staticsByGate(LiveState::RemovingFromSim), removing);
  EXPECT_EQ(standUpdateCount, 0) << "what the live aircraft taught was saved";
  const auto learned = gf_learnedFilePath(gf_findAirportFile("KLAX"), "stock");
  EXPECT_NE(testing_support::readFile(learned).find("N501WN"), std::string::npos);

  // The removals are confirmed; the new aircraft come.
  std::erase_if(traffic.staticList, [](const AircraftData& s) { return s.state == LiveState::RemovingFromSim; });
  placeAll();
  simulatorCreatesStatics();
  std::set<std::string> after;
  for (std::size_t k = 0; k < uses.size(); ++k) {
    const Use& u = uses[k];
    if (u.group == "A" && u.registration != "N106UA") after.insert(gates[k] + ":" + u.callsign + "*");
    if (u.group == "C") after.insert(gates[k] + ":" + u.callsign + "*");
    if (u.group == "D") after.insert(gates[k] + ":" + u.coupled + "*"); // under its departure callsign
  }
  EXPECT_EQ(staticsByGate(LiveState::Active), after);
  const auto departing = std::find_if(traffic.staticList.begin(), traffic.staticList.end(),
                                      [](const AircraftData& s) { return s.aircraftInfo.registration == "N401DL"; });
  ASSERT_NE(departing, traffic.staticList.end());
  EXPECT_EQ(departing->parkedSince, (WeekTime{3, 20})) << "it keeps the time it was parked at";

  // Another arrival, then the pilot takes off and flies away: leaving the airport saves
  // the learned file and removes every static aircraft.
  liveArrival(12'000'002, freeGates[1], "N502WN");
  ASSERT_TRUE(lt_addStandOption(gf_findStandByName(freeGates[1])->number, *live(12'000'002), WeekTime{3, 22}, false));
  userInTheAir(3000);
  traffic.userAcState.latitude = latNorth(40);
  gf_updateParkAirport(false);
  EXPECT_TRUE(currentParkAirport.code.empty());
  EXPECT_TRUE(standList.empty());
  EXPECT_TRUE(staticsByGate(LiveState::Active).empty());
  EXPECT_EQ(staticsByGate(LiveState::RemovingFromSim).size(), after.size());
  EXPECT_NE(testing_support::readFile(learned).find("N502WN"), std::string::npos);
  EXPECT_TRUE(log.contains("KLAX (LAX) is out of sight"));
  EXPECT_EQ(gf_publishedParkAirport(), "");
  EXPECT_EQ(gf_parkStandAt(pilotStand.lat, pilotStand.lon), "");
}

} // namespace
} // namespace traffic_testing
