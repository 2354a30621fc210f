// The whole road under Wine: the liveries of a stand-in installation are scanned, the
// stand-in RealTraffic replays the first minutes of a real recording around Los Angeles into
// the Traffic Reader, live traffic ticks as the main loop does, and the simulator link
// creates, moves and removes the aircraft in the stand-in simulator. What the stand-in saw is
// checked at the end: every aircraft created with a reported callsign and a scanned livery of
// its type, released and frozen, and removed once its reports stopped; nothing aimed at the
// user aircraft or at an object that is not Hivemoor's; nothing left behind.
#include "core/files.h"
#include "core/refdata/dbase_tables.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "feeds/adding_stack.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "p3d_install.h"
#include "simlink/direct_calls.h"
#include "simlink/link_state.h"
#include "simlink/sim_client.h"
#include "simlink/user_state.h"
#include "standin.h"
#include "standin_launcher.h"
#include "support/test_support.h"
#include "traffic/flight_plans.h"
#include "traffic/livery_calls.h"
#include "traffic/traffic_state.h"
#include "traffic/traffic_tick.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The recording's lines up to `seconds` after its first report, as a file of their own, and
// the callsigns and types reported in them by hexid.
struct Excerpt {
  std::filesystem::path file;
  std::map<std::string, std::set<std::string>> typesByCallsign;
};

Excerpt lf_excerpt(const std::filesystem::path& folder, double seconds) {
  Excerpt excerpt;
  excerpt.file = folder / "excerpt.csv";
  std::ifstream in(std::string(HVM_DATA_DIR) + "/realtraffic/KLAX_20200617_2152.csv");
  std::ofstream out(excerpt.file);
  std::string line;
  double first = 0;
  while (std::getline(in, line)) {
    if (!line.starts_with("AITFC,")) {
      out << line << '\n';
      continue;
    }
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    if (f.size() < 15) continue;
    const double time = std::stod(f[14]);
    if (first == 0) first = time;
    if (time - first > seconds) continue;
    out << line << '\n';
    excerpt.typesByCallsign[f[9]].insert(f[10]);
  }
  return excerpt;
}

TEST(WholeRoadWin, ARecordingFlowsIntoTheStandInSimulatorAndLeavesNothingBehind) {
  testing_support::TempDir dir;
  testing_support::LogCapture log;
  constexpr double speed = 6.0;
  const Excerpt excerpt = lf_excerpt(dir.path(), 120);

  // The program's folders, and the liveries of a stand-in installation scanned into the tables.
  testing_support::ScopedCurrentPath inWork(dir.path());
  for (const auto& folder : {inputFolder, myRegcodesFolder, infoFolder, errorsFolder})
    std::filesystem::create_directories(folder);
  gf_setSettingsFolder(dir.path() / "settings");
  p3dinstall::Options installation;
  installation.root = dir.path() / "p3d";
  installation.aircraftFiles = 2;
  installation.hostile = false;
  installation.recordingsFleet = true;
  const p3dinstall::Manifest manifest = p3dinstall::gf_writeInstallation(installation);
  std::map<std::string, std::string> scannedType; // title: type
  for (const auto& livery : manifest.liveries) scannedType[livery.title] = livery.type;
  dbaseTables = p3dinstall::gf_standInReference();
  gf_clearLiveryTables();
  SIM_INSTALL_PATH.set(gf_pathText(manifest.simFolder));
  LIG_AUTOMATIC.set(false);
  StringParameter* folders[] = {&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4,
                                &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9};
  for (std::size_t i = 0; i < std::size(folders); ++i)
    folders[i]->set(i < manifest.liveryFolders.size() ? manifest.liveryFolders[i] : std::string{});
  SCAN_LIVERIES.set(true);
  gf_scanLiveries();

  // Live traffic as a run starts it.
  gf_resetRunFlags();
  gf_resetStatusLine();
  gf_resetTraffic();
  mainWindow.resetForRestart();
  gf_setLiveryTables({});
  ASSERT_TRUE(gf_createFlightPlanFolder());
  MAX_LIVE_SEL.set(500);
  LOG.set(true);

  // The simulator and the wait for the flight.
  StandinProcess standin({"--frame-rate", "60"});
  gf_resetSimLink(5);
  ALL_INSTALL_PATH.set("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
  gf_initSimClient(5);
  std::jthread link = gf_startSimClient();
  ASSERT_TRUE(waitFor([] { return runState.flightRunning.load(); }));
  gf_requestUserOnGroundEverySecond();
  ASSERT_TRUE(waitFor([] {
    traffic.userAcState = gf_requestUserAcPosition();
    return userOnGroundKnown.load() && gf_userPositionKnown(traffic.userAcState);
  }));
  const std::uint32_t userObject = simLinkState.userObjectId.load();

  // The feed: RealTraffic on this PC, the reader around the user aircraft.
  gf_reserveTraffic();
  gf_clearAddingStack();
  gf_setAcceptingTraffic(true);
  realTrafficLink.detected = true;
  rangeNm = 40.0;
  trafficReader.setReference({traffic.userAcState.latitude, traffic.userAcState.longitude});
  trafficReader.setParkAirport(GeoPosition{traffic.userAcState.latitude, traffic.userAcState.longitude});
  trafficReader.setParkElevation(125.0);
  trafficReader.stop = false;
  struct Reader {
    std::thread thread{gf_runTrafficReader, 0};
    ~Reader() {
      trafficReader.stop = true;
      thread.join();
    }
  } reader;
  ASSERT_TRUE(waitFor([] { return trafficReader.boundPort.load() != 0; }));
  rtstandin::Options options;
  options.file = excerpt.file.string();
  options.speed = speed;
  options.link = false;
  options.trafficPort = static_cast<std::uint16_t>(trafficReader.boundPort.load());
  options.weatherPort = 9; // the weather is no part of this road
  rtstandin::StandIn realTraffic(options);
  realTraffic.start();

  // The main loop at the replay's pace: a tick is 10 ms of the recording.
  const auto tickPeriod = std::chrono::microseconds(static_cast<std::int64_t>(10'000 / speed));
  auto next = Clock::now();
  std::size_t mostInSimulator = 0;
  const auto tickFor = [&](const std::function<bool()>& until, int limitTicks) {
    for (int i = 0; i < limitTicks && !until(); ++i) {
      lf_handleAddingStack();
      if (i % 500 == 0) {
        std::size_t shown = 0;
        for (const auto& ac : traffic.liveList) shown += ac.aircraft.state == LiveState::Active;
        mostInSimulator = std::max(mostInSimulator, shown);
      }
      next += tickPeriod;
      std::this_thread::sleep_until(next);
      if (Clock::now() > next + std::chrono::milliseconds(100)) next = Clock::now();
    }
  };
  tickFor([&] { return realTraffic.replayDone(); }, 40'000);
  ASSERT_TRUE(realTraffic.replayDone());
  // The reports stop: every aircraft goes once its stream has run out, a taxiing one after
  // holding in place for the shortest wait the settings allow.
  gf_setAcceptingTraffic(false);
  struct ShortHold {
    ShortHold() { MAX_HOLDING_MINUTES.set(1); }
    ~ShortHold() { MAX_HOLDING_MINUTES.set(20); }
  } shortHold;
  tickFor([] { return traffic.liveList.empty(); }, 24'000);
  EXPECT_TRUE(traffic.liveList.empty());
  tickFor([] { return false; }, 100); // the last removals reach the simulator

  const auto objects = nlohmann::json::parse(standin.command("objects"));
  const auto violations = nlohmann::json::parse(standin.command("violations"));
  realTraffic.stop();
  link.request_stop();
  link.join();
  EXPECT_TRUE(standin.stop());

  EXPECT_EQ(violations["count"], 0) << violations.dump();
  std::size_t created = 0;
  std::size_t ofTheirType = 0;
  std::size_t moved = 0;
  for (const auto& object : objects) {
    if (object["user"].get<bool>()) {
      EXPECT_EQ(object["id"].get<std::uint32_t>(), userObject);
      continue;
    }
    ++created;
    SCOPED_TRACE(object.dump());
    const std::string callsign = object["atcId"];
    const auto reported = excerpt.typesByCallsign.find(callsign);
    ASSERT_NE(reported, excerpt.typesByCallsign.end()) << callsign << " was never reported";
    const auto livery = scannedType.find(object["title"]);
    ASSERT_NE(livery, scannedType.end()) << "no scanned livery";
    ofTheirType += reported->second.contains(livery->second) ? 1 : 0;
    EXPECT_GE(object["released"].get<int>(), 1);
    EXPECT_EQ(object["frozen"], (nlohmann::json{{"altitude", true}, {"attitude", true}, {"latlon", true}}));
    moved += object["positions"].get<int>() >= 1 ? 1 : 0;
    EXPECT_TRUE(object["removed"].get<bool>()) << "left behind";
  }
  EXPECT_GE(created, 10u);
  EXPECT_GE(mostInSimulator, 5u);
  // An aircraft created just before the replay ends may be gone before its first position
  // update; every other one moves.
  EXPECT_GE(moved * 10, created * 9) << moved << " of " << created << " moved";
  // The stand-in fleet has a livery of nearly every reported type; a few aircraft fly in one
  // of a similar type or of their size class.
  EXPECT_GE(ofTheirType * 10, created * 8) << ofTheirType << " of " << created;

  gf_clearLiveryTables();
  for (auto* folder : folders) folder->set({});
  SIM_INSTALL_PATH.set({});
  gf_removeFlightPlanFolder();
  gf_setSettingsFolder({});
  gf_resetTraffic();
  gf_resetSimLink(5);
  gf_resetRunFlags();
  realTrafficLink.detected = false;
  dbaseTables = {};
}

} // namespace
